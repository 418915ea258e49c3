// The map's drawing surface: shows a zone index through a view the user zooms
// (wheel about the cursor, + and -), pans (middle button, Space + left button,
// a left drag on empty ground, the arrow keys) and fits (Home). It picks records
// (a click, again and again where markers overlap), drags the selected one, and
// draws the areas of mass changes. It never touches the document: what the user
// does comes out as signals, and the page decides.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "map/core/pickcycle.h"
#include "map/render/maprenderer.h"

namespace kelvarin {

class TMapCanvas : public QWidget {
  Q_OBJECT
 public:
  // What a left drag does on empty ground, or anywhere with Shift (rectangle) or
  // Ctrl (circle) held in the selection mode.
  enum class Mode { Select, Rectangle, Circle };

  explicit TMapCanvas(QWidget* parent = nullptr);

  // The records drawn; nullptr draws an empty plane. The index belongs to the
  // caller, who says when it changed (Refresh).
  void SetZone(const TZoneIndex* zone);
  // Redraws after a change of the zone or of anything set below.
  void Refresh();

  TMapTransform& View() { return m_scene.view; }
  const TMapTransform& View() const { return m_scene.view; }
  // Shows every placed record of the visible kinds.
  void FitAll();
  void CentreOn(TObjRef ref);
  // Zooms about the middle of the picture (above 1 zooms in).
  void ZoomBy(double factor);

  void SetVisibleKinds(TKindMask kinds);
  TKindMask VisibleKinds() const { return m_scene.visible; }
  void SetSelected(std::optional<TObjRef> ref);
  std::optional<TObjRef> Selected() const { return m_scene.selected; }
  // Several records selected together, the current one first.
  void SetSelection(std::vector<TObjRef> refs);
  const std::vector<TObjRef>& Selection() const { return m_selection; }
  // What the mass-change criteria select, or what the drawn area would.
  void SetHighlighted(std::vector<TObjRef> refs);
  const std::vector<TObjRef>& Highlighted() const { return m_highlighted; }
  // The areas of the mass-change criteria (drawn dashed).
  void SetCriteriaShapes(std::vector<TMapShape> shapes);

  void SetMode(Mode mode) { m_mode = mode; }
  Mode CurrentMode() const { return m_mode; }
  // The area the user has drawn (solid); nullopt when none.
  const std::optional<TMapShape>& DrawnShape() const { return m_drawn; }
  void ClearDrawnShape();

  // While frozen (the busy lock) the canvas shows its last picture greyed with
  // `notice`, and takes no input.
  void SetFrozen(bool frozen, const QString& notice = {});
  bool Frozen() const { return m_frozen; }

  // The text of the tooltip over a record.
  void SetDescriber(std::function<QString(TObjRef)> describe) { m_describe = std::move(describe); }
  char DecimalSeparator() const { return m_scene.decimalSeparator; }

  // The current view as a picture of the canvas's size, with a legend.
  QImage RenderForExport() const;
  // The records under the pixel (px, py), nearest first (visible kinds only).
  std::vector<TObjRef> HitsAt(double px, double py) const;
  // Where on the plane the last context menu was asked for.
  TPlanePoint ContextPoint() const { return m_contextWorld; }
  // How the last picture showed the records.
  const TMapRenderer& Renderer() const { return m_renderer; }

 signals:
  void RecordClicked(std::optional<kelvarin::TObjRef> ref);
  // Double click or Enter on the selected record.
  void RecordActivated(kelvarin::TObjRef ref);
  void RecordDragged(kelvarin::TObjRef ref, kelvarin::TPlanePosition position);
  void DragFinished(kelvarin::TObjRef ref, kelvarin::TPlanePosition from, kelvarin::TPlanePosition to);
  void DragCancelled(kelvarin::TObjRef ref, kelvarin::TPlanePosition from);
  // The drawn area changed (being drawn, finished or cleared).
  void ShapeChanged();
  // The world point under the cursor; nullopt when it left the canvas.
  void CursorMoved(std::optional<kelvarin::TPlanePoint> point);
  void ViewChanged();
  void ContextMenuAsked(QPoint globalPos);
  // Shift+click or Ctrl+click without moving: the record under the cursor joins
  // the selection or leaves it.
  void RecordToggled(kelvarin::TObjRef ref);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool event(QEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  // ShapePressed: Shift or Ctrl held on a press in the selection mode; a click
  // toggles a record, a drag draws the area.
  enum class Gesture { None, Pressed, Pan, Drag, ShapePressed, Shape };

  void ViewMoved();
  void UpdateShape(QPointF pixel);
  void CancelGesture();
  TPlanePosition DragPosition(QPointF pixel) const;

  const TZoneIndex* m_zone = nullptr;
  TMapScene m_scene;
  std::vector<TObjRef> m_highlighted;
  std::vector<TObjRef> m_selection;
  TPlanePoint m_contextWorld;
  std::vector<TMapShape> m_criteriaShapes;
  std::optional<TMapShape> m_drawn;
  TMapRenderer m_renderer;
  QImage m_picture;
  bool m_dirty = true;
  bool m_frozen = false;
  QString m_notice;
  Mode m_mode = Mode::Select;
  TPickCycle m_pick;
  std::function<QString(TObjRef)> m_describe;

  // The gesture under way.
  Gesture m_gesture = Gesture::None;
  Qt::MouseButton m_button = Qt::NoButton;
  Mode m_shapeMode = Mode::Rectangle;
  QPointF m_pressPixel, m_lastPixel;
  TPlanePoint m_pressWorld;
  std::vector<TObjRef> m_pressHits;
  TObjRef m_dragRef;
  TPlanePosition m_dragFrom;
  bool m_spaceHeld = false;
};

}  // namespace kelvarin
