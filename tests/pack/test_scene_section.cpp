// Scene section: lights by kind, object flag cases and optional fields, the
// texture-coordinate mapping, cameras and clips with compact keys, tangents.
#include <gtest/gtest.h>

#include "pack_test_support.h"
#include "support/headless_gl.h"

namespace lumen {
namespace {

using testing::LoadFixture;

TEST(Lights, KindsFillTheirFieldsOthersActAsPointAndLightsPastEightAreDropped) {
    std::string source = R"(pack width 2
        scene id 1
          light kind directional ambient 255 0 0 diffuse 0 255 0 position 1 2 3
          light kind 5 position 4 5 6 attenuation 1 0.5 0.25
          light kind spot position 0 0 0 attenuation 1 0 0 spotDirection 0 1 0 spotExponent 2 spotCutoff 30
    )";
    const std::string point = " light kind point attenuation 1 0 0 position ";
    for (int i = 3; i < 10; ++i) source += point + std::to_string(i) + " 0 0\n";
    LoadFixture f;
    Scene& s = f.loadScene(source + " object cube id 3\nend\n");
    const SceneLight& d = s.lights[0];
    EXPECT_EQ(d.enabled, 1);
    EXPECT_EQ(d.ambient[0], colorByte(255));
    EXPECT_EQ(d.diffuse[1], colorByte(255));
    EXPECT_EQ(d.position[3], 0.0f);
    EXPECT_EQ(d.attenuation[0], 0.0f);
    EXPECT_EQ(d.spotCutoff, 180.0f);
    const SceneLight& p = s.lights[1];
    EXPECT_EQ(p.position[3], 1.0f);
    EXPECT_EQ(p.attenuation[1], 0.5f);
    const SceneLight& spot = s.lights[2];
    EXPECT_EQ(spot.spotCutoff, 30.0f);
    EXPECT_EQ(spot.spotDirection[1], 1.0f);
    EXPECT_EQ(s.lights[7].position[0], 7.0f);
    EXPECT_EQ(s.objects[0].id, 3);
}

TEST(Objects, FlagBitsSelectOptionalFieldsAndMergeGetsNoMappingOrFaceTextures) {
    auto display = lumen::testing::openHeadlessDisplay(64, 64);
    ASSERT_NE(display, nullptr);
    LoadFixture f;
    f.loader.setUploadImages(true);
    Scene& s = f.loadScene(R"(pack width 2
        texture id 1
        end
        image imageId 3 sourceTexture 1
        scene id 0
          object cube id 1 textureId 3 keepUV 1
          object merge id 2 textureId 3 ids [1] mapScaleS 2
        end)");
    const auto name = findUploadedImage(f.lists.images, 3)->glName;
    ASSERT_NE(name, 0u);
    const SceneObject& cube = s.objects[0];
    EXPECT_EQ(cube.mesh.faces[0].texture, name);
    const SceneObject& merge = s.objects[1];
    EXPECT_EQ(merge.textureId, 3);
    ASSERT_EQ(merge.mesh.faceCount, 24);
    // Merged faces keep the source's texture; no face texture of its own is
    // written and no mapping runs (the copied corners keep the cube's uv).
    EXPECT_EQ(merge.mesh.faces[0].texture, name);
    EXPECT_EQ(merge.mesh.faces[0].uv[1].u, cube.mesh.faces[0].uv[1].u);
}

TEST(Objects, DefaultMappingSwapsUAndVUnlessBit28) {
    LoadFixture f;
    Scene& s = f.loadScene(R"(pack width 2
        scene id 0
          object grid id 1 columns 1 rows 1
          object grid id 2 columns 1 rows 1 keepUV 1
          object grid id 3 columns 1 rows 1 keepUV 1 mapScaleS 2 mapOffsetT 51 mirrorU 1
        end)");
    // Vertex 1 of a 1 x 1 grid is generated with (u, v) = (1, 0).
    const MeshVertex& swapped = s.objects[0].mesh.vertices[1];
    EXPECT_EQ(swapped.uv.u, 0.0f);
    EXPECT_EQ(swapped.uv.v, 1.0f);
    const MeshVertex& kept = s.objects[1].mesh.vertices[1];
    EXPECT_EQ(kept.uv.u, 1.0f);
    EXPECT_EQ(kept.uv.v, 0.0f);
    // u = 1 - (0 / 255 + 2 * 1), v = 51 / 255 + 1 * 0.
    const MeshVertex& mapped = s.objects[2].mesh.vertices[1];
    EXPECT_EQ(mapped.uv.u, -1.0f);
    EXPECT_EQ(mapped.uv.v, static_cast<float>(51 / 255.0));
    // Face corners follow the same transform.
    EXPECT_EQ(s.objects[0].mesh.faces[0].uv[0].u, s.objects[0].mesh.faces[0].baseUV[0].v);
}

TEST(Objects, ColourBytesTypeFieldsAndMatricesAndNonMeshTypesKeepAZeroMatrix) {
    LoadFixture f;
    Scene& s = f.loadScene(R"(pack width 2
        scene id 0
          object cone id 1 colorG 0 colorA 128 segments 3 cap 1
          object 101 id 2 skipped 7 ids [4 5 6]
          object 102 id 3 a 1 b 2 c 3 values 1 2 3 4 5 6 7 8 9 10 11 12
          object 200 id 4
          object cylinder id 5 segments 4 stacks 1 caps 1 matrix 1 0 0 7 0 1 0 0 0 0 1 0
          object sweep id 6 path 5 profile 5
        end)");
    const SceneObject& cone = s.objects[0];
    EXPECT_EQ(cone.color.g, 0.0f);
    EXPECT_EQ(cone.color.a, colorByte(128));
    ASSERT_EQ(cone.mesh.faceCount, 4);
    EXPECT_EQ(cone.mesh.faces[3].color, cone.color);
    EXPECT_EQ(s.objects[1].idList, (std::vector<int32_t>{6, 5, 4}));
    EXPECT_EQ(s.objects[1].matrix, Matrix4{});
    EXPECT_EQ(s.objects[3].mesh.vertexCount, 0);
    // The cylinder's extra byte is its caps; its fourth matrix value moves it in x.
    const SceneObject& cylinder = s.objects[4];
    EXPECT_EQ(cylinder.params[2], 1);
    EXPECT_EQ(cylinder.mesh.vertexCount, 4 * 2 + 2);  // segments x (stacks + 1) + caps
    EXPECT_EQ(cylinder.drawMatrix[12], 7.0f);
    EXPECT_EQ(s.objects[5].params[3], 6);  // a sweep records the object count so far, itself included
}

TEST(Cameras, NoKeysMeansNoTracksAndMaskZeroRepeatsTheLastKey) {
    LoadFixture f;
    Scene& s = f.loadScene(R"(pack width 2
        scene id 0
          camera id 1
          end
          camera id 2
            key time 5 fov 60 roll -2 eye 1 2 3 target 4 5 6
            key time 10
            key time 20 eyeY 8
          end
        end)");
    Camera* none = findCamera(s, 1);
    ASSERT_NE(none, nullptr);
    for (const auto& t : none->tracks) EXPECT_FALSE(t.has_value());
    EXPECT_EQ(none->up, (Vector3{0, -1, 0}));
    Camera* c = findCamera(s, 2);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->tracks[kTrackFov]->keyCount(), 3);
    EXPECT_EQ(c->tracks[kTrackFov]->keys[1].value, 60.0f);
    EXPECT_EQ(c->tracks[kTrackRoll]->keys[2].value, -2.0f);
    EXPECT_EQ(c->tracks[kTrackEyeY]->keys[1].value, 2.0f);
    EXPECT_EQ(c->tracks[kTrackEyeY]->keys[2].value, 8.0f);
    EXPECT_EQ(c->tracks[kTrackEyeX]->keys[2].time, 20);
    // Keys 2, 2, 8 (eye y) as a loop: key 0 and key 2 both take key 1 as
    // neighbour on either side, key 1 spans 2 to 8.
    EXPECT_EQ(c->tracks[kTrackEyeY]->keys[0].tangentOut, 0.0f);
    EXPECT_EQ(c->tracks[kTrackEyeY]->keys[1].tangentOut, 3.0f);
    EXPECT_EQ(c->tracks[kTrackEyeY]->keys[2].tangentIn, 0.0f);
}

