#include "app/ui/editor.h"

#include <QDir>
#include <QIcon>
#include <QLayout>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTranslator>
#include <exception>

#include "recovery/ui/recoveryguard.h"

#include "program/appinfo.h"
#include "app/ui/mainf.h"
#include "blocks/ui/blockspage.h"
#include "common/qt/qtext.h"
#include "map/ui/mappage.h"
#include "masschange/ui/masschangepage.h"
#include "objects/ui/objectspage.h"
#include "script/ui/scriptpage.h"

namespace kelvarin {

using namespace Qt::StringLiterals;

TKelvarinApplication::TKelvarinApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(FromUtf8(ProgramName));
  // Ties the window to the installed menu entry, so the desktop shows its name and icon.
  setDesktopFileName(QString::fromUtf8(KELVARIN_APP_ID));
  InstallQtTranslations();
}

QIcon ProgramIcon() {
  QIcon icon;
  for (const int size : {16, 32, 48, 64, 128, 256}) icon.addFile(u":/icons/%1.png"_s.arg(size));
  return icon;
}

bool InstallQtTranslations() {
  // Every text of the program is Russian, whatever the system's language: the
  // standard buttons and dialogs follow it.
  auto* translator = new QTranslator(qApp);
  if (!translator->load(QLocale(QLocale::Russian, QLocale::Russia), u"qtbase"_s, u"_"_s,
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
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

TEditor::TEditor(std::string exePath, const QString& startupFile, std::string recoveryRoot)
    : m_state(std::move(exePath), TUserFolders{ToUtf8(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)),
                                                ToUtf8(QDir::homePath())}) {
  m_state.StartUp();
  m_window = std::make_unique<TMainF>(m_state, m_prompts);
  m_prompts.SetParent(m_window.get());
  m_window->SetStartupFile(startupFile);
  InstallPages(*m_window);
  m_window->AppendLog(FromUtf8(m_state.SettingsFileLine()));
  // Its pictures are decoded and handed to the window manager after the window's
  // own first picture, which needs none of them.
  m_window->AfterFirstPicture([] { QApplication::setWindowIcon(ProgramIcon()); });
  m_recovery = std::make_unique<TRecoveryGuard>(*m_window, std::move(recoveryRoot));
  m_window->AfterFirstPicture([this] { m_recovery->OfferLeftJournals(); });
}

TEditor::~TEditor() = default;

void TEditor::ShutDown() { m_state.ShutDown(); }

void InstallPages(TMainF& window) {
  // The window opens on the script; the other pages are built once it is on
  // the screen.
  auto* script = new TScriptPage(window);
  window.AddPage(window.ScriptSheet(), *script);

  window.AddPageLater(window.ObjectsSheet(), [&window]() -> TPage& { return *new TObjectsPage(window); });
  window.AddPageLater(window.MassChangesSheet(), [&window]() -> TPage& { return *new TMassChangePage(window); });

  // The Blocks page fills the sheet the six began with empty. It adds nothing to
  // the busy lock's list: it greys itself.
  window.AddPageLater(window.BlocksSheet(), [&window]() -> TPage& { return *new TBlocksPage(window); });

  // Pages beyond the six come after the Log page.
  window.AddPageLater(window.AddSheet("MapSh", u"Карта"_s), [&window]() -> TPage& { return *new TMapPage(window); });
}

}  // namespace kelvarin
