#include "diff/linediff.h"

#include <algorithm>
#include <unordered_map>

#include "script/core/scriptlines.h"

namespace kelvarin {

std::vector<std::string_view> SplitLinesKeepingEnds(std::string_view text) {
  std::vector<std::string_view> lines;
  if (text.empty()) return lines;
  ForEachScriptLine(text, [&](std::string_view line, std::size_t) { lines.push_back(line); });
  // Each line runs up to the next one's start, its end included.
  for (std::size_t i = 0; i + 1 < lines.size(); ++i)
    lines[i] = std::string_view(lines[i].data(), std::size_t(lines[i + 1].data() - lines[i].data()));
  if (lines.size() > 1 && lines.back().empty()) lines.pop_back();
  return lines;
}

std::string_view LineWithoutEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

namespace {

// The greatest number of edits the exact search spends on one stretch; beyond it
// the stretch is split at lines unique to both sides. Its memory grows with the
// square of this bound.
constexpr std::size_t kMaxEdits = 1000;

class TLineMatcher {
 public:
  TLineMatcher(std::span<const std::string_view> a, std::span<const std::string_view> b)
      : m_match(a.size(), kNoLine) {
    std::unordered_map<std::string_view, std::uint32_t> ids;
    const auto token = [&](std::string_view line) {
      return ids.try_emplace(line, std::uint32_t(ids.size())).first->second;
    };
    m_a.reserve(a.size());
    m_b.reserve(b.size());
    for (auto line : a) m_a.push_back(token(line));
    for (auto line : b) m_b.push_back(token(line));
  }

  std::vector<std::size_t> Run() {
    m_todo.push_back({0, m_a.size(), 0, m_b.size()});
    while (!m_todo.empty()) {
      const Stretch s = m_todo.back();
      m_todo.pop_back();
      Match(s);
    }
    return std::move(m_match);
  }

 private:
  struct Stretch {
    std::size_t a0, a1, b0, b1;
  };

  void Match(Stretch s) {
    while (s.a0 < s.a1 && s.b0 < s.b1 && m_a[s.a0] == m_b[s.b0]) m_match[s.a0++] = s.b0++;
    while (s.a0 < s.a1 && s.b0 < s.b1 && m_a[s.a1 - 1] == m_b[s.b1 - 1]) m_match[--s.a1] = --s.b1;
    if (s.a0 == s.a1 || s.b0 == s.b1) return;
    if (!Search(s)) SplitAtUniqueLines(s);
  }

  // Lines that stand once in each side of the stretch, matched where they keep
  // their order (one longest increasing run), split it into smaller stretches.
  // Without such lines nothing of the stretch matches.
  bool SplitAtUniqueLines(const Stretch& s) {
    struct Seen {
      std::uint32_t inA = 0, inB = 0;
      std::size_t atA = 0, atB = 0;
    };
    std::unordered_map<std::uint32_t, Seen> seen;
    for (std::size_t i = s.a0; i < s.a1; ++i) {
      Seen& x = seen[m_a[i]];
      ++x.inA;
      x.atA = i;
    }
    for (std::size_t j = s.b0; j < s.b1; ++j) {
      const auto it = seen.find(m_b[j]);
      if (it == seen.end()) continue;
      ++it->second.inB;
      it->second.atB = j;
    }
    std::vector<std::pair<std::size_t, std::size_t>> unique;
    for (const auto& [line, x] : seen)
      if (x.inA == 1 && x.inB == 1) unique.emplace_back(x.atA, x.atB);
    if (unique.empty()) return false;
    std::sort(unique.begin(), unique.end());

    // Longest run increasing in b, in a's order.
    std::vector<std::size_t> tails, back(unique.size(), std::size_t(-1));
    for (std::size_t i = 0; i < unique.size(); ++i) {
      const auto at = std::lower_bound(tails.begin(), tails.end(), unique[i].second,
                                       [&](std::size_t k, std::size_t v) { return unique[k].second < v; });
      if (at != tails.begin()) back[i] = *(at - 1);
      if (at == tails.end()) tails.push_back(i);
      else *at = i;
    }
    std::size_t a1 = s.a1, b1 = s.b1;
    for (std::size_t k = tails.back(); k != std::size_t(-1); k = back[k]) {
      const auto [ia, ib] = unique[k];
      m_match[ia] = ib;
      m_todo.push_back({ia + 1, a1, ib + 1, b1});
      a1 = ia;
      b1 = ib;
    }
    m_todo.push_back({s.a0, a1, s.b0, b1});
    return true;
  }

