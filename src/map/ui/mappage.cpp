#include "map/ui/mappage.h"

#include <QBuffer>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "common/filesystem.h"
#include "common/floattext.h"
#include "common/qt/qtext.h"
#include "document/movecommand.h"
#include "document/recordset.h"
#include "map/core/mapgrid.h"
#include "map/render/mapstyle.h"
#include "mob/filelog.h"
#include "mob/kindnames.h"
#include "mob/tmob.h"
#include "mob/recordrules.h"
#include "shell/pagelinks.h"
#include "shell/prompts.h"
#include "shell/shellservices.h"

using namespace Qt::StringLiterals;

namespace kelvarin {

using namespace Qt::StringLiterals;

namespace {

// Criteria edits come in bursts (a whole set put onto their page at once): the
// preview follows once the burst is over.
constexpr int kPreviewDelayMs = 15;

QString BusyNotice() {
  return u"Документ занят: идёт загрузка, сохранение или массовые изменения.\n"
      "Карта обновится, когда он освободится."_s;
}

QString FloatText(float value, char sep) { return FromUtf8(FloatToDisplayText(value, sep)); }

// "12 (Юниты: 3, Объекты: 9)".
QString SelectionSummary(const TCriteriaSelection& selection) {
  QStringList parts;
  for (ObjKind kind : kAllObjKinds)
    if (const std::size_t n = selection.selected[std::size_t(kind)]; n > 0)
      parts << u"%1: %2"_s.arg(FromUtf8(ObjKindCaption(kind))).arg(n);
  QString text = QString::number(selection.Total());
  if (!parts.isEmpty()) text += u" ("_s + parts.join(u", "_s) + u")"_s;
  return text;
}

QString AreaText(const TMapPage::TDrawnTexts& texts) {
  if (const auto* rect = std::get_if<TRectangleFieldTexts>(&texts))
    return u"прямоугольник X1 %1, Y1 %2, X2 %3, Y2 %4"_s
        .arg(FromCp1251(rect->x1), FromCp1251(rect->y1), FromCp1251(rect->x2), FromCp1251(rect->y2));
  const auto& circle = std::get<TCircleFieldTexts>(texts);
  return u"круг X %1, Y %2, радиус %3"_s
      .arg(FromCp1251(circle.x), FromCp1251(circle.y), FromCp1251(circle.radius));
}

}  // namespace

TMapPage::TMapPage(TShellServices& shell, QWidget* parent)
    : QWidget(parent), m_shell(shell), m_session(shell.Session()), m_canvas(new TMapCanvas), m_actions(shell, this) {
  setObjectName(u"MapPage"_s);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(2);
  layout->addWidget(BuildToolBar());
  auto* middle = new QHBoxLayout;
  middle->setSpacing(4);
  middle->addWidget(BuildSidePanel());
  middle->addWidget(m_canvas, 1);
  layout->addLayout(middle, 1);
  m_info = new QLabel;
  m_info->setObjectName(u"MapInfoLab"_s);
  m_info->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(m_info);
  // From the legend through the tool bar to the picture, as the eye reads them.
  setTabOrder(m_legend.back(), m_canvas);

  m_canvas->SetZone(&m_zone);
  m_canvas->SetDescriber([this](TObjRef ref) { return Describe(ref); });
  connect(m_canvas, &TMapCanvas::RecordClicked, this, &TMapPage::RecordClicked);
  connect(m_canvas, &TMapCanvas::RecordActivated, this, &TMapPage::RecordActivated);
  connect(m_canvas, &TMapCanvas::RecordDragged, this, &TMapPage::RecordDragged);
  connect(m_canvas, &TMapCanvas::DragFinished, this, &TMapPage::DragFinished);
  connect(m_canvas, &TMapCanvas::DragCancelled, this, &TMapPage::DragCancelled);
  connect(m_canvas, &TMapCanvas::ShapeChanged, this, &TMapPage::ShapeChanged);
  connect(m_canvas, &TMapCanvas::CursorMoved, this, &TMapPage::CursorMoved);
  connect(m_canvas, &TMapCanvas::ContextMenuAsked, this, &TMapPage::ContextMenuAsked);
  connect(m_canvas, &TMapCanvas::RecordToggled, this, &TMapPage::RecordToggled);

  m_previewTimer.setSingleShot(true);
  m_previewTimer.setInterval(kPreviewDelayMs);
  connect(&m_previewTimer, &QTimer::timeout, this, &TMapPage::RefreshPreview);
  TPageLinks& links = shell.Links();
  connect(&links, &TPageLinks::CriteriaChanged, this, &TMapPage::SchedulePreview);
  connect(&links, &TPageLinks::RecordsSelected, this, &TMapPage::OtherPageSelected);

  m_session.AddListener(this);
  UpdateLegend();
  UpdateUnplaced();
  if (m_session.Opened()) DocumentOpened();
}

TMapPage::~TMapPage() { m_session.RemoveListener(this); }

// ---- building ------------------------------------------------------------------

QWidget* TMapPage::BuildToolBar() {
  auto* bar = new QWidget;
  bar->setObjectName(u"MapToolBar"_s);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(0, 0, 0, 0);
  auto* modes = new QButtonGroup(bar);
  const auto addMode = [&](const char* name, const QString& caption, const QString& tip, TMapCanvas::Mode mode) {
    auto* button = new QToolButton;
    button->setObjectName(QString::fromLatin1(name));
    button->setText(caption);
    button->setToolTip(tip);
    button->setCheckable(true);
    button->setChecked(mode == TMapCanvas::Mode::Select);
    modes->addButton(button);
    row->addWidget(button);
    m_inputs.push_back(button);
    connect(button, &QToolButton::toggled, this, [this, mode](bool on) {
      if (on) m_canvas->SetMode(mode);
    });
  };
  addMode("MapSelectModeBut", u"Выбор"_s,
          u"Щелчок выбирает запись, перетаскивание двигает выбранную.\n"
                         "Shift: прямоугольник, Ctrl: круг."_s,
          TMapCanvas::Mode::Select);
  addMode("MapRectModeBut", u"Прямоугольник"_s,
          u"Нарисовать прямоугольник для массовых изменений"_s, TMapCanvas::Mode::Rectangle);
  addMode("MapCircleModeBut", u"Круг"_s, u"Нарисовать круг для массовых изменений"_s,
          TMapCanvas::Mode::Circle);
  row->addSpacing(12);

  const auto addButton = [&](const char* name, const QString& caption, const QString& tip) {
    auto* button = new QPushButton(caption);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(tip);
    row->addWidget(button);
    m_inputs.push_back(button);
    return button;
  };
  connect(addButton("MapFitBut", u"Вся зона"_s, u"Показать всю зону (Home)"_s),
          &QPushButton::clicked, m_canvas, &TMapCanvas::FitAll);
  connect(addButton("MapZoomInBut", u"+"_s, u"Приблизить (+)"_s), &QPushButton::clicked,
          this, [this] { m_canvas->ZoomBy(1.25); });
  connect(addButton("MapZoomOutBut", u"−"_s, u"Отдалить (-)"_s), &QPushButton::clicked,
          this, [this] { m_canvas->ZoomBy(1 / 1.25); });
  row->addSpacing(12);
  m_fillBut = addButton("MapFillCriteriaBut", u"В критерии"_s,
                        u"Записать нарисованную область в критерии массовых изменений"_s);
  connect(m_fillBut, &QPushButton::clicked, this, &TMapPage::FillCriteria);
  m_clearBut = addButton("MapClearAreaBut", u"Убрать область"_s,
                         u"Убрать нарисованную область (Escape)"_s);
  connect(m_clearBut, &QPushButton::clicked, m_canvas, &TMapCanvas::ClearDrawnShape);
  m_fillBut->setEnabled(false);
  m_clearBut->setEnabled(false);
  row->addStretch(1);
  return bar;
}

QWidget* TMapPage::BuildSidePanel() {
  auto* panel = new QWidget;
  panel->setObjectName(u"MapSidePanel"_s);
  auto* column = new QVBoxLayout(panel);
  column->setContentsMargins(0, 0, 0, 0);
  auto* title = new QLabel(u"Легенда:"_s);
  column->addWidget(title);
  for (ObjKind kind : kAllObjKinds) {
    auto* box = new QCheckBox;
    box->setObjectName(u"MapLegend_%1"_s.arg(FromUtf8(ObjKindKey(kind))));
    box->setIcon(QPixmap::fromImage(MarkerSprite(kind, TMapRenderer::kMarkerSize)));
    box->setChecked(true);
    box->setToolTip(u"Показать или скрыть на карте"_s);
    connect(box, &QCheckBox::toggled, this, &TMapPage::LegendToggled);
    column->addWidget(box);
    m_legend[std::size_t(kind)] = box;
    m_inputs.push_back(box);
  }
  column->addSpacing(8);
  m_unplacedTitle = new QLabel;
  m_unplacedTitle->setWordWrap(true);
  column->addWidget(m_unplacedTitle);
  m_unplaced = new QListWidget;
  m_unplaced->setObjectName(u"MapUnplacedList"_s);
  m_unplaced->setToolTip(u"Двойной щелчок открывает запись на странице объектов"_s);
  m_unplacedTitle->setBuddy(m_unplaced);
  column->addWidget(m_unplaced, 1);
  m_inputs.push_back(m_unplaced);
  connect(m_unplaced, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    const auto kind = ObjKind(item->data(Qt::UserRole).toInt());
    const auto index = std::size_t(item->data(Qt::UserRole + 1).toULongLong());
    RecordActivated({kind, index});
  });
  m_sidePanel = panel;  // as wide as the legend needs (UpdateLegend)
  return panel;
}

