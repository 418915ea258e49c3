// What the program keeps for its whole run: its folder, its version, the settings
// file with the values read from it, and the session of the one document, which
// reads its load and save options from those settings. Start-up reads the
// settings (or writes the first-run file); shut-down writes them once more.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "program/settings.h"
#include "document/documentsession.h"
#include "mob/tmob.h"
#include "version/core/verinfotxtformat.h"

namespace kelvarin {

class TIniFile;

// The session options the settings give: threads, save retries, automatic
// backups and the undo history's bound.
TSessionOptions SessionOptionsOf(const TSettings& settings);

// The user's own folders, for a copy whose folder is not the user's to write.
struct TUserFolders {
  std::string Config;  // the user's configuration folder for this program; empty: none
  std::string Home;    // where the file dialogs start on such a copy's first run
};

class TAppState {
 public:
  // `exePath` is the folder of the executable (UTF-8); tests pass a temporary
  // folder. A trailing separator is added when missing.
  explicit TAppState(std::string exePath, TUserFolders user = {});
  ~TAppState();
  TAppState(const TAppState&) = delete;
  TAppState& operator=(const TAppState&) = delete;

  // Fills the version, opens Kelvarin.ini (beside the executable, or in the user's
  // configuration folder for an installed copy: ChooseSettingsLocation) and reads
  // it, or writes a complete first-run file when there is none or it cannot be
  // read. A Kelvarin.ini that is not a regular file is left alone for the whole run.
  void StartUp();
  // After the window has closed: the settings are written once more.
  void ShutDown();

  // Writes the settings file. A failure is not an error for the program: the
  // values stay in memory and TakeSettingsProblem reports it once.
  bool SaveSettings();
  // A log line about the first settings-file failure of the run; empty when there
  // was none or it has already been taken.
  std::string TakeSettingsProblem();

  // The log lines about values of the settings file that were not taken (read at
  // StartUp, or by the readers of the remembered layout) since the last call.
  std::vector<std::string> TakeSettingsNotes();

  // The log line that says which settings file this run uses (after StartUp).
  std::string SettingsFileLine() const;

  // Readme.txt or License.txt: beside the executable, or in the documentation
  // folder of an installed copy (share/doc/kelvarin beside its bin folder). Where
  // neither exists, the path beside the executable.
  std::string DocFile(const std::string& name) const;

  const std::string& ExePath() const { return m_exePath; }
  TIniFile& IniFile() { return *m_iniFile; }

  TVerInfoTxtFormat VerInfo;
  TSettings Settings;
  TDocumentSession Session;
  TMob& TheMob = Session.Mob();

 private:
  void NoteSettingsProblem(const std::string& error);

  std::string m_exePath;
  TUserFolders m_user;
  std::unique_ptr<TIniFile> m_iniFile;
  std::string m_settingsProblem;
  std::vector<std::string> m_settingsNotes;
  bool m_settingsProblemSeen = false;
  bool m_iniUsable = true;  // false when Kelvarin.ini is not a regular file
};

}  // namespace kelvarin
