#include "masschange/ui/shellmasschangehost.h"

#include <QCoreApplication>

#include "app/core/settings.h"
#include "app/ui/prompts.h"
#include "app/ui/shellservices.h"
#include "common/qt/qtext.h"

namespace kelvarin {

TMob& TShellMassChangeHost::Mob() { return m_shell.Mob(); }

std::string TShellMassChangeHost::CurMobFile() const { return ToUtf8(m_shell.CurMobFile()); }

MassChangeSettings TShellMassChangeHost::Settings() const {
  const TSettings& s = m_shell.Settings();
  return {.UseTMobThreads = s.UseTMobThreads, .SaveAttempts = s.SaveAttempts,
          .MakeAutoBackups = s.MakeAutoBackups};
}

void TShellMassChangeHost::Log(const std::string& line) { m_shell.AppendLog(FromUtf8(line)); }

void TShellMassChangeHost::AppendLogText(const std::string& text) {
  if (!text.empty()) m_shell.AppendLog(FromUtf8(text));
}

void TShellMassChangeHost::ShowError(const std::string& message) {
  m_shell.Prompts().ShowMessage(FromUtf8(message), TPrompts::Icon::Error);
}

bool TShellMassChangeHost::SaveMob() { return m_shell.SaveMob(); }

bool TShellMassChangeHost::OpenMob(const std::string& path) { return m_shell.OpenMob(FromUtf8(path)); }

void TShellMassChangeHost::MakeAutoBackup(const std::string& path) {
  m_shell.MakeAutoBackup(FromUtf8(path));
}

void TShellMassChangeHost::LockControls() { m_shell.LockControls(); }

void TShellMassChangeHost::UnlockControls() { m_shell.UnlockControls(); }

void TShellMassChangeHost::SetLockOnLoadSave(bool value) { m_shell.SetLockOnLoadSave(value); }

void TShellMassChangeHost::ShowLogLine(const std::string& line) { Log(line); }

void TShellMassChangeHost::ProcessMessages() { QCoreApplication::processEvents(); }

}  // namespace kelvarin