TEST(Clips, EveryObjectGetsARecordButOnlyAnimatedTypesReadTracks) {
    LoadFixture f;
    Scene& s = f.loadScene(R"(pack width 2
        scene id 0
          object linePath id 1 steps 1
          object 101 id 2 ids []
          object cube id 3
          clip id 6
            tracks object 3
            end
          end
          clip id 7
            tracks object 3
              key time 65000 position 1 2 3 axis 0 1 0 angle 10 scale 1 1 1 color 255 0 0 255
              key time -5 angle 90
              key time 30 colorR 51
            end
          end
        end)");
    for (int o = 0; o < 3; ++o) {
        ASSERT_FALSE(s.objects[o].clips.empty());
        EXPECT_EQ(s.objects[o].clips.front().clipId, 7);  // newest in front
    }
    for (const auto& t : s.objects[0].clips.front().tracks) EXPECT_FALSE(t.has_value());
    const ObjectClip& empty = *std::next(s.objects[2].clips.begin());
    EXPECT_EQ(empty.clipId, 6);
    for (const auto& t : empty.tracks) {
        ASSERT_TRUE(t.has_value());
        EXPECT_EQ(t->keyCount(), 0);
    }
    const ObjectClip& clip = s.objects[2].clips.front();
    EXPECT_EQ(clip.tracks[kTrackAngle]->keys[0].time, 65000);  // first key time unsigned
    EXPECT_EQ(clip.tracks[kTrackAngle]->keys[1].time, -5);     // later ones signed
    EXPECT_EQ(clip.tracks[kTrackAngle]->keys[1].value, 90.0f);
    EXPECT_EQ(clip.tracks[kTrackColorR]->keys[1].value, colorByte(255));
    EXPECT_EQ(clip.tracks[kTrackColorR]->keys[2].value, colorByte(51));
}