// ---- the document --------------------------------------------------------------

bool TMapPage::DocumentReadable() const { return m_session.Opened() && !m_session.Busy(); }

void TMapPage::PrepareDocument(const TMob& mob) {
  auto zone = std::make_unique<TZoneIndex>();
  zone->Build(mob);
  m_preparedZone = std::move(zone);
}

void TMapPage::DocumentOpened() {
  if (m_session.Busy()) {
    m_indexStale = true;
    return;
  }
  Rebuild();
  // A file reopened (after a mass change) keeps the view the user had.
  if (m_session.Path() != m_fittedPath || m_fittedPath.empty()) {
    m_canvas->FitAll();
    m_fittedPath = m_session.Path();
  }
}

void TMapPage::DocumentClosed() {
  m_preparedZone.reset();
  if (m_session.Busy()) {
    m_indexStale = true;
    return;
  }
  Rebuild();
}

void TMapPage::Rebuild() {
  m_indexStale = false;
  if (!m_session.Opened()) {
    m_zone.Clear();  // a prepared index waits for the load that made it to open
  } else {
    if (m_preparedZone && m_preparedZone->Fits(m_session.Mob())) m_zone = std::move(*m_preparedZone);
    else m_zone.Build(m_session.Mob());
    m_preparedZone.reset();
  }
  m_canvas->SetZone(&m_zone);
  const auto& selected = m_canvas->Selection();
  if (std::any_of(selected.begin(), selected.end(),
                  [&](TObjRef ref) { return !(m_session.Opened() && RefersToRecord(m_session.Mob(), ref)); }))
    m_canvas->SetSelection({});
  UpdateLegend();
  UpdateUnplaced();
  RefreshPreview();
}

