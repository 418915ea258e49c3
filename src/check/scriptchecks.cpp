#include "check/scriptchecks.h"

#include <algorithm>
#include <type_traits>

#include "check/findinglist.h"
#include "common/cp1251.h"
#include "mob/recordrules.h"
#include "script/core/objectrefs.h"
#include "script/core/scriptlines.h"
#include "script/core/scriptwords.h"

namespace kelvarin {
namespace {

bool IsBlank(TtkTokenKind kind, std::string_view text) {
  return kind == TtkTokenKind::tkUnknown && (text == " " || text == "\t");
}

bool IsBrace(TtkTokenKind kind, std::string_view text) {
  return kind == TtkTokenKind::tkUnknown && (text == "{" || text == "}");
}

// Calls `bracket(char c, std::size_t pos)` for every round bracket and brace of
// `line` outside strings and comments, in order.
template <class F> void ForEachBracket(TSynZoneScriptSyn& scanner, std::string_view line, F&& bracket) {
  for (scanner.SetLine(line); !scanner.GetEol(); scanner.Next()) {
    const TtkTokenKind kind = scanner.GetTokenKind();
    const std::string_view text = scanner.GetTokenText();
    if (kind == TtkTokenKind::tkSkobki || IsBrace(kind, text))
      for (std::size_t i = 0; i < text.size(); ++i) bracket(text[i], scanner.GetTokenPos() + i);
  }
}

// Round brackets pair up within a block; braces over the whole script. A brace
// closes whatever round bracket is still open before it, so one forgotten ")"
// is reported where it was forgotten and not at the end of the script. Marks,
// by offset in the script, each bracket and brace that has no partner.
class TBracketBalance {
 public:
  explicit TBracketBalance(std::vector<bool>& unpaired) : m_unpaired(unpaired) {}

  void Take(char c, std::size_t offset) {
    if (c == '{' || c == '}') {
      CloseRound();
      Pair(c == '{', m_braces, offset);
    } else {
      Pair(c == '(', m_round, offset);
    }
  }

  void End() {
    CloseRound();
    for (std::size_t open : m_braces) m_unpaired[open] = true;
    m_braces.clear();
  }

 private:
  void Pair(bool opens, std::vector<std::size_t>& open, std::size_t offset) {
    if (opens) open.push_back(offset);
    else if (!open.empty()) open.pop_back();
    else m_unpaired[offset] = true;
  }

  void CloseRound() {
    for (std::size_t open : m_round) m_unpaired[open] = true;
    m_round.clear();
  }

