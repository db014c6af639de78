// SDL2 window and OpenGL context, with the show drawn into a W x H framebuffer
// object (RGBA8 + 24-bit depth) and blitted, letterboxed, into the drawable, or
// straight into a drawable of that size.
#include "platform/display.h"

#include <SDL2/SDL.h>

#include <cstdlib>
#include <cstring>

#include "platform/gl.h"
#include "platform/virtual_keys.h"

namespace lumen::platform {

struct Display::Impl {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    GLuint framebuffer = 0;
    GLuint colour = 0;
    GLuint depth = 0;
    // The show draws straight into the window (see DisplayOptions).
    bool intoWindow = false;
    GLuint picture() const { return intoWindow ? 0 : framebuffer; }
};

namespace {

bool displayServerPresent() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

std::vector<uint8_t> readRowsTopDown(int width, int height) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    // GL rows run bottom-up.
    const size_t stride = static_cast<size_t>(width) * 4;
    std::vector<uint8_t> row(stride);
    for (int y = 0; y < height / 2; ++y) {
        uint8_t* a = pixels.data() + stride * y;
        uint8_t* b = pixels.data() + stride * (height - 1 - y);
        std::memcpy(row.data(), a, stride);
        std::memcpy(a, b, stride);
        std::memcpy(b, row.data(), stride);
    }
    return pixels;
}

}  // namespace

int virtualKeyFromSdl(int key) {
    if (key == SDLK_ESCAPE) return kKeyEscape;
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return 0x70 + (key - SDLK_F1);
    switch (key) {
        case SDLK_BACKSPACE: return 0x08;
        case SDLK_TAB: return 0x09;
        case SDLK_RETURN: return 0x0D;
        case SDLK_SPACE: return kKeySpace;
        case SDLK_LEFT: return kKeyLeft;
        case SDLK_UP: return kKeyUp;
        case SDLK_RIGHT: return kKeyRight;
        case SDLK_DOWN: return kKeyDown;
        case SDLK_PAGEUP: return kKeyPageUp;
        case SDLK_PAGEDOWN: return kKeyPageDown;
        case SDLK_HOME: return kKeyHome;
        default: return 0;
    }
}

PresentRect letterbox(int pw, int ph, int dw, int dh) {
    if (pw <= 0 || ph <= 0 || dw <= 0 || dh <= 0) return {0, 0, 0, 0};
    // Compare dw/pw with dh/ph in integers to avoid rounding a tie the wrong way.
    int w, h;
    if (static_cast<int64_t>(dw) * ph <= static_cast<int64_t>(dh) * pw) {
        w = dw;
        h = static_cast<int>(static_cast<int64_t>(dw) * ph / pw);
    } else {
        h = dh;
        w = static_cast<int>(static_cast<int64_t>(dh) * pw / ph);
    }
    return {(dw - w) / 2, (dh - h) / 2, w, h};
}

std::unique_ptr<Display> Display::open(const DisplayOptions& options, std::string* error) {
    auto fail = [&](const std::string& what) -> std::unique_ptr<Display> {
        if (error) *error = what + ": " + SDL_GetError();
        return nullptr;
    };

    const bool headless = options.headless || (!std::getenv("SDL_VIDEODRIVER") && !displayServerPresent());
    if (headless) SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return fail("cannot open a display or the headless driver");

    // 8 bits a channel exactly, so a picture is the same in every mode.
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);

    std::unique_ptr<Display> d(new Display());
    d->impl_ = std::make_unique<Impl>();
    d->width_ = options.width;
    d->height_ = options.height;
    d->headless_ = std::strcmp(SDL_GetCurrentVideoDriver(), "offscreen") == 0;

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI;
    if (options.fullscreen && !d->headless_) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    d->impl_->window = SDL_CreateWindow(options.title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                        options.windowWidth > 0 ? options.windowWidth : options.width,
                                        options.windowHeight > 0 ? options.windowHeight : options.height, flags);
    if (!d->impl_->window) return fail("cannot create the window");
    d->impl_->context = SDL_GL_CreateContext(d->impl_->window);
    if (!d->impl_->context) return fail("no OpenGL context");
    if (SDL_GL_MakeCurrent(d->impl_->window, d->impl_->context) != 0) return fail("cannot use the OpenGL context");
    if (options.fullscreen) SDL_ShowCursor(SDL_DISABLE);
    SDL_RaiseWindow(d->impl_->window);

    Impl& m = *d->impl_;
    glGenFramebuffers(1, &m.framebuffer);
    glGenRenderbuffers(1, &m.colour);
    glGenRenderbuffers(1, &m.depth);
    glBindRenderbuffer(GL_RENDERBUFFER, m.colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, options.width, options.height);
    glBindRenderbuffer(GL_RENDERBUFFER, m.depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, options.width, options.height);
    glBindFramebuffer(GL_FRAMEBUFFER, m.framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m.colour);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, m.depth);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        if (error) *error = "no OpenGL context: the offscreen picture framebuffer is incomplete";
        return nullptr;
    }
    if (options.drawIntoWindow) {
        int dw = 0, dh = 0;
        d->drawableSize(&dw, &dh);
        m.intoWindow = dw == options.width && dh == options.height;
        if (m.intoWindow) glBindFramebuffer(GL_FRAMEBUFFER, 0);
    }
    glViewport(0, 0, options.width, options.height);
    return d;
}

