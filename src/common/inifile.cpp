#include "common/inifile.h"

// Plain byte strings: no wide-character conversion layer.
#define SI_NO_CONVERSION
// Debian's header keeps the member definitions behind this switch; this is the one
// translation unit that instantiates them.
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <cerrno>
#include <charconv>

#include "common/filesystem.h"

namespace kelvarin {

struct TIniFile::Impl {
  // Case-insensitive names, single values per key, bytes kept as they are.
  CSimpleIniA ini{/*isUtf8=*/false, /*multiKey=*/false, /*multiLine=*/false};
};

TIniFile::TIniFile(std::string path) : m_path(std::move(path)), m_impl(std::make_unique<Impl>()) {
  m_impl->ini.SetSpaces(false);  // key=value, as the program has always written them
  Reload();
}

TIniFile::~TIniFile() = default;

bool TIniFile::FileExists() const { return Files().Exists(m_path); }

void TIniFile::Reload() {
  m_impl->ini.Reset();
  m_readError = 0;
  TFileSystem& fs = Files();
  switch (fs.KindOf(m_path)) {
    case FileKind::Regular: break;
    case FileKind::Missing: m_readError = ENOENT; return;
    default: m_readError = EINVAL; return;
  }
  Bytes data;
  if (!fs.ReadAll(m_path, data, m_readError)) return;
  m_impl->ini.LoadData(reinterpret_cast<const char*>(data.data()), data.size());
}

bool TIniFile::KeyExists(const std::string& section, const std::string& key) const {
  return m_impl->ini.GetValue(section.c_str(), key.c_str(), nullptr) != nullptr;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
  const char* v = m_impl->ini.GetValue(section.c_str(), key.c_str(), nullptr);
  return v ? std::string(v) : def;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
  const char* v = m_impl->ini.GetValue(section.c_str(), key.c_str(), nullptr);
  if (!v) return def;
  std::string_view text(v);
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return def;
  return value;
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
  m_impl->ini.SetValue(section.c_str(), key.c_str(), value.c_str());
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) {
  m_impl->ini.Delete(section.c_str(), key.c_str(), /*bRemoveEmpty=*/true);
}

std::vector<std::string> TIniFile::Keys(const std::string& section) const {
  CSimpleIniA::TNamesDepend names;
  m_impl->ini.GetAllKeys(section.c_str(), names);
  names.sort(CSimpleIniA::Entry::LoadOrder());
  std::vector<std::string> keys;
  for (const CSimpleIniA::Entry& name : names) keys.emplace_back(name.pItem);
  return keys;
}

std::string TIniFile::Text() const {
  std::string text;
  m_impl->ini.Save(text);
  return text;
}

bool TIniFile::UpdateFile(std::string& error) {
  const std::string text = Text();
  const TWriteResult result = WriteFileAtomically(Files(), m_path, Bytes(text.begin(), text.end()));
  if (result.status == TWriteResult::Status::Refused) error = "это не обычный файл";
  else if (!result.ok()) error = SystemErrorText(result.error);
  return result.ok();
}

}  // namespace kelvarin
