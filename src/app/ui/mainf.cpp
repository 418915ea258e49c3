#include "app/ui/mainf.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
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
#include <utility>

#include "app/core/appinfo.h"
#include "app/core/appstate.h"
#include "document/docpaths.h"
#include "app/ui/prompts.h"
#include "app/ui/resultspanel.h"
#include "app/ui/settsf.h"
#include "common/filesystem.h"
#include "common/qt/fixedpitchfont.h"
#include "common/qt/latinkey.h"
#include "common/qt/qtext.h"
#include "mob/backupcopy.h"
#include "version/ui/aboutf.h"

using namespace Qt::StringLiterals;

namespace kelvarin {
namespace {

constexpr const char* kLockList[] = {
    "ScriptEd", "FileMenu", "HelpMenu", "ObjectsTree", "ValuesEditor",
    // Mass-change criteria.
    "MC_KR_Param_Name1CB", "MC_KR_Param_Name1Ed", "MC_KR_Param_Name2CB", "MC_KR_Param_Name2Ed",
    "MC_KR_Param_ScriptVariableNameCB", "MC_KR_Param_ScriptVariableNameEd",
    "MC_KR_Param_Model3dCB", "MC_KR_Param_Model3dEd", "MC_KR_Param_FirstTextureCB",
    "MC_KR_Param_FirstTextureEd", "MC_KR_Param_SecondTextureCB", "MC_KR_Param_SecondTextureEd",
    "MC_KR_Param_PlayerNumberCB", "MC_KR_Param_PlayerNumberEd", "MC_KR_Coords_PramouglCB",
    "MC_KR_Coords_Pramougl_X1Ed", "MC_KR_Coords_Pramougl_Y1Ed", "MC_KR_Coords_Pramougl_X2Ed",
    "MC_KR_Coords_Pramougl_Y2Ed", "MC_KR_Coords_KrugCB", "MC_KR_Coords_Krug_XEd",
    "MC_KR_Coords_Krug_YEd", "MC_KR_Coords_Krug_RadEd", "MC_KR_Type_UnitCB", "MC_KR_Type_ObjectCB",
    "MC_KR_Type_LeverCB", "MC_KR_Type_TrapCB", "MC_KR_Type_FlameCB", "MC_KR_Type_Particle1CB",
    "MC_KR_Type_Particle2CB", "MC_KR_Type_Particle3CB",
    // Mass-change actions.
    "MC_AS_Obj_DelRB", "MC_AS_Obj_CopyRB", "MC_AS_Obj_MoveRB", "MC_AS_Obj_TargetMobSelBut",
    "MC_AS_Obj_TargetMobEd", "MC_AS_Obj_ReplaceCB", "MC_AS_Params_Name1CB", "MC_AS_Params_Name1Ed",
    "MC_AS_Params_Name2CB", "MC_AS_Params_Name2Ed", "MC_AS_Params_ScriptVariableNameCB",
    "MC_AS_Params_ScriptVariableNameEd", "MC_AS_Params_Model3dCB", "MC_AS_Params_Model3dEd",
    "MC_AS_Params_FirstTextureCB", "MC_AS_Params_FirstTextureEd", "MC_AS_Params_SecondTextureCB",
    "MC_AS_Params_SecondTextureEd", "MC_AS_Params_OffsetCB", "MC_AS_Params_OffsetXEd",
    "MC_AS_Params_OffsetYEd", "MC_AS_Params_PlayerNumberCB", "MC_AS_Params_PlayerNumberEd",
    "MC_ResetBut", "MC_GoBut", "MC_AS_Obj_OnlyParamsRB",
};
static_assert(std::size(kLockList) == 62);

constexpr char kShellSeparator[] = "------------------------------";
// A status message is news, not a state: it goes after this long.
constexpr int kStatusMessageMs = 10'000;

bool IsMenu(const char* name) {
  return std::string_view(name) == "FileMenu" || std::string_view(name) == "HelpMenu";
}

QString Name(const char* name) { return QString::fromLatin1(name); }

// Holds the busy lock for a threaded load or save and gives it back however the
// run ends: an exception of the worker is thrown again on the window thread.
class TRunLock {
 public:
  TRunLock(TMainF& window, bool take) : m_window(window), m_taken(take) {
    if (m_taken) m_window.LockControls();
  }
  ~TRunLock() {
    if (m_taken) m_window.UnlockControls();
  }
  TRunLock(const TRunLock&) = delete;
  TRunLock& operator=(const TRunLock&) = delete;

