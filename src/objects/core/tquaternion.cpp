#include "objects/core/tquaternion.h"

#include <cmath>

namespace kelvarin {
namespace {

// Below this length the division in Normalise would lose too much precision.
constexpr float kTinyNorm = 1.1920929E-7f;  // 2^-23

float Sqrt32(float v) { return static_cast<float>(std::sqrt(static_cast<double>(v))); }

}  // namespace

void TQuaternion::SetIdentity() { *this = TQuaternion(); }

TQuaternion& TQuaternion::Scale(float f) {
  W = static_cast<float>(double(W) * f);
  X = static_cast<float>(double(X) * f);
  Y = static_cast<float>(double(Y) * f);
  Z = static_cast<float>(double(Z) * f);
  return *this;
}

float TQuaternion::NormSquared() const {
  return static_cast<float>(double(W) * W + double(X) * X + double(Y) * Y + double(Z) * Z);
}

float TQuaternion::Norm() const { return Sqrt32(NormSquared()); }

void TQuaternion::PreScale() {
  // Summed in double: four huge components would overflow a float sum.
  const double sum = std::fabs(double(W)) + std::fabs(double(X)) + std::fabs(double(Y)) +
                     std::fabs(double(Z));
  if (!(sum > 0) || std::isinf(sum)) {
    SetIdentity();
    return;
  }
  W = static_cast<float>(W / sum);
  X = static_cast<float>(X / sum);
  Y = static_cast<float>(Y / sum);
  Z = static_cast<float>(Z / sum);
}

TQuaternion& TQuaternion::Normalise() {
  float n = Norm();
  // A tiny length, or one whose square overflows a float, is brought near 1 first.
  if (!(n >= kTinyNorm) || std::isinf(n)) {
    PreScale();
    n = Norm();
  }
  return Scale(static_cast<float>(1.0 / n));
}

TQuaternion& TQuaternion::Multiply(float w, float x, float y, float z) {
  const double a = W, b = X, c = Y, d = Z;
  W = static_cast<float>(a * w - b * x - c * y - d * z);
  X = static_cast<float>(a * x + b * w + c * z - d * y);
  Y = static_cast<float>(a * y + c * w + d * x - b * z);
  Z = static_cast<float>(a * z + d * w + b * y - c * x);
  return *this;
}

TQuaternion& TQuaternion::RotateAxisAngle(float ax, float ay, float az, float angle) {
  const float length =
      Sqrt32(static_cast<float>(double(ax) * ax + double(ay) * ay + double(az) * az));
  if (!(length > 0) || std::isinf(length)) return *this;
  const float inverse = static_cast<float>(1.0 / length);
  const float x = static_cast<float>(double(ax) * inverse);
  const float y = static_cast<float>(double(ay) * inverse);
  const float z = static_cast<float>(double(az) * inverse);
  const float half = static_cast<float>(double(angle) * 0.5);
  const float s = static_cast<float>(std::sin(double(half)));
  const float c = static_cast<float>(std::cos(double(half)));
  return Multiply(c, static_cast<float>(double(x) * s), static_cast<float>(double(y) * s),
                  static_cast<float>(double(z) * s));
}

void TQuaternion::ToGLMatrix(GLMatrix& m) const {
  const float norm2 = NormSquared();
  if (!(norm2 > 0) || std::isinf(norm2)) {
    m = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    return;
  }
  const auto f = [](double v) { return static_cast<float>(v); };
  const float s = f(2.0 / norm2);
  const float xs = f(double(X) * s), ys = f(double(Y) * s), zs = f(double(Z) * s);
  const float xx = f(double(X) * xs), xy = f(double(X) * ys), xz = f(double(X) * zs);
  const float yy = f(double(Y) * ys), yz = f(double(Y) * zs), zz = f(double(Z) * zs);
  const float wx = f(double(W) * xs), wy = f(double(W) * ys), wz = f(double(W) * zs);
  m = {f(1.0 - (double(yy) + zz)), f(double(xy) + wz), f(double(xz) - wy), 0,
       f(double(xy) - wz), f(1.0 - (double(xx) + zz)), f(double(yz) + wx), 0,
       f(double(xz) + wy), f(double(yz) - wx), f(1.0 - (double(xx) + yy)), 0,
       0, 0, 0, 1};
}

}  // namespace kelvarin