  std::vector<bool>& m_unpaired;
  std::vector<std::size_t> m_round, m_braces;  // the open ones, by offset
};

TCheckFinding ScriptFinding(TCheckFault fault, std::size_t line, std::size_t pos) {
  TCheckFinding finding;
  finding.fault = fault;
  finding.place = TScriptPlace{line, pos + 1};
  return finding;
}

// Those of `wanted` that no record answers.
std::unordered_set<std::string_view> Unanswered(const TMob& mob, std::unordered_set<std::string_view> wanted) {
  const auto offer = [&](const std::string& name) { wanted.erase(name); };
  if (wanted.empty()) return wanted;
  mob.ForEachRecord([&](const auto& record, std::size_t) { ForEachScriptName(record, offer); });
  return wanted;
}

}  // namespace

std::size_t TScriptCheck::TFoldedHash::operator()(std::string_view word) const {
  std::size_t hash = 14695981039346656037ull;
  for (char c : word) hash = (hash ^ std::size_t(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c)) * 1099511628211ull;
  return hash;
}

bool TScriptCheck::TSameWord::operator()(std::string_view a, std::string_view b) const { return SameWord(a, b); }

TScriptCheck::TScriptCheck(const TMob& mob, std::string_view script, const std::vector<std::int32_t>& identities)
    : m_script(script), m_identities(identities), m_unpaired(script.size()) {
  TSynZoneScriptSyn scanner;
  TBracketBalance balance(m_unpaired);
  std::unordered_set<std::string_view> wanted;
  ForEachScriptLine(script, [&](std::string_view line, std::size_t) {
    ForEachDeclaration(scanner, line, [&](std::string_view name) { m_declared.insert(name); });
    for (const TObjectCall& call : ObjectCallsOn(scanner, line))
      if (call.kind == TObjectCallKind::ByName) wanted.insert(call.name);
    const std::size_t offset = std::size_t(line.data() - script.data());
    ForEachBracket(scanner, line, [&](char c, std::size_t pos) { balance.Take(c, offset + pos); });
  });
  balance.End();
  m_danglingNames = Unanswered(mob, std::move(wanted));
}

void TScriptCheck::Run(const TFindingSink& found) const {
  TSynZoneScriptSyn scanner;
  TFindingList place;
  ForEachScriptLine(m_script, [&](std::string_view line, std::size_t number) {
    for (const TObjectCall& call : ObjectCallsOn(scanner, line)) {
      if (call.kind == TObjectCallKind::ByName) {
        if (!m_danglingNames.count(call.name)) continue;
        TCheckFinding finding = ScriptFinding(TCheckFault::DanglingName, number, call.pos);
        finding.name = call.name;
        place.Add(finding);
      } else if (!std::binary_search(m_identities.begin(), m_identities.end(), call.id)) {
        TCheckFinding finding = ScriptFinding(TCheckFault::DanglingId, number, call.pos);
        finding.id = call.id;
        place.Add(finding);
      }
    }

    const std::size_t offset = std::size_t(line.data() - m_script.data());
    const auto bracket = [&](char c, std::size_t pos) {
      if (!m_unpaired[offset + pos]) return;
      const bool round = c == '(' || c == ')';
      const bool opens = c == '(' || c == '{';
      place.Add(ScriptFinding(round ? (opens ? TCheckFault::UnclosedBracket : TCheckFault::ExtraBracket)
                                    : (opens ? TCheckFault::UnclosedBrace : TCheckFault::ExtraBrace),
                              number, pos));
    };
    // A word waiting for its "(" to be a call; blanks may stand between.
    std::string_view word;
    std::size_t wordPos = 0;
    for (scanner.SetLine(line); !scanner.GetEol(); scanner.Next()) {
      const TtkTokenKind kind = scanner.GetTokenKind();
      const std::string_view text = scanner.GetTokenText();
      const std::size_t pos = scanner.GetTokenPos();
      if (IsBlank(kind, text)) continue;
      if (kind == TtkTokenKind::tkSkobki) {
        if (!word.empty() && text.front() == '(' && !m_declared.count(word)) {
          TCheckFinding finding = ScriptFinding(TCheckFault::UnknownCall, number, wordPos);
          finding.name = word;
          place.Add(finding);
        }
        for (std::size_t i = 0; i < text.size(); ++i) bracket(text[i], pos + i);
      } else if (IsBrace(kind, text)) {
        bracket(text.front(), pos);
      } else if (kind == TtkTokenKind::tkStringValues && (text.size() < 2 || text.back() != '"')) {
        place.Add(ScriptFinding(TCheckFault::UnterminatedString, number, pos));
      }
      // Keywords as written are the language's own; anything else before "(" must be declared.
      const bool callable = IsWordToken(kind, text) && !IsPlainKeyword(kind, text);
      word = callable ? text : std::string_view();
      wordPos = pos;
    }
    place.Flush(found);
  });
}

std::string TScriptCheck::Message(const TCheckFinding& f) {
  switch (f.fault) {
    case TCheckFault::DanglingId:
      return "GetObjectByID(" + std::to_string(f.id) + "): в зоне нет объекта с таким идентификатором";
    case TCheckFault::DanglingName:
      return "GetObjectByName(\"" + Cp1251ToUtf8(f.name) + "\"): в зоне нет объекта с таким именем";
    case TCheckFault::ExtraBracket: return "Лишняя закрывающая скобка «)»: открывающей для неё нет";
    case TCheckFault::UnclosedBracket: return "Скобка «(» не закрыта";
    case TCheckFault::ExtraBrace: return "Лишняя закрывающая фигурная скобка «}»: открывающей для неё нет";
    case TCheckFault::UnclosedBrace: return "Фигурная скобка «{» не закрыта";
    case TCheckFault::UnterminatedString: return "Строка не закрыта: до конца строки нет второй кавычки";
    case TCheckFault::UnknownCall:
      return "Вызов неизвестного имени «" + std::string(f.name) +
             "»: это не встроенная функция, и скрипт его не объявляет";
    default: return {};
  }
}

}  // namespace kelvarin
