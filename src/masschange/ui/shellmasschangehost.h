// The editor's side of a mass-change run: the open document, its commands, the
// log page, the busy lock and the message boxes, all through the main window's
// shell services.
#pragma once

#include "masschange/core/masschangeengine.h"

namespace kelvarin {

class TShellServices;

class TShellMassChangeHost : public TMassChangeHost, private TMobLogView {
 public:
  explicit TShellMassChangeHost(TShellServices& shell) : m_shell(shell) {}

  TMob& Mob() override;
  std::string CurMobFile() const override;
  MassChangeSettings Settings() const override;
  void Log(const std::string& line) override;
  void AppendLogText(const std::string& text) override;
  TMobLogView* LogView() override { return this; }
  void ShowError(const std::string& message) override;
  bool SaveMob() override;
  bool OpenMob(const std::string& path) override;
  void MakeAutoBackup(const std::string& path) override;
  void LockControls() override;
  void UnlockControls() override;
  void SetLockOnLoadSave(bool value) override;

 private:
  // A threaded load or save of the target shows each line as it comes, and the
  // window keeps processing its events meanwhile.
  void ShowLogLine(const std::string& line) override;
  void ProcessMessages() override;

  TShellServices& m_shell;
};

}  // namespace kelvarin
