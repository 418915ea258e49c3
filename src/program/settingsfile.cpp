#include "program/settingsfile.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>

#include "program/settings.h"
#include "common/cp1251.h"
#include "common/inifile.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

std::string IniKey(const char* controlName) { return std::string(controlName) + "_ini"; }

// The PlayerNumber options and "only parameters" came with later layouts and have
// upgrade steps of their own.
std::string RecentFileKey(std::size_t index) { return "File" + std::to_string(index + 1); }

// A list of recent paths in a section of its own, as File1, File2, ...
TRecentFiles ReadRecentList(const TIniFile& ini, const char* section) {
  std::vector<std::string> paths;
  for (std::size_t i = 0; i < TRecentFiles::kMaxCount; ++i)
    paths.push_back(ini.ReadString(section, RecentFileKey(i), ""));
  TRecentFiles recent;
  recent.Assign(paths);
  return recent;
}

void WriteRecentList(TIniFile& ini, const char* section, const TRecentFiles& recent) {
  const std::vector<std::string>& paths = recent.Paths();
  for (std::size_t i = 0; i < TRecentFiles::kMaxCount; ++i) {
    if (i < paths.size()) ini.WriteString(section, RecentFileKey(i), paths[i]);
    else ini.DeleteKey(section, RecentFileKey(i));
  }
}

bool IsPlayerNumberField(std::string_view name) {
  return name.find("PlayerNumber") != std::string_view::npos;
}

bool Flush(TIniFile& ini, std::string& error) {
  std::string why;
  if (ini.UpdateFile(why)) return true;
  if (error.empty()) error = why;
  return false;
}

// Each step runs when the file is at exactly its version and leaves it at the next.
void UpgradeSettingsFile(TIniFile& ini, std::string& error, bool& ok) {
  int version = ini.ReadInteger(kMainSection, "IniFileVer", 0);
  auto finishStep = [&](int target) {
    ini.WriteInteger(kMainSection, "IniFileVer", target);
    ok = Flush(ini, error) && ok;
    version = target;
  };
  if (version == 1) {
    ini.WriteBool(kMainSection, "MakeAutoBackups", true);
    finishStep(2);
  }
  if (version == 2) {
    ini.WriteString(kMainSection, "SearchStr", "");
    ini.WriteString(kMainSection, "RepStr", "");
    ini.WriteBool(kMainSection, "MakeReplace", false);
    finishStep(3);
  }
  if (version == 3) {
    for (const TMassChangeBoolField& f : MassChangeBoolFields()) {
      const std::string_view name = f.name;
      if (IsPlayerNumberField(name) || name == "MC_AS_Obj_OnlyParamsRB") continue;
      ini.WriteBool(kMassChangeSection, IniKey(f.name), name == "MC_AS_Obj_ReplaceCB");
    }
    for (const TMassChangeTextField& f : MassChangeTextFields()) {
      if (IsPlayerNumberField(f.name)) continue;
      ini.WriteString(kMassChangeSection, IniKey(f.name), "");
    }
    finishStep(4);
  }
  if (version == 4) {
    ini.WriteBool(kMassChangeSection, "MC_AS_Obj_OnlyParamsRB_ini", true);
    finishStep(5);
  }
  if (version == 5) {
    ini.WriteBool(kMassChangeSection, "MC_KR_Param_PlayerNumberCB_ini", false);
    ini.WriteBool(kMassChangeSection, "MC_AS_Params_PlayerNumberCB_ini", false);
    ini.WriteString(kMassChangeSection, "MC_KR_Param_PlayerNumberEd_ini", "");
    ini.WriteString(kMassChangeSection, "MC_AS_Params_PlayerNumberEd_ini", "");
    finishStep(6);
  }
}

// A whole number from `min` up, written as the ini file writes one; nullopt for
// anything else.
std::optional<int> WholeNumberFrom(std::string_view text, int min) {
  if (text.starts_with('+')) text.remove_prefix(1);
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < min) return std::nullopt;
  return value;
}

}  // namespace

void SetDefaultSettings(TSettings& settings, const std::string& exePath) {
  settings = TSettings{};
  settings.WorkPath = Utf8ToCp1251(exePath).value_or(std::string());
}

