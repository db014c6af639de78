// Object arrays, placement, lookups and the mesh built from earlier objects.
#include <gtest/gtest.h>

#include "mesh/mesh_generator.h"
#include "scene/scene_records.h"

namespace lumen {
namespace {

TEST(SceneRecords, ObjectArrayGrowsTo20Then60Then140KeepingObjectsAndDefaults) {
    Scene scene;
    for (int i = 0; i < 61; ++i) {
        SceneObject& o = appendObject(scene);
        EXPECT_EQ(o.color, (Color4{1, 1, 1, 1}));
        EXPECT_EQ(o.mapScaleT + o.mapScaleS, 2);
        o.id = 1000 + i;
        addVertex(o.mesh, float(i), 0, 0);
        EXPECT_EQ(scene.objectCapacity, i < 20 ? 20 : i < 60 ? 60 : 140) << i;
    }
    for (int i = 0; i < 61; ++i) {
        EXPECT_EQ(scene.objects[i].id, 1000 + i);
        EXPECT_EQ(scene.objects[i].mesh.vertices[0].position.x, float(i));
    }
    for (int i = 0; i < 8; ++i) EXPECT_EQ(scene.lights[i].glLight, i < 7 ? 0x4000 + i : 0);
    EXPECT_EQ(Camera{}.up, (Vector3{0, -1, 0}));

    Matrix4 m;
    for (int i = 0; i < 16; ++i) m[i] = float(i + 1);
    setMatrix(scene.objects[0], m);
    EXPECT_EQ(scene.objects[0].matrix, m);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(scene.objects[0].drawMatrix[4 * c + r], m.at(r, c));
}

TEST(SceneRecords, LookupsTakeTheFirstMatchWithinTheirRange) {
    Scene scene;
    for (int id : {3, 8, 8, 9}) appendObject(scene).id = id;
    EXPECT_EQ(findObject(scene, 8), &scene.objects[1]);
    EXPECT_EQ(findObject(scene, 2, 9), nullptr);
    EXPECT_EQ(findObject(scene, 0), nullptr);  // free slots are not searched
    for (float fov : {30.0f, 60.0f}) {
        scene.cameras.push_front(Camera{});
        scene.cameras.front().id = 4;
        scene.cameras.front().fov = fov;
    }
    ASSERT_NE(findCamera(scene, 4), nullptr);
    EXPECT_EQ(findCamera(scene, 4)->fov, 60.0f);
    EXPECT_EQ(findCamera(scene, 5), nullptr);
}

TEST(SceneRecords, GenerateObjectMeshUsesEarlierObjectsAndTheInvertBit) {
    Scene scene;
    for (int id : {5, 6}) {
        SceneObject& cube = appendObject(scene);
        cube.id = id;
        cube.flags = kTypeCube;
        generateObjectMesh(scene, cube);
        Matrix4 m;
        translation(float(id), 0, 0, m);
        setMatrix(cube, m);
    }
    SceneObject& merged = appendObject(scene);
    merged.flags = kTypeMerge | kFlagInvertNormals;
    merged.idList = {6, 5, 40};
    generateObjectMesh(scene, merged);
    EXPECT_EQ(merged.mesh.vertexCount, 28);
    EXPECT_EQ(merged.mesh.vertices[0].position.x, 5.5f);             // cube 6 comes first
    EXPECT_EQ(merged.mesh.vertices[7].normal, (Vector3{-1, 0, 0}));  // inverted
}

}  // namespace
}  // namespace lumen
