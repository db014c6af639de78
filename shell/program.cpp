// The player: start-up in the show's order, the frame loop, shutdown.
//
// [SECTION] Frame host on the real display
// [SECTION] Start-up and shutdown
#include "shell/program.h"

#include <cstdio>

#include "platform/clock.h"
#include "platform/display.h"
#include "platform/gl.h"
#include "shell/options.h"

namespace lumen {

//-----------------------------------------------------------------------------
// [SECTION] Frame host on the real display
//-----------------------------------------------------------------------------

namespace {

class DisplayHost final : public FrameHost {
public:
    explicit DisplayHost(platform::Display& display) : display_(display) {}

    bool takeEvent(platform::Event& event) override { return display_.pollEvent(event); }

    // Stands in for the song clock until the soundtrack provides one: real
    // milliseconds since the first frame asked.
    int clockMs() override {
        if (clockStart_ < 0) clockStart_ = platform::monotonicMs();
        return static_cast<int>(platform::monotonicMs() - clockStart_);
    }

    void drawFrame(int /*showTime*/) override {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
    }

    void sleepMs(int ms) override { platform::sleepMs(ms); }
    void present() override { display_.present(); }

private:
    platform::Display& display_;
    int64_t clockStart_ = -1;
};

}  // namespace

//-----------------------------------------------------------------------------
// [SECTION] Start-up and shutdown
//-----------------------------------------------------------------------------

int runProgram(const std::string& commandLine, int endOfShow) {
    const DisplayChoice choice = readDisplayOptions(commandLine);

    platform::DisplayOptions options;
    options.width = choice.width;
    options.height = choice.height;
    options.fullscreen = !choice.windowed;
    std::string error;
    auto display = platform::Display::open(options, &error);
    if (!display) {
        std::fprintf(stderr, "lumen: %s\n", error.c_str());
        return 1;
    }

    ShellState state;
    state.windowWidth = choice.width;
    state.windowHeight = choice.height;

    glEnable(GL_DEPTH_TEST);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    DisplayHost host(*display);
    runMainLoop(state, host, endOfShow);
    return 0;
}

}  // namespace lumen
