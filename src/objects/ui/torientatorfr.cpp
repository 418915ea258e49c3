#include "objects/ui/torientatorfr.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>

using namespace Qt::StringLiterals;

namespace kelvarin {
namespace {

// One wheel notch (120) turns by 120 / 3500 radians, about 1.96 degrees. Kept in
// double: the angle is rounded to 32 bits once, after the product.
constexpr double kRadiansPerWheelUnit = 0.00028571428571428574;

// Fixed-function OpenGL with a depth buffer.
QSurfaceFormat ViewFormat() {
  QSurfaceFormat format = QSurfaceFormat::defaultFormat();
  format.setDepthBufferSize(16);
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  return format;
}

}  // namespace

TOrientatorFr::TOrientatorFr(TOrientatorHost& host, QWidget* parent)
    : QWidget(parent),
      m_host(host),
      m_editorUpdaterTimer(new QTimer(this)) {
  setObjectName(u"ObjectOrientator"_s);
  setFixedSize(kSize, kSize);
  // Hovering takes the focus, so that wheel turns go here and a value being typed
  // into the parameter table is applied first.
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  // Every pixel is the picture's.
  setAttribute(Qt::WA_OpaquePaintEvent);

  m_editorUpdaterTimer->setObjectName(u"EditorUpdaterT"_s);
  m_editorUpdaterTimer->setInterval(kEditorUpdateIntervalMs);
  connect(m_editorUpdaterTimer, &QTimer::timeout, this, &TOrientatorFr::EditorUpdaterTTimer);
}

TOrientatorFr::~TOrientatorFr() {
  // The frame buffer belongs to the context, which must be current to free it.
  if (m_fbo && m_context->makeCurrent(m_surface.get())) {
    m_fbo.reset();
    m_context->doneCurrent();
  }
}

void TOrientatorFr::SetRotation(const TQuaternion& rotation) {
  m_rotation = rotation;
  Redraw();
}

void TOrientatorFr::Redraw() {
  m_sceneChanged = true;
  update();
}

void TOrientatorFr::ReleaseGL() {
  m_released = true;
  m_editorUpdaterTimer->stop();
}

// The table's timer runs only while the view can be seen: the page hides it with
// itself. Showing it again draws it anew.
void TOrientatorFr::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (m_released) return;
  m_editorUpdaterTimer->start();
}

void TOrientatorFr::hideEvent(QHideEvent* event) {
  m_editorUpdaterTimer->stop();
  QWidget::hideEvent(event);
}

bool TOrientatorFr::MakeCurrent() {
  if (m_noContext) return false;
  if (!m_context) {
    auto context = std::make_unique<QOpenGLContext>();
    context->setFormat(ViewFormat());
    auto surface = std::make_unique<QOffscreenSurface>();
    if (context->create()) {
      surface->setFormat(context->format());
      surface->create();
    }
    if (!context->isValid() || !surface->isValid() || !context->makeCurrent(surface.get())) {
      m_noContext = true;
      return false;
    }
    m_context = std::move(context);
    m_surface = std::move(surface);
    InitializeGL();
    return true;
  }
  return m_context->makeCurrent(m_surface.get());
}

bool TOrientatorFr::DrawFrame() {
  if (!MakeCurrent()) return false;
  const qreal ratio = devicePixelRatioF();
  const QSize pixels(qRound(width() * ratio), qRound(height() * ratio));
  if (!m_fbo || m_fbo->size() != pixels)
    m_fbo = std::make_unique<QOpenGLFramebufferObject>(pixels, QOpenGLFramebufferObject::Depth);
  m_fbo->bind();
  glViewport(0, 0, pixels.width(), pixels.height());
  PaintScene();
  m_frame = m_fbo->toImage();
  m_frame.setDevicePixelRatio(ratio);
  m_fbo->release();
  m_context->doneCurrent();
  m_sceneChanged = false;
  emit FrameDrawn();
  return true;
}

QImage TOrientatorFr::grabFramebuffer() {
  if (m_sceneChanged && !DrawFrame()) return {};
  return m_frame;
}

void TOrientatorFr::paintEvent(QPaintEvent*) {
  if (m_sceneChanged) DrawFrame();
  QPainter painter(this);
  if (m_frame.isNull()) painter.fillRect(rect(), Qt::black);
  else painter.drawImage(QPoint(0, 0), m_frame);
}

void TOrientatorFr::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FrameResize();
}

void TOrientatorFr::InitializeGL() {
  // Opaque: the widget's image is blended over the page, and a clear alpha would
  // let the page show through instead of the black background.
  glClearColor(0, 0, 0, 1);
  glEnable(GL_COLOR_MATERIAL);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  const GLfloat position[] = {4, 4, 4, 1};
  const GLfloat direction[] = {0, 0, 0};
  const GLfloat ambient[] = {0.4f, 0.4f, 0.4f, 1};
  glLightfv(GL_LIGHT0, GL_POSITION, position);
  glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, direction);
  glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
}

void TOrientatorFr::FrameResize() {
  m_camera.Reset();
  Redraw();
}

