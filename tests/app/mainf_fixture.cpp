#include "mainf_fixture.h"

#include <QApplication>
#include <QFile>
#include <QTabWidget>
#include <QTest>
#include <QVBoxLayout>
#include <cerrno>

#include "common/qt/qtext.h"
#include "mob/generator.h"
#include "mob/tmob.h"
#include "support/fakeshell.h"

namespace kelvarin {

int FailableFiles::CreateTemp(const std::string& target, std::string& tempPath, int& err) {
  // A backup copy is written like a save: only a failing copy step tells them apart.
  if (failWrites) {
    err = ENOSPC;
    return -1;
  }
  return PosixFileSystem::CreateTemp(target, tempPath, err);
}

bool FailableFiles::CopyInto(int handle, const std::string& from, int& err) {
  if (failCopies) {
    err = ENOSPC;
    return false;
  }
  return PosixFileSystem::CopyInto(handle, from, err);
}

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

void MainWindowTest::CreateWindow() {
  if (!m_window) m_window = std::make_unique<TMainF>(*m_state, m_prompts);
  // A stand-in for the script page's editor: the shell finds it by its name.
  m_scriptEd = new QPlainTextEdit;
  m_scriptEd->setObjectName(QStringLiteral("ScriptEd"));
  m_window->ScriptSheet()->layout()->addWidget(m_scriptEd);
  QObject::connect(m_scriptEd, &QPlainTextEdit::textChanged, m_window.get(), [this] { m_window->SetModified(); });
  m_hooks.MobToScript = [this] { m_scriptEd->setPlainText(FromCp1251(m_state->TheMob.ScriptText)); };
  m_hooks.ClearScript = [this] { m_scriptEd->clear(); };
  m_hooks.ScriptToMob = [this] {
    auto bytes = ToCp1251(m_scriptEd->toPlainText().remove(u'\r'));
    if (!bytes) {
      m_window->AppendLog(QStringLiteral("not in code page 1251"));
      return false;
    }
    m_state->TheMob.ScriptText = std::move(*bytes);
    return true;
  };
  m_hooks.FillObjectsTree = [this] { ++m_fillTreeCalls; };
  m_hooks.CommitParameterTable = [this] { ++m_commitCalls; };
  m_window->SetPageHooks(m_hooks);
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
  return m_window->Pages()->currentWidget()->objectName() == QStringLiteral("LogSh");
}

void MainWindowTest::EditScript(const QString& text) { m_scriptEd->appendPlainText(text); }

}  // namespace kelvarin
