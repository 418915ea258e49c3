#include "script/core/objectrefs.h"

#include <algorithm>
#include <type_traits>

#include "mob/identitytext.h"
#include "mob/recordrules.h"
#include "script/core/scriptlines.h"
#include "script/core/scriptwords.h"

namespace kelvarin {
namespace {

bool IsBlank(TtkTokenKind kind, std::string_view text) {
  return kind == TtkTokenKind::tkUnknown && (text == " " || text == "\t");
}

// Walks the tokens of a line as a small machine: name, "(", argument, ")".
class TCallReader {
 public:
  explicit TCallReader(std::vector<TObjectCall>& calls) : m_calls(calls) {}

  void Take(TtkTokenKind kind, std::string_view text, std::size_t pos) {
    if (IsBlank(kind, text) && m_state != State::Name && m_state != State::Number) return;
    switch (m_state) {
      case State::Name: break;
      case State::Open:
        if (kind == TtkTokenKind::tkSkobki && text == "(") {
          m_state = State::Argument;
          return;
        }
        break;
      case State::Argument:
        m_call.argPos = pos;
        if (m_call.kind == TObjectCallKind::ById && kind == TtkTokenKind::tkUnknown && text == "-") {
          m_negative = true;
          m_state = State::Number;
          return;
        }
        if (ReadArgument(kind, text)) return;
        break;
      case State::Number:
        if (ReadArgument(kind, text)) return;
        break;
      case State::Close:
        if (kind == TtkTokenKind::tkSkobki && text.front() == ')') {
          m_call.end = pos + 1;
          m_calls.push_back(m_call);
        }
        break;
    }
    m_state = State::Name;
    // Whatever broke a call may start the next one.
    if (!IsPlainKeyword(kind, text)) return;
    if (SameWord(text, "GetObjectByID")) m_call.kind = TObjectCallKind::ById;
    else if (SameWord(text, "GetObjectByName")) m_call.kind = TObjectCallKind::ByName;
    else return;
    m_call.pos = pos;
    m_negative = false;
    m_state = State::Open;
  }

 private:
  enum class State { Name, Open, Argument, Number, Close };

  bool ReadArgument(TtkTokenKind kind, std::string_view text) {
    if (m_call.kind == TObjectCallKind::ById) {
      if (kind != TtkTokenKind::tkNumber) return false;
      const auto id = ParseIdentityText(m_negative ? "-" + std::string(text) : std::string(text));
      if (!id) return false;
      m_call.id = *id;
    } else {
      if (kind != TtkTokenKind::tkStringValues || text.size() < 2 || text.back() != '"') return false;
      m_call.name = text.substr(1, text.size() - 2);
    }
    m_state = State::Close;
    return true;
  }

  std::vector<TObjectCall>& m_calls;
  TObjectCall m_call;
  bool m_negative = false;
  State m_state = State::Name;
};

template <class R> bool HasName(const R& record, std::string_view name) {
  bool found = false;
  ForEachScriptName(record, [&](const std::string& own) { found = found || own == name; });
  return found;
}

template <class Match> std::vector<TObjRef> RecordsWhere(const TMob& mob, Match&& match) {
  std::vector<TObjRef> found;
  int kind = 0;
  mob.ForEachList([&](const auto& list) {
    for (std::size_t i = 0; i < list.size(); ++i)
      if (match(list[i])) found.push_back({ObjKind(kind), i});
    ++kind;
  });
  return found;
}

}  // namespace

std::vector<TObjectCall> ObjectCallsOn(TSynZoneScriptSyn& scanner, std::string_view line) {
  std::vector<TObjectCall> calls;
  TCallReader reader(calls);
  for (scanner.SetLine(line); !scanner.GetEol(); scanner.Next())
    reader.Take(scanner.GetTokenKind(), scanner.GetTokenText(), scanner.GetTokenPos());
  return calls;
}

std::optional<TObjectCall> ObjectCallAt(TSynZoneScriptSyn& scanner, std::string_view line, std::size_t caret) {
  for (const TObjectCall& call : ObjectCallsOn(scanner, line))
    if (call.pos <= caret && caret <= call.end) return call;
  return std::nullopt;
}

std::vector<std::string_view> ScriptNamesOf(const TMob& mob, TObjRef ref) {
  std::vector<std::string_view> names;
  if (!RefersToRecord(mob, ref)) return names;
  const auto add = [&](std::string_view name) {
    if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  };
  VisitRecord(mob, ref, [&](const auto& record) { ForEachScriptName(record, add); });
  return names;
}

std::vector<TObjRef> RecordsWithId(const TMob& mob, std::int32_t id) {
  return RecordsWhere(mob, [id](const auto& record) { return record.Identity() == id; });
}

std::vector<TObjRef> RecordsNamed(const TMob& mob, std::string_view name) {
  if (name.empty()) return {};
  return RecordsWhere(mob, [name](const auto& record) { return HasName(record, name); });
}

std::vector<TObjRef> RecordsCalled(const TMob& mob, const TObjectCall& call) {
  return call.kind == TObjectCallKind::ById ? RecordsWithId(mob, call.id) : RecordsNamed(mob, call.name);
}

std::vector<TScriptMention> FindRecordMentions(const TMob& mob, TObjRef ref, std::string_view script) {
  std::vector<TScriptMention> mentions;
  if (!RefersToRecord(mob, ref)) return mentions;
  const std::int32_t id = IdentityOf(mob, ref);
  const std::vector<std::string_view> names = ScriptNamesOf(mob, ref);
  std::string_view variable;
  VisitRecord(mob, ref, [&](const auto& record) {
    if (const std::string* own = ScriptVariableOf(record)) variable = *own;
  });

  TSynZoneScriptSyn scanner;
  ForEachScriptLine(script, [&](std::string_view line, std::size_t number) {
    std::size_t first = std::string_view::npos;
    for (const TObjectCall& call : ObjectCallsOn(scanner, line))
      if (call.kind == TObjectCallKind::ById && call.id == id) {
        first = call.pos;
        break;
      }
    for (scanner.SetLine(line); !scanner.GetEol() && scanner.GetTokenPos() < first; scanner.Next()) {
      const TtkTokenKind kind = scanner.GetTokenKind();
      const std::string_view text = scanner.GetTokenText();
      bool named = false;
      if (kind == TtkTokenKind::tkStringValues && text.size() >= 2 && text.back() == '"') {
        const std::string_view inside = text.substr(1, text.size() - 2);
        named = std::find(names.begin(), names.end(), inside) != names.end();
      } else if (!variable.empty() && IsWordToken(kind, text)) {
        named = SameWord(text, variable);
      }
      if (named) first = scanner.GetTokenPos();
    }
    if (first != std::string_view::npos) mentions.push_back({{number, first + 1}, std::string(line)});
  });
  return mentions;
}

}  // namespace kelvarin
