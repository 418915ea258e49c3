#include "app/ui/mainf.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>
#include <utility>

#include "program/appinfo.h"
#include "program/appstate.h"
#include "app/core/checkentries.h"
#include "app/core/diffentries.h"
#include "program/layoutvalues.h"
#include "app/ui/pythonscripts.h"
#include "app/ui/recentmenu.h"
#include "app/ui/resultspanel.h"
#include "app/ui/settsf.h"
#include "common/filesystem.h"
#include "common/qt/fixedpitchfont.h"
#include "common/qt/latinkey.h"
#include "common/qt/qtext.h"
#include "document/docpaths.h"
#include "mob/backupcopy.h"
#include "shell/page.h"
#include "shell/prompts.h"
#include "version/ui/aboutf.h"

using namespace Qt::StringLiterals;

namespace kelvarin {
namespace {

// What waits for the window's first picture runs after this long at the latest.
constexpr int kFirstPictureWaitMs = 1000;

// A status message is news, not a state: it goes after this long.

QString Name(const char* name) { return QString::fromLatin1(name); }

// The window's keys in the layout section of the settings.
constexpr char kWindowKey[] = "MainWindow";  // x,y of the frame, then the inside's width,height
constexpr char kWindowMaximizedKey[] = "MainWindowMaximized";
// Far beyond any screen, and small enough that sums of them cannot overflow.
constexpr int kFarthest = 1'000'000;

const QString kBusyRefusal = u"Файл не открыт: идёт загрузка, сохранение или массовое изменение."_s;

// What a drop brings: the one .mob file to open, or why nothing opens.
struct TDropVerdict {
  QString path;
  QString refusal;
};

TDropVerdict JudgeDrop(const QMimeData* data) {
  const QList<QUrl> urls = data && data->hasUrls() ? data->urls() : QList<QUrl>();
  if (urls.isEmpty()) return {{}, u"Сюда можно перетащить только файл зоны .mob."_s};
  if (urls.size() > 1) return {{}, u"Перетащите один файл .mob: открыта может быть только одна зона."_s};
  const QUrl& url = urls.front();
  const QString path = url.isLocalFile() ? url.toLocalFile() : QString();
  if (path.isEmpty() || !path.endsWith(u".mob"_s, Qt::CaseInsensitive) || QFileInfo(path).isDir()) {
    const QString name = path.isEmpty() ? url.toDisplayString() : QFileInfo(path).fileName();
    return {{}, u"Не открыто: "_s + name + u" — не файл зоны .mob."_s};
  }
  return {path, {}};
}

}  // namespace

QString TMainF::AskForPath() { return u"NULL"_s; }

TMainF::TMainF(TAppState& app, TPrompts& prompts, QWidget* parent)
    : QMainWindow(parent), m_app(app), m_session(app.Session), m_prompts(prompts) {
  setObjectName(u"MainF"_s);
  setWindowTitle(FromUtf8(ProgramName));
  CreateMenus();
  auto* toolBar = addToolBar(QString());
  toolBar->setObjectName(u"ToolBar1"_s);
  toolBar->setMovable(false);
  toolBar->setFixedHeight(29);
  toolBar->toggleViewAction()->setVisible(false);
  CreatePages();
  statusBar()->setObjectName(u"StatusBar1"_s);
  m_caretStatus = new QLabel(this);
  m_caretStatus->setObjectName(u"CaretStatusLabel"_s);
  statusBar()->addPermanentWidget(m_caretStatus);
  m_caretStatus->hide();
  m_selectionStatus = new QLabel(this);
  m_selectionStatus->setObjectName(u"SelectionStatusLabel"_s);
  statusBar()->addPermanentWidget(m_selectionStatus);
  m_selectionStatus->hide();
  // However many records a page selects, the count stands in one place.
  connect(&m_links, &TPageLinks::SelectionChanged, this, [this](const std::vector<TObjRef>& refs) {
    m_selectionStatus->setText(u"Выделено: %1"_s.arg(refs.size()));
    m_selectionStatus->setVisible(!refs.empty());
  });
  // A second editor, the same program with the same settings file, so that two
  // zones stand side by side; records copied in one paste into the other.
  m_windowLauncher = [] { return QProcess::startDetached(QCoreApplication::applicationFilePath(), {}); };

  resize(839, 555 + menuBar()->sizeHint().height());
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  RestoreWindowPlacement();
  // Files dropped anywhere on the window; the filter below sees them first.
  setAcceptDrops(true);

  // Key preview: the window sees every key before the focused control does.
  qApp->installEventFilter(this);
  connect(qApp, &QApplication::focusChanged, this, &TMainF::OnFocusChanged);

  // The session's lines, its threaded runs and its news come to this window.
  m_session.SetLogSink(this);
  m_session.SetLogView(this);
  m_session.AddListener(this);
}

TMainF::~TMainF() {
  // The pages go first, while the window they call is whole: left to the sheets,
  // they would be destroyed by the base class, after this object, and a page
  // hidden or losing the focus on the way would call into a window that is gone.
  // The window's own lookups see no page from here on.
  for (const PlacedPage& placed : std::exchange(m_pages, {})) delete placed.page->PageWidget();
  m_session.RemoveListener(this);
  m_session.SetLogView(nullptr);
  m_session.SetLogSink(nullptr);
  qApp->removeEventFilter(this);
  // The window's own widgets are destroyed after this object, and losing the
  // focus on the way must not reach it.
  disconnect(qApp, nullptr, this, nullptr);
}

QAction* TMainF::AddItem(QMenu* menu, const char* name, const QString& caption, std::function<void()> command) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(Name(name));
  if (command)
    connect(action, &QAction::triggered, this, [this, command = std::move(command)] {
      CommitEdits();
      command();
    });
  return action;
}

