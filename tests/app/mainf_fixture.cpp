#include "mainf_fixture.h"

#include <QApplication>
#include <QFile>
#include <QTabWidget>
#include <QTest>
#include <QVBoxLayout>
#include <QAction>
#include <QMenu>
#include <cerrno>

#include "common/qt/qtext.h"
#include "mob/generator.h"
#include "mob/tmob.h"
#include "support/fakeshell.h"

using namespace Qt::StringLiterals;

namespace kelvarin {

void MainWindowTest::SetUp() {
  EnsureApplication();
  ASSERT_TRUE(m_dir.isValid());
  SetFiles(&m_files);
  m_state = std::make_unique<TAppState>(ToUtf8(m_dir.path()));
  m_state->StartUp();
  m_state->Settings.MakeAutoBackups = false;
  CreateWindow();
}

void MainWindowTest::TearDown() {
  m_window.reset();
  m_state.reset();
  SetFiles(nullptr);
}

StandInScriptPage::StandInScriptPage(TMainF& window, TDocumentSession& session)
    : editor(new QPlainTextEdit), m_window(window), m_session(session) {
  editor->setObjectName(u"ScriptEd"_s);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(editor);
  QObject::connect(editor, &QPlainTextEdit::textChanged, this, [this] {
    if (!m_loading) m_session.NoteScriptEdited();
  });
  m_session.AddListener(this);
}

StandInScriptPage::~StandInScriptPage() { m_session.RemoveListener(this); }

void StandInScriptPage::Load(const QString& text) {
  m_loading = true;  // showing the document's script is no edit
  editor->setPlainText(text);
  m_loading = false;
}

void StandInScriptPage::DocumentOpened() {
  Load(FromCp1251(m_session.Mob().ScriptText));
  ++fillCalls;
}

void StandInScriptPage::DocumentClosed() {
  Load(QString());
  ++fillCalls;
}

bool StandInScriptPage::DocumentAboutToSave() {
  auto bytes = ToCp1251(editor->toPlainText().remove(u'\r'));
  if (!bytes) {
    m_window.AppendLog(u"not in code page 1251"_s);
    return false;
  }
  m_session.Mob().ScriptText = std::move(*bytes);
  return true;
}

QAction* StandInScriptPage::AddEditItem(const QString& name, int* counter) {
  QAction* a = m_window.EditMenuWidget()->addAction(name);
  a->setObjectName(name);
  QObject::connect(a, &QAction::triggered, [counter] { ++*counter; });
  m_items.push_back(a);
  return a;
}

bool StandInScriptPage::KeyDown(int key, Qt::KeyboardModifiers modifiers) {
  const bool ctrl = modifiers & Qt::ControlModifier;
  const bool shift = modifiers & Qt::ShiftModifier;
  const bool alt = modifiers & Qt::AltModifier;
  const auto trigger = [&](const char* name) {
    for (QAction* item : m_items)
      if (item->objectName() == QLatin1String(name) && item->isEnabled() && !m_session.Busy()) item->trigger();
  };
  if (key == Qt::Key_F && ctrl) trigger("SearchRepMenu");
  else if (key == Qt::Key_F3) trigger("SearchNextMenu");
  else if (key == Qt::Key_R && ctrl) trigger("ReplaceNextMenu");
  else if (key == Qt::Key_K && ctrl && shift && alt) keyDialogs += m_session.Opened() && !m_session.Busy();
  else return false;
  return true;
}

void MainWindowTest::Restart() {
  ASSERT_TRUE(m_window->close());
  m_window.reset();
  m_state->ShutDown();
  m_state = std::make_unique<TAppState>(ToUtf8(m_dir.path()));
  m_state->StartUp();
  CreateWindow();
}

void MainWindowTest::CreateWindow() {
  if (!m_window) m_window = std::make_unique<TMainF>(*m_state, m_prompts);
  m_scriptPage = new StandInScriptPage(*m_window, m_state->Session);
  m_window->AddPage(m_window->ScriptSheet(), *m_scriptPage);
  m_scriptEd = m_scriptPage->editor;
  m_controlsPage = new StandInControlsPage;
  m_window->AddPage(m_window->MassChangesSheet(), *m_controlsPage);
}

void MainWindowTest::ShowWindow() {
  m_window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
  m_window->activateWindow();
  QApplication::setActiveWindow(m_window.get());
  QTest::qWait(10);
}

QString MainWindowTest::MakeZone(const QString& name, std::size_t records, std::uint64_t seed) {
  TMob mob;
  GenerateZone(mob, {.records = records, .seed = seed, .scriptLines = 20});
  const QString path = TempPath(name);
  EXPECT_TRUE(mob.SaveFile(ToUtf8(path))) << mob.LogText;
  return path;
}

std::string MainWindowTest::FileBytes(const QString& path) const {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll().toStdString();
}

QStringList MainWindowTest::LogLines() const { return m_window->LogView()->toPlainText().split(u'\n'); }

QStringList MainWindowTest::LogLinesFrom(qsizetype from) const { return LogLines().mid(from); }

bool MainWindowTest::LogPageActive() const {
  return m_window->Pages()->currentWidget()->objectName() == u"LogSh"_s;
}

void MainWindowTest::EditScript(const QString& text) { m_scriptEd->appendPlainText(text); }

}  // namespace kelvarin
