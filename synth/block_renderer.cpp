// Block rendering: ticks and mixing interleaved in pieces that never cross a
// tick, the per-piece millisecond clock, and the conversion to 16-bit.
#include "synth/block_renderer.h"

#include <algorithm>
#include <cmath>

#include "synth/mixer_frames.h"
#include "synth/sequencer.h"

namespace lumen {

OutputSizes OutputSizes::forRate(int rate) {
    OutputSizes s;
    s.rate = rate;
    s.blockFrames = (rate * 20 / 1000 + 3) / 4 * 4;
    const int bufferMs = 1000;
    s.ringFrames = (bufferMs / 20) * s.blockFrames * 2;
    s.blockCount = s.ringFrames / s.blockFrames;
    s.samplePeriod = static_cast<float>(1.0 / rate);
    return s;
}

BlockRenderer::BlockRenderer(ModulePlayer& player, int rate)
    : player_(player),
      sizes_(OutputSizes::forRate(rate)),
      mixBuffer_(size_t(sizes_.ringFrames) * 2, 0.0f),
      ring_(size_t(sizes_.ringFrames) * 2, 0),
      positions_(size_t(sizes_.blockCount), 0) {}

int16_t pcmFromMix(float value) {
    const double r = std::nearbyint(static_cast<double>(value));
    if (!(r >= -32768.0)) return r != r ? 0 : -32768;  // NaN counts as silence
    if (r > 32767.0) return 32767;
    return static_cast<int16_t>(r);
}

void BlockRenderer::renderBlock() {
    const int frames = sizes_.blockFrames;
    float* dst = mixBuffer_.data() + size_t(fill_) * size_t(frames) * 2;
    std::fill(dst, dst + size_t(frames) * 2, 0.0f);
    float* const blockStart = dst;
    int left = player_.samplesLeftInTick;
    int done = 0;
    while (done < frames) {
        if (left == 0) {
            if (tickObserver_) tickObserver_(player_, done);
            sequencerTick(player_);
            left = player_.samplesPerTick;
        }
        const int n = std::min(left, frames - done);
        player_.mixer.mix(dst, n);
        // Single precision throughout: a whole 882-frame tick must add exactly
        // 20 ms, which the double product (19.9999996) would truncate to 19.
        const float pieceSeconds = static_cast<float>(n) * sizes_.samplePeriod;
        player_.songTime += static_cast<int>(pieceSeconds * 1000.0f);
        left -= n;
        done += n;
        dst += size_t(n) * 2;
    }
    positions_[size_t(fill_)] = player_.songTime;
    player_.samplesLeftInTick = left;
    int16_t* out = ring_.data() + size_t(fill_) * size_t(frames) * 2;
    mixframes::pcmFromMixed(blockStart, out, size_t(frames) * 2, pcmFromMix);
    fill_ += 1;
    if (fill_ == sizes_.blockCount) fill_ = 0;
}

void BlockRenderer::prefill() {
    fill_ = 0;
    do {
        renderBlock();
    } while (fill_ != 0);
}

int refillBehindDevice(BlockRenderer& renderer, uint64_t bytesPlayed, int& playIndex) {
    const OutputSizes& sizes = renderer.sizes();
    const int playing = int((bytesPlayed / 4) % uint64_t(sizes.ringFrames)) / sizes.blockFrames;
    int rendered = 0;
    while (renderer.fillIndex() != playing) {
        renderer.renderBlock();
        if (++playIndex == sizes.blockCount) playIndex = 0;
        ++rendered;
    }
    return rendered;
}

}  // namespace lumen