void TMapPage::RecordsChanged(const TRecordsChange& change, TChangeCause cause, const TDocumentListener*) {
  m_preparedZone.reset();
  if (m_session.Busy()) {
    m_indexStale = true;
    return;
  }
  if (change.listsResized) {
    Rebuild();
  } else if (change.record) {
    // A field edit, a drag or an undo: the records may stand elsewhere now.
    const auto follow = [&](TObjRef ref) {
      if (const auto pos = ReadPlanePosition(m_session.Mob(), ref)) m_zone.Update(ref, *pos);
    };
    follow(*change.record);
    for (const TObjRef& ref : change.records) follow(ref);
    m_canvas->Refresh();
    UpdateUnplaced();
  }
  if (cause != TChangeCause::Edit && change.records.size() > 1) m_canvas->SetSelection(change.records);
  else if (cause != TChangeCause::Edit && change.record) m_canvas->SetSelected(change.record);
  SchedulePreview();
}

void TMapPage::BusyChanged(bool busy) {
  for (QWidget* input : m_inputs) input->setEnabled(!busy);
  m_canvas->SetFrozen(busy, BusyNotice());
  if (busy) {
    m_previewTimer.stop();
    return;
  }
  m_fillBut->setEnabled(m_canvas->DrawnShape().has_value());
  m_clearBut->setEnabled(m_canvas->DrawnShape().has_value());
  if (m_indexStale || !m_session.Opened() || !m_zone.Fits(m_session.Mob())) {
    DocumentOpened();  // a load, a step, lists of other lengths: indexed again
    return;
  }
  // The holder may have moved records without a word. Finding out is one pass
  // over the positions; indexing a zone of millions of records again after every
  // save would stop the window for most of a second.
  if (m_zone.FollowMoves(m_session.Mob()) > 0) {
    m_canvas->Refresh();
    UpdateUnplaced();
  }
  RefreshPreview();
}

