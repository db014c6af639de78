// The window, its OpenGL context and the W x H picture the show draws into:
// offscreen, scaled with its aspect kept into the window, or the window itself.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lumen::platform {

// The show's name, in the window title.
inline constexpr const char* kShowTitle = "Halcyon - Project Lumen";

struct DisplayOptions {
    int width = 640;
    int height = 480;
    bool fullscreen = true;
    std::string title = kShowTitle;
    // Use SDL's offscreen driver even when a display is available.
    bool headless = false;
    // The window's size when not full screen; 0 means the picture's size. A
    // 4:3 picture in a 16:9 window (a video frame, say) gets bars.
    int windowWidth = 0;
    int windowHeight = 0;
    // When the window's drawable is exactly the picture's size, draw straight
    // into it: presenting is then a swap, with no scaling pass. Each present
    // must follow a freshly drawn picture, since a swap may leave the window's
    // back buffer undefined. A resize goes back to the scaled picture.
    bool drawIntoWindow = false;
};

enum class EventKind { Other, KeyDown, Close };

// A window event as the shell sees it. Keys carry Windows virtual-key codes
// (named in platform/virtual_keys.h); a key we have no code for arrives as 0.
struct Event {
    EventKind kind = EventKind::Other;
    int virtualKey = 0;
};

// Maps an SDL keycode to a Windows virtual-key code, 0 when there is none.
int virtualKeyFromSdl(int sdlKeycode);

class Display {
public:
    // Opens the window and context; on failure returns null and sets *error to
    // one line saying what could not be had.
    static std::unique_ptr<Display> open(const DisplayOptions& options, std::string* error);
    ~Display();
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    bool headless() const { return headless_; }

    void setTitle(const std::string& title);

    // Removes one waiting event, if there is one.
    bool pollEvent(Event& out);

    // Makes the picture the framebuffer that GL draws into and reads from.
    void bindPicture();
    // Whether the picture is the window itself (DisplayOptions::drawIntoWindow).
    bool drawsIntoWindow() const;

    // Scales the picture into the window's drawable (letterboxed, black bars),
    // swaps, and binds the picture again; a picture that is the window is
    // swapped alone.
    void present();

    // The picture's pixels, RGBA, rows top-down.
    std::vector<uint8_t> readPicture();

    // The picture's pixels as RGB, rows bottom-up as GL keeps them, written
    // into a larger frame: row y of the picture starts at
    // out + y x rowPixels x 3. No copy and no flip: the encoder flips.
    void readPictureRgbBottomUp(uint8_t* out, int rowPixels);

    // The window's drawable as last presented, RGBA, rows top-down.
    std::vector<uint8_t> readDrawable(int* width, int* height);

    void drawableSize(int* width, int* height) const;

private:
    Display() = default;

    struct Impl;
    std::unique_ptr<Impl> impl_;
    int width_ = 0;
    int height_ = 0;
    bool headless_ = false;
};

// Where the picture lands inside a drawable of dw x dh: the largest rectangle
// of the picture's aspect that fits, centred. Pure, so it can be tested alone.
struct PresentRect {
    int x, y, width, height;
};
PresentRect letterbox(int pictureWidth, int pictureHeight, int drawableWidth, int drawableHeight);

}  // namespace lumen::platform
