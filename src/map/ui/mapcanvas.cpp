#include "map/ui/mapcanvas.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cfloat>
#include <cmath>

#include "common/qt/qtext.h"
#include "map/render/mapstyle.h"

using namespace Qt::StringLiterals;

namespace kelvarin {
namespace {

// One wheel notch, and one press of + or -.
constexpr double kZoomStep = 1.25;
// The arrow keys move the picture by this part of its size.
constexpr double kArrowPanPart = 0.125;

float ToFloat(double v) { return float(std::clamp(v, double(-FLT_MAX), double(FLT_MAX))); }

}  // namespace

TMapCanvas::TMapCanvas(QWidget* parent) : QWidget(parent) {
  setObjectName(u"MapCanvas"_s);
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(200, 150);
  setAccessibleName(u"Карта зоны"_s);
  m_scene.decimalSeparator = LocaleDecimalSeparator();
  m_scene.view.SetViewport(std::max(1, width()), std::max(1, height()));
}

void TMapCanvas::SetZone(const TZoneIndex* zone) {
  CancelGesture();
  m_zone = zone;
  m_scene.zone = zone;
  m_pick.Reset();
  Refresh();
}

void TMapCanvas::Refresh() {
  m_dirty = true;
  update();
}

void TMapCanvas::FitAll() {
  std::optional<TMapRect> box;
  if (m_zone)
    m_zone->ForEachPlaced(m_scene.visible, [&](const TMapPoint& p) {
      if (!box) box = TMapRect{p.x, p.y, p.x, p.y};
      box->minX = std::min(box->minX, double(p.x));
      box->maxX = std::max(box->maxX, double(p.x));
      box->minY = std::min(box->minY, double(p.y));
      box->maxY = std::max(box->maxY, double(p.y));
    });
  // An empty plane is shown around its origin.
  m_scene.view.Fit(box.value_or(TMapRect{-100, -100, 100, 100}));
  ViewMoved();
}

void TMapCanvas::CentreOn(TObjRef ref) {
  if (!m_zone) return;
  const auto pos = m_zone->Position(ref);
  if (!pos || !std::isfinite(pos->x) || !std::isfinite(pos->y)) return;
  m_scene.view.CentreOn(pos->x, pos->y);
  ViewMoved();
}

void TMapCanvas::ZoomBy(double factor) {
  m_scene.view.ZoomAbout(width() / 2.0, height() / 2.0, factor);
  ViewMoved();
}

void TMapCanvas::SetVisibleKinds(TKindMask kinds) {
  m_scene.visible = kinds;
  m_pick.Reset();
  Refresh();
}

void TMapCanvas::SetSelected(std::optional<TObjRef> ref) {
  SetSelection(ref ? std::vector<TObjRef>{*ref} : std::vector<TObjRef>{});
}

void TMapCanvas::SetSelection(std::vector<TObjRef> refs) {
  if (m_selection == refs) return;
  m_selection = std::move(refs);
  m_scene.selected = m_selection.empty() ? std::nullopt : std::optional<TObjRef>(m_selection.front());
  Refresh();
}

void TMapCanvas::SetHighlighted(std::vector<TObjRef> refs) {
  m_highlighted = std::move(refs);
  Refresh();
}

void TMapCanvas::SetCriteriaShapes(std::vector<TMapShape> shapes) {
  m_criteriaShapes = std::move(shapes);
  Refresh();
}

void TMapCanvas::ClearDrawnShape() {
  if (!m_drawn) return;
  m_drawn.reset();
  if (m_gesture == Gesture::Shape) m_gesture = Gesture::None;
  Refresh();
  emit ShapeChanged();
}

void TMapCanvas::SetFrozen(bool frozen, const QString& notice) {
  if (frozen) CancelGesture();
  m_frozen = frozen;
  m_notice = notice;
  // The picture is kept as it was: no redraw reads the document while frozen.
  if (frozen) QToolTip::hideText();
  update();
}

QImage TMapCanvas::RenderForExport() const {
  TMapScene scene = m_scene;
  scene.highlighted = &m_highlighted;
  scene.alsoSelected = &m_selection;
  scene.shapes = m_criteriaShapes;
  if (m_drawn) scene.shapes.push_back(*m_drawn);
  scene.legend = true;
  TMapRenderer renderer;
  return renderer.Render(scene);
}

std::vector<TObjRef> TMapCanvas::HitsAt(double px, double py) const {
  if (!m_zone) return {};
  const TPlanePoint w = m_scene.view.ToWorld(px, py);
  return m_zone->PickAt(w.x, w.y, TMapRenderer::kPickRadiusPx * m_scene.view.Scale(), m_scene.visible);
}

// ---- painting ------------------------------------------------------------------

void TMapCanvas::paintEvent(QPaintEvent*) {
  if (m_dirty && !m_frozen) {
    TMapScene scene = m_scene;
    scene.highlighted = &m_highlighted;
    scene.alsoSelected = &m_selection;
    scene.shapes = m_criteriaShapes;
    if (m_drawn) scene.shapes.push_back(*m_drawn);
    if (m_picture.size() != QSize(m_scene.view.Width(), m_scene.view.Height()))
      m_picture = QImage(m_scene.view.Width(), m_scene.view.Height(), QImage::Format_ARGB32_Premultiplied);
    m_renderer.Render(m_picture, scene);
    m_dirty = false;
  }
  QPainter p(this);
  if (m_picture.isNull()) p.fillRect(rect(), QColor::fromRgba(map_colours::kBackground));
  p.drawImage(0, 0, m_picture);
  if (!m_frozen) {
    if (hasFocus()) {
      p.setPen(QPen(palette().highlight().color(), 2));
      p.drawRect(rect().adjusted(1, 1, -1, -1));
    }
    return;
  }
  // The last picture, greyed, with what holds the document.
  p.fillRect(rect(), QColor(128, 128, 128, 140));
  QFont font = p.font();
  font.setPixelSize(15);
  font.setBold(true);
  p.setFont(font);
  const QRect box = rect().adjusted(20, 20, -20, -20);
  p.setPen(Qt::white);
  p.drawText(box, Qt::AlignCenter | Qt::TextWordWrap, m_notice);
}

void TMapCanvas::resizeEvent(QResizeEvent*) {
  // The world point at the middle stays at the middle.
  m_scene.view.SetViewport(std::max(1, width()), std::max(1, height()));
  m_dirty = true;
  if (m_frozen) {
    // No redraw from the document: the old picture is stretched over the new size.
    m_picture = m_picture.scaled(std::max(1, width()), std::max(1, height()));
  }
}

void TMapCanvas::ViewMoved() {
  m_pick.Reset();
  Refresh();
  emit ViewChanged();
}

// ---- the mouse -----------------------------------------------------------------

void TMapCanvas::mousePressEvent(QMouseEvent* event) {
  if (m_frozen) return;
  setFocus(Qt::MouseFocusReason);
  if (m_gesture != Gesture::None) return;  // one gesture at a time
  const QPointF pos = event->position();
  m_pressPixel = m_lastPixel = pos;
  m_pressWorld = m_scene.view.ToWorld(pos.x(), pos.y());
  m_button = event->button();
  if (event->button() == Qt::MiddleButton || (event->button() == Qt::LeftButton && m_spaceHeld)) {
    m_gesture = Gesture::Pan;
    setCursor(Qt::ClosedHandCursor);
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  Mode shape = m_mode;
  if (m_mode == Mode::Select && (event->modifiers() & Qt::ShiftModifier)) shape = Mode::Rectangle;
  if (m_mode == Mode::Select && (event->modifiers() & Qt::ControlModifier)) shape = Mode::Circle;
  if (shape != Mode::Select) {
    m_shapeMode = shape;
    if (m_mode == Mode::Select) {
      // Shift or Ctrl in the selection mode: a click toggles, a drag draws.
      m_pressHits = HitsAt(pos.x(), pos.y());
      m_gesture = Gesture::ShapePressed;
      return;
    }
    m_gesture = Gesture::Shape;
    UpdateShape(pos);
    return;
  }
  m_pressHits = HitsAt(pos.x(), pos.y());
  m_gesture = Gesture::Pressed;
}

void TMapCanvas::mouseMoveEvent(QMouseEvent* event) {
  const QPointF pos = event->position();
  emit CursorMoved(m_scene.view.ToWorld(pos.x(), pos.y()));
  if (m_frozen) return;
  switch (m_gesture) {
    case Gesture::None: return;
    case Gesture::ShapePressed:
      if ((pos - m_pressPixel).manhattanLength() < QApplication::startDragDistance()) return;
      m_gesture = Gesture::Shape;
      UpdateShape(m_pressPixel);
      UpdateShape(pos);
      return;
    case Gesture::Pressed: {
      if ((pos - m_pressPixel).manhattanLength() < QApplication::startDragDistance()) return;
      // A press on any selected marker drags it (and the page the rest with it).
      const auto grabbed = std::find_if(m_pressHits.begin(), m_pressHits.end(), [&](TObjRef hit) {
        return std::find(m_selection.begin(), m_selection.end(), hit) != m_selection.end();
      });
      if (grabbed != m_pressHits.end()) {
        const auto from = m_zone ? m_zone->Position(*grabbed) : std::nullopt;
        if (from && std::isfinite(from->x) && std::isfinite(from->y)) {
          m_gesture = Gesture::Drag;
          m_dragRef = *grabbed;
          m_dragFrom = *from;
          setCursor(Qt::SizeAllCursor);
          emit RecordDragged(m_dragRef, DragPosition(pos));
          return;
        }
      }
      // A left drag on empty ground (or on records not selected) pans.
      m_gesture = Gesture::Pan;
      setCursor(Qt::ClosedHandCursor);
      [[fallthrough]];
    }
    case Gesture::Pan:
      m_scene.view.PanPixels(pos.x() - m_lastPixel.x(), pos.y() - m_lastPixel.y());
      m_lastPixel = pos;
      ViewMoved();
      return;
    case Gesture::Drag:
      m_lastPixel = pos;
      emit RecordDragged(m_dragRef, DragPosition(pos));
      return;
    case Gesture::Shape:
      UpdateShape(pos);
      return;
  }
}

void TMapCanvas::mouseReleaseEvent(QMouseEvent* event) {
  if (m_frozen || event->button() != m_button) return;
  const QPointF pos = event->position();
  const Gesture gesture = m_gesture;
  m_gesture = Gesture::None;
  m_button = Qt::NoButton;
  unsetCursor();
  switch (gesture) {
    case Gesture::Pressed: {
      // A click: the nearest record, or the next one under the cursor.
      const auto chosen = m_pick.Click(pos.x(), pos.y(), m_pressHits);
      emit RecordClicked(chosen);
      return;
    }
    case Gesture::Drag:
      emit DragFinished(m_dragRef, m_dragFrom, DragPosition(pos));
      return;
    case Gesture::ShapePressed:
      if (!m_pressHits.empty()) emit RecordToggled(m_pressHits.front());
      return;
    case Gesture::Shape:
      UpdateShape(pos);
      return;
    case Gesture::None:
    case Gesture::Pan: return;
  }
}

void TMapCanvas::mouseDoubleClickEvent(QMouseEvent* event) {
  if (m_frozen || event->button() != Qt::LeftButton || m_mode != Mode::Select) return;
  const auto hits = HitsAt(event->position().x(), event->position().y());
  if (hits.empty()) return;
  // The first click of the pair has selected the record, or is still to come.
  const bool onSelected =
      m_scene.selected && std::find(hits.begin(), hits.end(), *m_scene.selected) != hits.end();
  const TObjRef target = onSelected ? *m_scene.selected : hits.front();
  if (!onSelected) emit RecordClicked(target);
  // The release that ends the pair is no click of its own.
  m_gesture = Gesture::None;
  emit RecordActivated(target);
}

void TMapCanvas::wheelEvent(QWheelEvent* event) {
  if (m_frozen) return;
  const double notches = event->angleDelta().y() / 120.0;
  if (notches == 0) return;
  const QPointF pos = event->position();
  m_scene.view.ZoomAbout(pos.x(), pos.y(), std::pow(kZoomStep, notches));
  ViewMoved();
  event->accept();
}

void TMapCanvas::leaveEvent(QEvent*) { emit CursorMoved(std::nullopt); }

void TMapCanvas::contextMenuEvent(QContextMenuEvent* event) {
  if (m_frozen) return;
  m_contextWorld = m_scene.view.ToWorld(event->pos().x(), event->pos().y());
  emit ContextMenuAsked(event->globalPos());
}

bool TMapCanvas::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const auto hits = m_frozen || m_gesture != Gesture::None ? std::vector<TObjRef>{} : HitsAt(help->x(), help->y());
    if (hits.empty() || !m_describe) {
      QToolTip::hideText();
      event->ignore();
    } else {
      QString text = m_describe(hits.front());
      if (hits.size() > 1) text += u"\n(здесь записей: %1; щелчки перебирают их)"_s.arg(hits.size());
      QToolTip::showText(help->globalPos(), text, this);
    }
    return true;
  }
  return QWidget::event(event);
}

