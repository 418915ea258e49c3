#include "version/core/verinfotxtformat.h"

#include <filesystem>
#include <optional>
#include <vector>

#include "common/filesystem.h"
#include "common/textchecks.h"

namespace kelvarin {
namespace {

constexpr std::string_view kSignature = "VerInfoTxt";

std::string_view Trim(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

std::optional<std::int32_t> ToInt(std::string_view text) {
  if (!CheckStrInt(text)) return std::nullopt;
  return ConvertInt32(text);
}

// Lines end at CR LF, at LF and at a form feed; the character after a CR always
// belongs to the line end. A last line without a line end still counts.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\r' || c == '\n' || c == '\f') {
      lines.push_back(text.substr(start, i - start));
      i += (c == '\r' && i + 1 < text.size()) ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::string Dots(const TVerInfoTxtFormat& v, bool withRevision, char sep = '.') {
  std::string s = std::to_string(v.Major) + sep + std::to_string(v.Minor) + sep + std::to_string(v.Release);
  if (withRevision) s += sep + std::to_string(v.Revision);
  return s;
}

}  // namespace

void TVerInfoTxtFormat::Clear() {
  FormatVer = Major = Minor = Release = Revision = Status = RCNum = -1;
}

bool TVerInfoTxtFormat::ParseVerNum(std::string_view text) {
  const std::size_t blank = text.find(' ');
  const auto value = ToInt(Trim(blank == std::string_view::npos ? text : text.substr(blank + 1)));
  if (!value) return false;
  FormatVer = *value;
  return true;
}

bool TVerInfoTxtFormat::ParseStatus(std::string_view text) {
  if (text == "a") {
    Status = kStatusAlpha;
  } else if (text == "b") {
    Status = kStatusBeta;
  } else if (text == "r" || text.empty()) {
    Status = kStatusRelease;
  } else if (text.size() >= 2) {
    const auto number = ToInt(text.substr(2));
    if (!number) return false;
    Status = kStatusReleaseCandidate;
    RCNum = *number;
  }
  return true;
}

bool TVerInfoTxtFormat::Load(const std::string& path) {
  TFileSystem& fs = Files();
  if (!fs.Exists(path)) {
    ErrorText = "File " + path + " is not exists.";
    return false;
  }
  Bytes data;
  int readError = 0;
  if (!fs.ReadAll(path, data, readError)) {
    ErrorText = "Error, loading file " + path;
    return false;
  }
  const std::string text(data.begin(), data.end());
  const std::vector<std::string_view> lines = SplitLines(text);
  if (lines.empty() || lines[0] != kSignature) {
    ErrorText = "File " + path + " is not VerInfoTxt file.";
    return false;
  }

  // Parse into a copy, so a refused file changes none of the numbers.
  TVerInfoTxtFormat read = *this;
  if (lines.size() < 6) {
    ErrorText = "File " + path + " is too short.";
    return false;
  }
  if (!read.ParseVerNum(Trim(lines[1]))) {
    ErrorText = "File " + path + " has a wrong format version: " + std::string(lines[1]);
    return false;
  }
  if (read.FormatVer > kFormatVer) {
    ErrorText = "File " + path + " has more new version (" + std::to_string(read.FormatVer) +
                ") then i know (" + std::to_string(kFormatVer) +
                "). Aborted loading. Try update to a new version of this software.";
    return false;
  }
  std::int32_t* numbers[] = {&read.Major, &read.Minor, &read.Release, &read.Revision};
  for (std::size_t i = 0; i < 4; ++i) {
    const auto value = ToInt(Trim(lines[2 + i]));
    if (!value) {
      ErrorText = "File " + path + " has a wrong number in line " + std::to_string(3 + i) + ": " +
                  std::string(lines[2 + i]);
      return false;
    }
    *numbers[i] = *value;
  }
  // A file that ends after the revision line is a release: its status line is empty.
  const std::string_view statusLine = lines.size() > 6 ? Trim(lines[6]) : std::string_view();
  if (!read.ParseStatus(statusLine)) {
    ErrorText = "File " + path + " has a wrong status: " + std::string(statusLine);
    return false;
  }
  *this = read;
  return true;
}

std::string TVerInfoTxtFormat::FileText() const {
  std::string text;
  for (const std::string& line :
       {std::string(kSignature), "v " + std::to_string(kFormatVer), std::to_string(Major),
        std::to_string(Minor), std::to_string(Release), std::to_string(Revision),
        GenerateStatusString(false, true)}) {
    text += line;
    text += "\r\n";
  }
  return text;
}

bool TVerInfoTxtFormat::Save(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (!folder.empty()) std::filesystem::create_directories(folder, ec);
  const std::string text = FileText();
  const TWriteResult result = WriteFileAtomically(Files(), path, Bytes(text.begin(), text.end()));
  if (!result.ok()) {
    ErrorText = "Error, saving file " + path + ": " +
                (result.status == TWriteResult::Status::Refused ? "not a regular file"
                                                               : SystemErrorText(result.error));
    return false;
  }
  return true;
}

std::string TVerInfoTxtFormat::GenerateStatusString(bool longForm, bool fileForm) const {
  switch (Status) {
    case kStatusAlpha:
      return longForm ? " Alpha" : "a";
    case kStatusBeta:
      return longForm ? " Beta" : "b";
    case kStatusReleaseCandidate: {
      const std::string n = std::to_string(RCNum);
      if (longForm) return " Release Candidat N " + n;
      return (fileForm ? "rc" : " RC") + n;
    }
    default:  // not set, release, and codes without a meaning
      return {};
  }
}

std::string TVerInfoTxtFormat::GenerateVersionString() const {
  return Dots(*this, false) + GenerateStatusString(true, false) + ", revision: " +
         std::to_string(Revision) + ".";
}

std::string TVerInfoTxtFormat::GenerateVersionString_nosvn() const {
  return Dots(*this, true) + GenerateStatusString(true, false) + ".";
}

std::string TVerInfoTxtFormat::GenerateShortVersionString() const {
  return Dots(*this, false) + GenerateStatusString(false, true) + ", r" + std::to_string(Revision) + ".";
}

std::string TVerInfoTxtFormat::GenerateShortVersionString_nosvn() const {
  return Dots(*this, true) + GenerateStatusString(false, true) + ".";
}

std::string TVerInfoTxtFormat::GenerateDotsVersionString() const { return Dots(*this, true); }

std::string TVerInfoTxtFormat::GenerateFNVersionString_nostatus() const { return Dots(*this, true, '_'); }

std::string TVerInfoTxtFormat::GenerateFNVersionString() const {
  return GenerateFNVersionString_nostatus() + GenerateStatusString(false, true);
}

}  // namespace kelvarin
