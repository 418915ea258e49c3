// Hand-made .mob bytes for tests: files are assembled from blocks, sub-blocks and
// chunks so each test states exactly the bytes it feeds the reader.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "common/bytes.h"
#include "mob/generator.h"
#include "mob/tmob.h"

namespace kelvarin::testing {

// The file the writer makes of a generated zone.
inline Bytes GeneratedImage(std::size_t records, std::uint64_t seed, int scriptLines = 3) {
  TMob mob;
  GenerateZone(mob, {.records = records, .seed = seed, .scriptLines = std::size_t(scriptLines)});
  Bytes image;
  mob.BuildImage(image);
  return image;
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

inline Bytes U32(std::uint32_t v) {
  Bytes b(4);
  StoreU32(b.data(), v);
  return b;
}

inline Bytes Str(std::string_view s) { return Bytes(s.begin(), s.end()); }

// Any framed piece: id, size (8 + content), content.
inline Bytes Framed(std::uint32_t id, const Bytes& content) {
  return Cat({U32(id), U32(std::uint32_t(8 + content.size())), content});
}

// A framed piece whose size field says `size` whatever the content is.
inline Bytes FramedWithSize(std::uint32_t id, std::uint32_t size, const Bytes& content) {
  return Cat({U32(id), U32(size), content});
}

inline Bytes ByteChunk(std::uint32_t id, std::uint8_t v) { return Framed(id, Bytes{v}); }
inline Bytes IntChunk(std::uint32_t id, std::int32_t v) { return Framed(id, U32(std::uint32_t(v))); }

// A whole file: signature, L, flag block, blocks, then the tail after L.
inline Bytes MobFile(const std::vector<Bytes>& blocks, const Bytes& tail = {},
                     std::uint32_t flag = kQuestMobFlag) {
  Bytes body;
  for (const auto& b : blocks) body.insert(body.end(), b.begin(), b.end());
  const auto length = std::uint32_t(16 + body.size());
  return Cat({U32(kMobSignature), U32(length), U32(flag), U32(8), body, tail});
}

inline Bytes ObjectBlock(const std::vector<Bytes>& subBlocks) {
  Bytes content;
  for (const auto& s : subBlocks) content.insert(content.end(), s.begin(), s.end());
  return Framed(kObjectBlockType, content);
}

template <class R> Bytes SubBlockOf(const R& record) {
  Bytes b;
  record.WriteRecord(b);
  return b;
}

inline Bytes ScriptBlock(std::uint32_t key, const std::string& plain) {
  Bytes text(plain.begin(), plain.end());
  if (key != 0) TMob::ScriptCipher(text.data(), text.size(), key);
  return Framed(kScriptBlockType, Cat({U32(key), text}));
}

// Loads bytes the way LoadFile does after reading the file.
inline bool LoadBytes(TMob& mob, const Bytes& file) {
  mob.Reset();
  return mob.LoadImage(file.data(), file.size());
}

inline Bytes SaveBytes(TMob& mob) {
  Bytes image;
  mob.BuildImage(image);
  return image;
}

// The log split into lines (without CR LF).
inline std::vector<std::string> LogLines(const TMob& mob) {
  std::vector<std::string> lines;
  std::string_view text = mob.LogText;
  for (std::size_t at; (at = text.find("\r\n")) != std::string_view::npos; text.remove_prefix(at + 2))
    lines.emplace_back(text.substr(0, at));
  return lines;
}

inline bool LogHas(const TMob& mob, std::string_view part) {
  return mob.LogText.find(part) != std::string::npos;
}

}  // namespace kelvarin::testing
