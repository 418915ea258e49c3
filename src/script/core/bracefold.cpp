#include "script/core/bracefold.h"

namespace kelvarin {

std::vector<TLineBraces> BraceFoldLines(std::string_view text) {
  TSynZoneScriptSyn scanner;
  std::vector<TLineBraces> lines;
  int depth = 0;
  for (std::size_t start = 0;;) {
    const std::size_t lf = text.find('\n', start);
    const std::string_view line = text.substr(start, lf == std::string_view::npos ? std::string_view::npos : lf - start);
    TBraceCounter counter(depth);
    for (scanner.SetLine(line); !scanner.GetEol(); scanner.Next())
      counter.Token(scanner.GetTokenKind(), scanner.GetTokenText());
    lines.push_back(counter.Result());
    depth = lines.back().endDepth;
    if (lf == std::string_view::npos) return lines;
    start = lf + 1;
  }
}

}  // namespace kelvarin
