// An ini (profile) file with the reading rules the program relies on: section and
// key names compare case-insensitively, an absent key or a number that does not
// parse reads as the caller's default, booleans are integers other than 0.
// Values are byte strings (code page 1251 in the settings file) and round-trip
// unchanged. Keys keep their order in the file; new keys are appended to their
// section, so writing every key of a fresh file in order gives that order.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace kelvarin {

class TIniFile {
 public:
  explicit TIniFile(std::string path);
  ~TIniFile();
  TIniFile(const TIniFile&) = delete;
  TIniFile& operator=(const TIniFile&) = delete;

  const std::string& Path() const { return m_path; }
  bool FileExists() const;
  // Reads the file; an absent or unreadable file leaves the values empty. Only a
  // regular file is read: a FIFO or a device in its place would block or never end.
  void Reload();
  // Why the last Reload read nothing: an errno value (ENOENT when there is no
  // file, EINVAL when it is not a regular file); 0 when it was read.
  int ReadError() const { return m_readError; }

  bool KeyExists(const std::string& section, const std::string& key) const;
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) const;
  int ReadInteger(const std::string& section, const std::string& key, int def) const;
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;

  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  void WriteBool(const std::string& section, const std::string& key, bool value);
  // Takes the key out; a section left without keys goes too.
  void DeleteKey(const std::string& section, const std::string& key);
  // The keys of `section` in the order they stand in the file (new ones last).
  std::vector<std::string> Keys(const std::string& section) const;

  // Writes the values to disk (atomically); false with `error` set when it cannot.
  // A target that is not a regular file is never written.
  bool UpdateFile(std::string& error);

  // The file's text as UpdateFile would write it.
  std::string Text() const;

 private:
  struct Impl;
  std::string m_path;
  std::unique_ptr<Impl> m_impl;
  int m_readError = 0;
};

}  // namespace kelvarin
