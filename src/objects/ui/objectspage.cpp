#include "objects/ui/objectspage.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QTextDocument>
#include <algorithm>
#include <cstring>
#include <utility>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QFontInfo>
#include <QOpenGLContext>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTreeView>
#include <QVBoxLayout>

#include "program/layoutvalues.h"
#include "shell/pagelinks.h"
#include "shell/shellservices.h"
#include "common/floattext.h"
#include "common/qt/qtext.h"
#include "common/cp1251.h"
#include "document/recordcommands.h"
#include "document/recordset.h"
#include "objects/core/sharedparams.h"
#include "script/core/objectrefs.h"
#include "mob/tmob.h"
#include "objects/core/recordcolumns.h"
#include "objects/ui/objectstreemodel.h"
#include "objects/ui/trappointsf.h"
#include "objects/ui/valueseditor.h"

using namespace Qt::StringLiterals;

using namespace Qt::StringLiterals;

namespace kelvarin {
namespace {

// The page's keys in the layout section of the settings.
constexpr char kSplitterKey[] = "ObjectsSplitter";         // tree, table, view column
constexpr char kNameColumnKey[] = "ObjectsTableNameColumn";  // the table's name column
// Wider than any screen: a larger value is a broken one.
constexpr int kLargestSize = 100'000;

}  // namespace

TObjectsPage::TObjectsPage(TShellServices& shell, QWidget* parent)
    : QWidget(parent),
      m_shell(shell),
      m_session(shell.Session()),
      m_model(new TObjectsTreeModel(this)),
      m_tree(new QTreeView),
      m_filterEd(new QLineEdit),
      m_filterTimer(new QTimer(this)),
      m_indexTimer(new QTimer(this)),
      m_findInScriptAct(new QAction(u"Найти в скрипте\tShift+F12"_s, this)),
      m_valuesEditor(new kelvarin::TValuesEditor),
      m_notice(new QLabel),
      m_helpMemo(new QPlainTextEdit),
      m_side(new QVBoxLayout),
      m_splitter(new QSplitter(Qt::Horizontal)),
      m_undoBut(new QPushButton(u"Отменить"_s)),
      m_redoBut(new QPushButton(u"Повторить"_s)),
      m_actions(shell, this) {
  setObjectName(u"ObjectsPage"_s);

  m_tree->setObjectName(u"ObjectsTree"_s);
  m_tree->setUniformRowHeights(true);  // keeps zones with many records fast
  m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_tree->setModel(m_model);
  // A header click sorts the records of every kind; the caption column first.
  m_tree->setSortingEnabled(true);
  m_tree->sortByColumn(0, Qt::AscendingOrder);
  m_tree->header()->setStretchLastSection(false);
  m_tree->header()->setSectionsMovable(false);
  SizeTreeColumns();
  m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(m_tree, &QWidget::customContextMenuRequested, this, &TObjectsPage::ShowTreeMenu);

  m_findInScriptAct->setObjectName(u"FindInScriptMenu"_s);
  connect(m_findInScriptAct, &QAction::triggered, this, &TObjectsPage::FindInScript);

  m_filterEd->setObjectName(u"ObjectsFilterEd"_s);
  m_filterEd->setPlaceholderText(u"Фильтр (Ctrl+E): слова, id:4030, player:3, kind:units"_s);
  m_filterEd->setToolTip(u"Показывает записи, в имени или столбцах которых есть все слова (регистр не важен).\n"
      "id:4030 — идентификатор, player:3 — PlayerNumber, kind:units — вид записей\n"
      "(units, objects, levers, traps, flames, particles1, particles2, particles3).\n"
      "Слова в кавычках ищутся вместе с пробелами. Escape очищает фильтр."_s);
  // Ctrl+E or a click: focus that moves along by itself (a page coming up, a
  // control disabled by the lock) goes to the tree, not into the box.
  m_filterEd->setFocusPolicy(Qt::ClickFocus);
  m_filterEd->setEnabled(false);  // until a document is open
  m_filterEd->installEventFilter(this);
  // Typing applies the filter after a short pause, so a zone of millions of
  // records is searched once per word rather than once per letter.
  m_filterTimer->setSingleShot(true);
  m_filterTimer->setInterval(kFilterPauseMs);
  connect(m_filterTimer, &QTimer::timeout, this, &TObjectsPage::ApplyFilter);
  connect(m_filterEd, &QLineEdit::textEdited, m_filterTimer, qOverload<>(&QTimer::start));
  connect(m_indexTimer, &QTimer::timeout, this, [this] {
    if (m_session.Busy() || m_model->IndexStep(kIndexSlice)) m_indexTimer->stop();
  });
  connect(m_filterEd, &QLineEdit::returnPressed, this, [this] {
    ApplyFilter();
    m_tree->setFocus();
  });
  connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &TObjectsPage::ObjectsTreeChange);
  connect(m_tree->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &TObjectsPage::ObjectsTreeChange);
  // Records selected on another page (the map) are selected here too.
  connect(&shell.Links(), &TPageLinks::RecordsSelected, this,
          [this](const std::vector<TObjRef>& refs, const QObject* from) {
            if (from != this && !refs.empty() && !m_session.Busy() && m_session.Opened()) SelectRecords(refs);
          });

