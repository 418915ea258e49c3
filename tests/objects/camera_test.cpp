#include <gtest/gtest.h>

#include "objects/core/orientatorcamera.h"

namespace kelvarin {
namespace {

constexpr int kSize = 174;
const std::array<int, 4> kViewport = {0, 0, kSize, kSize};

Vector3d OnScreen(const TOrientatorCamera& camera, const Vector3d& point) {
  return Project(point, IdentityMatrix(), camera.Projection(), kViewport).value();
}

TEST(TOrientatorCamera, LooksAtTheOriginWithZUp) {
  TOrientatorCamera camera;
  const Vector3d origin = OnScreen(camera, {0, 0, 0});
  EXPECT_NEAR(origin[0], kSize / 2.0, 1e-9);
  EXPECT_NEAR(origin[1], kSize / 2.0, 1e-9);
  EXPECT_GT(origin[2], 0);  // inside the depth range
  EXPECT_LT(origin[2], 1);
  EXPECT_GT(OnScreen(camera, {0, 0, 1})[1], origin[1]);  // Z points up the screen
  EXPECT_GT(OnScreen(camera, {1, 0, 0})[0], origin[0]);  // X to the right
}

TEST(TOrientatorCamera, UnprojectInvertsProject) {
  TOrientatorCamera camera;
  camera.Turn(0, 0, 30, -20, kSize, kSize);
  const Vector3d point = {0.7, -1.2, 2.5};
  const Vector3d window = OnScreen(camera, point);
  const Vector3d back = Unproject(window, IdentityMatrix(), camera.Projection(), kViewport).value();
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(back[i], point[i], 1e-9);
}

TEST(TOrientatorCamera, MoveMakesTheSceneFollowThePointer) {
  TOrientatorCamera camera;
  const Vector3d before = OnScreen(camera, {0.5, 0.5, 0});
  camera.Move(100, 100, 112, 93, kSize, kSize);  // 12 right, 7 up
  const Vector3d after = OnScreen(camera, {0.5, 0.5, 0});
  EXPECT_NEAR(after[0] - before[0], 12, 1e-9);
  EXPECT_NEAR(after[1] - before[1], 7, 1e-9);
  camera.Reset();
  EXPECT_NEAR(OnScreen(camera, {0.5, 0.5, 0})[0], before[0], 1e-9);
}

TEST(TOrientatorCamera, TurnIsOneDegreePerPixelAboutTheScreenAxes) {
  TOrientatorCamera camera;
  const std::array<int, 4> viewport = kViewport;
  const Vector3d up = Unproject({kSize / 2.0, kSize, 0}, IdentityMatrix(), camera.Projection(), viewport).value();
  const Vector3d down = Unproject({kSize / 2.0, 0, 0}, IdentityMatrix(), camera.Projection(), viewport).value();
  const Vector3d screenUp = {up[0] - down[0], up[1] - down[1], up[2] - down[2]};

  TOrientatorCamera turned = camera;
  turned.Turn(10, 10, 100, 10, kSize, kSize);  // 90 pixels to the right
  // The origin and points on the turning axis stay where they were.
  const Vector3d centre = OnScreen(turned, {0, 0, 0});
  EXPECT_NEAR(centre[0], kSize / 2.0, 1e-9);
  EXPECT_NEAR(centre[1], kSize / 2.0, 1e-9);
  const Vector3d onAxis = {screenUp[0] * 0.3, screenUp[1] * 0.3, screenUp[2] * 0.3};
  EXPECT_NEAR(OnScreen(turned, onAxis)[0], OnScreen(camera, onAxis)[0], 1e-9);
  EXPECT_NEAR(OnScreen(turned, onAxis)[1], OnScreen(camera, onAxis)[1], 1e-9);

  // Four quarter turns come back to the start.
  for (int i = 0; i < 3; ++i) turned.Turn(0, 0, 90, 0, kSize, kSize);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(turned.Projection()[i], camera.Projection()[i], 1e-9);
}

}  // namespace
}  // namespace kelvarin
