// 3D math for meshes and scenes: three-float vectors and row-major 4x4 matrices
// that act on column vectors (p' = M * p, translation in elements 3, 7 and 11).
#pragma once
#include <cstdint>

namespace lumen {

// Every stored component is a 32-bit float; the operations work in double and
// round when they store.
struct Vector3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    friend bool operator==(const Vector3&, const Vector3&) = default;
};

// Element (row r, column c) sits at index 4 * r + c. OpenGL reads matrices
// column by column, so whatever is handed to it is the transpose of this.
struct Matrix4 {
    float m[16] = {};

    float& operator[](int i) { return m[i]; }
    float operator[](int i) const { return m[i]; }
    float& at(int row, int column) { return m[4 * row + column]; }
    float at(int row, int column) const { return m[4 * row + column]; }

    friend bool operator==(const Matrix4&, const Matrix4&) = default;
};

// Degrees and camera roll (1/255 of a turn) to radians, with the factors the
// show's data was made with.
inline constexpr double kDegreesToRadians = 0.017453292;
inline constexpr double kRollToRadians = 0.024639942;

// [vectors]
Vector3 construct(float x, float y, float z);
Vector3 scale(Vector3 a, float s);
Vector3 add(Vector3 a, Vector3 b);
Vector3 subtract(Vector3 a, Vector3 b);
Vector3 cross(Vector3 a, Vector3 b);
float dot(Vector3 a, Vector3 b);
// Square root of x^2 + y^2 + z^2, kept in double.
double length(Vector3 a);
// Exactly (0, 0, 0) for a zero-length vector rather than a division by zero.
Vector3 normalize(Vector3 a);

// [matrices] Outputs come last; every operation except inverse may write into
// one of its own inputs.
void identity(Matrix4& m);
void scaleMatrix(const Matrix4& a, float s, Matrix4& m);
void addMatrix(const Matrix4& a, const Matrix4& b, Matrix4& m);
void multiply(const Matrix4& a, const Matrix4& b, Matrix4& m);
void translation(float x, float y, float z, Matrix4& m);
void scaling(float x, float y, float z, Matrix4& m);
// Rotation by angle radians about the axis, counter-clockwise seen from the
// axis tip. The axis is normalised first; a zero axis leaves only cos(angle)
// on the first three diagonal elements.
void rotation(float ax, float ay, float az, float angle, Matrix4& m);
Vector3 transformPoint(const Matrix4& m, float x, float y, float z);
Vector3 transformDirection(const Matrix4& m, float x, float y, float z);
// The signed cofactor of element (r, c).
float cofactor(const Matrix4& a, int r, int c);
float determinant(const Matrix4& a);
void transpose(Matrix4& m);
// m = a^-1 by the adjugate. A zero determinant zeroes rows 0 to 2 of m and
// leaves row 3 as it was. m must not be a.
void inverse(const Matrix4& a, Matrix4& m);

// Convenience for callers that want a fresh value.
Matrix4 identityMatrix();

}  // namespace lumen
