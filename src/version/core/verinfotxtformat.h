// A program version (four numbers and a maturity status), its text forms, and the
// small version text file whose first line is "VerInfoTxt".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvarin {

class TVerInfoTxtFormat {
 public:
  // Status codes. 2 is not used.
  static constexpr std::int32_t kStatusNotSet = -1;
  static constexpr std::int32_t kStatusAlpha = 0;
  static constexpr std::int32_t kStatusBeta = 1;
  static constexpr std::int32_t kStatusReleaseCandidate = 3;
  static constexpr std::int32_t kStatusRelease = 4;
  // The newest layout of the text file this code reads and writes.
  static constexpr std::int32_t kFormatVer = 1;

  TVerInfoTxtFormat() { Clear(); }

  std::int32_t FormatVer;
  std::int32_t Major;
  std::int32_t Minor;
  std::int32_t Release;
  std::int32_t Revision;
  std::int32_t Status;
  std::int32_t RCNum;
  std::string ErrorText = "none";

  // The seven numbers become -1.
  void Clear();

  // FormatVer = the number after the first blank of `text` ("v 1" gives 1).
  bool ParseVerNum(std::string_view text);
  // "a" alpha, "b" beta, "r" or "" release, "rc<N>" (any longer text) release
  // candidate N; another single character leaves the status as it is. False when a
  // release-candidate number does not convert (the status is then unchanged).
  bool ParseStatus(std::string_view text);

  // Reads the text file. On a refusal ErrorText says why and the numbers keep
  // their earlier values (nothing is taken over unless the whole file is good).
  bool Load(const std::string& path);
  // Writes the text file (CR LF line ends), creating missing folders.
  bool Save(const std::string& path);

  // Long form " Beta", " Release Candidat N 2"; short form " RC2"; file form
  // "rc2". The first flag selects the long form, otherwise the second selects the
  // file form over the short one.
  std::string GenerateStatusString(bool longForm, bool fileForm) const;

  std::string GenerateVersionString() const;               // 0.3.7 Beta, revision: 20.
  std::string GenerateVersionString_nosvn() const;         // 0.3.7.20 Beta.
  std::string GenerateShortVersionString() const;          // 0.3.7b, r20.
  std::string GenerateShortVersionString_nosvn() const;    // 0.3.7.20b.
  std::string GenerateDotsVersionString() const;           // 0.3.7.20
  std::string GenerateFNVersionString_nostatus() const;    // 0_3_7_20
  std::string GenerateFNVersionString() const;             // 0_3_7_20b

  // The text file's contents for the current fields.
  std::string FileText() const;

  bool operator==(const TVerInfoTxtFormat&) const = default;
};

}  // namespace kelvarin