 private:
  TMainF& m_window;
  bool m_taken;
};

}  // namespace

std::span<const char* const> TMainF::LockList() { return kLockList; }

QString TMainF::AskForPath() { return u"NULL"_s; }

TMainF::TMainF(TAppState& app, TPrompts& prompts, QWidget* parent)
    : QMainWindow(parent), m_app(app), m_prompts(prompts) {
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

  resize(839, 555 + menuBar()->sizeHint().height());
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }

  // Key preview: the window sees every key before the focused control does.
  qApp->installEventFilter(this);
  connect(qApp, &QApplication::focusChanged, this, &TMainF::OnFocusChanged);
}

TMainF::~TMainF() {
  qApp->removeEventFilter(this);
  // The pages' widgets are destroyed after this object, and losing the focus
  // on the way must not reach it.
  disconnect(qApp, nullptr, this, nullptr);
}

QAction* TMainF::AddItem(QMenu* menu, const char* name, const QString& caption, void (TMainF::*slot)()) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(Name(name));
  if (slot) connect(action, &QAction::triggered, this, slot);
  return action;
}

void TMainF::CreateMenus() {
  menuBar()->setObjectName(u"MainMenu1"_s);
  auto separator = [](QMenu* menu, const char* name) { menu->addSeparator()->setObjectName(Name(name)); };

  FileMenu = menuBar()->addMenu(u"Файл"_s);
  FileMenu->setObjectName(u"FileMenu"_s);
  OpenMobMenu = AddItem(FileMenu, "OpenMobMenu", u"Открыть mob...                              Ctrl+O"_s,
                        &TMainF::OpenMobMenuClick);
  separator(FileMenu, "N5");
  SaveMob_menu = AddItem(FileMenu, "SaveMob_menu", u"Сохранить mob                               Ctrl+S"_s,
                         &TMainF::SaveMob_menuClick);
  SaveAsMobMenu = AddItem(FileMenu, "SaveAsMobMenu", u"Сохранить mob как...          Ctrl+Shift+S"_s,
                          &TMainF::SaveAsMobMenuClick);
  separator(FileMenu, "N8");
  CloseMobMenu = AddItem(FileMenu, "CloseMobMenu", u"Закрыть моб"_s, nullptr);
  connect(CloseMobMenu, &QAction::triggered, this, [this] { CloseMob(); });
  separator(FileMenu, "N1");
  BackupMobMenu = AddItem(FileMenu, "BackupMobMenu", u"Сделать бекап"_s, nullptr);
  connect(BackupMobMenu, &QAction::triggered, this, [this] { MakeBackup(m_curMobFile); });
  separator(FileMenu, "N3");
  AddItem(FileMenu, "ProgSettsMenu", u"Настройки..."_s, &TMainF::ProgSettsMenuClick);
  separator(FileMenu, "N6");
  // Kept for developers' experiments; it has no action in any build.
  TestMenuMenu = AddItem(FileMenu, "TestMenuMenu", u"TESTMENU (не жмать если не знаеш нафига!)"_s, nullptr);
  separator(FileMenu, "N4");
  QAction* exit = AddItem(FileMenu, "ExitMenu", u"Выход"_s, nullptr);
  connect(exit, &QAction::triggered, this, &QWidget::close);

  // Filled by the script page.
  EditMenu = menuBar()->addMenu(u"Правка"_s);
  EditMenu->setObjectName(u"EditMenu"_s);

  HelpMenu = menuBar()->addMenu(u"Справка"_s);
  HelpMenu->setObjectName(u"HelpMenu"_s);
  AddItem(HelpMenu, "ReadmeMenu", u"Прочитать Readme.txt"_s, &TMainF::ReadmeMenuClick);
  AddItem(HelpMenu, "AboutMenu", u"О программе..."_s, &TMainF::AboutMenuClick);
}