// Longer tracks (closed loops) are covered by the camera keys above.
TEST(Tangents, TwoKeysShareTheirDifferenceAndOneKeyIsLeftAlone) {
    Track two, one;
    two.keys = {TrackKey{2, 99, 99, 0}, TrackKey{6, 99, 99, 0}};
    one.keys = {TrackKey{3, 99, 99, 0}};
    prepareTangents(two);
    prepareTangents(one);
    EXPECT_EQ(two.keys[0].tangentOut, 4.0f);
    EXPECT_EQ(two.keys[1].tangentIn, 4.0f);
    EXPECT_EQ(one.keys[0].tangentOut, 99.0f);
}

TEST(Scenes, SceneIsFindableOnlyOnceCompleteAndTheNewestWins) {
    LoadFixture f;
    f.load(R"(pack width 2
        scene id 3
          object cube id 1
        end
        scene id 3
          object sphere id 1 rings 4 segments 4
        end
        event sceneView sceneId 3)");
    Scene* s = findScene(f.lists, 3);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->objects[0].type(), kTypeSphere);
    EXPECT_EQ(f.lists.eventsHead->scene, s);
}

TEST(VertexBudget, MergesThatWouldPassTheLimitStopTheLoadBeforeBuilding) {
    // Each merge lists the previous one twice: the sizes double every step.
    std::string source = "pack width 2\nscene id 0\n object sphere id 0 rings 40 segments 40\n";
    for (int i = 1; i <= 12; ++i) {
        source += " object merge id " + std::to_string(i) + " ids [" + std::to_string(i - 1) + " " +
                  std::to_string(i - 1) + "]\n";
    }
    source += "end\n";
    testing::LoadFixture limited;
    limited.loader.setVertexBudget(100000);
    const auto e = testing::packErrorOf([&] { limited.load(source); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->section(), "scene section");
    const std::string expected = "object 6 would bring the pack's meshes to 193294 vertices";
    EXPECT_NE(std::string(e->what()).find(expected), std::string::npos) << e->what();
    // A pack within the limit loads as before.
    testing::LoadFixture fits;
    fits.loader.setVertexBudget(100000);
    fits.load("pack width 2\nscene id 0\n object grid id 1 columns 100 rows 100\nend\n");
    EXPECT_EQ(fits.lists.scenes.front().objects[0].mesh.vertexCount, 101 * 101);
}

TEST(BuildFromModel, AClipShortOfTrackSetsIsRefusedAtItsOffset) {
    // readPackModel always pairs track sets with animated objects; a model
    // made in code may not, and building it must not read past the list.
    const auto bytes = testing::assemble(
        "pack width 2\nscene id 0\n object grid id 1 columns 1 rows 1\n"
        " clip id 4\n tracks\n end\n end\nend\n");
    PackModel model = readPackModel(bytes);
    model.scenes[0].clips[0].trackSets.clear();
    testing::LoadFixture f;
    const auto e = testing::packErrorOf([&] { f.loader.buildPack(model, f.lists); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->offset(), model.scenes[0].clips[0].offset.at);
    EXPECT_NE(std::string(e->what()).find("clip 4"), std::string::npos) << e->what();
}

}  // namespace
}  // namespace lumen
