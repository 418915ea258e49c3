#include "app/core/appstate.h"

#include <algorithm>
#include <utility>

#include "app/core/appinfo.h"
#include "app/core/settingsfile.h"
#include "common/filesystem.h"
#include "common/inifile.h"
#include "mob/filelog.h"
#include "version/core/programversion.h"

namespace kelvarin {

TSessionOptions SessionOptionsOf(const TSettings& settings) {
  return {.UseThreads = settings.UseTMobThreads,
          .SaveAttempts = settings.SaveAttempts,
          .MakeAutoBackups = settings.MakeAutoBackups,
          .UndoLimitBytes = std::size_t(std::max(0, settings.UndoLimitMB)) << 20};
}

TAppState::TAppState(std::string exePath) : m_exePath(std::move(exePath)) {
  if (m_exePath.empty() || m_exePath.back() != '/') m_exePath += '/';
  // Read at every command: the settings dialog's changes count from the next one.
  Session.SetOptionsSource([this] { return SessionOptionsOf(Settings); });
}

TAppState::~TAppState() = default;

void TAppState::StartUp() {
  SetProgramVersion(VerInfo);
  m_iniFile = std::make_unique<TIniFile>(m_exePath + IniFileName);
  const FileKind kind = Files().KindOf(m_iniFile->Path());
  if (kind != FileKind::Missing && kind != FileKind::Regular) {
    // A FIFO would block the start, a device would never end: such a file is
    // neither read nor written, and the program runs on the first-run values.
    m_settingsProblem = NotRegularFileLine(m_iniFile->Path(), kind) +
                        " Программа работает с начальными настройками, и они не сохраняются.";
    m_settingsProblemSeen = true;
    m_iniUsable = false;
    SetDefaultSettings(Settings, m_exePath);
    return;
  }
  // A file that is there but cannot be read counts as absent: reading it would
  // give SaveAttempts 0 and no automatic backups instead of the first-run values.
  // Writing it anew replaces it, so the settings persist from now on.
  if (kind == FileKind::Regular && m_iniFile->ReadError() == 0) {
    std::string error;
    if (!LoadSettings(*m_iniFile, Settings, error)) NoteSettingsProblem(error);
  } else {
    SetDefaultSettings(Settings, m_exePath);
    SaveSettings();
  }
}

void TAppState::ShutDown() {
  if (m_iniFile) SaveSettings();
}

bool TAppState::SaveSettings() {
  if (!m_iniUsable) return false;
  std::string error;
  if (kelvarin::SaveSettings(*m_iniFile, Settings, VerInfo.GenerateDotsVersionString(), error))
    return true;
  NoteSettingsProblem(error);
  return false;
}

void TAppState::NoteSettingsProblem(const std::string& error) {
  if (m_settingsProblemSeen) return;
  m_settingsProblemSeen = true;
  m_settingsProblem = "Не удалось записать файл настроек " + m_iniFile->Path() + " (" + error +
                      "). Настройки действуют до выхода из программы, но не сохранены.";
}

std::string TAppState::TakeSettingsProblem() { return std::exchange(m_settingsProblem, {}); }

}  // namespace kelvarin