void TMainF::CommitEdits() {
  // While the lock is held the document is the holder's; what was typed waits.
  if (LockHeld()) return;
  for (const PlacedPage& placed : m_pages) placed.page->CommitEdit();
}

void TMainF::CreateMenus() {
  menuBar()->setObjectName(u"MainMenu1"_s);
  auto separator = [](QMenu* menu, const char* name) { menu->addSeparator()->setObjectName(Name(name)); };

  FileMenu = menuBar()->addMenu(u"Файл"_s);
  FileMenu->setObjectName(u"FileMenu"_s);
  OpenMobMenu = AddItem(FileMenu, "OpenMobMenu", u"Открыть mob...                              Ctrl+O"_s,
                        [this] { OpenMobMenuClick(); });
  separator(FileMenu, "N5");
  SaveMob_menu = AddItem(FileMenu, "SaveMob_menu", u"Сохранить mob                               Ctrl+S"_s,
                         [this] { SaveMob_menuClick(); });
  SaveAsMobMenu = AddItem(FileMenu, "SaveAsMobMenu", u"Сохранить mob как...          Ctrl+Shift+S"_s,
                          [this] { SaveAsMobMenuClick(); });
  separator(FileMenu, "N8");
  CloseMobMenu = AddItem(FileMenu, "CloseMobMenu", u"Закрыть моб"_s, [this] { CloseMob(); });
  separator(FileMenu, "N1");
  BackupMobMenu = AddItem(FileMenu, "BackupMobMenu", u"Сделать бекап"_s, [this] { MakeBackup(CurMobFile()); });
  separator(FileMenu, "N3");
  AddItem(FileMenu, "ProgSettsMenu", u"Настройки..."_s, [this] { ProgSettsMenuClick(); });
  separator(FileMenu, "N6");
  // Kept for developers' experiments; it has no action in any build.
  TestMenuMenu = AddItem(FileMenu, "TestMenuMenu", u"TESTMENU (не жмать если не знаеш нафига!)"_s, nullptr);
  separator(FileMenu, "N4");
  RecentFilesMenu = FileMenu->addMenu(u"Недавние файлы"_s);
  RecentFilesMenu->setObjectName(u"RecentFilesMenu"_s);
  RecentFilesMenu->menuAction()->setObjectName(u"RecentFilesMenu"_s);
  RecentFilesMenu->menuAction()->setEnabled(false);  // until the File menu has looked
  // Rebuilt whenever it can come into sight, so a file deleted meanwhile is gone.
  connect(FileMenu, &QMenu::aboutToShow, this, &TMainF::RefreshRecentFilesMenu);
  connect(RecentFilesMenu, &QMenu::aboutToShow, this, &TMainF::RefreshRecentFilesMenu);
  separator(FileMenu, "N9");
  CompareWithFileMenu = AddItem(FileMenu, "CompareWithFileMenu", u"Сравнить с файлом..."_s,
                                [this] { CompareWithFileMenuClick(); });
  NewWindowMenu = AddItem(FileMenu, "NewWindowMenu", u"Новое окно"_s, [this] { NewWindowMenuClick(); });
  AddItem(FileMenu, "ExitMenu", u"Выход"_s, [this] { close(); });

  // Filled by the pages.
  EditMenu = menuBar()->addMenu(u"Правка"_s);
  EditMenu->setObjectName(u"EditMenu"_s);

  HelpMenu = menuBar()->addMenu(u"Справка"_s);
  HelpMenu->setObjectName(u"HelpMenu"_s);
  AddItem(HelpMenu, "ReadmeMenu", u"Прочитать Readme.txt"_s, [this] { ReadmeMenuClick(); });
  AddItem(HelpMenu, "AboutMenu", u"О программе..."_s, [this] { AboutMenuClick(); });

  // Commands over the whole zone, after the menus of old.
  ToolsMenu = menuBar()->addMenu(u"Сервис"_s);
  ToolsMenu->setObjectName(u"ToolsMenu"_s);
  CheckZoneMenu = AddItem(ToolsMenu, "CheckZoneMenu", u"Проверить зону"_s, [this] { CheckZoneMenuClick(); });
#ifdef KELVARIN_PYTHON_SCRIPTS
  new TPythonScripts(*this, ToolsMenu, statusBar(), this);
#endif
}

