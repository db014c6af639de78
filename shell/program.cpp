// The player: start-up in the show's order, the frame loop, shutdown.
//
// [SECTION] Frame hosts on the real display
// [SECTION] Start-up and shutdown
#include "shell/program.h"

#include <cstdio>

#include "base/log.h"
#include "base/runtime_random.h"
#include "content/packs.h"
#include "content/song_builtin.h"
#include "pack/reader.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/gl.h"
#include "shell/authoring_show.h"
#include "shell/frame_timings.h"
#include "shell/loading.h"
#include "shell/options.h"
#include "shell/seekable_sound.h"
#include "shell/show_history.h"
#include "synth/synth.h"
#include "texgen/texture.h"
#include "timeline/event_player.h"

namespace lumen {

//-----------------------------------------------------------------------------
// [SECTION] Frame hosts on the real display
//-----------------------------------------------------------------------------

namespace {

class DisplayHost final : public FrameHost {
public:
    DisplayHost(platform::Display& display, EventPlayer& player, PackLists& active, const Synth& synth)
        : display_(display), player_(player), active_(active), synth_(synth) {}

    bool takeEvent(platform::Event& event) override { return display_.pollEvent(event); }

    // The song clock: the time at the end of the block being played.
    int clockMs() override { return synth_.synthGetTimeMs(); }

    void drawFrame(int showTime) override { drawShowFrame(player_, active_, showTime); }

    void sleepMs(int ms) override { platform::sleepMs(ms); }
    void present(bool) override { display_.present(); }

private:
    platform::Display& display_;
    EventPlayer& player_;
    PackLists& active_;
    const Synth& synth_;
};

// The loading display's window: a waiting event goes to the window procedure.
class DisplayLoadingHost final : public LoadingHost {
public:
    DisplayLoadingHost(platform::Display& display, ShellState& state) : display_(display), state_(state) {}

    bool handleWaitingEvent() override {
        platform::Event event;
        if (!display_.pollEvent(event)) return false;
        handleWindowEvent(state_, event);
        return true;
    }
    void present() override { display_.present(); }

private:
    platform::Display& display_;
    ShellState& state_;
};

// The one frame loop on the real window, its frames timed when asked.
void playFrames(ShellState& state, FrameHost& host, int endOfShow, TimeControls* controls, FrameTimings* timings) {
    if (!timings) return runMainLoop(state, host, endOfShow, controls);
    TimedFrameHost timed(host, *timings);
    runMainLoop(state, timed, endOfShow, controls);
}

// From the seekable soundtrack: started at --from, ended at --to, and with
// --dev the authoring keys. A song that cannot load ends the program here.
int playSeekableShow(ShellState& state, platform::Display& display, EventPlayer& player, LoadingSequence& loading,
                     const PlayerControls& controls, int endOfShow, FrameTimings* timings) {
    SeekableSound sound;
    const content::SongBytes& song = content::builtInSong();
    if (!sound.init(SongSource{song.image, song.planes, song.definitions}, loading.progressHook(), endOfShow)) return 1;
    for (int id : kShowAnimatedScenes) player.animationSwitches().set(id);
    if (state.stopRequested) return 0;  // closed while loading: no need to map the song up to --from
    ShowHistory history(player, loading.active(), sound.map());
    sound.startAt(sound.blockReaching(controls.from.value_or(0)));
    AuthoringHost host(display, sound, history);
    playFrames(state, host, endOfShow, controls.dev ? &host : nullptr, timings);
    return 0;
}

}  // namespace

//-----------------------------------------------------------------------------
// [SECTION] Start-up and shutdown
//-----------------------------------------------------------------------------

int runProgram(const std::string& commandLine, int endOfShow, const PlayerControls& controls, FrameTimings* timings) {
    if (controls.to) endOfShow = *controls.to;
    // The program's one random generator: the jitter table draws from its
    // start-up state, then the texture operations and the sample generator.
    RuntimeRandom random;
    const std::unique_ptr<TextureGenerator> generator = initTextureGenerator(random);
    const DisplayChoice choice = readDisplayOptions(commandLine);

    platform::DisplayOptions options;
    options.width = choice.width;
    options.height = choice.height;
    options.fullscreen = !choice.windowed;
    options.drawIntoWindow = true;
    std::string error;
    auto display = platform::Display::open(options, &error);
    if (!display) {
        logMessage(LogLevel::Error, "lumen: " + error);
        return 1;
    }

    ShellState state;
    state.windowWidth = choice.width;
    state.windowHeight = choice.height;

    glEnable(GL_DEPTH_TEST);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    EventPlayer player(choice.width, choice.height);
    DisplayLoadingHost loadingHost(*display, state);
    LoadingSequence loading(player, *generator, random, loadingHost);
    try {
        loading.run(content::loaderPack(), content::mainPack());
    } catch (const PackError& e) {
        logMessage(LogLevel::Error, std::string("lumen: built-in pack: ") + e.what());
        return 1;
    }
    if (controls.seekable()) return playSeekableShow(state, *display, player, loading, controls, endOfShow, timings);
    // The soundtrack: samples generated behind the loading display, then the
    // ring pre-filled and playback started. A song that cannot load still
    // leaves a running (silent) clock.
    Synth synth;
    const content::SongBytes& song = content::builtInSong();
    synth.synthInit(SongSource{song.image, song.planes, song.definitions}, loading.progressHook());
    synth.synthStart();
    for (int id : kShowAnimatedScenes) player.animationSwitches().set(id);

    DisplayHost host(*display, player, loading.active(), synth);
    playFrames(state, host, endOfShow, nullptr, timings);
    return 0;
}

}  // namespace lumen
