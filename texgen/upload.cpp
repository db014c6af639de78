// Uploading one layer of a generated texture as an opaque, mipmapped GL texture.
#include <cstring>

#include "platform/gl.h"
#include "texgen/texture.h"

namespace lumen {

void copyLayerOpaque(const uint8_t* layer, uint8_t* out) {
    for (size_t i = 0; i < kLayerBytes; i += 4) {
        out[i] = layer[i];
        out[i + 1] = layer[i + 1];
        out[i + 2] = layer[i + 2];
        out[i + 3] = 255;
    }
}

bool uploadImage(UploadedImage& image, const Texture* texturesHead) {
    const Texture* source = findTexture(texturesHead, image.sourceTexture);
    bool found = source && image.sourceLayer < kLayerCount;
    if (found) {
        copyLayerOpaque(source->layers[image.sourceLayer], image.pixels);
    } else {
        std::memset(image.pixels, 0, kLayerBytes);
        for (size_t i = 3; i < kLayerBytes; i += 4) image.pixels[i] = 255;
    }

    GLuint name = 0;
    glGenTextures(1, &name);
    image.glName = name;
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, 4, kTextureSize, kTextureSize, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.pixels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 4, kTextureSize, kTextureSize, GL_RGBA, GL_UNSIGNED_BYTE, image.pixels);
    return found;
}

}  // namespace lumen
