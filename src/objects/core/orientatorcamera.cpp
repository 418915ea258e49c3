#include "objects/core/orientatorcamera.h"

#include <cmath>
#include <numbers>

namespace kelvarin {
namespace {

double& At(Matrix4d& m, int row, int col) { return m[std::size_t(col * 4 + row)]; }
double At(const Matrix4d& m, int row, int col) { return m[std::size_t(col * 4 + row)]; }

Vector3d Minus(const Vector3d& a, const Vector3d& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vector3d Cross(const Vector3d& a, const Vector3d& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
Vector3d Normalised(const Vector3d& v) {
  const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (length == 0) return v;
  return {v[0] / length, v[1] / length, v[2] / length};
}

std::optional<Matrix4d> Inverse(const Matrix4d& m) {
  // Cofactor expansion; the matrices here are small and well conditioned.
  Matrix4d inv{};
  inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] + m[9] * m[7] * m[14] + m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
  inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] - m[8] * m[7] * m[14] - m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
  inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] + m[8] * m[7] * m[13] + m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
  inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] - m[8] * m[6] * m[13] - m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
  inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] - m[9] * m[3] * m[14] - m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
  inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] + m[8] * m[3] * m[14] + m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
  inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] - m[8] * m[3] * m[13] - m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
  inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] + m[8] * m[2] * m[13] + m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
  inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] + m[5] * m[3] * m[14] + m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
  inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] - m[4] * m[3] * m[14] - m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
  inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] + m[4] * m[3] * m[13] + m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
  inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] - m[4] * m[2] * m[13] - m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
  inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] - m[5] * m[3] * m[10] - m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
  inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] + m[4] * m[3] * m[10] + m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
  inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] - m[4] * m[3] * m[9] - m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
  inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] + m[4] * m[2] * m[9] + m[8] * m[1] * m[6] - m[8] * m[2] * m[5];
  const double det = m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
  if (det == 0 || !std::isfinite(det)) return std::nullopt;
  for (double& v : inv) v /= det;
  return inv;
}

std::array<double, 4> Transform(const Matrix4d& m, const std::array<double, 4>& v) {
  std::array<double, 4> out{};
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 4; ++col) out[std::size_t(row)] += At(m, row, col) * v[std::size_t(col)];
  return out;
}

}  // namespace

Matrix4d IdentityMatrix() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

Matrix4d MultiplyMatrices(const Matrix4d& a, const Matrix4d& b) {
  Matrix4d out{};
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 4; ++col) {
      double sum = 0;
      for (int k = 0; k < 4; ++k) sum += At(a, row, k) * At(b, k, col);
      At(out, row, col) = sum;
    }
  return out;
}

Matrix4d OrthoMatrix(double left, double right, double bottom, double top, double zNear,
                     double zFar) {
  Matrix4d m = IdentityMatrix();
  At(m, 0, 0) = 2 / (right - left);
  At(m, 1, 1) = 2 / (top - bottom);
  At(m, 2, 2) = -2 / (zFar - zNear);
  At(m, 0, 3) = -(right + left) / (right - left);
  At(m, 1, 3) = -(top + bottom) / (top - bottom);
  At(m, 2, 3) = -(zFar + zNear) / (zFar - zNear);
  return m;
}

Matrix4d LookAtMatrix(const Vector3d& eye, const Vector3d& centre, const Vector3d& up) {
  const Vector3d f = Normalised(Minus(centre, eye));
  const Vector3d s = Normalised(Cross(f, up));
  const Vector3d u = Cross(s, f);
  Matrix4d m = IdentityMatrix();
  for (int i = 0; i < 3; ++i) {
    At(m, 0, i) = s[std::size_t(i)];
    At(m, 1, i) = u[std::size_t(i)];
    At(m, 2, i) = -f[std::size_t(i)];
  }
  return MultiplyMatrices(m, TranslationMatrix({-eye[0], -eye[1], -eye[2]}));
}

Matrix4d TranslationMatrix(const Vector3d& by) {
  Matrix4d m = IdentityMatrix();
  At(m, 0, 3) = by[0];
  At(m, 1, 3) = by[1];
  At(m, 2, 3) = by[2];
  return m;
}