void TMapPage::RefreshNow() {
  if (m_indexStale && !m_session.Busy()) Rebuild();
  RefreshPreview();
}

void TMapPage::UpdateLegend() {
  // At least the panel's own width, and wide enough for the longest entry with
  // its count: a large zone's counts never end cut short.
  constexpr int kSidePanelWidth = 190;
  int width = kSidePanelWidth;
  for (ObjKind kind : kAllObjKinds) {
    QCheckBox* box = m_legend[std::size_t(kind)];
    box->setText(u"%1 (%2)"_s.arg(FromUtf8(ObjKindCaption(kind))).arg(m_zone.Count(kind)));
    width = std::max(width, box->sizeHint().width());
  }
  m_sidePanel->setFixedWidth(width);
}

void TMapPage::UpdateUnplaced() {
  m_unplaced->clear();
  const auto& refs = m_zone.Unplaced();
  m_unplacedTitle->setText(u"Без координат, не нарисованы (%1):"_s.arg(refs.size()));
  // A zone where everything is broken lists the first thousand; the count says how many.
  constexpr std::size_t kMaxListed = 1000;
  for (std::size_t i = 0; i < refs.size() && i < kMaxListed; ++i) {
    auto* item = new QListWidgetItem(Describe(refs[i]).replace(QLatin1Char('\n'), u"; "_s));
    item->setData(Qt::UserRole, int(refs[i].kind));
    item->setData(Qt::UserRole + 1, qulonglong(refs[i].index));
    m_unplaced->addItem(item);
  }
}

QString TMapPage::Describe(TObjRef ref) const {
  if (!m_session.Opened()) return {};
  const TMob& mob = m_session.Mob();
  if (!RefersToRecord(mob, ref)) return {};
  const auto pos = ReadPlanePosition(mob, ref);
  return u"%1: %2\n%3 %4\nX %5, Y %6"_s
      .arg(FromUtf8(ObjKindCaption(ref.kind)), FromCp1251(RecordCaption(mob, ref)),
           QString::fromLatin1(IdentityFieldName(ref.kind)))
      .arg(IdentityOf(mob, ref))
      .arg(FloatText(pos->x, DecimalSeparator()), FloatText(pos->y, DecimalSeparator()));
}

// ---- the criteria --------------------------------------------------------------

void TMapPage::SchedulePreview() { m_previewTimer.start(); }