void TMainF::CreatePages() {
  MainF_PK = new QTabWidget(this);
  MainF_PK->setObjectName(u"MainF_PK"_s);
  MainF_PK->setUsesScrollButtons(false);
  ScriptSh = AddSheet("ScriptSh", u"Скрипт"_s);
  BlocksSh = AddSheet("BlocksSh", u"Блоки"_s);
  ObjectsSh = AddSheet("ObjectsSh", u"Объекты"_s);
  DiplomacySh = AddSheet("DiplomacySh", u"Дипломатия"_s);
  MassChangesSh = AddSheet("MassChangesSh", u"Массовые измененя"_s);
  LogSh = AddSheet("LogSh", u"Лог"_s);

  LogEd = new QPlainTextEdit(LogSh);
  LogEd->setObjectName(u"LogEd"_s);
  LogEd->setFont(FixedPitchFont(13));
  LogEd->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  LogEd->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  LogEd->setPlainText(u"По идее, сюда должен впечатываться лог всякий..."_s);
  LogSh->layout()->addWidget(LogEd);

  // The result list sits below the pages and is hidden until a command fills it.
  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter->setObjectName(u"PagesSplitter"_s);
  splitter->setChildrenCollapsible(false);
  splitter->addWidget(MainF_PK);
  m_results = new TResultsPanel(splitter);
  splitter->addWidget(m_results);
  splitter->setStretchFactor(0, 4);
  splitter->setStretchFactor(1, 1);
  connect(m_results, &TResultsPanel::EntryActivated, this, &TMainF::GoToResult);
  setCentralWidget(splitter);
  connect(MainF_PK, &QTabWidget::currentChanged, this, &TMainF::PageChanged);
}


QWidget* TMainF::AddSheet(const char* name, const QString& caption) {
  auto* sheet = new QWidget;
  sheet->setObjectName(Name(name));
  auto* layout = new QVBoxLayout(sheet);
  layout->setContentsMargins(0, 0, 0, 0);
  MainF_PK->addTab(sheet, caption);
  return sheet;
}

void TMainF::AddPage(QWidget* sheet, TPage& page) {
  // Behind the pages still waiting: the order of adding is the busy lock's.
  BuildPendingPages();
  PlacePage(sheet, page);
}

void TMainF::AddPageLater(QWidget* sheet, std::function<TPage&()> make) {
  m_pendingPages.push_back({sheet, std::move(make)});
}

void TMainF::PlacePage(QWidget* sheet, TPage& page) {
  sheet->layout()->addWidget(page.PageWidget());
  m_pages.push_back({sheet, &page});
  page.FillEditMenu(EditMenu);
  page.RestoreLayout(m_app.Settings.Layout);
}

void TMainF::BuildPendingPages() {
  if (m_pendingPages.empty()) return;
  const std::size_t first = m_pages.size();
  for (PendingPage& pending : std::exchange(m_pendingPages, {})) PlacePage(pending.sheet, pending.make());
  if (!m_shown) return;  // FormShow brings them up with the others
  // What the window's showing gave the pages before them.
  UpdateWindowState();
  for (std::size_t i = first; i < m_pages.size(); ++i) m_pages[i].page->WindowShown();
  LogSettingsNotes();  // their remembered sizes have just been read
}

void TMainF::LogSettingsNotes() {
  for (const std::string& line : m_app.TakeSettingsNotes()) AppendLog(line);
}

void TMainF::AfterFirstPicture(std::function<void()> work) {
  if (m_pictureShown) work();
  else m_afterFirstPicture.push_back(std::move(work));
}

void TMainF::FirstPictureShown() {
  if (std::exchange(m_pictureShown, true)) return;
  BuildPendingPages();
  for (const auto& work : std::exchange(m_afterFirstPicture, {})) work();
}

// ---- remembered layout ---------------------------------------------------------