  // The exact shortest edit of the stretch (the greedy forward search); false
  // when it takes more than kMaxEdits edits.
  bool Search(const Stretch& s) {
    const std::ptrdiff_t n = std::ptrdiff_t(s.a1 - s.a0), m = std::ptrdiff_t(s.b1 - s.b0);
    const std::ptrdiff_t maxD = std::min<std::ptrdiff_t>(n + m, kMaxEdits);
    const std::ptrdiff_t offset = maxD + 1;
    std::vector<std::ptrdiff_t> v(std::size_t(2 * maxD + 3), 0);
    std::vector<std::vector<std::ptrdiff_t>> trace;
    const auto A = [&](std::ptrdiff_t x) { return m_a[s.a0 + std::size_t(x)]; };
    const auto B = [&](std::ptrdiff_t y) { return m_b[s.b0 + std::size_t(y)]; };
    std::ptrdiff_t found = -1;
    for (std::ptrdiff_t d = 0; d <= maxD && found < 0; ++d) {
      for (std::ptrdiff_t k = -d; k <= d; k += 2) {
        std::ptrdiff_t x = (k == -d || (k != d && v[offset + k - 1] < v[offset + k + 1])) ? v[offset + k + 1]
                                                                                          : v[offset + k - 1] + 1;
        std::ptrdiff_t y = x - k;
        while (x < n && y < m && A(x) == B(y)) ++x, ++y;
        v[offset + k] = x;
        if (x >= n && y >= m) found = d;
      }
      trace.emplace_back(v.begin() + (offset - d), v.begin() + (offset + d + 1));
    }
    if (found < 0) return false;

    std::ptrdiff_t x = n, y = m;
    for (std::ptrdiff_t d = found; d > 0; --d) {
      const auto& prev = trace[std::size_t(d - 1)];  // k from -(d-1) at index 0
      const auto at = [&](std::ptrdiff_t k) { return prev[std::size_t(k + d - 1)]; };
      const std::ptrdiff_t k = x - y;
      const std::ptrdiff_t prevK = (k == -d || (k != d && at(k - 1) < at(k + 1))) ? k + 1 : k - 1;
      const std::ptrdiff_t prevX = at(prevK), prevY = prevX - prevK;
      while (x > prevX && y > prevY) {
        --x, --y;
        m_match[s.a0 + std::size_t(x)] = s.b0 + std::size_t(y);
      }
      x = prevX;
      y = prevY;
    }
    while (x > 0 && y > 0) {
      --x, --y;
      m_match[s.a0 + std::size_t(x)] = s.b0 + std::size_t(y);
    }
    return true;
  }