  connect(m_valuesEditor, &TValuesEditor::FocusEntered, this, &TObjectsPage::ValuesEditorEnter);
  connect(m_valuesEditor, &TValuesEditor::FocusLeft, this, &TObjectsPage::ValuesEditorExit);
  // A focus move the busy lock causes re-applies nothing: applying marks the
  // document modified, and a save that has just cleared the mark would keep " *".
  connect(m_valuesEditor, &TValuesEditor::FocusDropped, this, [this] { m_valuesEditorFocused = false; });
  connect(m_valuesEditor, &TValuesEditor::RowLeft, this, &TObjectsPage::ValuesEditorValidate);
  // Enter ends the cell's edit in this table: the value is checked and applied
  // then, as leaving the cell would.
  connect(m_valuesEditor, &TValuesEditor::RowConfirmed, this, &TObjectsPage::ValuesEditorValidate);
  connect(m_valuesEditor, &TValuesEditor::EllipsisClicked, this, &TObjectsPage::EditTrapPoints);

  m_notice->setObjectName(u"OrientatorNoticeLab"_s);
  m_notice->setText(u"OpenGL недоступен: вид ориентации не показывается."_s);
  m_notice->setWordWrap(true);
  m_notice->setAlignment(Qt::AlignCenter);
  m_notice->setFrameShape(QFrame::StyledPanel);
  m_notice->setFixedSize(TOrientatorFr::kSize, TOrientatorFr::kSize);
  m_notice->hide();  // until InitGL has found out whether OpenGL works here

  m_helpMemo->setObjectName(u"OrientatorHelpMemo"_s);
  m_helpMemo->setReadOnly(true);
  m_helpMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
  m_helpMemo->setPlainText(HelpText());

  // The view and its help text stand right of the table, at the top.
  auto* side = new QWidget;
  side->setObjectName(u"OrientatorPanel"_s);
  m_side->setContentsMargins(0, 0, 0, 0);
  m_side->addWidget(m_notice);
  m_side->addWidget(m_helpMemo);
  // The record history's buttons, under the help text.
  m_undoBut->setObjectName(u"ObjectsUndoBut"_s);
  m_redoBut->setObjectName(u"ObjectsRedoBut"_s);
  auto* history = new QHBoxLayout;
  history->addWidget(m_undoBut);
  history->addWidget(m_redoBut);
  m_side->addLayout(history);
  m_side->addStretch(1);
  connect(m_undoBut, &QPushButton::clicked, this, [this] {
    m_shell.CommitEdits();
    m_session.Undo();
  });
  connect(m_redoBut, &QPushButton::clicked, this, [this] {
    m_shell.CommitEdits();
    m_session.Redo();
  });
  side->setLayout(m_side);

  m_splitter->setChildrenCollapsible(false);
  auto* treePanel = new QWidget;
  treePanel->setObjectName(u"ObjectsTreePanel"_s);
  auto* treeLayout = new QVBoxLayout(treePanel);
  treeLayout->setContentsMargins(0, 0, 0, 0);
  treeLayout->setSpacing(2);
  treeLayout->addWidget(m_filterEd);
  treeLayout->addWidget(m_tree);
  m_splitter->addWidget(treePanel);
  m_splitter->addWidget(m_valuesEditor);
  m_splitter->addWidget(side);
  // A wider window widens the tree and the table; the view keeps its size.
  m_splitter->setStretchFactor(0, 1);
  m_splitter->setStretchFactor(1, 1);
  m_splitter->setStretchFactor(2, 0);

  auto* layout = new QHBoxLayout(this);
  // The tree and the table run to 5 pixels above the page's bottom edge.
  layout->setContentsMargins(0, 0, 0, 5);
  layout->addWidget(m_splitter);

  m_session.AddListener(this);
  UpdateHistoryButtons();
}

void TObjectsPage::SizeTreeColumns() {
  // Measuring the rows would walk millions of them: a number column is as wide
  // as the widest text its field can show, a text column has a width of its own,
  // and none is narrower than its heading.
  struct Column {
    TRecordColumn column;
    int width;                 // for the text columns
    const char* widestNumber;  // for the number columns
  };
  const Column columns[] = {
      {TRecordColumn::Caption, 200, nullptr},
      {TRecordColumn::Id, 0, "-2147483648"},
      {TRecordColumn::Name2, 130, nullptr},
      {TRecordColumn::ScriptVariableName, 150, nullptr},
      {TRecordColumn::PlayerNumber, 0, "255"},
      {TRecordColumn::X, 0, "-8.88888888E-38"},  // as long as a 32-bit float's shortest form gets
      {TRecordColumn::Y, 0, "-8.88888888E-38"},
  };
  const QFontMetrics metrics(m_tree->font());
  const int cellMargins = 2 * (m_tree->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_tree) + 1);
  for (const Column& c : columns) {
    const int section = int(c.column);
    int width = c.width;
    if (c.widestNumber) width = metrics.horizontalAdvance(QString::fromLatin1(c.widestNumber)) + cellMargins + 2;
    m_tree->setColumnWidth(section, std::max(width, m_tree->header()->sectionSizeHint(section)));
  }
}

