// Deformers: sampling with wrap and clamp, channels, the move/scale/rotate
// modes, accumulation over two deformers and the reversed sense of bit 28.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "pack_test_support.h"

namespace lumen {
namespace {

using testing::LoadFixture;

std::vector<uint8_t> pictureWith(int row, int column, int r, int g, int b) {
    std::vector<uint8_t> image(256 * 256 * 4, 0);
    uint8_t* p = image.data() + (row * 256 + column) * 4;
    p[0] = static_cast<uint8_t>(r);
    p[1] = static_cast<uint8_t>(g);
    p[2] = static_cast<uint8_t>(b);
    return image;
}

// Each row: one lit texel (row, column, RGB), where it is sampled and how,
// and the value expected (in 1/255 steps of the stored factor).
TEST(Sampling, WrapClampRowsAndChannels) {
    const float nan = std::nanf("");
    const float u10 = 10.5f / 255.0f, v200 = 200.5f / 255.0f;
    const struct Row {
        const char* what;
        int row, column, r, g, b;
        float u, v;
        int channel;
        bool clamp;
        int expected;
    } rows[] = {
        {"u 1 is row 255", 255, 0, 200, 0, 0, 1.0f, 0.0f, 0, false, 200},
        // u * 255 = 256.02 wraps to row 0; with clamp it is outside and gives 0.
        {"wraps past 255", 0, 0, 100, 0, 0, 1.004f, 0.0f, 0, false, 100},
        {"clamped past 255", 0, 0, 100, 0, 0, 1.004f, 0.0f, 0, true, 0},
        // -0.002 truncates to 0; -0.01 gives -2, which wraps to 254.
        {"truncates to 0", 0, 0, 100, 0, 0, -0.002f, 0.0f, 0, false, 100},
        {"wraps below 0", 254, 0, 50, 0, 0, -0.01f, 0.0f, 0, false, 50},
        {"clamped below 0", 254, 0, 50, 0, 0, -0.01f, 0.0f, 0, true, 0},
        // Channels 0 to 2 pick R, G or B; 3 averages all three, truncated.
        {"channel R", 10, 200, 30, 90, 181, u10, v200, 0, true, 30},
        {"channel G", 10, 200, 30, 90, 181, u10, v200, 1, true, 90},
        {"channel B", 10, 200, 30, 90, 181, u10, v200, 2, true, 181},
        {"channel average", 10, 200, 30, 90, 181, u10, v200, 3, true, 100},
        // u selects the row: swapped, row 200 column 10 is black.
        {"u is the row", 10, 200, 30, 90, 181, v200, u10, 0, true, 0},
        // Values with no integer (huge or not a number) land outside when clamped.
        {"huge", 10, 200, 30, 90, 181, 1e30f, 0.0f, 0, true, 0},
        {"not a number", 10, 200, 30, 90, 181, nan, 0.0f, 0, true, 0},
    };
    for (const Row& row : rows) {
        const auto image = pictureWith(row.row, row.column, row.r, row.g, row.b);
        const float expected = static_cast<float>(row.expected * 0.003921569);
        EXPECT_EQ(sampleDisplacement(image.data(), row.u, row.v, row.channel, row.clamp), expected) << row.what;
    }
}

// A scene whose grid (id 1, 1 x 1, keepUV) is deformed by a texture whose
// layer 0 is all white (Invert of a black layer) through image 9.
const char* kWhite = R"(pack width 2
    texture id 3
      op Invert layer 0
    end
    image imageId 9 sourceTexture 3 sourceLayer 0
)";

TEST(Deform, MoveAndScaleByTheSampledValue) {
    LoadFixture f;
    Scene& s = f.loadScene(std::string(kWhite) + R"(
        scene id 0
          object grid id 1 columns 1 rows 1 keepUV 1
          object deformer id 2 textureId 9 mode scale x 3 y 1 z 0.5 targets [1]
          object grid id 3 columns 1 rows 1 keepUV 1
          object deformer id 4 textureId 9 mode move x 0 y 2 z 0 targets [3]
        end)");
    const double h = static_cast<float>(255 * 0.003921569);
    // Scale factors are 1 + h (factor - 1): x 3, z 0.5 at h = 1.
    const Mesh& scaled = s.objects[0].mesh;
    EXPECT_FLOAT_EQ(scaled.vertices[0].position.x, -0.5f * static_cast<float>(1.0 + h * 2.0));
    EXPECT_FLOAT_EQ(scaled.vertices[3].position.z, 0.5f * static_cast<float>(1.0 + h * -0.5));
    EXPECT_EQ(scaled.vertices[3].position.y, 0.0f);
    const Mesh& moved = s.objects[2].mesh;
    for (int i = 0; i < moved.vertexCount; ++i) {
        EXPECT_EQ(moved.vertices[i].position.y, static_cast<float>(h * 2.0));
        EXPECT_EQ(moved.vertices[i].restPosition, moved.vertices[i].position);
    }
    // The deformer keeps its mode byte and target list and gets no mesh.
    EXPECT_EQ(s.objects[3].texture2Id, 0);
    EXPECT_EQ(s.objects[3].idList, (std::vector<int32_t>{3}));
    EXPECT_EQ(s.objects[3].mesh.vertexCount, 0);
    EXPECT_EQ(std::memcmp(f.loader.displacementImage(), f.lists.textures->layers[0], kLayerBytes), 0);
}

TEST(Deform, TwoDeformersAccumulateAndMappingAndNormalsAreRestored) {
    LoadFixture f;
    f.load(std::string(kWhite) + R"(
        scene id 0
          object grid id 1 columns 1 rows 1 mapScaleS 3 keepUV 1
          object deformer id 2 textureId 9 mode move x 0 y 1 z 0 targets [1]
          object deformer id 3 textureId 9 mode scale x 1 y 2 z 1 targets [1]
          object deformer id 4 textureId 9 mode rotate x 0 y 1 z 0 w 3.1415927 targets [1]
        end)");
    const SceneObject& grid = f.lists.scenes.front().objects[0];
    const float h = static_cast<float>(255 * 0.003921569);
    const float y1 = static_cast<float>(h * 1.0);
    const float scaled = static_cast<float>(static_cast<double>(y1) * static_cast<float>(1.0 + h * (2.0 - 1.0)));
    for (int i = 0; i < grid.mesh.vertexCount; ++i) EXPECT_FLOAT_EQ(grid.mesh.vertices[i].position.y, scaled);
    // Rotated (nearly) half a turn about y: x and z change sign. Two-byte
    // floats store the angle as 3.140625, short of pi by 0.001.
    EXPECT_NEAR(grid.mesh.vertices[0].position.x, 0.5f, 1e-3);
    EXPECT_NEAR(grid.mesh.vertices[0].position.z, 0.5f, 1e-3);
    // The grid's own mapping (u scaled by 3) is back in force.
    EXPECT_EQ(grid.mesh.vertices[1].uv.u, 3.0f);
    EXPECT_EQ(grid.mesh.vertices[1].uv.v, 0.0f);
    EXPECT_LT(grid.mesh.vertices[0].normal.y, 0.0f);  // recomputed for the moved sheet
}

TEST(Deform, BitTwentyEightSwapsUAndVTheOtherWayRound) {
    const char* source = R"(pack width 2
        texture id 3
          op RadialSpot layer 1 mode 0 channel 0 shrink 0
        end
        image imageId 9 sourceTexture 3 sourceLayer 0
        scene id 0
          object grid id 1 columns 1 rows 1 keepUV 1
          object deformer id 2 textureId 9 mode move x 0 y 1 z 0 targets [1] %s
        end)";
    for (bool bit28 : {false, true}) {
        LoadFixture f;
        char text[1024];
        std::snprintf(text, sizeof text, source, bit28 ? "keepUV 1" : "");
        auto bytes = testing::assemble(text);
        // Paint row 0 (u = 0) white between building the textures and the scene.
        const PackModel model = readPackModel(bytes);
        f.loader.buildTextures(model, f.lists);
        uint8_t* layer = f.lists.textures->layers[0];
        std::memset(layer, 0, kLayerBytes);
        for (int column = 0; column < 256; ++column) layer[column * 4] = 255;
        f.loader.buildImages(model, f.lists);
        f.loader.buildScenes(model, f.lists);
        const Mesh& m = f.lists.scenes.front().objects[0].mesh;
        // Grid vertex 1 has generated (u, v) = (1, 0), vertex 2 (0, -1).
        // Clear bit 28: sampled as generated, so vertex 2 (u = 0) rises.
        // Set bit 28: u and v exchanged, so vertex 1 (v = 0 becomes u) rises.
        EXPECT_EQ(m.vertices[1].position.y != 0.0f, bit28) << "bit 28 " << bit28;
        EXPECT_EQ(m.vertices[2].position.y != 0.0f, !bit28) << "bit 28 " << bit28;
        EXPECT_NE(m.vertices[0].position.y, 0.0f);  // (0, 0) is in row 0 either way
    }
}

TEST(Deform, MissingPictureOrTargetIsAnErrorNotACrash) {
    LoadFixture f;
    const char* noPicture = "pack width 2\nscene id 0\n object deformer id 2 textureId 9 mode move targets []\nend\n";
    EXPECT_THROW(f.load(noPicture), PackError);
    LoadFixture g;
    const auto bytes = testing::assemble(std::string(kWhite) + R"(
            scene id 0
              object grid id 1 columns 1 rows 1
              object deformer id 2 textureId 9 mode move targets [5]
            end)");
    const auto e = testing::packErrorOf([&] { g.load(bytes); });
    ASSERT_TRUE(e);
    EXPECT_NE(std::string(e->what()).find("target 5"), std::string::npos) << e->what();
    // The error points at the deformer's object record.
    EXPECT_EQ(e->section(), "scene section");
    EXPECT_EQ(e->offset(), readPackModel(bytes).scenes[0].objects[1].offset.at);
}

}  // namespace
}  // namespace lumen
