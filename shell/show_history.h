// Earlier frames for a frame drawn out of the running order: a shot, a render
// frame or a seek. Render targets, cameras, the cloth and scene 17's scripted
// turns carry state from frame to frame; this brings that state to where a
// player drawing 60 frames a second from the show's start would have it, then
// draws the frame asked for.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "pack/pack_lists.h"
#include "scene/scene_records.h"
#include "shell/song_run.h"
#include "timeline/animation_switches.h"
#include "timeline/event_player.h"

namespace lumen {

// The reference player draws frame j while audio frame j x rate / 60 plays;
// its show time is the block-stepped clock there. Two frames may share a show
// time; every block's show time gets at least one frame.
class ShowHistory {
public:
    // Takes the state the show starts from (after loading): the caller has
    // drawn nothing of the show yet.
    ShowHistory(EventPlayer& player, PackLists& active, SongRun& song);

    // Draws the show frame at show time t (not earlier than the last one
    // drawn, unless restart() came between). Earlier reference frames are
    // first replayed unseen: drawn in full only where a later capture-reading
    // event needs their capture, otherwise only their camera moves and
    // scripted turns are repeated.
    void drawFrame(int t);

    // Back to the state the show started from: render targets black, the
    // cloth reset, scene 17 as loaded, the starting camera and switches. (The
    // cloth's snapshots stay: the next frame that flies it starts from one.)
    void restart();

    // Reference frames replayed in full and without drawing, for measurements.
    int64_t framesDrawnUnseen() const { return drawnUnseen_; }
    int64_t framesReplayed() const { return replayed_; }

private:
    struct TargetUse {
        const TimelineEvent* event;
        bool captures;  // else it reads the slot (zoom feedback, distortion)
    };
    int referenceShowTime(int j);
    void fastForwardCloth(int t);
    uint32_t entryReads(int t) const;
    uint32_t captures(int t) const;
    void findLastEntryReads();
    uint32_t carried(int t) const;
    void replayFrame(int t);

    EventPlayer& player_;
    PackLists& active_;
    SongRun& song_;
    std::vector<TargetUse> targetUses_;  // list order
    // Per slot, the end of the last span in which a frame may read the slot
    // before capturing into it; -1 when none does.
    std::array<int, kRenderTargetCount> lastEntryRead_{};
    std::vector<const TimelineEvent*> clothWindows_;
    // The cloth every few seconds of its clock: its state depends on that
    // clock alone, so a seek back need not simulate it again from its start.
    std::vector<ClothFlag> clothSnapshots_;
    int next_ = 0;  // first reference frame not yet applied
    int lastDrawn_ = -1;
    int64_t drawnUnseen_ = 0;
    int64_t replayed_ = 0;

    // The starting state restart() returns to.
    Camera* startCamera_;
    SceneAnimationSwitches startSwitches_;
    struct ObjectPlacement {
        Matrix4 matrix;
        int32_t parentId;
    };
    std::vector<ObjectPlacement> startMachine_;
};

}  // namespace lumen
