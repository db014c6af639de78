// The cloth flag's simulation step and its drawing.
#include "timeline/cloth_flag.h"

#include <cmath>

#include "platform/gl.h"

namespace lumen {

namespace {
const Vector3 kGravity{-0.0007f, -0.0008f, 0.0001f};
constexpr float kDrag = -0.002f;
const Vector3 kWind{-0.00033f, -0.0001f, -0.00015f};
constexpr double kStiffness = 0.324;
constexpr double kSpringDamping = 0.04;
constexpr double kForceThreshold = 0.0001;
}  // namespace

void ClothFlag::reset() {
    particles_ = {};
    for (int i = 0; i < kColumns; ++i)
        for (int j = 0; j < kRows; ++j)
            at(i, j).position = construct(static_cast<float>(i), static_cast<float>(j), 0.0f);
    clock_ = kClockStart;
}

void ClothFlag::advanceTo(int t) {
    while (clock_ < t) {
        step();
        clock_ += kStepMs;
    }
}

void ClothFlag::spring(int pi, int pj, int qi, int qj, double rest) {
    if (pi < 0 || pj < 0 || qi < 0 || qj < 0) return;
    if (pi >= kColumns || qi >= kColumns || pj >= kRows || qj >= kRows) return;
    ClothParticle& p = at(pi, pj);
    ClothParticle& q = at(qi, qj);
    const Vector3 d = subtract(p.position, q.position);
    const double len = length(d);
    // Two coinciding ends have no direction to push along.
    if (len == 0) return;
    const double damp = dot(subtract(p.velocity, q.velocity), d) * kSpringDamping / len;
    const double m = -((len - rest) * kStiffness + damp);
    if (std::fabs(m) < kForceThreshold) return;
    const Vector3 fs = scale(normalize(d), static_cast<float>(m));
    p.force = add(p.force, fs);
    q.force = subtract(q.force, fs);
}

void ClothFlag::step() {
    for (int i = 0; i < kColumns; ++i) {
        for (int j = 0; j < kRows; ++j) {
            ClothParticle& c = at(i, j);
            c.normal = Vector3{};
            if (!isPinned(i, j)) c.force = add(kGravity, scale(c.velocity, kDrag));
        }
    }

    // Wind pushes each triangle along its normal by how much it faces the wind.
    for (int i = 0; i < kColumns - 1; ++i) {
        for (int j = 0; j < kRows - 1; ++j) {
            ClothParticle* tris[2][3] = {{&at(i, j), &at(i + 1, j + 1), &at(i + 1, j)},
                                         {&at(i, j), &at(i, j + 1), &at(i + 1, j + 1)}};
            for (auto& tri : tris) {
                const Vector3 n =
                    cross(subtract(tri[0]->position, tri[1]->position), subtract(tri[0]->position, tri[2]->position));
                const float k = dot(n, kWind);
                const Vector3 f = scale(normalize(n), k);
                for (ClothParticle* c : tri) {
                    c->force = add(c->force, f);
                    c->normal = add(c->normal, n);
                }
            }
        }
    }

    for (int i = 0; i < kColumns; ++i)
        for (int j = 0; j < kRows; ++j) at(i, j).normal = normalize(at(i, j).normal);

    const double diagonal = std::sqrt(2.0);
    for (int i = 0; i < kColumns; ++i) {
        for (int j = 0; j < kRows; ++j) {
            spring(i, j, i + 1, j, 1.0);
            spring(i, j, i, j + 1, 1.0);
            if (i % 2 == 0) spring(i, j, i + 2, j, 2.0);
            if (j % 2 == 0) spring(i, j, i, j + 2, 2.0);
            spring(i, j, i + 1, j + 1, diagonal);
            spring(i, j + 1, i + 1, j, diagonal);
        }
    }

    for (int i = 0; i < kColumns; ++i) {
        for (int j = 0; j < kRows; ++j) {
            ClothParticle& c = at(i, j);
            if (isPinned(i, j))
                c.velocity = Vector3{};
            else
                c.velocity = add(c.velocity, c.force);
            c.position = add(c.position, c.velocity);
        }
    }
}

void drawClothFlag(const ClothFlag& cloth) {
    static const float kGreen[4] = {0.0f, 0.6f, 0.0f, 0.0f};
    static const float kWhite[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    static const float kRed[4] = {0.8f, 0.0f, 0.0f, 0.0f};
    constexpr float kLastColumn = ClothFlag::kColumns - 1;

    auto corner = [&](int i, int j) {
        const ClothParticle& c = cloth.at(i, j);
        glNormal3f(c.normal.x, -c.normal.y, c.normal.z);
        glVertex3f(static_cast<float>(-0.25 * (c.position.x - kLastColumn)),
                   static_cast<float>(1.8 - 0.25 * c.position.y), static_cast<float>(0.25 * c.position.z));
    };

    glBegin(GL_QUADS);
    for (int i = 0; i < ClothFlag::kColumns - 1; ++i) {
        for (int j = 0; j < ClothFlag::kRows - 1; ++j) {
            const float* band = j <= 2 ? kGreen : j <= 5 ? kWhite : kRed;
            glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, band);
            corner(i, j);
            corner(i + 1, j);
            corner(i + 1, j + 1);
            corner(i, j + 1);
        }
    }
    glEnd();
}

}  // namespace lumen