void TObjectsPage::FitHelpMemo() {
  // 175 pixels wide, the lines unbroken: a font too wide for that is made smaller,
  // down to a size still easy to read; beyond that the memo widens instead.
  constexpr int kWidth = 175;
  constexpr int kSmallestPixels = 9;
  const QStringList lines = HelpText().split(QLatin1Char('\n'));
  QFont font = m_helpMemo->font();
  if (font.pixelSize() <= 0) font.setPixelSize(QFontInfo(font).pixelSize());
  const auto textWidth = [&](const QFont& f) {
    const QFontMetrics metrics(f);
    int width = 0;
    for (const QString& line : lines) width = std::max(width, metrics.horizontalAdvance(line));
    return width;
  };
  const auto chrome = [&](const QFont& f) {
    return 2 * (m_helpMemo->frameWidth() + int(m_helpMemo->document()->documentMargin())) +
           QFontMetrics(f).averageCharWidth();
  };
  while (textWidth(font) + chrome(font) > kWidth && font.pixelSize() > kSmallestPixels)
    font.setPixelSize(font.pixelSize() - 1);
  m_helpMemo->setFont(font);
  m_helpMemo->setFixedSize(std::max(kWidth, textWidth(font) + chrome(font)), 290);
}

void TObjectsPage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (m_laidOut) return;
  m_laidOut = true;
  // What only the page's own showing needs comes with it, not with the window:
  // the clear button's icon is looked up in the desktop's icon theme, the help
  // text is measured, and the view's OpenGL context loads a whole driver.
  m_filterEd->setClearButtonEnabled(true);
  FitHelpMemo();
  InitGL();
  if (m_restoredSizes) {
    // The sizes the page had when the window last closed, fitted to this width.
    m_splitter->setSizes(*m_restoredSizes);
    return;
  }
  // The starting layout, whatever the window's size: tree 320 and table 325
  // pixels wide, the view's column taking the rest.
  const int handles = 2 * m_splitter->handleWidth();
  const int rest = m_splitter->width() - kTreeWidth - kTableWidth - handles;
  if (rest >= m_splitter->widget(2)->minimumSizeHint().width())
    m_splitter->setSizes({kTreeWidth, kTableWidth, rest});
}

TObjectsPage::~TObjectsPage() { m_session.RemoveListener(this); }

void TObjectsPage::RestoreLayout(const TLayoutValues& layout) {
  if (const auto sizes = layout.Ints(kSplitterKey, 3, 1, kLargestSize))
    m_restoredSizes = QList<int>(sizes->begin(), sizes->end());
  if (const auto width = layout.Ints(kNameColumnKey, 1, m_valuesEditor->horizontalHeader()->minimumSectionSize(),
                                     kLargestSize))
    m_valuesEditor->setColumnWidth(0, (*width)[0]);
}

void TObjectsPage::SaveLayout(TLayoutValues& layout) const {
  // A page never shown has only its starting sizes; what was restored stays.
  if (m_laidOut) {
    const QList<int> sizes = m_splitter->sizes();
    layout.SetInts(kSplitterKey, std::vector<int>(sizes.begin(), sizes.end()));
  }
  layout.SetInts(kNameColumnKey, {m_valuesEditor->columnWidth(0)});
}

std::vector<QWidget*> TObjectsPage::LockedControls() const { return {m_tree, m_valuesEditor}; }

bool TObjectsPage::ShowsResult(const TResultEntry& entry) const {
  return std::holds_alternative<TObjRef>(entry.target);
}

void TObjectsPage::ShowResult(const TResultEntry& entry) {
  if (const auto* ref = std::get_if<TObjRef>(&entry.target)) ShowChangedRecord(*ref);
}

QString TObjectsPage::HelpText() {
  return u"Оси:\n"
      "  Синий - Z\n"
      "  Красный - X\n"
      "  Зеленый - Y\n"
      "\n"
      "Камера:\n"
      "  Ctrl+\n"
      "    Правый мЫш - крутить\n"
      "    Левый мЫш - двигать\n"
      "    Средний мЫш - вернуть\n"
      "\n"
      "Ориентация:\n"
      "  Колесо - вокруг Z\n"
      "  Колесо+\n"
      "    Правый мЫш - вокруг X\n"
      "    Левый мЫш - вокруг Y\n"
      "  Средний мЫш - обнулить\n"
      "  Shift + средний мЫш - отменить"_s;
}

