#include "map/core/maptransform.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace kelvarin {
namespace {

// The centre stays on the plane the floats can describe, with a margin.
constexpr double kWorldLimit = 2.0 * FLT_MAX;
// Finest scale at the origin: finer than anything a float near 1 can tell apart
// would only magnify rounding.
constexpr double kFinestScale = 1e-6;
// A float has 24 significant bits: at magnitude m two neighbours are m * 2^-23
// apart. Let a pixel span no less than a quarter of that.
constexpr double kFloatResolution = 0x1p-25;

}  // namespace

void TMapTransform::SetViewport(int width, int height) {
  m_width = std::max(1, width);
  m_height = std::max(1, height);
  Clamp();
}

TMapRect TMapTransform::VisibleWorld() const {
  const TPlanePoint a = ToWorld(0, m_height), b = ToWorld(m_width, 0);
  return {a.x, a.y, b.x, b.y};
}

double TMapTransform::MinScale() const {
  const double magnitude = std::max(std::fabs(m_centre.x), std::fabs(m_centre.y));
  return std::max(kFinestScale, magnitude * kFloatResolution);
}

double TMapTransform::MaxScale() {
  // The whole float range, twice over, in one pixel: coarser shows nothing more.
  return 4.0 * FLT_MAX;
}

void TMapTransform::Clamp() {
  if (!std::isfinite(m_centre.x)) m_centre.x = 0;
  if (!std::isfinite(m_centre.y)) m_centre.y = 0;
  m_centre.x = std::clamp(m_centre.x, -kWorldLimit, kWorldLimit);
  m_centre.y = std::clamp(m_centre.y, -kWorldLimit, kWorldLimit);
  if (!std::isfinite(m_scale) || m_scale <= 0) m_scale = 1;
  m_scale = std::clamp(m_scale, MinScale(), MaxScale());
}

void TMapTransform::Fit(const TMapRect& b, double marginPx) {
  if (!std::isfinite(b.minX) || !std::isfinite(b.minY) || !std::isfinite(b.maxX) ||
      !std::isfinite(b.maxY) || b.minX > b.maxX || b.minY > b.maxY)
    return;
  // Halves first: the sum of two coordinates near FLT_MAX stays finite that way.
  m_centre = {b.minX / 2 + b.maxX / 2, b.minY / 2 + b.maxY / 2};
  const double usableW = std::max(1.0, m_width - 2 * marginPx);
  const double usableH = std::max(1.0, m_height - 2 * marginPx);
  double scale = std::max((b.maxX / 2 - b.minX / 2) * 2 / usableW, (b.maxY / 2 - b.minY / 2) * 2 / usableH);
  if (!(scale > 0)) {
    // One point: a hundred units across the picture, or the point's own
    // magnitude when that is larger, so the grid labels still differ.
    const double magnitude = std::max(std::fabs(m_centre.x), std::fabs(m_centre.y));
    scale = std::max(100.0, magnitude * 1e-3) / std::min(usableW, usableH);
  }
  m_scale = scale;
  Clamp();
}

void TMapTransform::ZoomAbout(double px, double py, double factor) {
  if (!std::isfinite(px) || !std::isfinite(py) || !std::isfinite(factor) || factor <= 0) return;
  const TPlanePoint anchor = ToWorld(px, py);
  m_scale /= factor;
  Clamp();
  // Put the anchor back under the pixel.
  const TPlanePoint moved = ToWorld(px, py);
  m_centre.x += anchor.x - moved.x;
  m_centre.y += anchor.y - moved.y;
  Clamp();
}

void TMapTransform::PanPixels(double dx, double dy) {
  if (!std::isfinite(dx) || !std::isfinite(dy)) return;
  m_centre.x -= dx * m_scale;
  m_centre.y += dy * m_scale;
  Clamp();
}

void TMapTransform::CentreOn(double x, double y) {
  if (!std::isfinite(x) || !std::isfinite(y)) return;
  m_centre = {x, y};
  Clamp();
}

void TMapTransform::SetScale(double worldPerPixel) {
  if (!std::isfinite(worldPerPixel) || worldPerPixel <= 0) return;
  m_scale = worldPerPixel;
  Clamp();
}

}  // namespace kelvarin
