// Starting the show headless in the player's order.
#include "shell/headless_show.h"

#include <stdexcept>

#include "content/packs.h"
#include "content/song_builtin.h"
#include "pack/reader.h"
#include "platform/gl.h"
#include "synth/song_data_error.h"
#include "synth/synth.h"
#include "timeline/restore_2d_state.h"

namespace lumen {

platform::PresentRect showPictureRect(int frameWidth, int frameHeight) {
    return platform::letterbox(kVirtualWidth, kVirtualHeight, frameWidth, frameHeight);
}

// Nothing ever waits in a headless window, and nothing is shown.
class HeadlessShow::QuietHost final : public LoadingHost {
public:
    bool handleWaitingEvent() override { return false; }
    void present() override {}
};

HeadlessShow::HeadlessShow(int pictureWidth, int pictureHeight) : width_(pictureWidth), height_(pictureHeight) {
    // The player's order: generator tables (the jitter table then draws the
    // random generator's first values), the window, a cleared picture.
    generator_ = initTextureGenerator(random_);
    platform::DisplayOptions options;
    options.width = pictureWidth;
    options.height = pictureHeight;
    options.fullscreen = false;
    options.headless = true;
    std::string error;
    display_ = platform::Display::open(options, &error);
    if (!display_) throw std::runtime_error("cannot open a headless OpenGL context: " + error);
    display_->bindPicture();
    glEnable(GL_DEPTH_TEST);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    host_ = std::make_unique<QuietHost>();
    player_ = std::make_unique<EventPlayer>(pictureWidth, pictureHeight);
    loading_ = std::make_unique<LoadingSequence>(*player_, *generator_, random_, *host_);
    try {
        loading_->run(content::loaderPack(), content::mainPack());
    } catch (const PackError& e) {
        throw std::runtime_error(std::string("built-in pack: ") + e.what());
    }
    // The instruments are generated behind the loading display, as in the player.
    music_ = std::make_unique<ModulePlayer>();
    const content::SongBytes& bytes = content::builtInSong();
    const ProgressHook& display = loading_->progressHook();
    try {
        loadSongSource(*music_, SongSource{bytes.image, bytes.planes, bytes.definitions}, [&](float p) {
            lastProgress_ = p;
            if (display) display(p);
        });
    } catch (const SongDataError& e) {
        throw std::runtime_error(std::string("built-in song: ") + e.what());
    }
    for (int id : kShowAnimatedScenes) player_->animationSwitches().set(id);
    run_ = std::make_unique<SongRun>(*music_);
    history_ = std::make_unique<ShowHistory>(*player_, loading_->active(), *run_);
}

HeadlessShow::~HeadlessShow() = default;

void HeadlessShow::drawLoaderFrame(int t) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    swapPackLists(loading_->active(), loading_->parked());
    player_->drawTimeline(loading_->active().eventsHead, t);
    swapPackLists(loading_->active(), loading_->parked());
    restore2DState(width_, height_);
}

void HeadlessShow::redrawLastLoadingFrame() {
    if (lastProgress_ >= 0) drawLoaderFrame(loadingTimelineTime(lastProgress_));
}

bool HeadlessShow::closeRequested() {
    platform::Event event;
    while (display_->pollEvent(event))
        if (event.kind == platform::EventKind::Close) return true;
    return false;
}

std::vector<uint8_t> HeadlessShow::readPicture() {
    glFinish();
    std::vector<uint8_t> pixels = display_->readPicture();
    for (size_t k = 3; k < pixels.size(); k += 4) pixels[k] = 255;
    return pixels;
}

}  // namespace lumen
