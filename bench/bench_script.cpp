// The zone script scanner on a generated 100,000-line script: tokens per second,
// beside two plain passes over the same bytes measured in the same run: a byte sum
// (what the memory allows) and a per-byte loop that looks every byte up in a class
// table and counts where the class changes (the least work a tokenizer does).
//
//   ./dev.sh bench            (or build-release/bin/bench-script [LINES])
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "mob/generator.h"
#include "mob/tmob.h"
#include "script/core/zonescriptsyn.h"
#include "benchutil.h"

using namespace kelvarin;
using kelvarin::bench::BestMs;

namespace {

// Keeps the optimiser from dropping a result.
volatile std::size_t g_sink;

}  // namespace

int main(int argc, char** argv) {
  const std::size_t lines = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
  TMob mob;
  GenerateZone(mob, {.records = 8, .seed = 1, .scriptLines = lines});
  const std::string& text = mob.ScriptText;
  std::vector<std::string_view> views;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t lf = text.find('\n', pos);
    const std::size_t next = lf == std::string::npos ? text.size() : lf + 1;
    views.emplace_back(text.data() + pos, next - pos);
    pos = next;
  }
  constexpr int kRuns = 15;

  const double sumMs = BestMs(kRuns, [&] {
    std::size_t sum = 0;
    for (char c : text) sum += static_cast<unsigned char>(c);
    g_sink = sum;
  });

  std::array<std::uint8_t, 256> classOf{};
  for (int c = 0; c < 256; ++c)
    classOf[std::size_t(c)] = std::uint8_t(std::isalpha(c) ? 1 : std::isdigit(c) ? 2 : c == ' ' ? 3 : 4);
  const double classMs = BestMs(kRuns, [&] {
    std::size_t changes = 0;
    for (std::string_view line : views) {
      std::uint8_t previous = 0;
      for (char c : line) {
        const std::uint8_t k = classOf[static_cast<unsigned char>(c)];
        changes += k != previous;
        previous = k;
      }
    }
    g_sink = changes;
  });

  TSynZoneScriptSyn syn;
  std::size_t tokens = 0;
  const double scanMs = BestMs(kRuns, [&] {
    std::size_t count = 0, kinds = 0;
    for (std::string_view line : views)
      for (syn.SetLine(line); !syn.GetEol(); syn.Next()) {
        ++count;
        kinds += std::size_t(syn.GetTokenKind());
      }
    tokens = count;
    g_sink = kinds;
  });

  const double mb = double(text.size()) / 1e6;
  std::printf("bench-script: %zu lines, %.2f MB, %zu tokens (best of %d runs)\n", views.size(), mb, tokens, kRuns);
  std::printf("  byte sum (baseline)          %8.2f ms  %8.0f MB/s\n", sumMs, mb / sumMs * 1e3);
  std::printf("  per-byte class loop          %8.2f ms  %8.0f MB/s  %5.2fx the byte sum\n", classMs,
              mb / classMs * 1e3, classMs / sumMs);
  std::printf("  TSynZoneScriptSyn scan       %8.2f ms  %8.0f MB/s  %5.2fx the byte sum, %5.2fx the class loop,"
              " %.1f M tokens/s\n",
              scanMs, mb / scanMs * 1e3, scanMs / sumMs, scanMs / classMs, double(tokens) / scanMs / 1e3);
  return 0;
}
