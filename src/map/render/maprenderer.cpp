#include "map/render/maprenderer.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "map/core/mapgrid.h"
#include "map/render/mapstyle.h"
#include "mob/kindnames.h"

using namespace Qt::StringLiterals;

namespace kelvarin {
namespace {

// Beyond this many pixels outside the picture nothing drawn can show; painting
// code works in fixed point and must never see coordinates near its limits.
constexpr double kPixelBand = 1e5;

// Each channel of a premultiplied pixel times a / 255.
inline std::uint32_t ByteMul(std::uint32_t x, std::uint32_t a) {
  std::uint32_t t = (x & 0xFF00FFu) * a;
  t = ((t + ((t >> 8) & 0xFF00FFu) + 0x800080u) >> 8) & 0xFF00FFu;
  x = ((x >> 8) & 0xFF00FFu) * a;
  x = (x + ((x >> 8) & 0xFF00FFu) + 0x800080u) & 0xFF00FF00u;
  return x | t;
}

// Puts `sprite` with its centre on (cx, cy), blended over what is there.
void Stamp(QImage& image, const QImage& sprite, int cx, int cy) {
  const int half = sprite.width() / 2;
  const int x0 = std::max(0, cx - half), x1 = std::min(image.width(), cx - half + sprite.width());
  const int y0 = std::max(0, cy - half), y1 = std::min(image.height(), cy - half + sprite.height());
  for (int y = y0; y < y1; ++y) {
    const auto* src = reinterpret_cast<const std::uint32_t*>(sprite.constScanLine(y - (cy - half)));
    auto* dst = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
    for (int x = x0; x < x1; ++x) {
      const std::uint32_t s = src[x - (cx - half)];
      const std::uint32_t alpha = s >> 24;
      if (alpha == 0) continue;
      dst[x] = alpha == 255 ? s : s + ByteMul(dst[x], 255 - alpha);
    }
  }
}

// A square of `size` pixels (1 or 2 or 3) in one opaque colour, top left at (x, y).
void Dot(QImage& image, int x, int y, int size, std::uint32_t colour) {
  const int x1 = std::min(image.width(), x + size), y1 = std::min(image.height(), y + size);
  for (int yy = std::max(0, y); yy < y1; ++yy) {
    auto* row = reinterpret_cast<std::uint32_t*>(image.scanLine(yy));
    for (int xx = std::max(0, x); xx < x1; ++xx) row[xx] = colour;
  }
}

QColor WithAlpha(QRgb colour, int alpha) {
  QColor c = QColor::fromRgba(colour);
  c.setAlpha(alpha);
  return c;
}

QFont MapFont(int pixelSize) {
  QFont font;
  font.setPixelSize(pixelSize);
  return font;
}

}  // namespace

QPointF ClampedPixel(const TMapTransform& view, double x, double y) {
  const TPlanePoint p = view.ToPixel(x, y);
  const auto clamp = [](double v, double size) {
    if (std::isnan(v)) return 0.0;
    return std::clamp(v, -kPixelBand, size + kPixelBand);
  };
  return {clamp(p.x, view.Width()), clamp(p.y, view.Height())};
}

TMapRenderer::TMapRenderer() {
  for (ObjKind kind : kAllObjKinds) m_sprites[int(kind)] = MarkerSprite(kind, kMarkerSize);
  m_selectionRing = RingSprite(map_colours::kSelection, kMarkerSize + 8, 2.2);
  m_highlightRing = RingSprite(map_colours::kHighlight, kMarkerSize + 4, 2.0);
}

QImage TMapRenderer::Render(const TMapScene& scene) {
  QImage image(scene.view.Width(), scene.view.Height(), QImage::Format_ARGB32_Premultiplied);
  Render(image, scene);
  return image;
}

void TMapRenderer::Render(QImage& image, const TMapScene& scene) {
  if (image.format() != QImage::Format_ARGB32_Premultiplied)
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  image.fill(map_colours::kBackground);
  {
    QPainter p(&image);
    if (scene.grid) DrawGrid(p, scene);
  }
  CollectVisible(scene, image.width(), image.height());
  DrawRecords(image);
  DrawHighlights(image, scene);
  QPainter p(&image);
  DrawShapes(p, scene);
  p.end();
  DrawSelection(image, scene);
  if (scene.legend) {
    QPainter legend(&image);
    DrawLegend(legend, scene);
  }
}

void TMapRenderer::CollectVisible(const TMapScene& scene, int width, int height) {
  m_visible.clear();
  if (!scene.zone) return;
  const TMapTransform& view = scene.view;
  const double inverse = 1.0 / view.Scale();
  const TPlanePoint centre = view.Centre();
  const double halfW = width / 2.0, halfH = height / 2.0;
  // Markers reach half their size beyond their centre: take those just outside too.
  const int reach = kMarkerSize / 2 + 1;
  TMapRect world = view.VisibleWorld();
  const double margin = reach * view.Scale();
  world = {world.minX - margin, world.minY - margin, world.maxX + margin, world.maxY + margin};
  scene.zone->ForEachInRect(world, scene.visible, [&](const TMapPoint& p) {
    const double px = (double(p.x) - centre.x) * inverse + halfW;
    const double py = halfH - (double(p.y) - centre.y) * inverse;
    m_visible.push_back({std::int32_t(std::floor(px)), std::int32_t(std::floor(py)), p.kind});
  });
  const std::size_t n = m_visible.size();
  m_detail = n <= kMarkerLimit ? MarkerDetail::Markers : n <= kDotLimit ? MarkerDetail::Dots : MarkerDetail::Pixels;
}

void TMapRenderer::DrawRecords(QImage& image) {
  switch (m_detail) {
    case MarkerDetail::Markers:
      for (const Mark& m : m_visible) Stamp(image, m_sprites[int(m.kind)], m.x, m.y);
      break;
    case MarkerDetail::Dots:
    case MarkerDetail::Pixels: {
      // Tens of thousands of marks and more: written straight into the pixels.
      const int w = image.width(), h = image.height();
      std::uint32_t colours[kObjKindCount];
      for (ObjKind kind : kAllObjKinds) colours[int(kind)] = KindStyle(kind).colour;
      auto* bits = reinterpret_cast<std::uint32_t*>(image.bits());
      const qsizetype stride = image.bytesPerLine() / 4;
      if (m_detail == MarkerDetail::Pixels) {
        for (const Mark& m : m_visible)
          if (unsigned(m.x) < unsigned(w) && unsigned(m.y) < unsigned(h))
            bits[m.y * stride + m.x] = colours[int(m.kind)];
        break;
      }
      for (const Mark& m : m_visible) {
        const std::uint32_t c = colours[int(m.kind)];
        if (unsigned(m.x) < unsigned(w - 1) && unsigned(m.y) < unsigned(h - 1)) {
          std::uint32_t* p = bits + m.y * stride + m.x;
          p[0] = p[1] = p[stride] = p[stride + 1] = c;
        } else {
          Dot(image, m.x, m.y, 2, c);  // at the edge: clipped
        }
      }
      break;
    }
  }
}

void TMapRenderer::DrawHighlights(QImage& image, const TMapScene& scene) {
  if (!scene.zone || !scene.highlighted) return;
  const bool rings = scene.highlighted->size() <= kMarkerLimit && m_detail == MarkerDetail::Markers;
  const double reach = kMarkerSize;
  for (const TObjRef& ref : *scene.highlighted) {
    if (!scene.visible.Has(ref.kind)) continue;
    const auto pos = scene.zone->Position(ref);
    if (!pos || !std::isfinite(pos->x) || !std::isfinite(pos->y)) continue;
    const TPlanePoint p = scene.view.ToPixel(pos->x, pos->y);
    if (!(p.x > -reach && p.y > -reach && p.x < image.width() + reach && p.y < image.height() + reach)) continue;
    const int x = int(std::floor(p.x)), y = int(std::floor(p.y));
    if (rings) Stamp(image, m_highlightRing, x, y);
    else Dot(image, x - 1, y - 1, 3, map_colours::kHighlight);
  }
}

void TMapRenderer::DrawSelection(QImage& image, const TMapScene& scene) {
  if (!scene.zone) return;
  // Selected records show as markers at every level of detail, over the rest.
  const auto draw = [&](TObjRef ref) {
    const auto pos = scene.zone->Position(ref);
    if (!pos || !std::isfinite(pos->x) || !std::isfinite(pos->y)) return;
    const TPlanePoint p = scene.view.ToPixel(pos->x, pos->y);
    const double reach = kMarkerSize;
    if (!(p.x > -reach && p.y > -reach && p.x < image.width() + reach && p.y < image.height() + reach)) return;
    const int x = int(std::floor(p.x)), y = int(std::floor(p.y));
    Stamp(image, m_sprites[int(ref.kind)], x, y);
    Stamp(image, m_selectionRing, x, y);
  };
  if (scene.alsoSelected)
    for (const TObjRef& ref : *scene.alsoSelected)
      if (ref != scene.selected) draw(ref);
  if (scene.selected) draw(*scene.selected);
}

void TMapRenderer::DrawGrid(QPainter& p, const TMapScene& scene) {
  const TMapGrid grid = ComputeMapGrid(scene.view, 90, scene.decimalSeparator);
  const int w = scene.view.Width(), h = scene.view.Height();
  for (const auto* lines : {&grid.vertical, &grid.horizontal}) {
    const bool vertical = lines == &grid.vertical;
    for (const TMapGridLine& line : *lines) {
      p.setPen(QPen(QColor::fromRgba(line.axis ? map_colours::kAxis : map_colours::kGrid), line.axis ? 1.5 : 1));
      const double at = std::round(line.pixel) + 0.5;
      if (vertical) p.drawLine(QPointF(at, 0), QPointF(at, h));
      else p.drawLine(QPointF(0, at), QPointF(w, at));
    }
  }
  p.setFont(MapFont(11));
  const QFontMetrics metrics(p.font());
  p.setPen(QColor::fromRgba(map_colours::kLabel));
  for (const TMapGridLine& line : grid.vertical) {
    const QString text = QString::fromStdString(line.label);
    p.drawText(QPointF(std::round(line.pixel) + 3, metrics.ascent() + 2), text);
  }
  for (const TMapGridLine& line : grid.horizontal) {
    const QString text = QString::fromStdString(line.label);
    p.drawText(QPointF(3, std::round(line.pixel) - 3), text);
  }
}

void TMapRenderer::DrawShapes(QPainter& p, const TMapScene& scene) {
  const TMapTransform& view = scene.view;
  const double w = view.Width(), h = view.Height();
  p.setRenderHint(QPainter::Antialiasing);
  for (const TMapShape& shape : scene.shapes) {
    QPen pen(QColor::fromRgba(map_colours::kArea), shape.beingDrawn ? 1.6 : 1.4);
    if (!shape.beingDrawn) pen.setStyle(Qt::DashLine);
    p.setPen(pen);
    p.setBrush(WithAlpha(map_colours::kArea, shape.beingDrawn ? 40 : 24));
    if (const auto* rect = std::get_if<TAreaRectangle>(&shape.area)) {
      // As the engine reads it: X1..X2 across, Y2..Y1 up; an inverted one is empty
      // and is drawn as its outline only, so the user sees where it was meant.
      const QPointF a = ClampedPixel(view, std::min(rect->x1, rect->x2), std::max(rect->y1, rect->y2));
      const QPointF b = ClampedPixel(view, std::max(rect->x1, rect->x2), std::min(rect->y1, rect->y2));
      if (shape.beingDrawn || (rect->x1 <= rect->x2 && rect->y2 <= rect->y1)) p.drawRect(QRectF(a, b));
      else {
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(a, b));
      }
      continue;
    }
    const auto& circle = std::get<TAreaCircle>(shape.area);
    const TPlanePoint c = view.ToPixel(circle.x, circle.y);
    const double r = std::fabs(circle.radius) / view.Scale();
    if (!std::isfinite(c.x) || !std::isfinite(c.y) || !std::isfinite(r)) continue;
    const double diag = std::hypot(w, h);
    const double d = std::hypot(c.x - w / 2, c.y - h / 2);
    if (d - r > diag) continue;  // wholly beside the picture
    if (r < kPixelBand / 4 && std::fabs(c.x) < kPixelBand && std::fabs(c.y) < kPixelBand) {
      p.drawEllipse(QPointF(c.x, c.y), r, r);
      continue;
    }
    // A circle far larger than the picture: its inside, if the picture is all
    // inside, and the short arc that crosses the picture.
    if (d + diag / 2 < r) {
      p.fillRect(QRectF(0, 0, w, h), p.brush());
      continue;
    }
    const double towards = std::atan2(h / 2 - c.y, w / 2 - c.x);
    const double span = std::min(std::numbers::pi, 2 * diag / r + 1e-9);
    QPolygonF arc;
    for (int i = 0; i <= 256; ++i) {
      const double a = towards - span + 2 * span * i / 256;
      arc << QPointF(std::clamp(c.x + r * std::cos(a), -kPixelBand, w + kPixelBand),
                     std::clamp(c.y + r * std::sin(a), -kPixelBand, h + kPixelBand));
    }
    p.drawPolyline(arc);
  }
  p.setBrush(Qt::NoBrush);
}

