#include "masschange/ui/shellmasschangehost.h"

#include "common/qt/qtext.h"
#include "shell/prompts.h"
#include "shell/shellservices.h"

namespace kelvarin {

TDocumentSession& TShellMassChangeHost::Session() { return m_shell.Session(); }

void TShellMassChangeHost::ShowError(const std::string& message) {
  m_shell.Prompts().ShowMessage(FromUtf8(message), TPrompts::Icon::Error);
}

bool TShellMassChangeHost::SaveMob() { return m_shell.SaveMob(); }

bool TShellMassChangeHost::OpenMob(const std::string& path) { return m_shell.OpenMob(FromUtf8(path)); }

}  // namespace kelvarin
