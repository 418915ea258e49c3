// The map's view of the plane: which point is at the centre of the picture and how
// many world units one pixel spans. World Y grows upwards, as a map is read (so a
// rectangle's upper bound Y1 is its top edge on the screen); pixel y grows down.
//
// Coordinates are 32-bit floats of any magnitude; the view works in double and
// keeps its scale within what the plane can show: never finer than the floats'
// own resolution around the centre, never coarser than the whole float range in
// the picture. Values that are not numbers leave the view as it was.
#pragma once

#include "map/core/zoneindex.h"

namespace kelvarin {

struct TPlanePoint {
  double x = 0, y = 0;
  bool operator==(const TPlanePoint&) const = default;
};

class TMapTransform {
 public:
  // The picture's size in pixels (at least 1 x 1).
  void SetViewport(int width, int height);
  int Width() const { return m_width; }
  int Height() const { return m_height; }

  TPlanePoint Centre() const { return m_centre; }
  // World units per pixel.
  double Scale() const { return m_scale; }

  TPlanePoint ToPixel(double x, double y) const {
    return {(x - m_centre.x) / m_scale + m_width / 2.0, m_height / 2.0 - (y - m_centre.y) / m_scale};
  }
  TPlanePoint ToWorld(double px, double py) const {
    return {m_centre.x + (px - m_width / 2.0) * m_scale, m_centre.y - (py - m_height / 2.0) * m_scale};
  }
  // The part of the plane the picture shows.
  TMapRect VisibleWorld() const;

  // Shows all of `bounds` with `marginPx` pixels to spare on every side; a box of
  // no size (one record, or several at one point) is shown at a scale that leaves
  // room around it.
  void Fit(const TMapRect& bounds, double marginPx = 24);
  // Multiplies the magnification by `factor` (above 1 zooms in), keeping the world
  // point under the pixel (px, py) where it is.
  void ZoomAbout(double px, double py, double factor);
  // Moves the picture by (dx, dy) pixels: the plane follows the hand.
  void PanPixels(double dx, double dy);
  void CentreOn(double x, double y);
  void SetScale(double worldPerPixel);

  // The bounds of the scale at the current centre.
  double MinScale() const;
  static double MaxScale();

  bool operator==(const TMapTransform&) const = default;

 private:
  void Clamp();

  int m_width = 1, m_height = 1;
  TPlanePoint m_centre;
  double m_scale = 1;
};

}  // namespace kelvarin
