#include <gtest/gtest.h>

#include "mesh/mesh_generator.h"
#include "scene/scene_records.h"

namespace lumen {
namespace {

TEST(SceneRecords, ObjectArrayGrowsTo20Then60Then140KeepingObjects) {
    Scene scene;
    const int growAt[] = {0, 20, 60};
    const int capacity[] = {20, 60, 140};
    int stage = 0;
    for (int i = 0; i < 61; ++i) {
        SceneObject& o = appendObject(scene);
        o.id = 1000 + i;
        addVertex(o.mesh, float(i), 0, 0);
        if (stage < 3 && i == growAt[stage]) {
            EXPECT_EQ(scene.objectCapacity, capacity[stage]) << "after object " << i + 1;
            ++stage;
        }
    }
    EXPECT_EQ(scene.objectCount, 61);
    ASSERT_EQ(int(scene.objects.size()), scene.objectCapacity);
    for (int i = 0; i < 61; ++i) {
        EXPECT_EQ(scene.objects[i].id, 1000 + i);
        EXPECT_EQ(scene.objects[i].mesh.vertices[0].position.x, float(i));
    }
    EXPECT_EQ(scene.objects[61].id, 0);
}

TEST(SceneRecords, NewRecordsStartFromTheirDefaults) {
    Scene scene;
    for (int i = 0; i < 7; ++i) EXPECT_EQ(scene.lights[i].glLight, 0x4000 + i);
    EXPECT_EQ(scene.lights[7].glLight, 0);
    EXPECT_EQ(scene.lights[0].enabled, 0);

    SceneObject& o = appendObject(scene);
    EXPECT_EQ(o.color, (Color4{1, 1, 1, 1}));
    EXPECT_EQ(o.mapScaleT, 1);
    EXPECT_EQ(o.mapScaleS, 1);
    EXPECT_EQ(o.mapOffsetT, 0);
    EXPECT_EQ(o.parentId, 0);
    EXPECT_EQ(o.matrix, Matrix4{});
    EXPECT_EQ(o.mesh.vertexCapacity, 0);
    EXPECT_TRUE(o.clips.empty());

    Camera camera;
    EXPECT_EQ(camera.up, (Vector3{0, -1, 0}));
    EXPECT_EQ(camera.eye, Vector3{});
    EXPECT_FALSE(camera.tracks[kTrackEyeX].has_value());
}

TEST(SceneRecords, SetMatrixStoresTheTransposeForOpenGL) {
    SceneObject o;
    Matrix4 m;
    for (int i = 0; i < 16; ++i) m[i] = float(i + 1);
    setMatrix(o, m);
    EXPECT_EQ(o.matrix, m);
    // Read column-major, as OpenGL does, drawMatrix is M.
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(o.drawMatrix[4 * c + r], m.at(r, c));
}

TEST(SceneRecords, LookupsTakeTheFirstMatchWithinTheirRange) {
    Scene scene;
    appendObject(scene).id = 3;
    appendObject(scene).id = 8;
    SceneObject& second8 = appendObject(scene);
    second8.id = 8;
    appendObject(scene).id = 9;
    EXPECT_EQ(findObject(scene, 8), &scene.objects[1]);
    EXPECT_EQ(findObject(scene, 2, 9), nullptr);
    EXPECT_EQ(findObject(scene, 99, 9), &scene.objects[3]);
    EXPECT_EQ(findObject(scene, 0), nullptr);  // empty slots past the count are not searched

    scene.cameras.push_front(Camera{});
    scene.cameras.front().id = 4;
    scene.cameras.front().fov = 30;
    scene.cameras.push_front(Camera{});
    scene.cameras.front().id = 4;
    scene.cameras.front().fov = 60;
    ASSERT_NE(findCamera(scene, 4), nullptr);
    EXPECT_EQ(findCamera(scene, 4)->fov, 60.0f);
    EXPECT_EQ(findCamera(scene, 5), nullptr);
}

TEST(SceneRecords, GenerateObjectMeshUsesEarlierObjectsAndTheInvertBit) {
    Scene scene;
    Matrix4 m;
    for (int id : {5, 6}) {
        SceneObject& cube = appendObject(scene);
        cube.id = id;
        cube.flags = kTypeCube;
        generateObjectMesh(scene, cube);
        translation(float(id), 0, 0, m);
        setMatrix(cube, m);
    }
    SceneObject& merged = appendObject(scene);
    merged.id = 7;
    merged.flags = kTypeMerge | kFlagInvertNormals;
    merged.idList = {6, 5, 40};
    generateObjectMesh(scene, merged);
    EXPECT_EQ(merged.mesh.vertexCount, 28);
    EXPECT_EQ(merged.mesh.faceCount, 48);
    EXPECT_EQ(merged.mesh.vertices[0].position.x, 5.5f);  // cube 6's first vertex
    EXPECT_EQ(merged.mesh.faces[24].corner0, scene.objects[0].mesh.faces[0].corner0 + 14);
    // Inverted: vertex 7 of each cube, the centre of its +x side, faces -x.
    EXPECT_EQ(merged.mesh.vertices[7].normal, (Vector3{-1, 0, 0}));

    SceneObject& path = appendObject(scene);
    path.id = 8;
    path.flags = kTypeLinePath;
    path.params[0] = 2;
    generateObjectMesh(scene, path);
    setMatrix(path, identityMatrix());
    SceneObject& sweep = appendObject(scene);
    sweep.flags = kTypeSweep;
    sweep.params[0] = 8;
    sweep.params[1] = 8;
    generateObjectMesh(scene, sweep);
    EXPECT_EQ(sweep.mesh.vertexCount, 3 * 3);
    EXPECT_EQ(sweep.mesh.faceCount, 2 * 2 * 2);
}

}  // namespace
}  // namespace lumen
