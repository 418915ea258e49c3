// The orientation view: a small OpenGL scene with the world axes and an axis cross
// turned by the selected object's rotation. The wheel turns the object (one event
// in four), the middle button resets or cancels the rotation, Ctrl with a button
// moves, turns or resets the camera. Each turn is written into the selected record
// at once through the host; the host's parameter table gets the new rotation at
// most every half second. The scene is drawn when what it shows changes (a turn,
// a new rotation, a camera move, a resize), never on a clock: a still view costs
// nothing, and an expose shows the last picture again.
//
// The scene is drawn by OpenGL into an image off the screen, which the widget
// paints as any other: an OpenGL widget would have the whole window composed by
// OpenGL from its first showing, and adding one to a window already on the screen
// makes the window anew. So the OpenGL driver is loaded only when the view is
// first drawn, and the window stays as it is.
#pragma once

#include <QImage>
#include <QWidget>
#include <memory>

#include "objects/core/orientatorcamera.h"
#include "objects/core/tquaternion.h"

class QOffscreenSurface;
class QOpenGLContext;
class QOpenGLFramebufferObject;
class QTimer;

namespace kelvarin {

// What made a turn: a wheel notch (the notches of one run of the wheel are one
// gesture), or the middle button's reset or Shift-cancel (a gesture each).
enum class TTurnGesture { Wheel, Reset, Cancel };

// What the view needs from the page it sits on.
class TOrientatorHost {
 public:
  virtual ~TOrientatorHost() = default;
  // Whether the page is the main window's active page.
  virtual bool OrientatorPageActive() const = 0;
  // Every wheel event, turning or not (only one in four turns), so the host can
  // tell where a run of the wheel ends.
  virtual void WheelMoved() {}
  // Writes the rotation into the selected record; false (nothing written) when no
  // record is selected or the record carries no rotation (particles).
  virtual bool StoreRotationToRecord(const TQuaternion& rotation, TTurnGesture gesture) = 0;
  // The selected record's rotation at the moment it was selected.
  virtual TQuaternion SavedRotation() const = 0;
  virtual void ShowRotationRows(const TQuaternion& rotation) = 0;
};

class TOrientatorFr : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kSize = 174;
  static constexpr int kEditorUpdateIntervalMs = 500;

  explicit TOrientatorFr(TOrientatorHost& host, QWidget* parent = nullptr);
  ~TOrientatorFr() override;

  // The scene as it stands, drawn now if it has changed since the last picture; a
  // null image when no OpenGL context can be had.
  QImage grabFramebuffer();

  const TQuaternion& Rotation() const { return m_rotation; }
  // Shows a rotation (a record was selected, or a Rotation row was applied); this
  // writes nothing back.
  void SetRotation(const TQuaternion& rotation);
  const TOrientatorCamera& Camera() const { return m_camera; }
  bool RotationChanged() const { return m_rotationChanged; }
  int WheelCountdown() const { return m_wheelCountdown; }

  // Stops drawing for good (the window is closing).
  void ReleaseGL();

  // The mouse handling, callable without real events. `delta` is in the wheel's
  // eighths of a degree (120 per notch).
  void FrameMouseWheel(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons, int delta);
  void FrameMouseDown(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
  void FrameMouseMove(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons, int x, int y);
  void StoreRotationToSelection(TTurnGesture gesture = TTurnGesture::Wheel);
  // Brings the camera back to its start (also on every resize of the view).
  void FrameResize();
  void EditorUpdaterTTimer();

 signals:
  // A new picture of the scene has been drawn (an expose that shows the last one
  // again draws none).
  void FrameDrawn();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  // The modifier keys and mouse buttons that the handlers compare.
  struct ShiftState {
    Qt::KeyboardModifiers modifiers;
    Qt::MouseButtons buttons;
    bool Empty() const { return modifiers == Qt::NoModifier && buttons == Qt::NoButton; }
    bool CtrlWith(Qt::MouseButton button) const {
      return modifiers.testFlag(Qt::ControlModifier) && buttons.testFlag(button);
    }
  };
  static ShiftState MakeShift(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);

  // What the view shows has changed: a new picture at the next paint.
  void Redraw();
  // Draws the scene into m_frame; false when no OpenGL context can be had.
  bool DrawFrame();
  bool MakeCurrent();
  // The state every frame starts from, set once per context.
  void InitializeGL();
  void PaintScene();

  TOrientatorHost& m_host;
  QTimer* m_editorUpdaterTimer;
  bool m_released = false;

  std::unique_ptr<QOpenGLContext> m_context;
  std::unique_ptr<QOffscreenSurface> m_surface;
  std::unique_ptr<QOpenGLFramebufferObject> m_fbo;
  bool m_noContext = false;     // creating one failed: the view stays black
  bool m_sceneChanged = true;   // m_frame is not the scene as it stands
  QImage m_frame;

  int m_wheelCountdown = 3;
  TQuaternion m_rotation;
  GLMatrix m_rotationMatrix{};
  TOrientatorCamera m_camera;
  bool m_rotationChanged = false;
  int m_lastMouseX = 0;
  int m_lastMouseY = 0;
  ShiftState m_lastShift{};
};

}  // namespace kelvarin
