#include "app/core/appstate.h"

#include <utility>

#include "app/core/appinfo.h"
#include "app/core/settingsfile.h"
#include "common/filesystem.h"
#include "common/inifile.h"
#include "version/core/programversion.h"

namespace kelvarin {

TAppState::TAppState(std::string exePath) : m_exePath(std::move(exePath)) {
  if (m_exePath.empty() || m_exePath.back() != '/') m_exePath += '/';
}

TAppState::~TAppState() = default;

void TAppState::StartUp() {
  SetProgramVersion(VerInfo);
  m_iniFile = std::make_unique<TIniFile>(m_exePath + IniFileName);
  // A file that is there but cannot be read counts as absent: reading it would
  // give SaveAttempts 0 and no automatic backups instead of the first-run values.
  Bytes content;
  std::string readError;
  if (m_iniFile->FileExists() && Files().ReadAll(m_iniFile->Path(), content, readError)) {
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