  std::vector<std::uint32_t> m_a, m_b;
  std::vector<std::size_t> m_match;
  std::vector<Stretch> m_todo;
};

}  // namespace

std::vector<std::size_t> MatchLines(std::span<const std::string_view> a, std::span<const std::string_view> b) {
  return TLineMatcher(a, b).Run();
}

std::vector<TDiffHunk> UnifiedHunks(std::span<const std::string_view> a, std::span<const std::string_view> b,
                                    std::size_t context) {
  const std::vector<std::size_t> match = MatchLines(a, b);
  struct Op {
    char op;
    std::size_t i, j;  // positions in a and b before this line
  };
  std::vector<Op> ops;
  for (std::size_t i = 0, j = 0; i < a.size() || j < b.size();) {
    if (i < a.size() && match[i] == kNoLine) {
      ops.push_back({'-', i, j});
      ++i;
    } else if (j < b.size() && (i == a.size() || match[i] != j)) {
      ops.push_back({'+', i, j});
      ++j;
    } else {
      ops.push_back({' ', i, j});
      ++i, ++j;
    }
  }

  std::vector<TDiffHunk> hunks;
  for (std::size_t k = 0; k < ops.size();) {
    if (ops[k].op == ' ') {
      ++k;
      continue;
    }
    // A hunk from `context` lines before this change to `context` lines after the
    // last change that follows within twice the context.
    const std::size_t first = k >= context ? k - context : 0;
    std::size_t last = k;  // last change
    for (std::size_t n = k + 1; n < ops.size() && n <= last + 2 * context; ++n)
      if (ops[n].op != ' ') last = n;
    const std::size_t end = std::min(ops.size(), last + context + 1);
    TDiffHunk hunk;
    for (std::size_t n = first; n < end; ++n) {
      const Op& op = ops[n];
      hunk.lines.push_back({op.op, std::string(op.op == '+' ? b[op.j] : a[op.i])});
      if (op.op != '+') ++hunk.aCount;
      if (op.op != '-') ++hunk.bCount;
    }
    // An empty side starts at the line before it, as unified diffs number it.
    hunk.aStart = ops[first].i + (hunk.aCount > 0 ? 1 : 0);
    hunk.bStart = ops[first].j + (hunk.bCount > 0 ? 1 : 0);
    hunks.push_back(std::move(hunk));
    k = end;
  }
  return hunks;
}

TLineMerge MergeLines(std::span<const std::string_view> base, std::span<const std::string_view> ours,
                      std::span<const std::string_view> theirs) {
  const std::vector<std::size_t> toOurs = MatchLines(base, ours), toTheirs = MatchLines(base, theirs);
  TLineMerge merge;
  const auto append = [&](std::span<const std::string_view> lines, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) merge.text += lines[i];
  };
  const auto same = [](std::span<const std::string_view> x, std::size_t x0, std::size_t x1,
                       std::span<const std::string_view> y, std::size_t y0, std::size_t y1) {
    return x1 - x0 == y1 - y0 && std::equal(x.begin() + std::ptrdiff_t(x0), x.begin() + std::ptrdiff_t(x1),
                                            y.begin() + std::ptrdiff_t(y0));
  };
  std::size_t o = 0, a = 0, t = 0;
  while (o < base.size() || a < ours.size() || t < theirs.size()) {
    // A stretch that all three hold alike.
    std::size_t k = 0;
    while (o + k < base.size() && toOurs[o + k] == a + k && toTheirs[o + k] == t + k) ++k;
    if (k > 0) {
      append(base, o, o + k);
      o += k, a += k, t += k;
      continue;
    }
    // Up to the next base line that both sides kept.
    std::size_t o1 = o;
    while (o1 < base.size() && (toOurs[o1] == kNoLine || toTheirs[o1] == kNoLine)) ++o1;
    const std::size_t a1 = o1 < base.size() ? toOurs[o1] : ours.size();
    const std::size_t t1 = o1 < base.size() ? toTheirs[o1] : theirs.size();
    if (same(base, o, o1, ours, a, a1)) {
      append(theirs, t, t1);
    } else if (same(base, o, o1, theirs, t, t1) || same(ours, a, a1, theirs, t, t1)) {
      append(ours, a, a1);
    } else {
      append(ours, a, a1);
      merge.conflicts.push_back({o, o1 - o, a, a1 - a, t, t1 - t});
    }
    o = o1, a = a1, t = t1;
  }
  return merge;
}

}  // namespace kelvarin