void TMainF::CreatePages() {
  MainF_PK = new QTabWidget(this);
  MainF_PK->setObjectName(u"MainF_PK"_s);
  MainF_PK->setUsesScrollButtons(false);
  auto addSheet = [this](const char* name, const QString& caption) {
    auto* sheet = new QWidget;
    sheet->setObjectName(Name(name));
    auto* layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    MainF_PK->addTab(sheet, caption);
    return sheet;
  };
  ScriptSh = addSheet("ScriptSh", u"Скрипт"_s);
  BlocksSh = addSheet("BlocksSh", u"Блоки"_s);
  ObjectsSh = addSheet("ObjectsSh", u"Объекты"_s);
  DiplomacySh = addSheet("DiplomacySh", u"Дипломатия"_s);
  MassChangesSh = addSheet("MassChangesSh", u"Массовые измененя"_s);
  LogSh = addSheet("LogSh", u"Лог"_s);

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

// ---- lookups -------------------------------------------------------------------

QWidget* TMainF::Control(const char* name) const { return findChild<QWidget*>(Name(name)); }

QAction* TMainF::MenuItem(const char* name) const { return findChild<QAction*>(Name(name)); }

TMob& TMainF::Mob() { return m_app.TheMob; }

TSettings& TMainF::Settings() { return m_app.Settings; }

// ---- window lifecycle ----------------------------------------------------------

void TMainF::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (m_shown) return;
  m_shown = true;
  FormShow();
}

void TMainF::FormShow() {
  setWindowTitle(FromUtf8(ProgramName));
  m_lastEditor = nullptr;
  m_locking = false;
  MainF_PK->setCurrentWidget(ScriptSh);
  UpdateWindowState();
  if (m_hooks.MassChangeOptsToPage) m_hooks.MassChangeOptsToPage();
  const int status = m_app.VerInfo.Status;
  if (status == TVerInfoTxtFormat::kStatusReleaseCandidate || status == TVerInfoTxtFormat::kStatusRelease)
    TestMenuMenu->setVisible(false);
  const std::string problem = m_app.TakeSettingsProblem();
  if (!problem.empty()) AppendLog(FromUtf8(problem));
  // The document opens once the window is on screen, so its prompts and log lines
  // have a window to appear in.
  if (!m_startupFile.isNull())
    QTimer::singleShot(0, this, [this] { OpenMob(m_startupFile); });
}

void TMainF::closeEvent(QCloseEvent* event) {
  // A load, save or mass change is still running in the pumped event loop: the
  // document belongs to it until it ends.
  if (LockHeld() || !FormClose()) {
    event->ignore();
    return;
  }
  event->accept();
}