std::string NotTakenLine(const std::string& section, const std::string& key, const std::string& text,
                         const std::string& expected, const std::string& instead) {
  return "В файле настроек значение [" + section + "] " + key + "=" + Cp1251ToUtf8(text) +
         " не принято: нужно " + expected + ". Действует " + instead + ".";
}

// A key of [Main] newer than every layout version, a whole number of 0 or more: a
// file without it, or with a value that is no such number, gets the default, and
// the log says so.
int ReadOwnWholeNumber(TIniFile& ini, const char* key, int fallback, const char* expected,
                       std::vector<std::string>* notTaken) {
  if (!ini.KeyExists(kMainSection, key)) return fallback;
  const std::string text = ini.ReadString(kMainSection, key, "");
  if (const auto number = WholeNumberFrom(text, 0)) return *number;
  if (notTaken) notTaken->push_back(NotTakenLine(kMainSection, key, text, expected, std::to_string(fallback)));
  return fallback;
}

bool LoadSettings(TIniFile& ini, TSettings& settings, std::string& error, std::vector<std::string>* notTaken) {
  bool ok = true;
  UpgradeSettingsFile(ini, error, ok);
  settings.UseTMobThreads = ini.ReadBool(kMainSection, "UseTMobThreads", false);
  // A save never retries more often than this; the settings dialog shows the bound.
  settings.SaveAttempts = std::min(ini.ReadInteger(kMainSection, "SaveAttempts", 0), kMaxSaveAttempts);
  settings.WorkPath = ini.ReadString(kMainSection, "WorkPath", "0");
  settings.MakeAutoBackups = ini.ReadBool(kMainSection, "MakeAutoBackups", false);
  settings.SearchStr = ini.ReadString(kMainSection, "SearchStr", "0");
  settings.RepStr = ini.ReadString(kMainSection, "RepStr", "0");
  settings.MakeReplace = ini.ReadBool(kMainSection, "MakeReplace", false);
  settings.UndoLimitMB = ReadOwnWholeNumber(ini, "UndoLimitMB", TSettings{}.UndoLimitMB,
                                            "целое число мегабайт, 0 или больше", notTaken);
  settings.RecoverySeconds = ReadOwnWholeNumber(ini, "RecoverySeconds", TSettings{}.RecoverySeconds,
                                                "целое число секунд, 0 или больше", notTaken);
  settings.MassChange = ReadMassChangeOpts(ini);
  settings.RecentFiles = ReadRecentList(ini, kRecentFilesSection);
  settings.RecentScripts = ReadRecentList(ini, kRecentScriptsSection);
  settings.Layout = TLayoutValues{};
  for (const std::string& key : ini.Keys(kLayoutSection))
    settings.Layout.Set(key, ini.ReadString(kLayoutSection, key, ""));
  return ok;
}

bool SaveSettings(TIniFile& ini, const TSettings& settings, const std::string& lastProgrVer,
                  std::string& error) {
  ini.WriteInteger(kMainSection, "IniFileVer", kIniFileVer);
  ini.WriteString(kMainSection, "LastProgrVer", lastProgrVer);
  ini.WriteBool(kMainSection, "UseTMobThreads", settings.UseTMobThreads);
  ini.WriteInteger(kMainSection, "SaveAttempts", settings.SaveAttempts);
  ini.WriteString(kMainSection, "WorkPath", settings.WorkPath);
  ini.WriteBool(kMainSection, "MakeAutoBackups", settings.MakeAutoBackups);
  ini.WriteString(kMainSection, "SearchStr", settings.SearchStr);
  ini.WriteString(kMainSection, "RepStr", settings.RepStr);
  ini.WriteBool(kMainSection, "MakeReplace", settings.MakeReplace);
  ini.WriteInteger(kMainSection, "UndoLimitMB", settings.UndoLimitMB);
  ini.WriteInteger(kMainSection, "RecoverySeconds", settings.RecoverySeconds);
  WriteMassChangeOpts(ini, settings.MassChange);
  WriteRecentList(ini, kRecentFilesSection, settings.RecentFiles);
  WriteRecentList(ini, kRecentScriptsSection, settings.RecentScripts);
  for (const auto& [key, text] : settings.Layout.Entries()) ini.WriteString(kLayoutSection, key, text);
  return Flush(ini, error);
}

}  // namespace kelvarin
