// The block renderer: turns the module player's output into 20 ms blocks of
// 16-bit stereo in a looping ring, with the song time reached at the end of
// every block. The device path and offline rendering both go through it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "synth/module_player.h"

namespace lumen {

struct OutputSizes {
    int rate = kOutputRate;
    int blockFrames = 0;  // rate * 20 / 1000, rounded up to a multiple of 4
    int ringFrames = 0;   // (1000 / 20) * block * 2
    int blockCount = 0;
    float samplePeriod = 0;  // 1 / rate as a 32-bit float

    static OutputSizes forRate(int rate);
};

class BlockRenderer {
public:
    explicit BlockRenderer(ModulePlayer& player, int rate = kOutputRate);

    const OutputSizes& sizes() const { return sizes_; }

    // Renders the block at the fill index, stores its end time, converts it
    // into the ring and moves the fill index on.
    void renderBlock();
    // Renders the whole ring, from block 0 until the fill index is 0 again.
    void prefill();

    // Called just before each tick the renderer runs, with the frames of the
    // current block already rendered; the player's song time is then the clock
    // at which that tick starts. Tools use it to map rows to times.
    using TickObserver = std::function<void(const ModulePlayer& player, int framesIntoBlock)>;
    void setTickObserver(TickObserver observer) { tickObserver_ = std::move(observer); }

    int fillIndex() const { return fill_; }
    int positionAt(int block) const { return positions_[size_t(block)]; }
    const int16_t* ring() const { return ring_.data(); }
    size_t ringBytes() const { return ring_.size() * sizeof(int16_t); }
    const int16_t* block(int b) const { return ring_.data() + size_t(b) * size_t(sizes_.blockFrames) * 2; }

private:
    ModulePlayer& player_;
    OutputSizes sizes_;
    std::vector<float> mixBuffer_;
    std::vector<int16_t> ring_;
    std::vector<int> positions_;
    int fill_ = 0;
    TickObserver tickObserver_;
};

// The device path's refill: renders every block the device has played past
// (the ring is refilled behind it) and moves playIndex on with them, wrapping
// at the ring's end. Returns how many blocks it rendered.
int refillBehindDevice(BlockRenderer& renderer, uint64_t bytesPlayed, int& playIndex);

// Round to nearest (ties to even) and clamp to 16 bits.
int16_t pcmFromMix(float value);

}  // namespace lumen
