#include "check/scriptchecks.h"

#include <algorithm>
#include <string>
#include <type_traits>
#include <unordered_set>
#include <utility>

#include "check/findinglist.h"
#include "common/cp1251.h"
#include "script/core/objectrefs.h"
#include "script/core/scriptlines.h"
#include "script/core/scriptwords.h"

namespace kelvarin {
namespace {

// Words compare ignoring the case of ASCII letters, the only letters they have.
std::string FoldedWord(std::string_view word) {
  std::string folded(word);
  for (char& c : folded)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return folded;
}

std::unordered_set<std::string> DeclaredNames(TSynZoneScriptSyn& scanner, std::string_view script) {
  std::unordered_set<std::string> names;
  ForEachScriptLine(script, [&](std::string_view line, std::size_t) {
    ForEachDeclaration(scanner, line, [&](std::string_view name) { names.insert(FoldedWord(name)); });
  });
  return names;
}

TCheckFinding ScriptFinding(TCheckSeverity severity, std::string_view code, std::string message,
                            std::size_t line, std::size_t pos) {
  return {severity, code, std::move(message), TScriptPlace{line, pos + 1}};
}

// Round brackets pair up within a block; braces over the whole script. A brace
// closes whatever round bracket is still open before it, so one forgotten ")"
// is reported where it was forgotten and not at the end of the script.
class TBracketBalance {
 public:
  explicit TBracketBalance(TFindingList& out) : m_out(out) {}

  void Round(char c, std::size_t line, std::size_t pos) {
    if (c == '(') {
      m_round.push_back({line, pos + 1});
    } else if (!m_round.empty()) {
      m_round.pop_back();
    } else {
      m_out.Add(ScriptFinding(TCheckSeverity::Error, check_code::UnbalancedBracket,
                                    "Лишняя закрывающая скобка «)»: открывающей для неё нет", line, pos));
    }
  }

  void Brace(char c, std::size_t line, std::size_t pos) {
    CloseRound();
    if (c == '{') {
      m_braces.push_back({line, pos + 1});
    } else if (!m_braces.empty()) {
      m_braces.pop_back();
    } else {
      m_out.Add(ScriptFinding(TCheckSeverity::Error, check_code::UnbalancedBrace,
                                    "Лишняя закрывающая фигурная скобка «}»: открывающей для неё нет", line, pos));
    }
  }

  void End() {
    CloseRound();
    for (const TScriptPlace& open : m_braces)
      m_out.Add({TCheckSeverity::Error, check_code::UnbalancedBrace, "Фигурная скобка «{» не закрыта", open});
    m_braces.clear();
  }

 private:
  void CloseRound() {
    for (const TScriptPlace& open : m_round)
      m_out.Add({TCheckSeverity::Error, check_code::UnbalancedBracket, "Скобка «(» не закрыта", open});
    m_round.clear();
  }

  TFindingList& m_out;
  std::vector<TScriptPlace> m_round, m_braces;
};

struct TNameReference {
  std::string name;  // 1251
  TScriptPlace place;
};

// The name references that no record answers.
std::vector<const TNameReference*> Dangling(const TMob& mob, const std::vector<TNameReference>& references) {
  std::unordered_set<std::string_view> wanted, answered;
  for (const TNameReference& r : references) wanted.insert(r.name);
  const auto offer = [&](const std::string& name) {
    if (wanted.count(name)) answered.insert(name);
  };
  mob.ForEachList([&](const auto& list) {
    for (const auto& record : list) {
      if constexpr (HasCommonFields(std::decay_t<decltype(record)>::Kind)) {
        offer(record.ScriptVariableName);
        offer(record.Name2);
      } else {
        offer(record.NameStr);
      }
    }
  });
  std::vector<const TNameReference*> dangling;
  for (const TNameReference& r : references)
    if (!answered.count(r.name)) dangling.push_back(&r);
  return dangling;
}

}  // namespace

void CheckScript(const TMob& mob, std::string_view script, const std::vector<std::int32_t>& identities,
                 std::vector<TCheckFinding>& findings) {
  TSynZoneScriptSyn scanner;
  const std::unordered_set<std::string> declared = DeclaredNames(scanner, script);
  TFindingList found;
  std::vector<TNameReference> nameReferences;
  TBracketBalance balance(found);

  ForEachScriptLine(script, [&](std::string_view line, std::size_t number) {
    for (const TObjectCall& call : ObjectCallsOn(scanner, line)) {
      if (call.kind == TObjectCallKind::ByName) {
        nameReferences.push_back({std::string(call.name), {number, call.pos + 1}});
      } else if (!std::binary_search(identities.begin(), identities.end(), call.id)) {
        found.Add(ScriptFinding(TCheckSeverity::Error, check_code::DanglingId,
                                      "GetObjectByID(" + std::to_string(call.id) +
                                          "): в зоне нет объекта с таким идентификатором",
                                      number, call.pos));
      }
    }

    // A word waiting for its "(" to be a call; blanks may stand between.
    std::string_view word;
    std::size_t wordPos = 0;
    for (scanner.SetLine(line); !scanner.GetEol(); scanner.Next()) {
      const TtkTokenKind kind = scanner.GetTokenKind();
      const std::string_view text = scanner.GetTokenText();
      const std::size_t pos = scanner.GetTokenPos();
      if (kind == TtkTokenKind::tkUnknown && (text == " " || text == "\t")) continue;
      if (kind == TtkTokenKind::tkSkobki) {
        if (!word.empty() && text.front() == '(' && !declared.count(FoldedWord(word)))
          found.Add(ScriptFinding(TCheckSeverity::Warning, check_code::UnknownCall,
                                        "Вызов неизвестного имени «" + std::string(word) +
                                            "»: это не встроенная функция, и скрипт его не объявляет",
                                        number, wordPos));
        for (std::size_t i = 0; i < text.size(); ++i) balance.Round(text[i], number, pos + i);
      } else if (kind == TtkTokenKind::tkUnknown && (text == "{" || text == "}")) {
        balance.Brace(text.front(), number, pos);
      } else if (kind == TtkTokenKind::tkStringValues && (text.size() < 2 || text.back() != '"')) {
        found.Add(ScriptFinding(TCheckSeverity::Error, check_code::UnterminatedString,
                                      "Строка не закрыта: до конца строки нет второй кавычки", number, pos));
      }
      // Keywords as written are the language's own; anything else before "(" must be declared.
      const bool callable = IsWordToken(kind, text) && !IsPlainKeyword(kind, text);
      word = callable ? text : std::string_view();
      wordPos = pos;
    }
  });
  balance.End();

  for (const TNameReference* r : Dangling(mob, nameReferences))
    found.Add({TCheckSeverity::Error, check_code::DanglingName,
                     "GetObjectByName(\"" + Cp1251ToUtf8(r->name) + "\"): в зоне нет объекта с таким именем",
                     r->place});

  std::vector<TCheckFinding> listed = found.Take();
  std::stable_sort(listed.begin(), listed.end(), [](const TCheckFinding& a, const TCheckFinding& b) {
    const TScriptPlace& x = std::get<TScriptPlace>(a.place);
    const TScriptPlace& y = std::get<TScriptPlace>(b.place);
    return x.line != y.line ? x.line < y.line : x.column < y.column;
  });
  if (findings.empty())
    findings = std::move(listed);
  else
    findings.insert(findings.end(), std::make_move_iterator(listed.begin()), std::make_move_iterator(listed.end()));
}

}  // namespace kelvarin