bool TMainF::FormClose() {
  if (!CloseMob()) return false;
  if (m_hooks.MassChangePageToOpts) m_hooks.MassChangePageToOpts();
  if (m_hooks.ReleaseGL) m_hooks.ReleaseGL();
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

void TMainF::AppendDocumentLog(bool threaded) {
  // A threaded run has shown its lines one by one already.
  if (threaded) return;
  if (MainF_PK->currentWidget() == LogSh) LogEd->setFocus();
  if (!m_app.TheMob.LogText.empty()) AppendLog(FromUtf8(m_app.TheMob.LogText));
}

void TMainF::ShowLogPage() { MainF_PK->setCurrentWidget(LogSh); }

void TMainF::LogShShow() {
  LogEd->setFocus();
  LogEd->moveCursor(QTextCursor::End);
  LogEd->ensureCursorVisible();
}

void TMainF::ShowStatusMessage(const QString& text) { statusBar()->showMessage(text, kStatusMessageMs); }

void TMainF::ShowCaretStatus(const QString& text) {
  m_caretStatus->setText(text);
  m_caretStatus->setVisible(!text.isEmpty());
}

void TMainF::ShowResults(const QString& title, std::vector<TResultEntry> entries) {
  m_results->Show(title, std::move(entries));
}

void TMainF::GoToResult(const TResultEntry& entry) {
  // The editor and the tree belong to a running load, save or mass change.
  if (LockHeld()) return;
  if (const auto* place = std::get_if<TScriptPlace>(&entry.target)) {
    if (!m_hooks.ShowScriptPlace) return;
    MainF_PK->setCurrentWidget(ScriptSh);
    m_hooks.ShowScriptPlace(*place);
  } else if (const auto* record = std::get_if<ObjRef>(&entry.target)) {
    if (!m_hooks.ShowRecord) return;
    MainF_PK->setCurrentWidget(ObjectsSh);
    m_hooks.ShowRecord(*record);
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

void TMainF::SetModified() {
  // Loading the script into the editor is not an edit, and nothing can change a
  // document that is not open.
  if (m_settingScriptText || !m_mobOpened || m_mobModified) return;
  m_mobModified = true;
  UpdateWindowState();
}

void TMainF::ClearModified() {
  if (!m_mobModified) return;
  m_mobModified = false;
  UpdateWindowState();
}

void TMainF::UpdateWindowState() {
  setWindowTitle(FromUtf8(ProgramName));
  setWindowIconText(FromUtf8(ProgramName));  // the task-bar text
  const bool opened = m_mobOpened;
  if (opened) {
    const QString name = FromUtf8(FileNameOf(ToUtf8(m_curMobFile)));
    setWindowTitle(FromUtf8(ProgramName) + u' ' + name + (m_mobModified ? u" *"_s : QString()));
    setWindowIconText(name);
  }
  for (QAction* item : {SaveMob_menu, SaveAsMobMenu, BackupMobMenu, CloseMobMenu}) item->setEnabled(opened);
  if (LockHeld()) {
    // A save or reopening inside a locked run must not hand the controls back
    // while the run goes on; the release brings them up to date.
    m_windowStatePending = true;
  } else {
    for (const char* name : kLockList)
      if (!IsMenu(name))
        if (QWidget* control = Control(name)) control->setEnabled(opened);
    if (opened) {
      if (MainF_PK->currentWidget() == ScriptSh)
        if (QWidget* editor = Control("ScriptEd")) {
          m_lastEditor = editor;
          editor->setFocus();
        }
      if (m_hooks.UpdateParamsEnabling) m_hooks.UpdateParamsEnabling();
    }
  }
  // Last, so the items follow the editor's new enabled state.
  UpdateEditMenu();
}

void TMainF::UpdateEditMenu() {
  if (m_hooks.UpdateEditMenu) m_hooks.UpdateEditMenu(ScriptCommandsActive());
}

bool TMainF::ScriptCommandsActive() const {
  const QWidget* editor = Control("ScriptEd");
  return editor && m_lastEditor == editor && editor->isEnabled() && MainF_PK->currentWidget() == ScriptSh;
}

void TMainF::LoadScriptEditor(const std::function<void()>& load) {
  if (!load) return;
  m_settingScriptText = true;
  load();
  m_settingScriptText = false;
}

bool TMainF::ScriptToMob() { return !m_hooks.ScriptToMob || m_hooks.ScriptToMob(); }

// ---- document commands ---------------------------------------------------------

bool TMainF::OpenMob(const QString& pathArgument) {
  QString chosen = pathArgument;
  if (chosen == AskForPath()) {
    chosen = m_prompts.ChooseOpenFile(WorkPath());
    if (chosen.isEmpty()) return false;
  }
  FileSystem& fs = Files();
  std::string path = ToUtf8(chosen);
  if (!fs.Exists(path) && !HasExtension(path)) path += ".mob";
  if (!fs.Exists(path)) {
    AppendLog(QString());
    AppendLog(u"Не удалось обнаружить файло "_s + FromUtf8(path));
    AppendLog(u"Типо аблом, не загрузилося нихера."_s);
    ShowLogPage();
    UpdateWindowState();
    return false;
  }
  SetWorkPathFolderOf(path);
  SaveSettings();
  if (!CloseMob()) {
    UpdateWindowState();
    return false;
  }

  TMob& mob = m_app.TheMob;
  const bool threaded = m_app.Settings.UseTMobThreads;
  const bool lock = threaded && m_lockOnLoadSave;
  mob.UseThreads = threaded;
  mob.LogView = this;
  bool ok;
  {
    TRunLock runLock(*this, lock);
    ok = mob.Load(path);
  }
  AppendDocumentLog(threaded);

  if (ok) {
    m_curMobFile = FromUtf8(path);
    m_mobOpened = true;
    m_mobModified = false;
    LoadScriptEditor(m_hooks.ClearScript);
    LoadScriptEditor(m_hooks.MobToScript);
    if (m_hooks.FillObjectsTree) m_hooks.FillObjectsTree();
  } else {
    ShowLogPage();
  }
  UpdateWindowState();
  return ok;
}

bool TMainF::SaveMob() {
  if (!Files().Exists(ToUtf8(m_curMobFile))) return SaveMobAs();
  return WriteDocument(ToUtf8(m_curMobFile), false);
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
  return WriteDocument(path, true);
}

bool TMainF::WriteDocument(const std::string& path, bool adoptPath) {
  if (!ScriptToMob()) {
    ShowLogPage();
    return false;
  }
  TMob& mob = m_app.TheMob;
  const TSettings& settings = m_app.Settings;
  const bool threaded = settings.UseTMobThreads;
  const bool lock = threaded && m_lockOnLoadSave;
  mob.UseThreads = threaded;
  mob.SaveAttempts = settings.SaveAttempts;
  mob.LogView = this;
  bool ok;
  {
    TRunLock runLock(*this, lock);
    if (settings.MakeAutoBackups) MakeAutoBackup(FromUtf8(path));
    ok = mob.Save(path);
    if (ok) {
      if (adoptPath) m_curMobFile = FromUtf8(path);
      if (m_mobModified)
        ClearModified();
      else if (adoptPath)
        UpdateWindowState();  // the title follows the new file name
    } else {
      ShowLogPage();
    }
  }
  AppendDocumentLog(threaded);
  return ok;
}

bool TMainF::CloseMob() {
  if (!m_mobOpened) return true;
  if (m_mobModified) {
    auto fileName = [this] { return FromUtf8(FileNameOf(ToUtf8(m_curMobFile))); };
    switch (m_prompts.AskYesNoCancel(u"Файл "_s + fileName() + u" не был сохранен. Сохранить его перед закрытием?"_s,
                                     TPrompts::Icon::Question)) {
      case TPrompts::Answer::Cancel:
        return false;
      case TPrompts::Answer::No:
        break;
      case TPrompts::Answer::Yes:
        while (!SaveMob()) {
          const auto retry = m_prompts.AskYesNoCancel(
              u"Файл "_s + fileName() + u" сохранить не удалось. Повторить попытку?"_s, TPrompts::Icon::Error);
          if (retry == TPrompts::Answer::Cancel) return false;
          if (retry == TPrompts::Answer::No) break;
        }
        break;
    }
  }
  m_app.TheMob.Reset();
  m_mobOpened = false;
  m_mobModified = false;
  m_curMobFile.clear();
  m_results->Clear();  // its entries lead into the document just closed
  LoadScriptEditor(m_hooks.ClearScript);
  if (m_hooks.FillObjectsTree) m_hooks.FillObjectsTree();
  UpdateWindowState();
  return true;
}

bool TMainF::CopyBackup(const std::string& from, const std::string& target) {
  const TBackupReport report = CopyToBackup(from, target, true);
  for (const std::string& line : report.lines) AppendLog(FromUtf8(line));
  if (!report.ok) ShowLogPage();
  return report.ok;
}

void TMainF::MakeBackup(const QString& pathText) {
  const std::string path = ToUtf8(pathText);
  const std::string target = ManualBackupPath(path);
  if (Files().Exists(target)) {
    const bool overwrite = m_prompts.AskYesNo(
        u"Файл "_s + FromUtf8(target) + u" уже существует. Перезаписать его?"_s, TPrompts::Icon::Warning);
    if (!overwrite) {
      AppendLog(FromUtf8(kShellSeparator));
      AppendLog(u"Бекап в файл "_s + FromUtf8(target) + u" отменен!"_s);
      AppendLog(QString());
      return;
    }
  }
  CopyBackup(path, target);
}

void TMainF::MakeAutoBackup(const QString& pathText) {
  const std::string path = ToUtf8(pathText);
  CopyBackup(path, AutoBackupPath(path));
}

// ---- menu commands -------------------------------------------------------------

void TMainF::OpenMobMenuClick() { OpenMob(AskForPath()); }

void TMainF::SaveMob_menuClick() {
  if (m_hooks.CommitParameterTable) m_hooks.CommitParameterTable();
  SaveMob();
}

void TMainF::SaveAsMobMenuClick() {
  if (m_hooks.CommitParameterTable) m_hooks.CommitParameterTable();
  SaveMobAs();
}

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

void TMainF::ReadmeMenuClick() { OpenInViewer(FromUtf8(m_app.ExePath() + ReadmeFile)); }

void TMainF::AboutMenuClick() {
  TAboutF about(m_app.VerInfo, FromUtf8(m_app.ExePath() + LicenseFile),
                [this](const QString& path) { OpenInViewer(path); }, this);
  about.exec();
}

// ---- busy lock and focus memory ------------------------------------------------

void TMainF::LockControls() {
  // Nested locks (a mass change around its own saves) keep the outermost state.
  if (m_lockDepth++ > 0) return;
  m_focusBeforeLock.clear();
  for (QWidget* w = QApplication::focusWidget(); w && w->window() == this && w != this; w = w->parentWidget())
    m_focusBeforeLock.emplace_back(w);
  m_locking = true;
  for (std::size_t i = 0; i < std::size(kLockList); ++i) {
    QWidget* control = Control(kLockList[i]);
    // The control's own flag, not the effective state a disabled parent gives it.
    m_lockSaved[i] = {control, control && !control->testAttribute(Qt::WA_ForceDisabled)};
    if (control) control->setEnabled(false);
  }
  m_locking = false;
  UpdateEditMenu();  // the Edit items work on the editor, which is off now
}

void TMainF::UnlockControls() {
  if (m_lockDepth == 0 || --m_lockDepth > 0) return;
  for (SavedState& saved : m_lockSaved) {
    if (saved.control) saved.control->setEnabled(saved.enabled);
    saved.control = nullptr;
  }
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
  // Leaving the Script page is leaving its editor, whether or not the focus
  // moved with the page.
  if (MainF_PK->currentWidget() != ScriptSh && m_lastEditor) ScriptEdExit();
  else UpdateEditMenu();
  if (MainF_PK->currentWidget() == LogSh) LogShShow();
}

void TMainF::OnFocusChanged(QWidget* old, QWidget* now) {
  QWidget* editor = Control("ScriptEd");
  if (!editor) return;
  auto inside = [editor](QWidget* w) { return w && (w == editor || editor->isAncestorOf(w)); };
  if (inside(now) && !inside(old)) {
    ScriptEdEnter();
  } else if (inside(old) && !inside(now)) {
    // Switching to another program or a dialog is not leaving the editor, but
    // disabling it is, even when no other control takes the focus.
    if ((now && now->window() == this) || !editor->isEnabled()) ScriptEdExit();
  }
}

void TMainF::ScriptEdEnter() {
  m_lastEditor = Control("ScriptEd");
  UpdateEditMenu();
}

void TMainF::ScriptEdExit() {
  // While the lock disables the editor it is still the one to come back to.
  if (!m_locking) m_lastEditor = nullptr;
  UpdateEditMenu();
}

// ---- keys ----------------------------------------------------------------------

bool TMainF::eventFilter(QObject* watched, QEvent* event) {
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
  const bool alt = modifiers & Qt::AltModifier;
  if (key == Qt::Key_S && ctrl && !shift) {
    TriggerIfEnabled(SaveMob_menu);
  } else if (key == Qt::Key_S && ctrl && shift) {
    TriggerIfEnabled(SaveAsMobMenu);
  } else if (key == Qt::Key_O && ctrl) {
    TriggerIfEnabled(OpenMobMenu);
  } else if (key == Qt::Key_F && ctrl) {
    TriggerIfEnabled(MenuItem("SearchRepMenu"));
  } else if (key == Qt::Key_F3) {
    TriggerIfEnabled(MenuItem("SearchNextMenu"));
  } else if (key == Qt::Key_R && ctrl) {
    TriggerIfEnabled(MenuItem("ReplaceNextMenu"));
  } else if (key == Qt::Key_K && ctrl && shift && alt) {
    if (m_mobOpened && !LockHeld() && m_hooks.ShowScriptKeyDialog) m_hooks.ShowScriptKeyDialog();
  } else {
    return false;
  }
  return true;
}

}  // namespace kelvarin
