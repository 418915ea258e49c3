// The orientation view's camera, kept as a projection matrix and changed the way
// the fixed-function pipeline would change it (glOrtho, gluLookAt, glTranslated,
// glRotated multiply on the right). Computing it here rather than reading it back
// from the graphics driver keeps the mouse handling testable without a display.
#pragma once

#include <array>
#include <optional>

namespace kelvarin {

// 4 by 4, column-major, as glLoadMatrixd takes it.
using Matrix4d = std::array<double, 16>;
using Vector3d = std::array<double, 3>;

Matrix4d IdentityMatrix();
// a * b
Matrix4d MultiplyMatrices(const Matrix4d& a, const Matrix4d& b);
Matrix4d OrthoMatrix(double left, double right, double bottom, double top, double zNear,
                     double zFar);
Matrix4d LookAtMatrix(const Vector3d& eye, const Vector3d& centre, const Vector3d& up);
Matrix4d TranslationMatrix(const Vector3d& by);
// A turn of `degrees` about the direction `axis`; the identity for a zero axis.
Matrix4d RotationMatrixDeg(double degrees, const Vector3d& axis);

// Window point (x, y from the bottom, depth 0 to 1) back to object space, as
// gluUnProject does; nullopt when the matrices cannot be inverted.
std::optional<Vector3d> Unproject(const Vector3d& window, const Matrix4d& modelView,
                                  const Matrix4d& projection, const std::array<int, 4>& viewport);
// Object space to window coordinates (the inverse of Unproject).
std::optional<Vector3d> Project(const Vector3d& point, const Matrix4d& modelView,
                                const Matrix4d& projection, const std::array<int, 4>& viewport);

class TOrientatorCamera {
 public:
  TOrientatorCamera() { Reset(); }

  // The view's camera: an orthographic box of +-5 by +-5, depth 2 to 12, looking
  // from (1, -5, 5) at the origin with Z up.
  void Reset();
  const Matrix4d& Projection() const { return m_projection; }

  // Mouse positions are widget coordinates (y down) in a view of width by height.
  // Move: the scene follows the pointer from (lastX, lastY) to (x, y).
  void Move(int lastX, int lastY, int x, int y, int width, int height);
  // Turn: one degree per pixel, horizontal movement about the screen's vertical
  // direction, then vertical movement about the screen's horizontal one.
  void Turn(int lastX, int lastY, int x, int y, int width, int height);

 private:
  std::optional<Vector3d> UnprojectAtNear(double x, double y, int width, int height) const;

  Matrix4d m_projection{};
};

}  // namespace kelvarin