void TMapPage::RefreshPreview() {
  m_previewTimer.stop();
  m_preview = {};
  m_drawnSelection.reset();
  const auto criteria = m_shell.Links().Criteria();
  if (!DocumentReadable() || !criteria) {
    m_canvas->SetCriteriaShapes({});
    m_canvas->SetHighlighted({});
    SetInfo({});
    return;
  }
  std::vector<TMapShape> shapes;
  const std::string& error = criteria->error;
  QString info;
  if (!criteria->criteria) {
    // No preview of criteria a run would refuse; a line in the status bar says
    // why, once per problem, never a message box.
    const QString line = u"Карта: критерии массовых изменений не проходят проверку. "_s + FromUtf8(error);
    if (error != m_lastCriteriaError) m_shell.ShowStatusMessage(line);
    info = line;
  } else {
    const TSelectionCriteria& c = *criteria->criteria;
    if (const auto rect = RectangleOf(c)) shapes.push_back({*rect, false});
    if (const auto circle = CircleOf(c)) shapes.push_back({*circle, false});
    m_preview = SelectByCriteria(m_session.Mob(), m_zone, c);
    info = TickedKinds(c).Empty()
               ? u"Критерии массовых изменений: не отмечен ни один тип объектов."_s
               : u"Критерии массовых изменений выберут: "_s + SelectionSummary(m_preview);
  }
  m_lastCriteriaError = error;
  m_canvas->SetCriteriaShapes(std::move(shapes));

  if (m_drawnTexts) {
    // The drawn area in place of the criteria's area of its type: what a run would
    // select once it is written there.
    const auto drawn = m_shell.Links().Criteria(&*m_drawnTexts);
    if (drawn && drawn->criteria) {
      m_drawnSelection = SelectByCriteria(m_session.Mob(), m_zone, *drawn->criteria);
      info = u"Область (%1) выберет: %2"_s
                 .arg(AreaText(*m_drawnTexts), TickedKinds(*drawn->criteria).Empty()
                                                   ? u"0 (не отмечен ни один тип объектов)"_s
                                                   : SelectionSummary(*m_drawnSelection));
    }
  }
  m_canvas->SetHighlighted(m_drawnSelection ? m_drawnSelection->records : m_preview.records);
  SetInfo(info);
}

void TMapPage::SetInfo(const QString& text) { m_info->setText(text); }

void TMapPage::ShapeChanged() {
  const auto& shape = m_canvas->DrawnShape();
  m_drawnTexts.reset();
  if (shape) {
    // Written with as many decimals as the view tells apart, rounded outwards.
    const int decimals = AreaDecimals(m_canvas->View().Scale());
    if (const auto* rect = std::get_if<TAreaRectangle>(&shape->area))
      m_drawnTexts = RectangleTexts(*rect, decimals, DecimalSeparator());
    else
      m_drawnTexts = CircleTexts(std::get<TAreaCircle>(shape->area), decimals, DecimalSeparator());
  }
  m_fillBut->setEnabled(m_drawnTexts.has_value());
  m_clearBut->setEnabled(m_drawnTexts.has_value());
  SchedulePreview();
}

bool TMapPage::FillCriteria() {
  if (!m_drawnTexts || m_session.Busy()) return false;
  const TDrawnTexts texts = *m_drawnTexts;
  if (!m_shell.Links().PutArea(texts)) return false;
  // The criteria's own area shows it from now on.
  m_canvas->ClearDrawnShape();
  m_shell.ShowStatusMessage(u"В критерии массовых изменений записан "_s + AreaText(texts));
  RefreshPreview();
  return true;
}

// ---- selection and moving ------------------------------------------------------

void TMapPage::RecordClicked(std::optional<TObjRef> ref) {
  m_canvas->SetSelected(ref);
  if (ref) m_shell.Links().SelectRecord(*ref, this);
}

void TMapPage::RecordToggled(TObjRef ref) {
  if (!DocumentReadable()) return;
  std::vector<TObjRef> refs = m_canvas->Selection();
  if (const auto it = std::find(refs.begin(), refs.end(), ref); it != refs.end()) refs.erase(it);
  else refs.push_back(ref);
  m_canvas->SetSelection(refs);
  m_shell.Links().SelectRecords(std::move(refs), this);
}

bool TMapPage::SelectDrawnArea() {
  const auto& shape = m_canvas->DrawnShape();
  if (!shape || !DocumentReadable()) return false;
  std::vector<TObjRef> refs;
  const auto take = [&](const TMapPoint& p) { refs.push_back(p.Ref()); };
  const TKindMask kinds = m_canvas->VisibleKinds();
  if (const auto* rect = std::get_if<TAreaRectangle>(&shape->area)) {
    const TMapRect box{std::min(rect->x1, rect->x2), std::min(rect->y1, rect->y2), std::max(rect->x1, rect->x2),
                      std::max(rect->y1, rect->y2)};
    m_zone.ForEachInRect(box, kinds, take);
  } else {
    const auto& circle = std::get<TAreaCircle>(shape->area);
    m_zone.ForEachInCircle(circle.x, circle.y, circle.radius, kinds, take);
  }
  std::sort(refs.begin(), refs.end(), [](TObjRef a, TObjRef b) {
    return std::pair(int(a.kind), a.index) < std::pair(int(b.kind), b.index);
  });
  m_canvas->SetSelection(refs);
  m_shell.Links().SelectRecords(std::move(refs), this);
  return true;
}

