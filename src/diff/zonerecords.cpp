#include "diff/zonerecords.h"

#include <algorithm>

namespace kelvarin {

TZoneRecords::TZoneRecords(const TMob& mob) : m_mob(mob), m_kept(!mob.KeptImage().empty()) {
  ForEachKindType([&](auto* type) {
    using R = std::remove_pointer_t<decltype(type)>;
    auto& ids = m_ids[int(R::Kind)];
    const std::size_t count = mob.Count(R::Kind);
    ids.resize(count);
    R scratch;
    for (std::size_t i = 0; i < count; ++i) {
      if (!m_kept) {
        ids[i] = mob.List<R::Kind>()[i].Identity();
        continue;
      }
      const auto kept = mob.KeptRecordAt(R::Kind, i);
      ids[i] = kept.asWritten
                   ? WrittenFormIdentity(R::Kind, kept.bytes.data(), std::uint32_t(kept.bytes.size()))
                   : Record<R>(i, scratch).Identity();
    }
  });
}

namespace {

// Indices ordered by (identity, index): each identity's records together, in list order.
std::vector<std::uint64_t> ByIdentity(std::span<const std::int32_t> ids) {
  std::vector<std::uint64_t> keys(ids.size());
  for (std::size_t i = 0; i < ids.size(); ++i)
    keys[i] = std::uint64_t(std::uint32_t(ids[i])) << 32 | std::uint32_t(i);
  std::sort(keys.begin(), keys.end());
  return keys;
}

void Occurrences(const std::vector<std::uint64_t>& sorted, std::vector<std::uint32_t>& out) {
  out.assign(sorted.size(), 0);
  for (std::size_t k = 1; k < sorted.size(); ++k)
    if (sorted[k] >> 32 == sorted[k - 1] >> 32)
      out[std::uint32_t(sorted[k])] = out[std::uint32_t(sorted[k - 1])] + 1;
}

}  // namespace

TRecordPairing PairByIdentity(std::span<const std::int32_t> a, std::span<const std::int32_t> b) {
  TRecordPairing p;
  p.aToB.assign(a.size(), TRecordPairing::kNone);
  p.bToA.assign(b.size(), TRecordPairing::kNone);
  const auto sa = ByIdentity(a), sb = ByIdentity(b);
  Occurrences(sa, p.occurrenceA);
  Occurrences(sb, p.occurrenceB);
  for (std::size_t i = 0, j = 0; i < sa.size() && j < sb.size();) {
    const std::uint32_t ia = std::uint32_t(sa[i]), ib = std::uint32_t(sb[j]);
    const std::uint64_t keyA = std::uint64_t(sa[i] >> 32) << 32 | p.occurrenceA[ia];
    const std::uint64_t keyB = std::uint64_t(sb[j] >> 32) << 32 | p.occurrenceB[ib];
    if (keyA < keyB) {
      ++i;
    } else if (keyB < keyA) {
      ++j;
    } else {
      p.aToB[ia] = ib;
      p.bToA[ib] = ia;
      ++i;
      ++j;
    }
  }
  return p;
}

std::vector<bool> MovedInSequence(std::span<const std::size_t> seq) {
  // Patience: tails[k] is the position of the smallest last value of an increasing
  // run of length k + 1; back links give the run itself.
  std::vector<std::size_t> tails, back(seq.size(), std::size_t(-1));
  for (std::size_t i = 0; i < seq.size(); ++i) {
    const auto at = std::lower_bound(tails.begin(), tails.end(), seq[i],
                                     [&](std::size_t pos, std::size_t value) { return seq[pos] < value; });
    if (at != tails.begin()) back[i] = *(at - 1);
    if (at == tails.end()) tails.push_back(i);
    else *at = i;
  }
  std::vector<bool> moved(seq.size(), true);
  for (std::size_t i = tails.empty() ? std::size_t(-1) : tails.back(); i != std::size_t(-1); i = back[i])
    moved[i] = false;
  return moved;
}

}  // namespace kelvarin
