// The map's picture: the coordinate grid with its labels, one marker per placed
// record in its kind's colour and shape, the records a mass change would select,
// the selected record, the areas of the mass-change criteria and the one being
// drawn, and (for pictures that leave the editor) a legend. The page, the PNG
// export and `kelvarin-cli map` all draw with it; it needs QtGui only.
//
// Level of detail: markers while few enough records are in view to tell apart,
// then small dots, then single pixels; the marks are stamped straight into the
// image's memory, so a redraw costs about what a walk over the records in view
// costs, whatever their number.
#pragma once

#include <QImage>
#include <array>
#include <optional>
#include <variant>
#include <vector>

#include "map/core/areafields.h"
#include "map/core/maptransform.h"
#include "map/core/zoneindex.h"

class QPainter;

namespace kelvarin {

struct TMapShape {
  std::variant<TAreaRectangle, TAreaCircle> area;
  bool beingDrawn = false;  // the user's shape in the making (solid), else a criterion (dashed)
};

struct TMapScene {
  const TZoneIndex* zone = nullptr;
  TMapTransform view;
  TKindMask visible = TKindMask::All();
  std::optional<TObjRef> selected;
  const std::vector<TObjRef>* alsoSelected = nullptr;  // the rest of a selection of several
  const std::vector<TObjRef>* highlighted = nullptr;  // what the mass-change criteria select
  std::vector<TMapShape> shapes;
  bool grid = true;
  bool legend = false;
  char decimalSeparator = '.';
};

enum class MarkerDetail { Markers, Dots, Pixels };

class TMapRenderer {
 public:
  static constexpr int kMarkerSize = 11;
  // How far from a marker's centre a click still hits it, in pixels.
  static constexpr double kPickRadiusPx = 6;
  // Most records in view drawn as markers, and as dots.
  static constexpr std::size_t kMarkerLimit = 20000;
  static constexpr std::size_t kDotLimit = 400000;

  TMapRenderer();

  // Draws `scene` over the whole of `image` (premultiplied ARGB; its size should
  // be the view's).
  void Render(QImage& image, const TMapScene& scene);
  // A new image of the view's size with the scene drawn.
  QImage Render(const TMapScene& scene);

  // How the last picture showed the records.
  MarkerDetail LastDetail() const { return m_detail; }
  std::size_t LastVisibleCount() const { return m_visible.size(); }

 private:
  struct Mark {
    std::int32_t x, y;
    ObjKind kind;
  };

  void CollectVisible(const TMapScene& scene, int width, int height);
  void DrawRecords(QImage& image);
  void DrawHighlights(QImage& image, const TMapScene& scene);
  void DrawSelection(QImage& image, const TMapScene& scene);
  static void DrawGrid(QPainter& p, const TMapScene& scene);
  static void DrawShapes(QPainter& p, const TMapScene& scene);
  void DrawLegend(QPainter& p, const TMapScene& scene);

  std::array<QImage, kObjKindCount> m_sprites;
  QImage m_selectionRing;
  QImage m_highlightRing;
  std::vector<Mark> m_visible;
  MarkerDetail m_detail = MarkerDetail::Markers;
};

// Where a world point is in the picture, held inside a band around it so that
// painting code never meets a coordinate beyond what it can draw.
QPointF ClampedPixel(const TMapTransform& view, double x, double y);

}  // namespace kelvarin