void TMapRenderer::DrawLegend(QPainter& p, const TMapScene& scene) {
  if (!scene.zone) return;
  p.setRenderHint(QPainter::Antialiasing);
  p.setFont(MapFont(12));
  const QFontMetrics metrics(p.font());
  struct Row {
    std::optional<ObjKind> kind;
    QString text;
  };
  std::vector<Row> rows;
  for (ObjKind kind : kAllObjKinds)
    if (scene.visible.Has(kind))
      rows.push_back({kind, u"%1: %2"_s.arg(QString::fromUtf8(ObjKindCaption(kind))).arg(scene.zone->Count(kind))});
  std::size_t unplaced = 0;
  for (const TObjRef& ref : scene.zone->Unplaced()) unplaced += scene.visible.Has(ref.kind) ? 1 : 0;
  if (unplaced > 0) rows.push_back({std::nullopt, u"Без координат: %1"_s.arg(unplaced)});
  if (rows.empty()) return;
  const int rowHeight = std::max(metrics.height(), kMarkerSize) + 3;
  int textWidth = 0;
  for (const Row& row : rows) textWidth = std::max(textWidth, metrics.horizontalAdvance(row.text));
  // Bottom right: the grid's labels run along the top and left edges.
  const QSize size(textWidth + kMarkerSize + 22, int(rows.size()) * rowHeight + 10);
  const QRect box(QPoint(scene.view.Width() - size.width() - 8, scene.view.Height() - size.height() - 8), size);
  p.setPen(QColor(0, 0, 0, 60));
  p.setBrush(QColor(255, 255, 255, 225));
  p.drawRoundedRect(box, 4, 4);
  p.setPen(QColor::fromRgba(map_colours::kLabel));
  int y = box.top() + 5;
  for (const Row& row : rows) {
    if (row.kind) p.drawImage(box.left() + 6, y + (rowHeight - kMarkerSize) / 2, m_sprites[int(*row.kind)]);
    p.drawText(QPointF(box.left() + 12 + kMarkerSize, y + (rowHeight + metrics.ascent() - metrics.descent()) / 2.0),
               row.text);
    y += rowHeight;
  }
}

}  // namespace kelvarin