void TObjectsPage::FillObjectsTree() {
  // While the lock is held the document is the holder's: the tree follows at
  // the release.
  if (m_session.Busy()) {
    m_treeStale = true;
    return;
  }
  m_treeStale = false;
  ClearParams();
  m_filtering = true;
  m_model->Fill(m_session.Opened() ? &m_session.Mob() : nullptr, DecimalSeparator(), std::move(m_preparedRows));
  m_filtering = false;
  m_filterEd->setEnabled(FilterUsable());
  if (m_model->Filtered()) AfterRowsChanged();
  if (m_session.Opened()) m_indexTimer->start();
}

bool TObjectsPage::FilterUsable() const { return m_session.Opened() && !m_session.Busy(); }

void TObjectsPage::ApplyFilter() {
  m_filterTimer->stop();
  if (!FilterUsable()) return;
  const std::optional<std::string> text = ToCp1251(m_filterEd->text());
  // A character code page 1251 has no record can hold: nothing matches it.
  auto parsed = text ? ParseObjectFilter(*text) : ParseObjectFilter("\x01");
  if (const auto* error = std::get_if<TFilterError>(&parsed)) {
    m_shell.ShowStatusMessage(FromUtf8(error->message));
    return;  // the tree keeps the last filter that made sense
  }
  const auto& filter = std::get<TObjectFilter>(parsed);
  if (!m_model->Filtered() && !filter.Empty()) {
    std::array<bool, kObjKindCount> expanded{};
    for (ObjKind kind : kAllObjKinds) expanded[std::size_t(kind)] = m_tree->isExpanded(m_model->RootIndex(kind));
    m_expandedBeforeFilter = expanded;
  }
  m_filtering = true;
  m_model->SetFilter(filter);
  m_filtering = false;
  AfterRowsChanged();
}

void TObjectsPage::ClearFilter() {
  m_filterEd->clear();
  ApplyFilter();
}

void TObjectsPage::AfterRowsChanged() {
  for (ObjKind kind : kAllObjKinds) {
    const QModelIndex root = m_model->RootIndex(kind);
    if (m_model->Filtered()) m_tree->setExpanded(root, m_model->ShownCount(kind) > 0);
    else if (m_expandedBeforeFilter) m_tree->setExpanded(root, (*m_expandedBeforeFilter)[std::size_t(kind)]);
  }
  if (!m_model->Filtered()) m_expandedBeforeFilter.reset();
  if (!m_shownRecord) return;
  const QModelIndex node = m_model->IndexOf(*m_shownRecord);
  if (!node.isValid() || node == m_tree->currentIndex()) {
    if (node.isValid()) m_tree->scrollTo(node);
    return;
  }
  m_showingChange = true;  // the table shows it already
  m_tree->setCurrentIndex(node);
  m_showingChange = false;
  m_tree->scrollTo(node);
}

void TObjectsPage::FindInScript() {
  const auto ref = m_model->RecordAt(m_tree->currentIndex());
  if (!ref || !m_session.Opened() || m_session.Busy()) return;
  const TMob& mob = m_session.Mob();
  if (!RefersToRecord(mob, *ref)) return;
  m_shell.CommitEdits();  // the names and identity as typed
  const std::string script = m_shell.EditedScript();
  const std::vector<TScriptMention> mentions = FindRecordMentions(mob, *ref, script);
  const QString record = FromUtf8(DescribeRecord(mob, *ref));
  if (mentions.empty()) {
    m_shell.ShowStatusMessage(u"Скрипт не называет запись %1"_s.arg(record));
    return;
  }
  constexpr std::size_t kShownBytes = 300;  // of a line's text in its entry
  std::vector<TResultEntry> entries;
  entries.reserve(mentions.size());
  for (const TScriptMention& mention : mentions) {
    std::string_view shown = mention.line;
    while (!shown.empty() && (shown.front() == ' ' || shown.front() == '\t')) shown.remove_prefix(1);
    shown = shown.substr(0, kShownBytes);  // a byte is a character in code page 1251
    entries.push_back({std::to_string(mention.place.line) + ": " + Cp1251ToUtf8(shown), std::nullopt, mention.place});
  }
  // Counted before the call: the moved list may be taken before the title is made.
  const QString title = u"Запись %1 в скрипте — строк: %2"_s.arg(record).arg(entries.size());
  m_shell.ShowResults(title, std::move(entries));
}

void TObjectsPage::ShowTreeMenu(const QPoint& at) {
  m_findInScriptAct->setEnabled(m_model->RecordAt(m_tree->currentIndex()).has_value() && FilterUsable());
  QMenu menu(this);
  menu.addAction(m_findInScriptAct);
  menu.exec(m_tree->viewport()->mapToGlobal(at));
}

