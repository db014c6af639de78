// OpenGL and GLU for the engine: the fixed-function 1.x interface the show draws
// with, plus the framebuffer-object entry points the platform layer presents through.
#pragma once
#ifndef GL_GLEXT_PROTOTYPES
#define GL_GLEXT_PROTOTYPES 1
#endif
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
