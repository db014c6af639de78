// Replaying the reference player's earlier frames, cheaply.
#include "shell/show_history.h"

#include <algorithm>
#include <stdexcept>

#include "shell/loading.h"
#include "timeline/event_rect.h"
#include "timeline/scripted_rotation.h"
#include "timeline/timeline_event.h"

namespace lumen {

namespace {
bool validSlot(int slot) { return slot >= 0 && slot < kRenderTargetCount; }
// Cloth clock between snapshots: at most this much simulation after a seek.
constexpr int kClothSnapshotMs = 2000;
}  // namespace

ShowHistory::ShowHistory(EventPlayer& player, PackLists& active, SongRun& song)
    : player_(player),
      active_(active),
      song_(song),
      startCamera_(player.currentCamera()),
      startSwitches_(player.animationSwitches()) {
    for (const TimelineEvent* e = active_.eventsHead; e; e = e->next) {
        if (isClothWindow(*e)) clothWindows_.push_back(e);
        if (!validSlot(e->targetIndex)) continue;
        if (e->type == kEventScreenCapture) targetUses_.push_back({e, true});
        if (e->type == kEventZoomFeedback || e->type == kEventScreenDistortion) targetUses_.push_back({e, false});
    }
    if (Scene* machine = findScene(active_, kScriptedRotationSceneId))
        for (const SceneObject& o : machine->objects) startMachine_.push_back({o.matrix, o.parentId});
    findLastEntryReads();
}

// A read of a slot takes over an earlier frame's capture unless an earlier
// capture event of the same slot in list order covers its whole span. (A read
// counted here that never takes one over costs a frame drawn unseen, no more.)
void ShowHistory::findLastEntryReads() {
    lastEntryRead_.fill(-1);
    for (size_t k = 0; k < targetUses_.size(); ++k) {
        const TimelineEvent& read = *targetUses_[k].event;
        if (targetUses_[k].captures) continue;
        bool covered = false;
        for (size_t c = 0; c < k && !covered; ++c) {
            const TimelineEvent& capture = *targetUses_[c].event;
            covered = targetUses_[c].captures && capture.targetIndex == read.targetIndex &&
                      capture.startTime <= read.startTime && capture.endTime >= read.endTime;
        }
        int& last = lastEntryRead_[size_t(read.targetIndex)];
        if (!covered) last = std::max(last, read.endTime);
    }
}

// Slots whose capture some frame after t may still take over.
uint32_t ShowHistory::carried(int t) const {
    uint32_t bits = 0;
    for (int slot = 0; slot < kRenderTargetCount; ++slot)
        if (lastEntryRead_[size_t(slot)] > t) bits |= 1u << slot;
    return bits;
}

int ShowHistory::referenceShowTime(int j) { return song_.showTimeAtFrame(int64_t(j) * song_.rate() / kReferenceFps); }

// Slots that the frame at t reads before (or without) capturing into them:
// what it takes over from earlier frames.
uint32_t ShowHistory::entryReads(int t) const {
    uint32_t captured = 0, reads = 0;
    for (const TargetUse& u : targetUses_) {
        if (!eventActiveAt(*u.event, t)) continue;
        const uint32_t bit = 1u << u.event->targetIndex;
        if (u.captures)
            captured |= bit;
        else if (!(captured & bit))
            reads |= bit;
    }
    return reads;
}

uint32_t ShowHistory::captures(int t) const {
    uint32_t bits = 0;
    for (const TargetUse& u : targetUses_)
        if (u.captures && eventActiveAt(*u.event, t)) bits |= 1u << u.event->targetIndex;
    return bits;
}

// Everything a drawn frame changes besides the picture and the render targets:
// the scripted turns (whose rounding accumulates) and the cameras. The cloth
// needs nothing: it catches up by itself when it is next drawn.
void ShowHistory::replayFrame(int t) {
    Scene* machine = findScene(active_, kScriptedRotationSceneId);
    scriptedRotation(machine, t, 1.0f, player_.animationSwitches());
    player_.replayCameras(active_.eventsHead, t);
    scriptedRotation(machine, t, -1.0f, player_.animationSwitches());
    ++replayed_;
}

// Before a frame that flies the cloth at t: the latest snapshot the cloth has
// not passed yet, then the steps up to t in snapshot-sized pieces, keeping
// new snapshots. Drawing at t would run the same steps; the frame then has
// none left to run.
void ShowHistory::fastForwardCloth(int t) {
    const bool flies = std::any_of(clothWindows_.begin(), clothWindows_.end(),
                                   [t](const TimelineEvent* e) { return eventActiveAt(*e, t); });
    if (!flies) return;
    ClothFlag& cloth = player_.cloth();
    for (auto s = clothSnapshots_.rbegin(); s != clothSnapshots_.rend(); ++s)
        if (s->clock() > cloth.clock() && s->clock() <= t) {
            cloth = *s;
            break;
        }
    while (cloth.clock() + kClothSnapshotMs <= t) {
        cloth.advanceTo(cloth.clock() + kClothSnapshotMs);
        if (clothSnapshots_.empty() || clothSnapshots_.back().clock() < cloth.clock()) clothSnapshots_.push_back(cloth);
    }
}

void ShowHistory::drawFrame(int t) {
    if (t < lastDrawn_) throw std::logic_error("show history: frames go forward only; restart first");
    int end = next_;
    while (referenceShowTime(end) < t) ++end;

    // Walk back from t: a reference frame is drawn in full when it makes the
    // last capture into a slot that a later frame still needs: the frame at t,
    // or one after it (frames drawn one after another, as a render at a low
    // rate or the player draws them, skip the frames between).
    std::vector<uint8_t> full(size_t(end - next_), 0);
    uint32_t needed = entryReads(t) | (carried(t) & ~captures(t));
    for (int j = end - 1; j >= next_ && needed; --j) {
        const int tj = referenceShowTime(j);
        const uint32_t made = captures(tj) & needed;
        if (!made) continue;
        full[size_t(j - next_)] = 1;
        needed = (needed & ~made) | entryReads(tj);
    }
    for (int j = next_; j < end; ++j) {
        const int tj = referenceShowTime(j);
        if (full[size_t(j - next_)]) {
            fastForwardCloth(tj);
            drawShowFrame(player_, active_, tj);
            ++drawnUnseen_;
        } else {
            replayFrame(tj);
        }
    }
    fastForwardCloth(t);
    drawShowFrame(player_, active_, t);
    // The frame just drawn stands for the first reference frame at t.
    next_ = referenceShowTime(end) == t ? end + 1 : end;
    lastDrawn_ = t;
}

void ShowHistory::restart() {
    player_.clearRenderTargets();
    player_.cloth().reset();
    player_.setCurrentCamera(startCamera_);
    player_.animationSwitches() = startSwitches_;
    if (Scene* machine = findScene(active_, kScriptedRotationSceneId))
        for (size_t k = 0; k < startMachine_.size() && k < machine->objects.size(); ++k) {
            machine->objects[k].matrix = startMachine_[k].matrix;
            machine->objects[k].parentId = startMachine_[k].parentId;
        }
    next_ = 0;
    lastDrawn_ = -1;
}

}  // namespace lumen