bool TObjectsPage::KeyDown(int key, Qt::KeyboardModifiers modifiers) {
  if (!m_shell.IsActivePage(this)) return false;
  const bool ctrl = modifiers & Qt::ControlModifier;
  const bool shift = modifiers & Qt::ShiftModifier;
  if (key == Qt::Key_E && ctrl && !shift) {
    if (m_filterEd->isEnabled()) {
      m_filterEd->setFocus(Qt::ShortcutFocusReason);
      m_filterEd->selectAll();
    }
    return true;
  }
  if (key == Qt::Key_F12 && shift && !ctrl && m_tree->hasFocus()) {
    FindInScript();
    return true;
  }
  // The records' own keys, only while the tree has the focus: elsewhere they
  // stay the keys of the control that has it.
  if (!m_tree->hasFocus()) return false;
  if (key == Qt::Key_Delete && !ctrl && !shift) return m_actions.Delete(SelectedRecords()), true;
  if (!ctrl || shift) return false;
  switch (key) {
    case Qt::Key_D: m_actions.Duplicate(SelectedRecords()); return true;
    case Qt::Key_C: m_actions.Copy(SelectedRecords()); return true;
    case Qt::Key_X: m_actions.Cut(SelectedRecords()); return true;
    case Qt::Key_V: m_actions.Paste(); return true;
    default: return false;
  }
}

bool TObjectsPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_filterEd && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    ClearFilter();
    m_tree->setFocus();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void TObjectsPage::InitGL() {
  if (std::exchange(m_glInitialised, true)) return;
  // Without a display driver no context can be made; the rest of the page works
  // all the same.
  // Platforms that draw without a window system are not relied on to draw with
  // OpenGL even where they can make a context.
  static const QStringList kNoGLWidgets = {u"offscreen"_s, u"minimal"_s,
                                           u"vnc"_s, u"linuxfb"_s};
  QOpenGLContext probe;
  if (kNoGLWidgets.contains(QGuiApplication::platformName()) || !probe.create()) {
    m_notice->show();
    return;
  }
  m_notice->hide();
  m_orientator = new TOrientatorFr(*this);
  m_side->insertWidget(0, m_orientator);
}

void TObjectsPage::ReleaseGL() {
  if (m_orientator) m_orientator->ReleaseGL();
}

void TObjectsPage::ClearParams() {
  m_valuesEditor->ClearRows();
  m_shownRecord.reset();
  m_sharedRecords.clear();
  m_sharedGroups = {};
  EnableSingleRecordTools(true);
}

std::vector<TObjRef> TObjectsPage::SelectedRecords() const {
  std::vector<TObjRef> refs;
  const auto current = m_model->RecordAt(m_tree->currentIndex());
  const QItemSelectionModel* selection = m_tree->selectionModel();
  if (current && selection->isSelected(m_tree->currentIndex())) refs.push_back(*current);
  for (const QItemSelectionRange& range : selection->selection()) {
    // Whole rows: the ranges hold every column of a row.
    for (int row = range.top(); row <= range.bottom(); ++row) {
      const auto ref = m_model->RecordAt(m_model->index(row, 0, range.parent()));
      if (ref && ref != current) refs.push_back(*ref);
    }
  }
  return refs;
}

std::vector<TObjRef> TObjectsPage::ChosenRecords() const {
  std::vector<TObjRef> refs = SelectedRecords();
  // The current record alone, as a tree of single selection has it, when nothing
  // else is selected (a selection model between two states says so too).
  if (refs.empty())
    if (const auto current = m_model->RecordAt(m_tree->currentIndex())) refs.push_back(*current);
  return refs;
}

void TObjectsPage::ObjectsTreeChange() {
  // A filter that hides the selected record leaves the table showing it.
  if (m_showingChange || m_filtering || !m_session.Opened()) return;
  const std::vector<TObjRef> refs = ChosenRecords();
  // The selection and the current row change one after the other: one showing.
  const bool shown = refs.size() > 1 ? m_sharedRecords == refs
                                     : (!refs.empty() && m_shownRecord == refs.front() && m_sharedRecords.empty());
  if (shown && m_shell.Links().SelectedRecords() == refs) return;
  // The user's choice is every page's selection.
  if (!refs.empty() || !m_shell.Links().SelectedRecords().empty()) m_shell.Links().SelectRecords(refs, this);
  if (!m_shell.IsActivePage(this)) return;
  ClearParams();
  if (refs.size() > 1) ShowSharedParams(refs);
  else if (refs.size() == 1) ShowObjectParams(refs.front());
}

void TObjectsPage::EnableSingleRecordTools(bool single) {
  if (m_orientator) m_orientator->setEnabled(single);
}

void TObjectsPage::ShowSharedParams(const std::vector<TObjRef>& refs) {
  ClearParams();
  const TMob& mob = m_session.Mob();
  m_sharedGroups = GroupRecords(mob, refs);
  for (const TSharedRow& row : SharedParamRows(mob, m_sharedGroups, DecimalSeparator()))
    m_valuesEditor->AppendRow(FromUtf8(row.key), FromCp1251(row.value), row.readOnly,
                              row.differs ? u"Разные значения"_s : QString());
  m_sharedRecords = refs;
  EndTurnGesture();
  // The view turns one record; the trap points dialog edits one record's points.
  EnableSingleRecordTools(false);
}