void TMainF::RestoreWindowPlacement() {
  const TLayoutValues& layout = m_app.Settings.Layout;
  std::optional<TRect> saved;
  if (const auto v = layout.Ints(kWindowKey, 4, -kFarthest, kFarthest)) saved = TRect{(*v)[0], (*v)[1], (*v)[2], (*v)[3]};
  std::vector<TRect> screens;
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect area = screen->availableGeometry();
    screens.push_back({area.x(), area.y(), area.width(), area.height()});
  }
  const TRect placed = PlaceOnScreens(saved, screens, {x(), y(), width(), height()});
  resize(placed.width, placed.height);
  move(placed.x, placed.y);
  if (const auto maximized = layout.Ints(kWindowMaximizedKey, 1, 0, 1); maximized && (*maximized)[0] == 1)
    setWindowState(windowState() | Qt::WindowMaximized);
}

void TMainF::RememberLayout() {
  TLayoutValues& layout = m_app.Settings.Layout;
  // A maximised window is remembered with the place it goes back to.
  const bool maximized = isMaximized() || isFullScreen();
  const QRect inside = maximized ? normalGeometry() : geometry();
  const QPoint frameOffset = geometry().topLeft() - pos();
  layout.SetInts(kWindowKey, {inside.x() - frameOffset.x(), inside.y() - frameOffset.y(), inside.width(),
                              inside.height()});
  layout.SetInts(kWindowMaximizedKey, {isMaximized() ? 1 : 0});
  for (const PlacedPage& placed : m_pages) placed.page->SaveLayout(layout);
}

// ---- recent files and dropped files --------------------------------------------

void TMainF::NoteRecentFile(const std::string& path) {
  // The settings file holds code page 1251: a path it cannot hold is not kept.
  const std::optional<std::string> stored = ToCp1251(FromUtf8(path));
  if (!stored) return;
  TRecentFiles& recent = m_app.Settings.RecentFiles;
  const TRecentFiles before = recent;
  recent.Note(*stored);
  if (recent != before) SaveSettings();
}

void TMainF::RefreshRecentFilesMenu() {
  FillRecentMenu(*RecentFilesMenu, m_app.Settings.RecentFiles, [this](const QString& path) { OpenMobFromShell(path); });
}

bool TMainF::OpenMobFromShell(const QString& path) {
  if (LockHeld()) {
    ShowStatusMessage(kBusyRefusal);
    return false;
  }
  CommitEdits();
  return OpenMob(path);
}

bool TMainF::HandleDrag(QObject* watched, QEvent* event) {
  auto* drag = static_cast<QDropEvent*>(event);
  // Text dragged inside or into a text field is the field's business; whatever
  // else reaches the window itself is judged here.
  if (!(drag->mimeData() && drag->mimeData()->hasUrls()) && watched != this) return false;
  TDropVerdict verdict = JudgeDrop(drag->mimeData());
  if (verdict.refusal.isEmpty() && LockHeld()) verdict = {{}, kBusyRefusal};
  if (!verdict.refusal.isEmpty()) {
    // Said while the drag comes in, so the refusing cursor has its reason.
    if (event->type() != QEvent::DragMove) ShowStatusMessage(verdict.refusal);
    drag->ignore();
    return true;
  }
  drag->acceptProposedAction();
  if (event->type() == QEvent::Drop) {
    // Opened once the drop is over: the question about unsaved changes must not
    // hold up the program the file came from.
    QTimer::singleShot(0, this, [this, path = verdict.path] {
      activateWindow();
      OpenMobFromShell(path);
    });
  }
  return true;
}

// ---- lookups -------------------------------------------------------------------

std::vector<QWidget*> TMainF::LockList() {
  BuildPendingPages();
  return BuiltLockList();
}

std::vector<QWidget*> TMainF::BuiltLockList() const {
  std::vector<QWidget*> list;
  for (const PlacedPage& placed : m_pages)
    if (QWidget* editor = placed.page->TextEditor()) list.push_back(editor);
  list.push_back(FileMenu);
  list.push_back(HelpMenu);
  for (const PlacedPage& placed : m_pages)
    for (QWidget* control : placed.page->LockedControls()) list.push_back(control);
  return list;
}

std::vector<QWidget*> TMainF::DocumentControls() const {
  std::vector<QWidget*> controls = BuiltLockList();
  std::erase_if(controls, [this](const QWidget* w) { return w == FileMenu || w == HelpMenu; });
  return controls;
}

TPage* TMainF::ActivePage() const {
  for (const PlacedPage& placed : m_pages)
    if (placed.sheet == MainF_PK->currentWidget()) return placed.page;
  return nullptr;
}

TPage* TMainF::EditorPageOf(const QWidget* widget) const {
  if (!widget) return nullptr;
  for (const PlacedPage& placed : m_pages)
    if (const QWidget* editor = placed.page->TextEditor())
      if (widget == editor || editor->isAncestorOf(widget)) return placed.page;
  return nullptr;
}

TDocumentSession& TMainF::Session() { return m_session; }

TMob& TMainF::Mob() { return m_session.Mob(); }

