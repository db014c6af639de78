// Vector and matrix operations. Arithmetic runs in double and is rounded to
// float wherever a component is stored.
#include "mesh/math3d.h"

#include <cmath>

namespace lumen {

namespace {

float f(double v) { return static_cast<float>(v); }

}  // namespace

// [SECTION] vectors

Vector3 construct(float x, float y, float z) { return Vector3{x, y, z}; }

Vector3 scale(Vector3 a, float s) {
    double ds = s;
    return {f(a.x * ds), f(a.y * ds), f(a.z * ds)};
}

Vector3 add(Vector3 a, Vector3 b) { return {f(double(a.x) + b.x), f(double(a.y) + b.y), f(double(a.z) + b.z)}; }

Vector3 subtract(Vector3 a, Vector3 b) { return {f(double(a.x) - b.x), f(double(a.y) - b.y), f(double(a.z) - b.z)}; }

Vector3 cross(Vector3 a, Vector3 b) {
    return {f(double(a.y) * b.z - double(a.z) * b.y), f(double(a.z) * b.x - double(a.x) * b.z),
            f(double(a.x) * b.y - double(a.y) * b.x)};
}

float dot(Vector3 a, Vector3 b) { return f(double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z); }

double length(Vector3 a) { return std::sqrt(double(a.x) * a.x + double(a.y) * a.y + double(a.z) * a.z); }

Vector3 normalize(Vector3 a) {
    double len = length(a);
    if (len == 0.0) return {0.0f, 0.0f, 0.0f};
    return scale(a, f(1.0 / len));
}

// [SECTION] matrices

void identity(Matrix4& m) {
    for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

Matrix4 identityMatrix() {
    Matrix4 m;
    identity(m);
    return m;
}

void scaleMatrix(const Matrix4& a, float s, Matrix4& m) {
    for (int i = 0; i < 16; ++i) m[i] = f(double(a[i]) * s);
}

void addMatrix(const Matrix4& a, const Matrix4& b, Matrix4& m) {
    for (int i = 0; i < 16; ++i) m[i] = f(double(a[i]) + b[i]);
}

void multiply(const Matrix4& a, const Matrix4& b, Matrix4& m) {
    // Into a temporary first, so m may be a or b.
    Matrix4 t;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += double(a.at(r, k)) * b.at(k, c);
            t.at(r, c) = f(sum);
        }
    }
    m = t;
}

void translation(float x, float y, float z, Matrix4& m) {
    identity(m);
    m[3] = x;
    m[7] = y;
    m[11] = z;
}

void scaling(float x, float y, float z, Matrix4& m) {
    identity(m);
    m[0] = x;
    m[5] = y;
    m[10] = z;
}

void rotation(float ax, float ay, float az, float angle, Matrix4& m) {
    Vector3 n = normalize({ax, ay, az});
    double c = std::cos(double(angle));
    double s = std::sin(double(angle));

    Matrix4 unit;
    identity(unit);
    scaleMatrix(unit, f(c), m);

    Matrix4 outer;  // n * n^T
    outer.at(0, 0) = f(double(n.x) * n.x);
    outer.at(0, 1) = f(double(n.x) * n.y);
    outer.at(0, 2) = f(double(n.x) * n.z);
    outer.at(1, 0) = f(double(n.x) * n.y);
    outer.at(1, 1) = f(double(n.y) * n.y);
    outer.at(1, 2) = f(double(n.y) * n.z);
    outer.at(2, 0) = f(double(n.x) * n.z);
    outer.at(2, 1) = f(double(n.y) * n.z);
    outer.at(2, 2) = f(double(n.z) * n.z);
    scaleMatrix(outer, f(1.0 - c), outer);
    addMatrix(m, outer, m);

    Matrix4 skew;  // cross-product matrix of n
    skew.at(0, 1) = -n.z;
    skew.at(0, 2) = n.y;
    skew.at(1, 0) = n.z;
    skew.at(1, 2) = -n.x;
    skew.at(2, 0) = -n.y;
    skew.at(2, 1) = n.x;
    scaleMatrix(skew, f(s), skew);
    addMatrix(m, skew, m);

    m[3] = m[7] = m[11] = 0.0f;
    m[12] = m[13] = m[14] = 0.0f;
    m[15] = 1.0f;
}

Vector3 transformPoint(const Matrix4& m, float x, float y, float z) {
    return {f(double(m[0]) * x + double(m[1]) * y + double(m[2]) * z + m[3]),
            f(double(m[4]) * x + double(m[5]) * y + double(m[6]) * z + m[7]),
            f(double(m[8]) * x + double(m[9]) * y + double(m[10]) * z + m[11])};
}

Vector3 transformDirection(const Matrix4& m, float x, float y, float z) {
    return {f(double(m[0]) * x + double(m[1]) * y + double(m[2]) * z),
            f(double(m[4]) * x + double(m[5]) * y + double(m[6]) * z),
            f(double(m[8]) * x + double(m[9]) * y + double(m[10]) * z)};
}

float cofactor(const Matrix4& a, int r, int c) {
    // The minor's rows and columns in the cyclic order r+1, r+2, r+3 (mod 4),
    // which gives the same value as the natural order.
    double e[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) e[i][j] = a.at((r + 1 + i) & 3, (c + 1 + j) & 3);
    double down = e[0][0] * e[1][1] * e[2][2] + e[0][1] * e[1][2] * e[2][0] + e[0][2] * e[1][0] * e[2][1];
    double up = e[0][2] * e[1][1] * e[2][0] + e[0][0] * e[1][2] * e[2][1] + e[0][1] * e[1][0] * e[2][2];
    double minor = down - up;
    return f(((r + c) & 1) ? -minor : minor);
}

float determinant(const Matrix4& a) {
    float d = f(double(a.at(0, 3)) * cofactor(a, 0, 3));
    d = f(d + double(a.at(0, 2)) * cofactor(a, 0, 2));
    d = f(d + double(a.at(0, 1)) * cofactor(a, 0, 1));
    d = f(d + double(a.at(0, 0)) * cofactor(a, 0, 0));
    return d;
}

void transpose(Matrix4& m) {
    for (int r = 0; r < 4; ++r)
        for (int c = r + 1; c < 4; ++c) {
            float t = m.at(r, c);
            m.at(r, c) = m.at(c, r);
            m.at(c, r) = t;
        }
}

void inverse(const Matrix4& a, Matrix4& m) {
    float d = determinant(a);
    if (d == 0.0f) {
        for (int i = 0; i < 12; ++i) m[i] = 0.0f;
        return;
    }
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m.at(r, c) = cofactor(a, r, c);
    transpose(m);
    scaleMatrix(m, f(1.0 / d), m);
}

}  // namespace lumen
