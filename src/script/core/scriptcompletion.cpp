#include "script/core/scriptcompletion.h"

#include <algorithm>
#include <type_traits>

#include "common/cp1251.h"
#include "mob/recordrules.h"
#include "script/core/scriptwords.h"

namespace kelvarin {
namespace {

bool IsBlank(TtkTokenKind kind, std::string_view text) {
  return kind == TtkTokenKind::tkUnknown && (text == " " || text == "\t");
}

struct TToken {
  TtkTokenKind kind = TtkTokenKind::tkNull;
  std::string_view text;
};

// Whether `text` begins with `prefix`, comparing bytes folded by `fold`.
template <class Fold> bool StartsWithFolded(std::string_view text, std::string_view prefix, Fold fold) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (fold(static_cast<unsigned char>(text[i])) != fold(static_cast<unsigned char>(prefix[i]))) return false;
  return true;
}

// Alphabetical ignoring case; the exact bytes decide between names that differ in case only.
template <class Fold> bool LessFolded(std::string_view a, std::string_view b, Fold fold) {
  const bool less = std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) {
    return fold(static_cast<unsigned char>(x)) < fold(static_cast<unsigned char>(y));
  });
  if (less) return true;
  const bool greater = std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), [&](char x, char y) {
    return fold(static_cast<unsigned char>(x)) < fold(static_cast<unsigned char>(y));
  });
  return !greater && a < b;
}

unsigned char AsciiFold(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 0x20 : c; }

}  // namespace

TCompletionContext CompletionContextAt(TSynZoneScriptSyn& scanner, std::string_view line, std::size_t caret) {
  caret = std::min(caret, line.size());
  TToken before, beforeThat;  // the two tokens before the current one, blanks skipped
  for (scanner.SetLine(line); !scanner.GetEol(); scanner.Next()) {
    const std::size_t pos = scanner.GetTokenPos();
    if (pos >= caret) break;
    const std::size_t end = pos + scanner.GetTokenLen();
    const TtkTokenKind kind = scanner.GetTokenKind();
    const std::string_view text = scanner.GetTokenText();
    if (end >= caret) {  // the caret stands inside this token or right after it
      if (IsWordToken(kind, text)) return {TCompletionKind::Identifier, pos, line.substr(pos, caret - pos)};
      if (kind == TtkTokenKind::tkStringValues) {
        const bool closed = text.size() >= 2 && text.back() == '"';
        if (closed && caret == end) break;  // after the closing quote
        const bool objectName = before.kind == TtkTokenKind::tkSkobki && before.text == "(" &&
                                beforeThat.kind == TtkTokenKind::tkFunctions &&
                                SameWord(beforeThat.text, "GetObjectByName");
        if (!objectName) return {};
        return {TCompletionKind::ObjectName, pos + 1, line.substr(pos + 1, caret - pos - 1)};
      }
      if (kind == TtkTokenKind::tkComment || kind == TtkTokenKind::tkNumber) return {};
      break;  // after a blank, an operator or a bracket: a new word may start
    }
    if (!IsBlank(kind, text)) {
      beforeThat = before;
      before = {kind, text};
    }
  }
  return {TCompletionKind::Identifier, caret, line.substr(caret, 0)};
}

std::vector<TCompletion> IdentifierCompletions(std::string_view prefix, std::span<const std::string> scriptNames) {
  std::vector<TCompletion> out;
  auto matches = [&](std::string_view name) { return StartsWithFolded(name, prefix, AsciiFold); };
  auto group = [](TtkTokenKind kind) {
    return kind == TtkTokenKind::tkFunctions ? TCompletionGroup::Function : TCompletionGroup::Keyword;
  };
  for (const TZoneScriptKeyword& k : ZoneScriptKeywords())
    if (matches(k.name)) out.push_back({std::string(k.name), group(k.kind)});
  for (const std::string& name : scriptNames)
    if (matches(name)) out.push_back({name, TCompletionGroup::ScriptName});
  std::sort(out.begin(), out.end(), [](const TCompletion& a, const TCompletion& b) {
    if (a.group != b.group) return a.group < b.group;
    return LessFolded(a.text, b.text, AsciiFold);
  });
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

std::vector<std::string> ObjectNameCompletions(const TMob& mob, std::string_view prefix) {
  std::vector<std::string_view> names;
  auto take = [&](const std::string& name) {
    if (name.empty() || name.find_first_of("\"\r\n") != std::string::npos) return;
    if (StartsWithFolded(name, prefix, Cp1251FoldCase)) names.push_back(name);
  };
  mob.ForEachList([&](const auto& list) {
    for (const auto& r : list) ForEachScriptName(r, take);
  });
  std::sort(names.begin(), names.end(), [](std::string_view a, std::string_view b) {
    return LessFolded(a, b, Cp1251FoldCase);
  });
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return {names.begin(), names.end()};
}

}  // namespace kelvarin
