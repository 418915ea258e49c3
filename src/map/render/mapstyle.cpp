#include "map/render/mapstyle.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>

namespace kelvarin {

const TKindStyle& KindStyle(ObjKind kind) {
  static const TKindStyle kStyles[kObjKindCount] = {
      {0xFFD62728, MarkerShape::Disc},          // units: red disc
      {0xFF1F77B4, MarkerShape::Square},        // objects: blue square
      {0xFF8C8C00, MarkerShape::TriangleUp},    // levers: olive triangle
      {0xFF9467BD, MarkerShape::Diamond},       // traps: purple diamond
      {0xFFFF7F0E, MarkerShape::TriangleDown},  // flames: orange triangle, point down
      {0xFF2CA02C, MarkerShape::Plus},          // particles 1: green plus
      {0xFF17A2B8, MarkerShape::Cross},         // particles 2: teal cross
      {0xFF8C564B, MarkerShape::Ring},          // particles 3: brown ring
  };
  return kStyles[int(kind)];
}

namespace {

QPainterPath ShapePath(MarkerShape shape, qreal r) {
  QPainterPath path;
  switch (shape) {
    case MarkerShape::Disc:
    case MarkerShape::Ring: path.addEllipse(QPointF(0, 0), r, r); break;
    case MarkerShape::Square: path.addRect(QRectF(-r * 0.85, -r * 0.85, r * 1.7, r * 1.7)); break;
    case MarkerShape::TriangleUp:
      path.addPolygon(QPolygonF({QPointF(0, -r), QPointF(r, r * 0.8), QPointF(-r, r * 0.8), QPointF(0, -r)}));
      break;
    case MarkerShape::TriangleDown:
      path.addPolygon(QPolygonF({QPointF(0, r), QPointF(r, -r * 0.8), QPointF(-r, -r * 0.8), QPointF(0, r)}));
      break;
    case MarkerShape::Diamond:
      path.addPolygon(QPolygonF({QPointF(0, -r), QPointF(r, 0), QPointF(0, r), QPointF(-r, 0), QPointF(0, -r)}));
      break;
    case MarkerShape::Plus:
      path.moveTo(-r, 0);
      path.lineTo(r, 0);
      path.moveTo(0, -r);
      path.lineTo(0, r);
      break;
    case MarkerShape::Cross:
      path.moveTo(-r * 0.8, -r * 0.8);
      path.lineTo(r * 0.8, r * 0.8);
      path.moveTo(-r * 0.8, r * 0.8);
      path.lineTo(r * 0.8, -r * 0.8);
      break;
  }
  return path;
}

bool IsStroke(MarkerShape shape) {
  return shape == MarkerShape::Plus || shape == MarkerShape::Cross || shape == MarkerShape::Ring;
}

}  // namespace

QImage MarkerSprite(ObjKind kind, int size) {
  QImage sprite(size, size, QImage::Format_ARGB32_Premultiplied);
  sprite.fill(Qt::transparent);
  QPainter p(&sprite);
  p.setRenderHint(QPainter::Antialiasing);
  p.translate(size / 2.0, size / 2.0);
  const TKindStyle& style = KindStyle(kind);
  const qreal r = size / 2.0 - 1.5;
  const QPainterPath path = ShapePath(style.shape, r);
  const QColor colour = QColor::fromRgba(style.colour);
  const QColor outline(255, 255, 255, 220);
  if (IsStroke(style.shape)) {
    p.strokePath(path, QPen(outline, 3.2, Qt::SolidLine, Qt::RoundCap));
    p.strokePath(path, QPen(colour, 1.7, Qt::SolidLine, Qt::RoundCap));
  } else {
    p.strokePath(path, QPen(outline, 2.0));
    p.fillPath(path, colour);
  }
  return sprite;
}

QImage RingSprite(QRgb colour, int size, qreal width) {
  QImage sprite(size, size, QImage::Format_ARGB32_Premultiplied);
  sprite.fill(Qt::transparent);
  QPainter p(&sprite);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal r = size / 2.0 - width / 2.0 - 0.5;
  p.setPen(QPen(QColor(255, 255, 255, 200), width + 1.5));
  p.drawEllipse(QPointF(size / 2.0, size / 2.0), r, r);
  p.setPen(QPen(QColor::fromRgba(colour), width));
  p.drawEllipse(QPointF(size / 2.0, size / 2.0), r, r);
  return sprite;
}

}  // namespace kelvarin