void TObjectsPage::SelectRecords(const std::vector<TObjRef>& refs) {
  if (refs.size() == 1) {
    ShowChangedRecord(refs.front());
    return;
  }
  const TMob& mob = m_session.Mob();
  std::vector<TObjRef> valid;
  for (const TObjRef& ref : refs)
    if (RefersToRecord(mob, ref)) valid.push_back(ref);
  if (valid.empty()) {
    ClearParams();
    return;
  }
  if (m_model->Filtered() &&
      std::any_of(valid.begin(), valid.end(), [&](TObjRef ref) { return !m_model->IndexOf(ref).isValid(); }))
    ClearFilter();  // a jump to records the filter hides: the filter goes
  QItemSelection selection;
  for (const TObjRef& ref : valid) {
    const QModelIndex node = m_model->IndexOf(ref);
    if (node.isValid()) selection.select(node, node);
  }
  m_showingChange = true;
  m_tree->selectionModel()->setCurrentIndex(m_model->IndexOf(valid.front()), QItemSelectionModel::NoUpdate);
  m_tree->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  m_showingChange = false;
  m_tree->scrollTo(m_model->IndexOf(valid.front()));
  ShowSharedParams(valid);
}

void TObjectsPage::ShowObjectParams(TObjRef ref) {
  ClearParams();
  const TMob& mob = m_session.Mob();
  if (!RefersToRecord(mob, ref)) return;
  for (const TParamRow& row : ParamRowsOf(mob, ref, DecimalSeparator()))
    m_valuesEditor->AppendRow(FromUtf8(row.key), FromCp1251(row.value), row.hasEditButton);
  m_shownRecord = ref;
  EndTurnGesture();  // a wheel run ends with the selection
  // Particles carry no rotation: the view keeps showing what it showed.
  if (const auto rotation = RotationOf(mob, ref)) {
    if (m_orientator) m_orientator->SetRotation(*rotation);
    m_savedRotation = *rotation;
  }
}

void TObjectsPage::ValuesEditorEnter() { m_valuesEditorFocused = true; }

void TObjectsPage::ValuesEditorExit() {
  if (m_valuesEditor->ParamRowCount() > 1) {
    const QString key = m_valuesEditor->CurrentKey();
    if (!key.isEmpty()) ValuesEditorValidate(key);
  }
  m_valuesEditorFocused = false;
}

void TObjectsPage::CommitValuesEditor() {
  if (m_session.Busy()) return;  // the document is the lock holder's; it waits
  // Only what was typed: an untouched row is not applied again here, so a
  // command never marks the document modified for a value nobody changed.
  for (const QString& key : m_valuesEditor->EditedKeys()) ValuesEditorValidate(key);
}

void TObjectsPage::ValuesEditorValidate(const QString& key) {
  ApplyParamRow(key);
  m_valuesEditor->MarkTaken(key);  // applied or refused, the text is no edit now
}

void TObjectsPage::RevertRow(const QString& key, const std::optional<std::string>& text) {
  if (text) m_valuesEditor->SetValue(key, FromCp1251(*text));
}

std::optional<std::string> TObjectsPage::RowBytes(const QString& key, const QString& text) {
  qsizetype badIndex = 0;
  auto bytes = ToCp1251(text, &badIndex);
  if (!bytes)
    m_shell.ShowStatusMessage(
        u"Символ «%1» нельзя записать в кодировке 1251, параметр %2 не изменён"_s
            .arg(text.mid(badIndex, text.at(badIndex).isHighSurrogate() ? 2 : 1), key));
  return bytes;
}

void TObjectsPage::ApplySharedRow(const QString& key) {
  // Only a typed text is a value here: a row left as shown (an empty one over
  // differing values above all) applies nothing.
  if (!m_valuesEditor->EditedKeys().contains(key)) return;
  TMob& mob = m_session.Mob();
  const std::string keyBytes = ToUtf8(key);
  const char separator = DecimalSeparator();
  m_valuesEditor->CommitOpenEditor(key);
  const QString text = m_valuesEditor->Value(key);
  const QString shown = m_valuesEditor->ShownValue(key);
  const auto bytes = RowBytes(key, text);
  if (!bytes) {
    m_valuesEditor->SetValue(key, shown);
    return;
  }
  TSharedValue result = SharedParamValue(mob, m_sharedGroups, keyBytes, *bytes, separator);
  switch (result.status) {
    case ApplyStatus::Accepted: {
      if (result.rowText) m_valuesEditor->SetValue(key, FromCp1251(*result.rowText));
      m_valuesEditor->SetValueToolTip(key, QString());
      const TFieldValue* first = nullptr;
      for (const auto& value : result.values)
        if (value && !first) first = &*value;
      const std::string caption = FieldEditCaption(keyBytes, ValueDisplayText(*first, separator)) + " (" +
                                  RecordCountText(m_sharedRecords.size()) + ")";
      if (!m_session.Apply(SetFieldStep(mob, m_sharedGroups, keyBytes, result.values, caption), this))
        m_session.NoteValueReapplied();
      break;
    }
    case ApplyStatus::Rejected:
      m_valuesEditor->SetValue(key, shown);
      break;
    case ApplyStatus::NotANumber:
      m_valuesEditor->SetValue(key, shown);
      m_shell.ShowStatusMessage(
          u"«%1» не является числом, параметр %2 не изменён"_s.arg(text, key));
      break;
    case ApplyStatus::OutOfRange:
      m_valuesEditor->SetValue(key, shown);
      m_shell.ShowStatusMessage(
          u"Число %1 вне допустимого диапазона, параметр %2 не изменён"_s.arg(text, key));
      break;
    case ApplyStatus::Ignored:
      m_valuesEditor->SetValue(key, shown);
      break;
  }
}

