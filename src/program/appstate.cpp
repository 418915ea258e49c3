#include "program/appstate.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "program/appinfo.h"
#include "program/settingsfile.h"
#include "program/settingslocation.h"
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

TAppState::TAppState(std::string exePath, TUserFolders user)
    : m_exePath(std::move(exePath)), m_user(std::move(user)) {
  if (m_exePath.empty() || m_exePath.back() != '/') m_exePath += '/';
  // Read at every command: the settings dialog's changes count from the next one.
  Session.SetOptionsSource([this] { return SessionOptionsOf(Settings); });
  // Every change of the editor's records is a step of the session, which keeps
  // their origins in the file up to date: a save copies the unchanged ones.
  Session.Mob().KeepsOrigins = true;
}

TAppState::~TAppState() = default;

void TAppState::StartUp() {
  SetProgramVersion(VerInfo);
  const TSettingsLocation location = ChooseSettingsLocation(m_exePath, m_user.Config);
  // The dialogs of a copy installed in a system folder start in the user's home,
  // not among the system's programs.
  std::string firstWorkPath = m_exePath;
  if (!location.BesideProgram) {
    std::error_code error;  // a folder that cannot be made shows when the file is written
    std::filesystem::create_directories(location.Folder, error);
    if (!m_user.Home.empty()) firstWorkPath = m_user.Home.back() == '/' ? m_user.Home : m_user.Home + '/';
  }
  m_iniFile = std::make_unique<TIniFile>(location.Folder + IniFileName);
  const FileKind kind = Files().KindOf(m_iniFile->Path());
  if (kind != FileKind::Missing && kind != FileKind::Regular) {
    // A FIFO would block the start, a device would never end: such a file is
    // neither read nor written, and the program runs on the first-run values.
    m_settingsProblem = NotRegularFileLine(m_iniFile->Path(), kind) +
                        " Программа работает с начальными настройками, и они не сохраняются.";
    m_settingsProblemSeen = true;
    m_iniUsable = false;
    SetDefaultSettings(Settings, firstWorkPath);
    return;
  }
  // A file that is there but cannot be read counts as absent: reading it would
  // give SaveAttempts 0 and no automatic backups instead of the first-run values.
  // Writing it anew replaces it, so the settings persist from now on.
  if (kind == FileKind::Regular && m_iniFile->ReadError() == 0) {
    std::string error;
    if (!LoadSettings(*m_iniFile, Settings, error, &m_settingsNotes)) NoteSettingsProblem(error);
  } else {
    SetDefaultSettings(Settings, firstWorkPath);
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

std::string TAppState::SettingsFileLine() const {
  return m_iniFile ? "Файл настроек: " + m_iniFile->Path() : std::string();
}

std::string TAppState::DocFile(const std::string& name) const {
  const std::string beside = m_exePath + name;
  if (Files().Exists(beside)) return beside;
  const std::string installed =
      (std::filesystem::path(m_exePath) / ".." / "share" / "doc" / "kelvarin" / name).lexically_normal().string();
  return Files().Exists(installed) ? installed : beside;
}

std::string TAppState::TakeSettingsProblem() { return std::exchange(m_settingsProblem, {}); }

std::vector<std::string> TAppState::TakeSettingsNotes() {
  std::vector<std::string> notes = std::exchange(m_settingsNotes, {});
  for (std::string& line : Settings.Layout.TakeNotTaken()) notes.push_back(std::move(line));
  return notes;
}

}  // namespace kelvarin
