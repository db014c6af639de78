// A fresh generator, random generator and texture per test, plus helpers to
// build records and fill layers with known content.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "texgen/texture.h"

namespace lumen::testing {

class TexgenTest : public ::testing::Test {
protected:
    RuntimeRandom random;
    std::unique_ptr<TextureGenerator> gen = initTextureGenerator(random);
    std::unique_ptr<Texture> tex = createTexture();

    // Runs a record: code, layer, then b2.. in order (missing bytes are 0).
    void run(const std::vector<int>& bytes) {
        TextureOp op{};
        for (size_t i = 0; i < bytes.size(); ++i) op.b[i] = uint8_t(bytes[i]);
        gen->applyTextureOp(*tex, op);
    }

    uint8_t* layer(int n) { return tex->layers[n]; }
    uint8_t& at(int n, int x, int y, int c) { return tex->layers[n][(size_t(y) * 256 + size_t(x)) * 4 + size_t(c)]; }
    uint8_t& scratchAt(int x, int y, int c) { return gen->scratch()[(size_t(y) * 256 + size_t(x)) * 4 + size_t(c)]; }

    // Deterministic busy content in all four channels, different per layer.
    void fillPattern(int n, uint32_t salt = 0) {
        uint32_t s = 0x9E3779B9u ^ (uint32_t(n) * 0x85EBCA6Bu) ^ salt;
        for (size_t i = 0; i < kLayerBytes; ++i) {
            s ^= s << 13;
            s ^= s >> 17;
            s ^= s << 5;
            tex->layers[n][i] = uint8_t(s >> 24);
        }
    }

    void fillUniform(int n, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
        for (size_t i = 0; i < kLayerBytes; i += 4) {
            tex->layers[n][i] = r;
            tex->layers[n][i + 1] = g;
            tex->layers[n][i + 2] = b;
            tex->layers[n][i + 3] = a;
        }
    }

    std::vector<uint8_t> copyOf(int n) { return std::vector<uint8_t>(layer(n), layer(n) + kLayerBytes); }
    std::vector<uint8_t> scratchCopy() { return std::vector<uint8_t>(gen->scratch(), gen->scratch() + kLayerBytes); }
    bool layerEquals(int n, const std::vector<uint8_t>& v) { return std::memcmp(layer(n), v.data(), kLayerBytes) == 0; }

    // Number of pixels whose channel c differs between the layer and a copy.
    int channelDiffs(int n, const std::vector<uint8_t>& v, int c) {
        int d = 0;
        for (size_t i = size_t(c); i < kLayerBytes; i += 4) d += layer(n)[i] != v[i];
        return d;
    }
};

// The Windows runtime's generator written out independently of RuntimeRandom.
inline std::vector<int> msvcrtDraws(uint32_t seed, int count) {
    std::vector<int> out;
    for (int i = 0; i < count; ++i) {
        seed = seed * 214013u + 2531011u;
        out.push_back(int((seed >> 16) & 0x7FFF));
    }
    return out;
}

}  // namespace lumen::testing