// ---- keys ----------------------------------------------------------------------

void TMapCanvas::keyPressEvent(QKeyEvent* event) {
  if (m_frozen) return;
  const int key = event->key();
  if (key == Qt::Key_Space) {
    if (!event->isAutoRepeat()) m_spaceHeld = true;
    return;
  }
  if (key == Qt::Key_Escape) {
    if (m_gesture != Gesture::None) CancelGesture();
    else if (m_drawn) ClearDrawnShape();
    else event->ignore();
    return;
  }
  if (m_gesture != Gesture::None) return;
  const double dx = width() * kArrowPanPart, dy = height() * kArrowPanPart;
  switch (key) {
    // The arrow shows more of the plane on its side.
    case Qt::Key_Left: m_scene.view.PanPixels(dx, 0); ViewMoved(); return;
    case Qt::Key_Right: m_scene.view.PanPixels(-dx, 0); ViewMoved(); return;
    case Qt::Key_Up: m_scene.view.PanPixels(0, dy); ViewMoved(); return;
    case Qt::Key_Down: m_scene.view.PanPixels(0, -dy); ViewMoved(); return;
    case Qt::Key_Plus:
    case Qt::Key_Equal: ZoomBy(kZoomStep); return;
    case Qt::Key_Minus: ZoomBy(1 / kZoomStep); return;
    case Qt::Key_Home: FitAll(); return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (m_scene.selected) emit RecordActivated(*m_scene.selected);
      return;
    default: QWidget::keyPressEvent(event);
  }
}