bool TMapPage::PasteAt(TPlanePosition at) { return m_actions.Paste(at); }

bool TMapPage::KeyDown(int key, Qt::KeyboardModifiers modifiers) {
  if (!m_shell.IsActivePage(this) || !m_canvas->hasFocus()) return false;
  const bool ctrl = modifiers & Qt::ControlModifier;
  const bool shift = modifiers & Qt::ShiftModifier;
  const std::vector<TObjRef> refs = m_canvas->Selection();
  if (key == Qt::Key_Delete && !ctrl && !shift) return m_actions.Delete(refs), true;
  if (!ctrl || shift) return false;
  switch (key) {
    case Qt::Key_D: m_actions.Duplicate(refs); return true;
    case Qt::Key_C: m_actions.Copy(refs); return true;
    case Qt::Key_X: m_actions.Cut(refs); return true;
    case Qt::Key_V: m_actions.Paste(); return true;
    default: return false;
  }
}

void TMapPage::RecordActivated(TObjRef ref) {
  if (!DocumentReadable() || !RefersToRecord(m_session.Mob(), ref)) return;
  m_canvas->SetSelected(ref);
  m_shell.Links().SelectRecord(ref, this);
  // The Objects page shows it with its values.
  m_shell.GoToResult({ToUtf8(Describe(ref)), std::nullopt, ref});
}

void TMapPage::OtherPageSelected(const std::vector<TObjRef>& refs, const QObject* from) {
  if (from == this || refs.empty() || !DocumentReadable()) return;
  const TMob& mob = m_session.Mob();
  if (!std::all_of(refs.begin(), refs.end(), [&](TObjRef ref) { return RefersToRecord(mob, ref); })) return;
  m_canvas->SetSelection(refs);
  if (refs.size() == 1) m_canvas->CentreOn(refs.front());
}

std::vector<TObjRef> TMapPage::DragGroup(TObjRef ref) const {
  const auto& selection = m_canvas->Selection();
  if (std::find(selection.begin(), selection.end(), ref) == selection.end()) return {ref};
  return selection;
}

void TMapPage::ShowGroupAt(TObjRef ref, TPlanePosition position) {
  if (m_dragStart.empty()) {
    for (const TObjRef& member : DragGroup(ref))
      if (const auto pos = m_zone.Position(member)) m_dragStart.emplace_back(member, *pos);
  }
  const auto lead = std::find_if(m_dragStart.begin(), m_dragStart.end(), [&](const auto& p) { return p.first == ref; });
  if (lead == m_dragStart.end()) return;
  const double dx = double(position.x) - lead->second.x, dy = double(position.y) - lead->second.y;
  for (const auto& [member, from] : m_dragStart) {
    if (!std::isfinite(from.x) || !std::isfinite(from.y)) continue;
    m_zone.Update(member, {float(from.x + dx), float(from.y + dy)});
  }
  m_canvas->Refresh();
}

void TMapPage::RecordDragged(TObjRef ref, TPlanePosition position) { ShowGroupAt(ref, position); }

void TMapPage::DragCancelled(TObjRef, TPlanePosition) {
  for (const auto& [member, from] : m_dragStart) m_zone.Update(member, from);
  m_dragStart.clear();
  m_canvas->Refresh();
}

void TMapPage::DragFinished(TObjRef ref, TPlanePosition from, TPlanePosition to) {
  const std::vector<TObjRef> group = DragGroup(ref);
  for (const auto& [member, start] : m_dragStart) m_zone.Update(member, start);
  m_dragStart.clear();
  m_zone.Update(ref, from);
  if (!DocumentReadable()) return;
  const char sep = DecimalSeparator();
  // The index follows the records in RecordsChanged, as for any change.
  if (group.size() > 1) {
    const QString caption = u"Перемещение на карте: %1"_s.arg(FromUtf8(RecordCountText(group.size())));
    m_session.Apply(MoveRecordsStep(m_session.Mob(), group, double(to.x) - from.x, double(to.y) - from.y,
                                    ToUtf8(caption)),
                    this);
  } else {
    const QString caption = u"Перемещение на карте: %1 → X %2, Y %3"_s
                                .arg(FromCp1251(RecordCaption(m_session.Mob(), ref)), FloatText(to.x, sep),
                                     FloatText(to.y, sep));
    m_session.Apply(MoveStep(m_session.Mob(), ref, to, ToUtf8(caption)), this);
  }
  m_canvas->Refresh();
}