bool TMainF::MobOpened() const { return m_session.Opened(); }

QString TMainF::CurMobFile() const { return FromUtf8(m_session.Path()); }

bool TMainF::MobModified() const { return m_session.Modified(); }

TSettings& TMainF::Settings() { return m_app.Settings; }

// ---- window lifecycle ----------------------------------------------------------

void TMainF::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (m_shown) return;
  m_shown = true;
  FormShow();
  // A window the screen never draws (shown on another desktop, say) gets what
  // waits for its first picture all the same.
  QTimer::singleShot(kFirstPictureWaitMs, this, &TMainF::FirstPictureShown);
}

void TMainF::paintEvent(QPaintEvent* event) {
  QMainWindow::paintEvent(event);
  // The picture reaches the screen when this round of painting is over.
  if (!m_pictureShown) QTimer::singleShot(0, this, &TMainF::FirstPictureShown);
}

void TMainF::FormShow() {
  setWindowTitle(FromUtf8(ProgramName));
  m_lastEditor = nullptr;
  m_locking = false;
  MainF_PK->setCurrentWidget(ScriptSh);
  UpdateWindowState();
  for (const PlacedPage& placed : m_pages) placed.page->WindowShown();
  const int status = m_app.VerInfo.Status;
  if (status == TVerInfoTxtFormat::kStatusReleaseCandidate || status == TVerInfoTxtFormat::kStatusRelease)
    TestMenuMenu->setVisible(false);
  const std::string problem = m_app.TakeSettingsProblem();
  if (!problem.empty()) AppendLog(FromUtf8(problem));
  LogSettingsNotes();
  // The document opens once the window is on screen, so its prompts and log lines
  // have a window to appear in.
  if (!m_startupFile.isNull()) AfterFirstPicture([this] { OpenMob(m_startupFile); });
}

void TMainF::closeEvent(QCloseEvent* event) {
  // A load, save or mass change is still running in the pumped event loop: the
  // document belongs to it until it ends.
  if (LockHeld()) {
    event->ignore();
    return;
  }
  CommitEdits();
  if (!FormClose()) {
    event->ignore();
    return;
  }
  event->accept();
}

bool TMainF::FormClose() {
  if (!CloseMob()) return false;
  RememberLayout();
  for (const PlacedPage& placed : m_pages) placed.page->WindowClosing();
  return true;
}

// ---- log -----------------------------------------------------------------------

void TMainF::AppendLog(const QString& text) {
  QString lines = text;
  lines.replace(u"\r\n"_s, u"\n"_s);
  if (lines.endsWith(u'\n')) lines.chop(1);
  LogEd->appendPlainText(lines);
  QScrollBar* bar = LogEd->verticalScrollBar();
  bar->setValue(bar->maximum());
}

void TMainF::AppendLog(const std::string& text) { AppendLog(FromUtf8(text)); }

void TMainF::AppendDocumentLog(const std::string& text) {
  if (MainF_PK->currentWidget() == LogSh) LogEd->setFocus();
  if (!text.empty()) AppendLog(FromUtf8(text));
}

void TMainF::ShowLogPage() { MainF_PK->setCurrentWidget(LogSh); }

void TMainF::LogShShow() {
  LogEd->setFocus();
  LogEd->moveCursor(QTextCursor::End);
  LogEd->ensureCursorVisible();
}

void TMainF::ShowStatusMessage(const QString& text) { statusBar()->showMessage(text, m_statusMessageMs); }

void TMainF::ShowCaretStatus(const QString& text) {
  m_caretStatus->setText(text);
  m_caretStatus->setVisible(!text.isEmpty());
}

void TMainF::ShowResults(const QString& title, std::vector<TResultEntry> entries) {
  m_results->Show(title, std::move(entries));
}

std::string TMainF::EditedScript() {
  for (const PlacedPage& placed : m_pages)
    if (auto script = placed.page->EditedScript()) return std::move(*script);
  return Mob().ScriptText;
}

void TMainF::CheckZoneMenuClick() {
  // The check reads the document, which a running load, save or mass change holds.
  if (!MobOpened() || LockHeld()) return;
  TCheckResults results = CheckResults(Mob(), EditedScript());
  const QString summary = FromUtf8(results.summary);
  ShowStatusMessage(summary);
  ShowResults(summary, std::move(results.entries));
}

void TMainF::CompareWithFileMenuClick() {
  if (!MobOpened() || LockHeld()) return;
  const QString chosen = m_prompts.ChooseOpenFile(WorkPath());
  if (chosen.isEmpty()) return;
  const TFileComparison comparison = CompareWithFile(Mob(), EditedScript(), ToUtf8(chosen));
  ShowStatusMessage(FromUtf8(comparison.title));
  if (!comparison.loaded) {
    AppendLog(comparison.log);
    ShowLogPage();
    return;
  }
  ShowResults(FromUtf8(comparison.title), comparison.entries);
}

