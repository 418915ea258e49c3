// How the map shows each record kind: one colour and one marker shape per kind,
// chosen to stay apart from each other on the light background, and the small
// pictures (sprites) of those markers that the renderer stamps.
#pragma once

#include <QColor>
#include <QImage>

#include "mob/records.h"

namespace kelvarin {

enum class MarkerShape { Disc, Square, TriangleUp, Diamond, TriangleDown, Plus, Cross, Ring };

struct TKindStyle {
  QRgb colour;
  MarkerShape shape;
};

const TKindStyle& KindStyle(ObjKind kind);

// The marker of `kind` as a premultiplied ARGB image `size` pixels square (odd, so
// it has a centre pixel), antialiased, with a light outline that keeps it visible
// over other markers.
QImage MarkerSprite(ObjKind kind, int size);
// The ring drawn around the selected record and around the records a mass change
// would select.
QImage RingSprite(QRgb colour, int size, qreal width);

// Colours of the picture around the markers.
namespace map_colours {
inline constexpr QRgb kBackground = 0xFFF7F6F1;
inline constexpr QRgb kGrid = 0xFFE0DED6;
inline constexpr QRgb kAxis = 0xFF9A968A;
inline constexpr QRgb kLabel = 0xFF55524A;
inline constexpr QRgb kSelection = 0xFF101010;
inline constexpr QRgb kHighlight = 0xFFFFB000;
inline constexpr QRgb kArea = 0xFF0050C8;
}  // namespace map_colours

}  // namespace kelvarin