// ---- the rest ------------------------------------------------------------------

void TMapPage::LegendToggled() {
  TKindMask kinds = TKindMask::None();
  for (ObjKind kind : kAllObjKinds) kinds.Set(kind, m_legend[std::size_t(kind)]->isChecked());
  m_canvas->SetVisibleKinds(kinds);
}

void TMapPage::CursorMoved(std::optional<TPlanePoint> point) {
  if (!point) return;  // the last place stays until the status bar's time is up
  const double step = m_canvas->View().Scale();
  const char sep = DecimalSeparator();
  m_shell.ShowStatusMessage(u"X %1   Y %2"_s
                                .arg(FromUtf8(MapCoordinateText(point->x, step, sep)),
                                     FromUtf8(MapCoordinateText(point->y, step, sep))));
}

void TMapPage::ContextMenuAsked(QPoint globalPos) {
  QMenu menu(this);
  menu.addAction(u"Показать всю зону\tHome"_s, m_canvas, &TMapCanvas::FitAll);
  menu.addSeparator();
  QAction* fill = menu.addAction(u"Записать область в критерии массовых изменений"_s, this,
                                 &TMapPage::FillCriteria);
  fill->setEnabled(m_drawnTexts.has_value());
  QAction* clear = menu.addAction(u"Убрать нарисованную область\tEscape"_s, m_canvas,
                                  &TMapCanvas::ClearDrawnShape);
  clear->setEnabled(m_drawnTexts.has_value());
  QAction* select = menu.addAction(u"Выделить записи области"_s, this, &TMapPage::SelectDrawnArea);
  select->setObjectName(u"MapSelectAreaMenu"_s);
  select->setEnabled(m_drawnTexts.has_value());
  menu.addSeparator();
  const TPlanePoint at = m_canvas->ContextPoint();
  QAction* paste = menu.addAction(u"Вставить сюда"_s, this, [this, at] { PasteAt({float(at.x), float(at.y)}); });
  paste->setObjectName(u"MapPasteHereMenu"_s);
  paste->setEnabled(DocumentReadable());
  menu.addSeparator();
  menu.addAction(u"Сохранить вид в PNG..."_s, this, &TMapPage::ExportPngAsked);
  menu.exec(globalPos);
}

void TMapPage::ExportPngAsked() {
  const QString document = FromUtf8(m_session.Path());
  const QString suggested = document.isEmpty()
                                ? QDir::home().filePath(u"zone.png"_s)
                                : QFileInfo(document).dir().filePath(QFileInfo(document).completeBaseName() +
                                                                     u".png"_s);
  QString path = m_shell.Prompts().ChooseSavePicture(suggested);
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += u".png"_s;
  ExportPng(path);
}

bool TMapPage::ExportPng(const QString& path) {
  const auto failed = [&](const std::string& why) {
    m_shell.Prompts().ShowMessage(u"Не удалось сохранить картинку "_s + path + u": "_s +
                                      FromUtf8(why),
                                  TPrompts::Icon::Error);
    return false;
  };
  if (!m_session.Path().empty() && SameFile(ToUtf8(path), m_session.Path()))
    return failed("это файл открытого моба, картинка заменила бы его.");
  QByteArray png;
  QBuffer buffer(&png);
  if (!buffer.open(QIODevice::WriteOnly) || !m_canvas->RenderForExport().save(&buffer, "PNG"))
    return failed("картинку не удалось закодировать в PNG.");
  // Written as every file is: a failed write keeps an earlier picture of that name.
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(png.constData());
  const TWriteResult written = WriteFileAtomically(Files(), ToUtf8(path), Bytes(bytes, bytes + png.size()));
  if (!written.ok()) return failed(WriteFailureText(written));
  m_shell.ShowStatusMessage(u"Вид карты сохранён в "_s + path);
  return true;
}

}  // namespace kelvarin