void TMainF::GoToResult(const TResultEntry& entry) {
  // The editor and the tree belong to a running load, save or mass change.
  if (LockHeld()) return;
  for (const PlacedPage& placed : m_pages)
    if (placed.page->ShowsResult(entry)) {
      MainF_PK->setCurrentWidget(placed.sheet);
      placed.page->ShowResult(entry);
      return;
    }
}

bool TMainF::IsActivePage(const QWidget* page) const {
  const QWidget* current = MainF_PK->currentWidget();
  return page && current && (current == page || current->isAncestorOf(page));
}

void TMainF::ShowLogLine(const std::string& line) { AppendLog(FromUtf8(line)); }

void TMainF::ProcessMessages() { QCoreApplication::processEvents(); }

void TMainF::WorkerStarting() {
  if (MainF_PK->currentWidget() == LogSh) LogEd->setFocus();
}

// ---- settings ------------------------------------------------------------------

void TMainF::SaveSettings() {
  m_app.SaveSettings();
  const std::string problem = m_app.TakeSettingsProblem();
  if (!problem.empty()) AppendLog(FromUtf8(problem));
}

QString TMainF::WorkPath() const { return FromCp1251(m_app.Settings.WorkPath); }

void TMainF::SetWorkPathFolderOf(const std::string& path) {
  // The settings file holds code page 1251; a folder name it cannot hold is not
  // stored, and the dialogs keep starting in the previous folder.
  if (auto folder = ToCp1251(FromUtf8(FolderOf(path)))) m_app.Settings.WorkPath = std::move(*folder);
}

// ---- document state ------------------------------------------------------------

void TMainF::ModifiedChanged(bool) { UpdateWindowState(); }

void TMainF::DocumentOpened() { NoteRecentFile(m_session.Path()); }

void TMainF::DocumentClosed() {
  m_results->Clear();  // its entries lead into the document just closed
  m_links.SelectRecords({}, nullptr);
}

void TMainF::NewWindowMenuClick() {
  if (!m_windowLauncher()) ShowStatusMessage(u"Не удалось запустить новое окно редактора."_s);
}

void TMainF::DocumentSaved(bool pathChanged) {
  NoteRecentFile(m_session.Path());
  if (pathChanged) UpdateWindowState();  // the title follows the new file name
}

void TMainF::SaveFailed() { ShowLogPage(); }

void TMainF::LoadFailed() { ShowLogPage(); }

void TMainF::BackupFailed() { ShowLogPage(); }

void TMainF::UpdateWindowState() {
  setWindowTitle(FromUtf8(ProgramName));
  setWindowIconText(FromUtf8(ProgramName));  // the task-bar text
  const bool opened = MobOpened();
  if (opened) {
    const QString name = FromUtf8(FileNameOf(m_session.Path()));
    setWindowTitle(FromUtf8(ProgramName) + u' ' + name + (MobModified() ? u" *"_s : QString()));
    setWindowIconText(name);
  }
  for (QAction* item : {SaveMob_menu, SaveAsMobMenu, BackupMobMenu, CloseMobMenu, CheckZoneMenu, CompareWithFileMenu})
    item->setEnabled(opened);
  if (LockHeld()) {
    // A save or reopening inside a locked run must not hand the controls back
    // while the run goes on; the release brings them up to date.
    m_windowStatePending = true;
  } else {
    for (QWidget* control : DocumentControls()) control->setEnabled(opened);
    if (opened) {
      if (TPage* page = ActivePage())
        if (QWidget* editor = page->TextEditor()) {
          m_lastEditor = editor;
          editor->setFocus();
        }
      for (const PlacedPage& placed : m_pages) placed.page->ControlsEnabled();
    }
  }
  // Last, so the items follow the editor's new enabled state.
  UpdateEditMenu();
}

void TMainF::UpdateEditMenu() {
  for (const PlacedPage& placed : m_pages) placed.page->UpdateEditMenu(EditorCommandsActive(placed));
}

bool TMainF::EditorCommandsActive(const PlacedPage& placed) const {
  const QWidget* editor = placed.page->TextEditor();
  return editor && m_lastEditor == editor && editor->isEnabled() && MainF_PK->currentWidget() == placed.sheet;
}

// ---- document commands ---------------------------------------------------------