void TMapCanvas::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) m_spaceHeld = false;
  QWidget::keyReleaseEvent(event);
}

void TMapCanvas::focusOutEvent(QFocusEvent* event) {
  m_spaceHeld = false;
  QWidget::focusOutEvent(event);
  update();
}

// ---- gestures ------------------------------------------------------------------

TPlanePosition TMapCanvas::DragPosition(QPointF pixel) const {
  const TPlanePoint now = m_scene.view.ToWorld(pixel.x(), pixel.y());
  return {ToFloat(double(m_dragFrom.x) + (now.x - m_pressWorld.x)),
          ToFloat(double(m_dragFrom.y) + (now.y - m_pressWorld.y))};
}

void TMapCanvas::UpdateShape(QPointF pixel) {
  const TPlanePoint now = m_scene.view.ToWorld(pixel.x(), pixel.y());
  TMapShape shape;
  shape.beingDrawn = true;
  if (m_shapeMode == Mode::Circle)
    shape.area = TAreaCircle{m_pressWorld.x, m_pressWorld.y, std::hypot(now.x - m_pressWorld.x, now.y - m_pressWorld.y)};
  else
    shape.area = TAreaRectangle{m_pressWorld.x, m_pressWorld.y, now.x, now.y};
  m_drawn = shape;
  Refresh();
  emit ShapeChanged();
}

void TMapCanvas::CancelGesture() {
  const Gesture gesture = m_gesture;
  m_gesture = Gesture::None;
  m_button = Qt::NoButton;
  unsetCursor();
  if (gesture == Gesture::Drag) emit DragCancelled(m_dragRef, m_dragFrom);
  if (gesture == Gesture::Shape) ClearDrawnShape();
}

}  // namespace kelvarin