Display::~Display() {
    if (!impl_) return;
    if (impl_->context) {
        glDeleteFramebuffers(1, &impl_->framebuffer);
        glDeleteRenderbuffers(1, &impl_->colour);
        glDeleteRenderbuffers(1, &impl_->depth);
        SDL_GL_DeleteContext(impl_->context);
    }
    if (impl_->window) SDL_DestroyWindow(impl_->window);
    SDL_ShowCursor(SDL_ENABLE);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool Display::pollEvent(Event& out) {
    SDL_Event e;
    if (!SDL_PollEvent(&e)) return false;
    out = Event{};
    if (e.type == SDL_QUIT || (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE)) {
        out.kind = EventKind::Close;
    } else if (e.type == SDL_KEYDOWN) {
        out.kind = EventKind::KeyDown;
        out.virtualKey = virtualKeyFromSdl(e.key.keysym.sym);
    }
    return true;
}

void Display::setTitle(const std::string& title) { SDL_SetWindowTitle(impl_->window, title.c_str()); }

void Display::bindPicture() { glBindFramebuffer(GL_FRAMEBUFFER, impl_->picture()); }

bool Display::drawsIntoWindow() const { return impl_->intoWindow; }

void Display::drawableSize(int* w, int* h) const { SDL_GL_GetDrawableSize(impl_->window, w, h); }

void Display::present() {
    int dw = 0, dh = 0;
    drawableSize(&dw, &dh);
    if (impl_->intoWindow) {
        if (dw == width_ && dh == height_) {
            SDL_GL_SwapWindow(impl_->window);
            // The offscreen driver's swap does not wait for the picture; a
            // window's swap must, and timings would otherwise leave it behind.
            if (headless_) glFinish();
            return;
        }
        // The window was resized: from here on the show draws into the
        // picture framebuffer and is scaled, starting with this frame.
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, impl_->framebuffer);
        glBlitFramebuffer(0, 0, width_, height_, 0, 0, width_, height_, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        impl_->intoWindow = false;
    }
    const PresentRect r = letterbox(width_, height_, dw, dh);

    // The blit honours the scissor test and the clear honours the colour mask;
    // the show may have left either set.
    const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    GLboolean mask[4];
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);

    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, impl_->framebuffer);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    const bool same = r.width == width_ && r.height == height_;
    glBlitFramebuffer(0, 0, width_, height_, r.x, r.y, r.x + r.width, r.y + r.height, GL_COLOR_BUFFER_BIT,
                      same ? GL_NEAREST : GL_LINEAR);
    SDL_GL_SwapWindow(impl_->window);

    glBindFramebuffer(GL_FRAMEBUFFER, impl_->framebuffer);
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    glColorMask(mask[0], mask[1], mask[2], mask[3]);
    if (scissor) glEnable(GL_SCISSOR_TEST);
}

std::vector<uint8_t> Display::readPicture() {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, impl_->picture());
    return readRowsTopDown(width_, height_);
}

void Display::readPictureRgbBottomUp(uint8_t* out, int rowPixels) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, impl_->picture());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, rowPixels);
    glReadPixels(0, 0, width_, height_, GL_RGB, GL_UNSIGNED_BYTE, out);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
}

std::vector<uint8_t> Display::readDrawable(int* w, int* h) {
    drawableSize(w, h);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    // The offscreen driver is single-buffered; a real window reads what was swapped.
    glReadBuffer(headless_ ? GL_FRONT : GL_BACK);
    auto pixels = readRowsTopDown(*w, *h);
    glBindFramebuffer(GL_FRAMEBUFFER, impl_->picture());
    return pixels;
}

}  // namespace lumen::platform
