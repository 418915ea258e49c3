// An orientation as a rotation quaternion: four 32-bit floats in the order and
// width of a record's RotationW, RotationX, RotationY, RotationZ, copied one to one.
// Every result is rounded to 32 bits; square root, sine and cosine are taken in
// double precision and rounded.
#pragma once

#include <array>

namespace kelvarin {

// 4 by 4, column-major (element = column * 4 + row), as glLoadMatrixf takes it.
using GLMatrix = std::array<float, 16>;

class TQuaternion {
 public:
  float W = 1, X = 0, Y = 0, Z = 0;

  TQuaternion() = default;
  TQuaternion(float w, float x, float y, float z) : W(w), X(x), Y(y), Z(z) {}

  void SetIdentity();
  TQuaternion& Scale(float f);
  float NormSquared() const;
  float Norm() const;
  // Divides by the sum of the absolute values; the identity when that sum is not
  // above 0 (a zero or NaN quaternion).
  void PreScale();
  // Makes the length 1. Tiny, huge and zero quaternions are pre-scaled first, so
  // zero becomes the identity; a NaN quaternion becomes the identity too.
  TQuaternion& Normalise();
  // self = self * (w, x, y, z) (Hamilton product, self on the left).
  TQuaternion& Multiply(float w, float x, float y, float z);
  // Turns about the axis (in the object's own frame) by `angle` radians. Does not
  // normalise. A zero axis has no direction and leaves the quaternion unchanged.
  TQuaternion& RotateAxisAngle(float ax, float ay, float az, float angle);
  // The rotation matrix of the unit quaternion in the direction of self. A zero or
  // non-finite quaternion has no direction: it gives the identity matrix, so a view
  // drawing it shows the object unrotated.
  void ToGLMatrix(GLMatrix& m) const;

  bool operator==(const TQuaternion&) const = default;
};

}  // namespace kelvarin
