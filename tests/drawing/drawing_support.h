// Helpers for the drawing tests: hand-built scenes and meshes, pixel reads
// from the picture, and the small events the player draws.
#pragma once
#include <cstdint>
#include <vector>

#include "scene/scene_records.h"
#include "timeline/timeline_event.h"

namespace lumen::testing {

struct Rgba {
    int r = 0, g = 0, b = 0, a = 0;
};

// The picture's pixels read back, rows top-down.
class Picture {
public:
    Picture(std::vector<uint8_t> pixels, int width, int height)
        : pixels_(std::move(pixels)), width_(width), height_(height) {}
    Rgba at(int x, int y) const {
        const uint8_t* p = &pixels_[(size_t(y) * width_ + x) * 4];
        return {p[0], p[1], p[2], p[3]};
    }
    int width() const { return width_; }
    int height() const { return height_; }
    const std::vector<uint8_t>& pixels() const { return pixels_; }

private:
    std::vector<uint8_t> pixels_;
    int width_, height_;
};

// An axis-aligned square in the z = 0 plane, two flat faces facing +z.
void addSquare(Mesh& mesh, float x0, float y0, float x1, float y1, float alpha = 1.0f);
// A cube of the given half size about the origin, twelve flat faces with
// outward normals.
void addCube(Mesh& mesh, float half);

// A camera at (0, 0, 10) looking at the origin, y up, 45 degrees.
Camera frontCamera();

// A scene with one white directional light shining along -z and nothing else.
Scene litScene(int id);
// Appends an object at a translation, with mesh already filled by `fill`.
SceneObject& addObject(Scene& scene, int id, float x, float y, float z);

// A track of keys (time, value) with the two-key / wrap-around tangents the
// loader gives them.
Track keyedTrack(std::initializer_list<std::pair<int, float>> keys);

TimelineEvent imageLayer(int x1, int y1, int x2, int y2, const float color[4], int src, int dst);

}  // namespace lumen::testing
