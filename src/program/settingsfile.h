// Reading, upgrading and writing Kelvarin.ini. Section "Main" holds the load/save
// options, the dialogs' folder and the search texts; section "MassChangeOpts" the
// mass-change page; "RecentFiles" the File menu's last zones (File1 newest) and
// "Layout" the window's and pages' sizes, both written only once they hold
// something. The file carries its own layout version (IniFileVer) and older
// layouts are brought up to date step by step when they are read.
#pragma once

#include <string>
#include <vector>

namespace kelvarin {

class TIniFile;
struct TSettings;

inline constexpr int kIniFileVer = 6;
inline constexpr char kMainSection[] = "Main";
inline constexpr char kRecentFilesSection[] = "RecentFiles";
inline constexpr char kRecentScriptsSection[] = "RecentScripts";
inline constexpr char kLayoutSection[] = "Layout";

// The first-run values; the dialogs start in the program's folder. `exePath` is
// the folder as UTF-8; a folder name that code page 1251 cannot hold leaves
// WorkPath empty (the dialogs then start in the current folder).
void SetDefaultSettings(TSettings& settings, const std::string& exePath);

// Upgrades the file when its layout is older (each step is written at once), then
// reads every key: an absent or unreadable value gives false, 0 or "0". Returns
// false with `error` set when an upgrade step could not be written; the values
// are read all the same. The keys this program added keep their default where the
// file holds a value they cannot take, and `notTaken` gets one log line for each.
bool LoadSettings(TIniFile& ini, TSettings& settings, std::string& error,
                  std::vector<std::string>* notTaken = nullptr);

// The log line for a value of the settings file that was not taken: what stands
// there, what it should be, what counts instead.
std::string NotTakenLine(const std::string& section, const std::string& key, const std::string& text,
                         const std::string& expected, const std::string& instead);

// Writes every key of every section in their fixed order and flushes the file.
// `lastProgrVer` is the program's version in dot form.
bool SaveSettings(TIniFile& ini, const TSettings& settings, const std::string& lastProgrVer,
                  std::string& error);

}  // namespace kelvarin