void TOrientatorFr::PaintScene() {
  // The camera lives in the projection matrix; the model-view matrix is the
  // identity except while the turned cross is drawn.
  glMatrixMode(GL_PROJECTION);
  glLoadMatrixd(m_camera.Projection().data());
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  GLUquadric* quadric = gluNewQuadric();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

  glLineWidth(3);
  glBegin(GL_LINES);
  glColor3f(1, 0, 0);
  glVertex3f(0, 0, 0);
  glVertex3f(4, 0, 0);
  glColor3f(0, 1, 0);
  glVertex3f(0, 0, 0);
  glVertex3f(0, 4, 0);
  glColor3f(0, 0, 1);
  glVertex3f(0, 0, 0);
  glVertex3f(0, 0, 4);
  glEnd();

  // A zero rotation gives the identity matrix: the cross is drawn unturned.
  m_rotation.ToGLMatrix(m_rotationMatrix);
  glPushMatrix();
  glLoadMatrixf(m_rotationMatrix.data());

  glLineWidth(6);
  glColor3f(1, 1, 1);
  glBegin(GL_LINES);
  glVertex3f(0, 0, 0);
  glVertex3f(1.5f, 0, 0);
  glVertex3f(0, 0, 0);
  glVertex3f(0, -1.5f, 0);
  glVertex3f(0, 0, 0);
  glVertex3f(0, 0, 1);
  glEnd();

  if (quadric) {
    // The sphere marks the object's +X end.
    glPushMatrix();
    glTranslatef(2, 0, 0);
    gluQuadricDrawStyle(quadric, GLU_FILL);
    gluSphere(quadric, 0.5, 10, 10);
    glPopMatrix();
    // The cone runs from y = -1.5 to -2.5 and points along the object's -Y.
    glPushMatrix();
    glTranslatef(0, -1.5f, 0);
    glRotatef(90, 1, 0, 0);
    gluCylinder(quadric, 0.5, 0, 1, 15, 15);
    glPopMatrix();
    gluDeleteQuadric(quadric);
  }
  glPopMatrix();
}

TOrientatorFr::ShiftState TOrientatorFr::MakeShift(Qt::KeyboardModifiers modifiers,
                                                    Qt::MouseButtons buttons) {
  // Keypad and group-switch flags are not keys the user holds on purpose.
  constexpr Qt::KeyboardModifiers kKeys =
      Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
  return {modifiers & kKeys, buttons & (Qt::LeftButton | Qt::RightButton | Qt::MiddleButton)};
}

void TOrientatorFr::FrameMouseWheel(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons,
                                    int delta) {
  m_host.WheelMoved();
  if (m_wheelCountdown == 3) {
    const ShiftState shift = MakeShift(modifiers, buttons);
    const float angle = static_cast<float>(delta * kRadiansPerWheelUnit);
    if (shift.Empty()) m_rotation.RotateAxisAngle(0, 0, 1, angle);
    else if (shift.buttons.testFlag(Qt::RightButton)) m_rotation.RotateAxisAngle(1, 0, 0, angle);
    else if (shift.buttons.testFlag(Qt::LeftButton)) m_rotation.RotateAxisAngle(0, 1, 0, angle);
    m_rotation.Normalise();
    StoreRotationToSelection();
    m_wheelCountdown = 2;
    Redraw();
  } else if (m_wheelCountdown == 0) {
    m_wheelCountdown = 3;
  } else {
    --m_wheelCountdown;
  }
}

void TOrientatorFr::FrameMouseDown(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
  const ShiftState shift = MakeShift(modifiers, buttons);
  if (!shift.buttons.testFlag(Qt::MiddleButton)) return;
  if (shift.modifiers.testFlag(Qt::ControlModifier)) {
    FrameResize();
    return;
  }
  const bool cancel = shift.modifiers.testFlag(Qt::ShiftModifier);
  if (cancel) m_rotation = m_host.SavedRotation();
  else m_rotation.SetIdentity();
  StoreRotationToSelection(cancel ? TTurnGesture::Cancel : TTurnGesture::Reset);
  Redraw();
}

void TOrientatorFr::FrameMouseMove(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons,
                                   int x, int y) {
  if (!hasFocus()) setFocus(Qt::MouseFocusReason);
  const ShiftState shift = MakeShift(modifiers, buttons);
  // A drag acts from its second event on, so its first event never jumps the camera.
  if (shift.CtrlWith(Qt::LeftButton) && m_lastShift.CtrlWith(Qt::LeftButton)) {
    m_camera.Move(m_lastMouseX, m_lastMouseY, x, y, width(), height());
    Redraw();
  } else if (shift.CtrlWith(Qt::RightButton) && m_lastShift.CtrlWith(Qt::RightButton)) {
    m_camera.Turn(m_lastMouseX, m_lastMouseY, x, y, width(), height());
    Redraw();
  }
  m_lastMouseX = x;
  m_lastMouseY = y;
  m_lastShift = shift;
}

void TOrientatorFr::StoreRotationToSelection(TTurnGesture gesture) {
  if (!m_host.StoreRotationToRecord(m_rotation, gesture)) return;
  m_rotationChanged = true;
}

void TOrientatorFr::EditorUpdaterTTimer() {
  if (!m_host.OrientatorPageActive() || !m_rotationChanged) return;
  m_rotationChanged = false;
  m_host.ShowRotationRows(m_rotation);
}

void TOrientatorFr::mousePressEvent(QMouseEvent* event) {
  FrameMouseDown(event->modifiers(), event->buttons());
  event->accept();
}

void TOrientatorFr::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  FrameMouseMove(event->modifiers(), event->buttons(), p.x(), p.y());
  event->accept();
}

void TOrientatorFr::wheelEvent(QWheelEvent* event) {
  // Some systems deliver a wheel turned with Alt or Shift as horizontal.
  const QPoint delta = event->angleDelta();
  const int amount = delta.y() != 0 ? delta.y() : delta.x();
  // Touchpads send begin and end events without movement; they are no turn.
  if (amount != 0) FrameMouseWheel(event->modifiers(), event->buttons(), amount);
  event->accept();
}

}  // namespace kelvarin