Matrix4d RotationMatrixDeg(double degrees, const Vector3d& axis) {
  const double length = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
  if (!(length > 0) || !std::isfinite(length)) return IdentityMatrix();
  const double x = axis[0] / length, y = axis[1] / length, z = axis[2] / length;
  const double radians = degrees * std::numbers::pi / 180;
  const double c = std::cos(radians), s = std::sin(radians), t = 1 - c;
  Matrix4d m = IdentityMatrix();
  At(m, 0, 0) = x * x * t + c;
  At(m, 0, 1) = x * y * t - z * s;
  At(m, 0, 2) = x * z * t + y * s;
  At(m, 1, 0) = y * x * t + z * s;
  At(m, 1, 1) = y * y * t + c;
  At(m, 1, 2) = y * z * t - x * s;
  At(m, 2, 0) = x * z * t - y * s;
  At(m, 2, 1) = y * z * t + x * s;
  At(m, 2, 2) = z * z * t + c;
  return m;
}

std::optional<Vector3d> Unproject(const Vector3d& window, const Matrix4d& modelView,
                                  const Matrix4d& projection, const std::array<int, 4>& viewport) {
  const auto inverse = Inverse(MultiplyMatrices(projection, modelView));
  if (!inverse || viewport[2] == 0 || viewport[3] == 0) return std::nullopt;
  const std::array<double, 4> ndc = {(window[0] - viewport[0]) / viewport[2] * 2 - 1,
                                     (window[1] - viewport[1]) / viewport[3] * 2 - 1,
                                     window[2] * 2 - 1, 1};
  const auto p = Transform(*inverse, ndc);
  if (p[3] == 0) return std::nullopt;
  return Vector3d{p[0] / p[3], p[1] / p[3], p[2] / p[3]};
}

std::optional<Vector3d> Project(const Vector3d& point, const Matrix4d& modelView,
                                const Matrix4d& projection, const std::array<int, 4>& viewport) {
  const auto clip = Transform(MultiplyMatrices(projection, modelView), {point[0], point[1], point[2], 1});
  if (clip[3] == 0) return std::nullopt;
  return Vector3d{viewport[0] + (clip[0] / clip[3] + 1) / 2 * viewport[2],
                  viewport[1] + (clip[1] / clip[3] + 1) / 2 * viewport[3],
                  (clip[2] / clip[3] + 1) / 2};
}

void TOrientatorCamera::Reset() {
  m_projection = MultiplyMatrices(OrthoMatrix(-5, 5, -5, 5, 2, 12),
                                  LookAtMatrix({1, -5, 5}, {0, 0, 0}, {0, 0, 1}));
}

std::optional<Vector3d> TOrientatorCamera::UnprojectAtNear(double x, double y, int width,
                                                          int height) const {
  return Unproject({x, y, 0}, IdentityMatrix(), m_projection, {0, 0, width, height});
}

void TOrientatorCamera::Move(int lastX, int lastY, int x, int y, int width, int height) {
  const auto a = UnprojectAtNear(lastX, height - lastY - 1, width, height);
  const auto b = UnprojectAtNear(x, height - y - 1, width, height);
  if (!a || !b) return;
  m_projection = MultiplyMatrices(m_projection, TranslationMatrix(Minus(*b, *a)));
}

void TOrientatorCamera::Turn(int lastX, int lastY, int x, int y, int width, int height) {
  const auto top = UnprojectAtNear(width / 2, height, width, height);
  const auto bottom = UnprojectAtNear(width / 2, 0, width, height);
  const auto right = UnprojectAtNear(width, height / 2, width, height);
  const auto left = UnprojectAtNear(0, height / 2, width, height);
  if (!top || !bottom || !right || !left) return;
  m_projection = MultiplyMatrices(m_projection, RotationMatrixDeg(x - lastX, Minus(*top, *bottom)));
  m_projection = MultiplyMatrices(m_projection, RotationMatrixDeg(y - lastY, Minus(*right, *left)));
}

}  // namespace kelvarin