bool TMainF::OpenMob(const QString& pathArgument) {
  // Every page hears of the document (a threaded load has them work out their
  // share on its worker).
  BuildPendingPages();
  QString chosen = pathArgument;
  if (chosen == AskForPath()) {
    chosen = m_prompts.ChooseOpenFile(WorkPath());
    if (chosen.isEmpty()) return false;
  }
  const std::optional<std::string> path = m_session.FindFileToOpen(ToUtf8(chosen));
  if (!path) {
    ShowLogPage();
    UpdateWindowState();
    return false;
  }
  SetWorkPathFolderOf(*path);
  SaveSettings();
  if (!CloseMob()) {
    UpdateWindowState();
    return false;
  }
  const bool ok = m_session.Load(*path);
  UpdateWindowState();
  return ok;
}

bool TMainF::SaveMob() {
  if (!Files().Exists(m_session.Path())) return SaveMobAs();
  return m_session.Save(m_session.Path());
}

bool TMainF::SaveMobAs() {
  const QString chosen = m_prompts.ChooseSaveFile(WorkPath());
  if (chosen.isEmpty()) return false;
  std::string path = ToUtf8(chosen);
  SetWorkPathFolderOf(path);
  SaveSettings();
  path = WithMobExtension(std::move(path));
  if (Files().Exists(path) &&
      !m_prompts.AskYesNo(u"Указанный Вами файл "_s + FromUtf8(path) + u" уже существует. Перезаписать его?"_s,
                          TPrompts::Icon::Warning))
    return false;
  return m_session.Save(path);
}

bool TMainF::CloseMob() {
  if (!MobOpened()) return true;
  if (MobModified()) {
    const QString fileName = FromUtf8(FileNameOf(m_session.Path()));
    switch (m_prompts.AskYesNoCancel(u"Файл "_s + fileName + u" не был сохранен. Сохранить его перед закрытием?"_s,
                                     TPrompts::Icon::Question)) {
      case TPrompts::Answer::Cancel:
        return false;
      case TPrompts::Answer::No:
        break;
      case TPrompts::Answer::Yes:
        while (!SaveMob()) {
          const auto retry = m_prompts.AskYesNoCancel(
              u"Файл "_s + fileName + u" сохранить не удалось. Повторить попытку?"_s, TPrompts::Icon::Error);
          if (retry == TPrompts::Answer::Cancel) return false;
          if (retry == TPrompts::Answer::No) break;
        }
        break;
    }
  }
  m_session.Close();
  UpdateWindowState();
  return true;
}

void TMainF::MakeBackup(const QString& pathText) {
  const std::string path = ToUtf8(pathText);
  const std::string target = ManualBackupPath(path);
  if (Files().Exists(target) &&
      !m_prompts.AskYesNo(u"Файл "_s + FromUtf8(target) + u" уже существует. Перезаписать его?"_s,
                          TPrompts::Icon::Warning)) {
    m_session.LogBackupDeclined(path);
    return;
  }
  // Asked when there was one; one that appeared since is replaced all the same.
  m_session.MakeBackup(path, true);
}

bool TMainF::UndoRecords() {
  if (LockHeld()) return false;
  CommitEdits();
  return m_session.Undo();
}

bool TMainF::RedoRecords() {
  if (LockHeld()) return false;
  CommitEdits();
  return m_session.Redo();
}

// ---- menu commands -------------------------------------------------------------

void TMainF::OpenMobMenuClick() { OpenMob(AskForPath()); }

void TMainF::SaveMob_menuClick() { SaveMob(); }

void TMainF::SaveAsMobMenuClick() { SaveMobAs(); }

void TMainF::ProgSettsMenuClick() {
  TSettsF dialog(m_app.Settings, m_prompts, [this] { SaveSettings(); }, this);
  dialog.exec();
}

