// The editor's side of a mass-change run: the window's document session, its
// Save and Open commands with their questions, and its message boxes.
#pragma once

#include "masschange/core/masschangeengine.h"

namespace kelvarin {

class TShellServices;

class TShellMassChangeHost : public TMassChangeHost {
 public:
  explicit TShellMassChangeHost(TShellServices& shell) : m_shell(shell) {}

  TDocumentSession& Session() override;
  void ShowError(const std::string& message) override;
  bool SaveMob() override;
  bool OpenMob(const std::string& path) override;

 private:
  TShellServices& m_shell;
};

}  // namespace kelvarin