void TObjectsPage::ApplyParamRow(const QString& key) {
  if (!m_sharedRecords.empty() && m_session.Opened()) {
    ApplySharedRow(key);
    return;
  }
  if (!m_shownRecord || !m_session.Opened()) return;
  TMob& mob = m_session.Mob();
  const TObjRef ref = *m_shownRecord;
  const std::string keyBytes = ToUtf8(key);
  const char separator = DecimalSeparator();
  // Rows that are no field of the record (a trap's point rows) keep what was typed.
  const auto current = ParamDisplayText(mob, ref, keyBytes, separator);
  if (!current) return;

  m_valuesEditor->CommitOpenEditor(key);
  const QString text = m_valuesEditor->Value(key);
  const auto bytes = RowBytes(key, text);
  if (!bytes) {
    RevertRow(key, current);
    return;
  }

  TApplyResult result = ParamRowValue(mob, ref, keyBytes, *bytes, separator);
  switch (result.status) {
    case ApplyStatus::Accepted: {
      RevertRow(key, result.rowText);  // a list row shows its cleaned text
      // One step of the history, unless the value stays byte for byte the same;
      // an accepted value marks the document either way.
      TFieldValue& value = *result.value;
      const std::string caption = FieldEditCaption(keyBytes, ValueDisplayText(value, separator));
      if (!m_session.Apply(TFieldEditCommand::Set(mob, ref, keyBytes, std::move(value), caption), this))
        m_session.NoteValueReapplied();
      if (m_orientator && IsRotationKey(keyBytes))
        if (const auto rotation = RotationOf(mob, ref)) m_orientator->SetRotation(*rotation);
      break;
    }
    case ApplyStatus::Rejected:
      RevertRow(key, result.rowText);
      break;
    case ApplyStatus::NotANumber:
      RevertRow(key, result.rowText);
      m_shell.ShowStatusMessage(
          u"«%1» не является числом, параметр %2 не изменён"_s.arg(text, key));
      break;
    case ApplyStatus::OutOfRange:
      RevertRow(key, result.rowText);
      m_shell.ShowStatusMessage(
          u"Число %1 вне допустимого диапазона, параметр %2 не изменён"_s.arg(text, key));
      break;
    case ApplyStatus::Ignored:
      break;
  }
}

void TObjectsPage::EditTrapPoints(const QString& key) {
  if (!m_shownRecord || m_shownRecord->kind != ObjKind::Trap || !m_session.Opened() || m_session.Busy())
    return;
  m_shell.CommitEdits();
  const TObjRef ref = *m_shownRecord;
  TMob& mob = m_session.Mob();
  if (!RefersToRecord(mob, ref)) return;
  const bool first = key == u"TrapPoints1"_s;
  if (!first && key != u"TrapPoints2"_s) return;
  const std::string keyBytes = first ? "TrapPoints1" : "TrapPoints2";

  const TTrapObjBlock& trap = mob.Traps[ref.index];
  TTrapPointsF dialog(key, first ? TTrapPointTable::Of(trap.TrapPoints1) : TTrapPointTable::Of(trap.TrapPoints2),
                      DecimalSeparator(), window());
  if (dialog.exec() != QDialog::Accepted) return;

  // The whole list goes in as one step; a list that came back byte for byte the
  // same is no change at all.
  TFieldValue value = first ? TFieldValue(dialog.Points().Points3()) : TFieldValue(dialog.Points().Points2());
  const std::size_t count = dialog.Points().Count();
  m_session.Apply(
      TFieldEditCommand::Set(mob, ref, keyBytes, std::move(value), keyBytes + ": точек — " + std::to_string(count)),
      this);
}

char TObjectsPage::DecimalSeparator() const { return LocaleDecimalSeparator(); }

bool TObjectsPage::OrientatorPageActive() const { return m_shell.IsActivePage(this); }

void TObjectsPage::WheelMoved() {
  if (!m_lastWheel.isValid() || m_lastWheel.elapsed() >= kWheelGestureMs) EndTurnGesture();
  m_lastWheel.start();
}

void TObjectsPage::EndTurnGesture() {
  ++m_turnGesture;
  m_session.CloseGesture();
}