void TMainF::OpenInViewer(const QString& path) {
  if (m_fileOpener) {
    m_fileOpener(path);
    return;
  }
  if (!QFileInfo::exists(path) || !QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
    m_prompts.ShowMessage(u"Не удалось открыть файл "_s + path, TPrompts::Icon::Error);
}

void TMainF::ReadmeMenuClick() { OpenInViewer(FromUtf8(m_app.DocFile(ReadmeFile))); }

void TMainF::AboutMenuClick() {
  TAboutF about(m_app.VerInfo, FromUtf8(m_app.DocFile(LicenseFile)),
                [this](const QString& path) { OpenInViewer(path); }, this);
  about.exec();
}

// ---- busy lock and focus memory ------------------------------------------------

// Nested locks (a mass change around its own saves) keep the outermost state: the
// session counts them and tells of the first and the last.
void TMainF::LockControls() { m_session.BeginBusy(); }

void TMainF::UnlockControls() { m_session.EndBusy(); }

bool TMainF::LockHeld() const { return m_session.Busy(); }

void TMainF::SetLockOnLoadSave(bool value) { m_session.LockOnLoadSave = value; }

void TMainF::BusyChanged(bool busy) {
  if (busy) DisableLockedControls();
  else RestoreLockedControls();
}

void TMainF::DisableLockedControls() {
  m_focusBeforeLock.clear();
  for (QWidget* w = QApplication::focusWidget(); w && w->window() == this && w != this; w = w->parentWidget())
    m_focusBeforeLock.emplace_back(w);
  m_locking = true;
  m_lockSaved.clear();
  for (QWidget* control : LockList()) {
    // The control's own flag, not the effective state a disabled parent gives it.
    m_lockSaved.push_back({control, !control->testAttribute(Qt::WA_ForceDisabled)});
    control->setEnabled(false);
  }
  m_locking = false;
  UpdateEditMenu();  // the Edit items work on the editor, which is off now
}

void TMainF::RestoreLockedControls() {
  for (const SavedState& saved : std::exchange(m_lockSaved, {}))
    if (saved.control) saved.control->setEnabled(saved.enabled);
  if (std::exchange(m_windowStatePending, false)) UpdateWindowState();
  FocusLastEditor();
  // Without an editor to go back to, the control that had the focus before the
  // lock gets it again, when it can still be seen and used.
  const auto previous = std::exchange(m_focusBeforeLock, {});
  if (!(m_lastEditor && m_lastEditor->hasFocus()))
    for (const QPointer<QWidget>& w : previous)
      if (w && w->isVisible() && w->isEnabled() && w->focusPolicy() != Qt::NoFocus) {
        w->setFocus();
        break;
      }
  UpdateEditMenu();
}

void TMainF::FocusLastEditor() {
  // A control on a page that is not showing never takes the keys.
  if (m_lastEditor && m_lastEditor->isVisible() && m_lastEditor->isEnabled()) m_lastEditor->setFocus();
}

void TMainF::PageChanged() {
  BuildPendingPages();  // a sheet never comes up without its page
  // Leaving a page is leaving its editor, whether or not the focus moved with the
  // page.
  const TPage* editorPage = EditorPageOf(m_lastEditor);
  if (m_lastEditor && !(editorPage && editorPage == ActivePage())) EditorExit();
  else UpdateEditMenu();
  if (MainF_PK->currentWidget() == LogSh) LogShShow();
}

void TMainF::OnFocusChanged(QWidget* old, QWidget* now) {
  TPage* oldPage = EditorPageOf(old);
  TPage* nowPage = EditorPageOf(now);
  if (nowPage && nowPage != oldPage) {
    EditorEnter(nowPage->TextEditor());
  } else if (oldPage && oldPage != nowPage) {
    // Switching to another program or a dialog is not leaving the editor, but
    // disabling it is, even when no other control takes the focus.
    if ((now && now->window() == this) || !oldPage->TextEditor()->isEnabled()) EditorExit();
  }
}

void TMainF::EditorEnter(QWidget* editor) {
  m_lastEditor = editor;
  UpdateEditMenu();
}

void TMainF::EditorExit() {
  // While the lock disables the editor it is still the one to come back to.
  if (!m_locking) m_lastEditor = nullptr;
  UpdateEditMenu();
}

// ---- keys ----------------------------------------------------------------------

bool TMainF::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      if (watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this &&
          HandleDrag(watched, event))
        return true;
      break;
    default:
      break;
  }
  if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (FormKeyDown(LatinKeyOf(key->key()), key->modifiers())) return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TMainF::TriggerIfEnabled(QAction* action) {
  // No command starts from the keyboard while a load, save or mass change runs.
  if (action && action->isEnabled() && !LockHeld()) action->trigger();
}

bool TMainF::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
  const bool ctrl = modifiers & Qt::ControlModifier;
  const bool shift = modifiers & Qt::ShiftModifier;
  if (key == Qt::Key_S && ctrl && !shift) {
    TriggerIfEnabled(SaveMob_menu);
    return true;
  }
  if (key == Qt::Key_S && ctrl && shift) {
    TriggerIfEnabled(SaveAsMobMenu);
    return true;
  }
  if (key == Qt::Key_O && ctrl) {
    TriggerIfEnabled(OpenMobMenu);
    return true;
  }
  // The pages' own shortcuts (the script's search, replace and key dialog).
  for (const PlacedPage& placed : m_pages)
    if (placed.page->KeyDown(key, modifiers)) return true;
  // Undo and redo: the record history's, unless the page showing keeps its own.
  const bool undo = key == Qt::Key_Z && ctrl && !shift;
  const bool redo = (key == Qt::Key_Z && ctrl && shift) || (key == Qt::Key_Y && ctrl);
  if (undo || redo) {
    if (const TPage* page = ActivePage(); page && page->OwnsUndoKeys()) return false;
    if (undo) UndoRecords();
    else RedoRecords();
    return true;
  }
  return false;
}

}  // namespace kelvarin
