// Pack loader: builds a pack's textures, uploaded images, scenes (meshes built,
// mapped, deformed), cameras, clips and timeline from its pack model, adding
// them to the active list set. Bytes are read only by readPackModel.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "base/progress.h"
#include "pack/pack_lists.h"
#include "pack/pack_model.h"
#include "pack/reader.h"
#include "scene/scene_records.h"
#include "texgen/texture.h"

namespace lumen {

// Loading a pack stops with a PackError (pack/reader.h) naming the section and
// byte offset when the bytes run out early, the header is not a float width
// 1..4, or the content names something that cannot exist (a deformer's missing
// picture or target; the offset is then the object record's). The whole model
// is read before anything is built, so damaged bytes add nothing to the lists;
// a build-time error keeps what was built before it.
class PackLoader {
public:
    explicit PackLoader(TextureGenerator& generator);

    // Called with the progress after every texture operation.
    void setProgress(ProgressHook progress) { progress_ = std::move(progress); }
    // Off: image records keep their pixels but make no GL texture (glName 0),
    // so a pack loads without a GL context.
    void setUploadImages(bool upload) { uploadImages_ = upload; }
    // At most this many mesh vertices per load (0: no limit; a clip's records
    // count eight per object). An object whose mesh would pass the limit stops the load with a PackError before it is
    // built, so a hostile pack (merges of merges grow exponentially) cannot
    // exhaust memory. The show's packs stay far below any sensible limit.
    void setVertexBudget(long vertices) { vertexBudget_ = vertices; }

    // The whole pack: reads its model, then builds it.
    void loadPack(std::span<const uint8_t> pack, PackLists& active);
    // The header byte and the texture section alone; returns the bytes read.
    std::size_t loadTexturesOnly(std::span<const uint8_t> bytes, PackLists& active);

    // Empties the active scene list, then builds the four sections in order.
    void buildPack(const PackModel& model, PackLists& active);
    void buildTextures(const PackModel& model, PackLists& active);
    void buildImages(const PackModel& model, PackLists& active);
    void buildScenes(const PackModel& model, PackLists& active);
    void buildTimeline(const PackModel& model, PackLists& active);

    // 256 x 256 RGBA, row-major: the last deformer's picture.
    const uint8_t* displacementImage() const { return displacement_.get(); }

private:
    void buildScene(const SceneRecord& record, int width, PackLists& active);
    void buildObject(const ObjectRecord& record, int width, Scene& scene, PackLists& active);
    void deform(const ObjectRecord& record, int width, Scene& scene, std::size_t deformerIndex, PackLists& active);
    void buildCamerasAndClips(const SceneRecord& record, int width, Scene& scene);
    void chargeVertices(const ObjectRecord& record, Scene& scene, const SceneObject& object);

    TextureGenerator& generator_;
    ProgressHook progress_;
    bool uploadImages_ = true;
    long vertexBudget_ = 0;
    long verticesBuilt_ = 0;
    std::unique_ptr<uint8_t[]> displacement_;
};

// The texture-coordinate transform of an object's mesh, from baseUV:
// u = offsetU / 255 + scaleU * u, v likewise; then the mirrors; then, unless
// keepUV, u and v exchanged. Vertices and every face corner alike.
void applyMapping(SceneObject& object, uint8_t scaleV, uint8_t scaleU, uint8_t offsetV, uint8_t offsetU, bool keepUV,
                  bool mirrorV, bool mirrorU);

// Spline tangents of every key, the track taken as a closed loop.
void prepareTangents(Track& track);

// One channel (3: the average of R, G and B) of a 256 x 256 RGBA picture at
// (u, v), 0..1; u selects the row. Wrap brings the indices into 0..255;
// with clamp, indices outside give 0.
float sampleDisplacement(const uint8_t* image, float u, float v, int channel, bool clamp);

}  // namespace lumen