bool TObjectsPage::StoreRotationToRecord(const TQuaternion& rotation, TTurnGesture gesture) {
  if (!m_shownRecord || !m_session.Opened()) return false;
  // The view stays usable while a load or save runs on the worker thread or a
  // mass change holds the lock, but the document is theirs then: turns are drawn,
  // not stored.
  if (m_session.Busy()) return false;
  // A Rotation row being typed goes in before the turn, which rewrites the rows.
  m_shell.CommitEdits();
  if (!m_shownRecord) return false;
  TMob& mob = m_session.Mob();
  const TObjRef ref = *m_shownRecord;
  const std::optional<TRotationFields> before = ReadRotation(mob, ref);
  if (!before) return false;
  // The middle button's reset and cancel are a step each; wheel notches merge
  // until the run ends.
  if (gesture != TTurnGesture::Wheel) EndTurnGesture();
  const TRotationFields after = RotationFields(rotation);
  if (std::memcmp(before->data(), after.data(), sizeof after) != 0) {
    const char* caption = gesture == TTurnGesture::Reset    ? "Обнуление поворота"
                          : gesture == TTurnGesture::Cancel ? "Отмена поворота"
                                                            : "Поворот";
    m_session.Apply(std::make_unique<TTurnCommand>(ref, *before, after, m_turnGesture, caption), this);
  }
  if (gesture != TTurnGesture::Wheel) EndTurnGesture();
  return true;
}

void TObjectsPage::ShowRotationRows(const TQuaternion& rotation) {
  const char separator = DecimalSeparator();
  const float components[4] = {rotation.W, rotation.X, rotation.Y, rotation.Z};
  for (int i = 0; i < 4; ++i)
    m_valuesEditor->SetValue(FromUtf8(kRotationKeys[i]),
                             FromCp1251(FloatToDisplayText(components[i], separator)));
}

// ---- the record history ---------------------------------------------------------

void TObjectsPage::DocumentClosed() {
  m_preparedRows.reset();
  FillObjectsTree();
}

void TObjectsPage::RecordsChanged(const TRecordsChange& change, TChangeCause cause,
                                 const TDocumentListener* origin) {
  if (change.blocksReplaced) return;  // no record changed: the table shows what it showed
  m_preparedRows.reset();  // the captions may have changed
  m_model->RecordsEdited();
  m_tree->viewport()->update();  // the columns show the values as they are now
  if (!m_session.Busy()) m_indexTimer->start();
  if (change.listsResized) FillObjectsTree();  // waits for the lock's release when held
  if (m_session.Busy()) return;
  if (cause != TChangeCause::Edit) {
    if (change.records.size() > 1) SelectRecords(change.records);
    else ShowChangedRecord(change.record);
    m_shell.Links().NoteSelection(ChosenRecords());
  } else if (origin != this && change.record && change.record == m_shownRecord) {
    ShowObjectParams(*change.record);  // another page changed the record shown
  } else if (!change.listsResized && !m_sharedRecords.empty()) {
    // A change of records shown together (here or on the map): the rows show
    // what they share now.
    const std::vector<TObjRef> shared = m_sharedRecords;
    if (origin != this) ShowSharedParams(shared);
  }
}

void TObjectsPage::ShowChangedRecord(std::optional<TObjRef> ref) {
  if (!ref || !RefersToRecord(m_session.Mob(), *ref)) {
    ClearParams();
    return;
  }
  if (!m_model->IndexOf(*ref).isValid() && m_model->Filtered()) {
    m_shownRecord = ref;  // a jump to a record the filter hides: the filter goes
    ClearFilter();
  }
  const QModelIndex node = m_model->IndexOf(*ref);
  // Selected and shown on any page: the selection change alone would show it only
  // on this one.
  m_showingChange = true;
  m_tree->setCurrentIndex(node);
  m_showingChange = false;
  if (node.isValid()) m_tree->scrollTo(node);
  ShowObjectParams(*ref);
}

void TObjectsPage::BusyChanged(bool busy) {
  m_model->SetDocumentHeld(busy);
  if (!busy && m_treeStale) FillObjectsTree();
  m_filterEd->setEnabled(FilterUsable());
  if (!busy && m_filterTimer->isActive()) ApplyFilter();
  if (!busy && m_session.Opened()) m_indexTimer->start();
  UpdateHistoryButtons();
}

void TObjectsPage::UpdateHistoryButtons() {
  const TDocumentSession& session = m_session;
  const TDocCommand* undo = session.CanUndo() ? session.History().NextUndo() : nullptr;
  const TDocCommand* redo = session.CanRedo() ? session.History().NextRedo() : nullptr;
  m_undoBut->setEnabled(undo != nullptr);
  m_redoBut->setEnabled(redo != nullptr);
  m_undoBut->setToolTip(undo ? u"Отменить: "_s + FromUtf8(undo->Caption())
                             : u"Отменять нечего"_s);
  m_redoBut->setToolTip(redo ? u"Повторить: "_s + FromUtf8(redo->Caption())
                             : u"Повторять нечего"_s);
}

}  // namespace kelvarin
