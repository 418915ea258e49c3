#include "diff/zonemerge.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>
#include <unordered_set>

#include "common/hex.h"
#include "diff/valuetext.h"
#include "diff/zonediff.h"
#include "diff/zonerecords.h"
#include "mob/objref.h"
#include "mob/recordrules.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

// The three-way rule for a value: a change on one side is taken, a change alike
// on both sides too; a different change on each side is a conflict and keeps ours.
template <class T, class Same>
const T& PickOfThree(const T& base, const T& ours, const T& theirs, Same same, bool& conflict) {
  if (same(ours, base)) return theirs;
  if (same(theirs, base) || same(ours, theirs)) return ours;
  conflict = true;
  return ours;
}

template <class T> const T& PickOfThree(const T& base, const T& ours, const T& theirs, bool& conflict) {
  return PickOfThree(base, ours, theirs, std::equal_to<T>(), conflict);
}

std::string BytesSummary(const Bytes& bytes) {
  constexpr std::size_t kShown = 16;
  std::string text = std::to_string(bytes.size()) + " bytes";
  if (!bytes.empty()) {
    text += " " + ToHex(bytes.data(), std::min(bytes.size(), kShown));
    if (bytes.size() > kShown) text += "...";
  }
  return text;
}

std::string BlockSummary(const SUnknBlock& b) { return "number " + std::to_string(b.Number) + ", " + BytesSummary(b.Data); }
std::string BlockSummary(const SUnknObjBlock& b) { return BytesSummary(b.Data); }

template <class Block> std::string ListSummary(const std::vector<Block>& blocks) {
  std::string text = std::to_string(blocks.size()) + (blocks.size() == 1 ? " block" : " blocks");
  for (std::size_t i = 0; i < blocks.size(); ++i) text += (i == 0 ? ": " : "; ") + BlockSummary(blocks[i]);
  return text;
}

class TZoneMerger {
 public:
  TZoneMerger(const TMob& base, const TMob& ours, const TMob& theirs, TMob& result)
      : m_base(base), m_ours(ours), m_theirs(theirs), m_result(result) {}

  TZoneMerge Run() {
    m_result.Reset();
    MergeBlocks();
    MergeScript();
    MergeRecords();
    m_result.HasObjects = m_result.HasObjects || m_result.TotalRecordCount() > 0 || !m_result.UnknownObjectBlocks.empty();
    m_result.BlockCount = WrittenBlockCount();
    m_result.Loaded = true;
    return std::move(m_merge);
  }

 private:
  TMergeConflict& Conflict(TMergeConflict::Place place) {
    TMergeConflict& c = m_merge.conflicts.emplace_back();
    c.place = place;
    return c;
  }

  void ValuesConflict(TMergeConflict::Place place, std::string base, std::string ours, std::string theirs) {
    TMergeConflict& c = Conflict(place);
    c.base = std::move(base);
    c.ours = std::move(ours);
    c.theirs = std::move(theirs);
  }

  void MergeBlocks() {
    bool conflict = false;
    m_result.MobKind = PickOfThree(m_base.MobKind, m_ours.MobKind, m_theirs.MobKind, conflict);
    if (conflict) ValuesConflict(TMergeConflict::Place::Flag, m_base.MobKind, m_ours.MobKind, m_theirs.MobKind);

    conflict = false;
    m_result.HasObjects = PickOfThree(m_base.HasObjects, m_ours.HasObjects, m_theirs.HasObjects, conflict);

    m_result.UnknownBlocks = MergeBlockList(TMergeConflict::Place::UnknownBlocks, m_base.UnknownBlocks,
                                            m_ours.UnknownBlocks, m_theirs.UnknownBlocks);
    m_result.UnknownObjectBlocks =
        MergeBlockList(TMergeConflict::Place::UnknownObjectBlocks, m_base.UnknownObjectBlocks,
                       m_ours.UnknownObjectBlocks, m_theirs.UnknownObjectBlocks);

    conflict = false;
    m_result.Tail = PickOfThree(m_base.Tail, m_ours.Tail, m_theirs.Tail, conflict);
    m_result.TailLength = std::int64_t(m_result.Tail.size());
    if (conflict)
      ValuesConflict(TMergeConflict::Place::Tail, BytesSummary(m_base.Tail), BytesSummary(m_ours.Tail),
                     BytesSummary(m_theirs.Tail));
  }

  // Lists of the same length merge block by block; otherwise the list is one value.
  template <class Block>
  std::vector<Block> MergeBlockList(TMergeConflict::Place place, const std::vector<Block>& base,
                                    const std::vector<Block>& ours, const std::vector<Block>& theirs) {
    bool conflict = false;
    if (base.size() != ours.size() || base.size() != theirs.size()) {
      const auto& merged = PickOfThree(base, ours, theirs, conflict);
      if (conflict) ValuesConflict(place, ListSummary(base), ListSummary(ours), ListSummary(theirs));
      return merged;
    }
    std::vector<Block> merged;
    merged.reserve(ours.size());
    for (std::size_t i = 0; i < ours.size(); ++i) {
      conflict = false;
      merged.push_back(PickOfThree(base[i], ours[i], theirs[i], conflict));
      if (conflict) {
        ValuesConflict(place, BlockSummary(base[i]), BlockSummary(ours[i]), BlockSummary(theirs[i]));
        m_merge.conflicts.back().ordinal = i;
      }
    }
    return merged;
  }

  void MergeScript() {
    const auto text = [](const TMob& mob) { return mob.HasScript ? std::string_view(mob.ScriptText) : ""; };
    const auto key = [](const TMob& mob) { return mob.HasScript ? TMob::WrittenScriptKey(mob.ScriptKey) : 0; };
    bool conflict = false;
    const bool present = PickOfThree(m_base.HasScript, m_ours.HasScript, m_theirs.HasScript, conflict);
    if (!present) {
      // Removed on one side (or both): a change on the other side is a conflict.
      const TMob& kept = m_ours.HasScript ? m_ours : m_theirs;
      if (kept.HasScript && (text(kept) != text(m_base) || key(kept) != key(m_base))) {
        TMergeConflict& c = Conflict(TMergeConflict::Place::ScriptBlock);
        c.kind = m_ours.HasScript ? TMergeConflict::Kind::RemovedByTheirs : TMergeConflict::Kind::RemovedByOurs;
        if (m_ours.HasScript) {
          m_result.HasScript = true;
          m_result.ScriptKey = m_ours.ScriptKey;
          m_result.ScriptText = m_ours.ScriptText;
        }
      }
      return;
    }
    m_result.HasScript = true;
    conflict = false;
    m_result.ScriptKey = PickOfThree(key(m_base), key(m_ours), key(m_theirs), conflict);
    if (conflict)
      ValuesConflict(TMergeConflict::Place::ScriptKey, std::to_string(key(m_base)), std::to_string(key(m_ours)),
                     std::to_string(key(m_theirs)));
    if (text(m_ours) == text(m_theirs) || text(m_theirs) == text(m_base)) {
      m_result.ScriptText = text(m_ours);
      return;
    }
    if (text(m_ours) == text(m_base)) {
      m_result.ScriptText = text(m_theirs);
      return;
    }
    TLineMerge lines = MergeLines(SplitLinesKeepingEnds(text(m_base)), SplitLinesKeepingEnds(text(m_ours)),
                                  SplitLinesKeepingEnds(text(m_theirs)));
    m_result.ScriptText = std::move(lines.text);
    for (const TLineConflict& lc : lines.conflicts) Conflict(TMergeConflict::Place::ScriptLines).lines = lc;
  }

  // ---- records --------------------------------------------------------------

  // One kind's records in the merged order: ours' records in ours' order, then
  // each of theirs' additions and moves placed after the record that precedes it
  // in theirs.
  struct KindPlan {
    TRecordPairing toOurs, toTheirs;  // base -> ours, base -> theirs
    std::vector<bool> oursMoved, theirsMoved;  // by ours' / theirs' index
  };

  enum class Source : std::uint8_t { Ours, Theirs, Merged };
  struct Node {
    Source source = Source::Ours;
    std::size_t index = 0;  // in ours, theirs, or the merged records
    bool alive = true;
    bool clash = false;  // theirs' addition whose identity ours added too
    bool oursOnly = false;  // ours' addition that theirs does not hold
    std::size_t prev = kEnd, next = kEnd;
  };
  static constexpr std::size_t kEnd = std::size_t(-1);

  static std::vector<bool> MovedOf(const TRecordPairing& fromBase, std::size_t count) {
    std::vector<std::size_t> baseIndex;
    std::vector<std::size_t> at;
    for (std::size_t i = 0; i < count; ++i)
      if (fromBase.bToA[i] != TRecordPairing::kNone) {
        baseIndex.push_back(fromBase.bToA[i]);
        at.push_back(i);
      }
    const std::vector<bool> moved = MovedInSequence(baseIndex);
    std::vector<bool> byIndex(count, false);
    for (std::size_t k = 0; k < at.size(); ++k) byIndex[at[k]] = moved[k];
    return byIndex;
  }

  static std::uint64_t Key(std::int32_t identity, std::uint32_t occurrence) {
    return std::uint64_t(std::uint32_t(identity)) << 32 | occurrence;
  }

  void MergeRecords() {
    const TZoneRecords base(m_base), ours(m_ours), theirs(m_theirs);
    // Sides whose records stay in their file images give a result that leaves
    // them there: only the records the merge changes are held, as written.
    if (m_ours.KeepsRecordsInImage() && m_theirs.KeepsRecordsInImage()) m_result.KeepRecordsOf({&m_ours, &m_theirs});
    std::array<KindPlan, kObjKindCount> plans;
    // Identities ours added, of any kind: theirs' additions must not share them.
    std::unordered_set<std::int32_t> oursAdded;
    for (ObjKind kind : kAllObjKinds) {
      KindPlan& plan = plans[int(kind)];
      plan.toOurs = PairByIdentity(base.Identities(kind), ours.Identities(kind));
      plan.toTheirs = PairByIdentity(base.Identities(kind), theirs.Identities(kind));
      plan.oursMoved = MovedOf(plan.toOurs, ours.Count(kind));
      plan.theirsMoved = MovedOf(plan.toTheirs, theirs.Count(kind));
      for (std::size_t o = 0; o < ours.Count(kind); ++o)
        if (plan.toOurs.bToA[o] == TRecordPairing::kNone) oursAdded.insert(ours.Identity(kind, o));
    }
    std::vector<std::pair<ObjKind, std::size_t>> clashes;  // merged records to renumber
    ForEachKindType([&](auto* type) {
      using R = std::remove_pointer_t<decltype(type)>;
      MergeKind<R>(plans[int(R::Kind)], base, ours, theirs, oursAdded, clashes);
    });
    Renumber(clashes);
  }

  template <class R>
  void MergeKind(const KindPlan& plan, const TZoneRecords& base, const TZoneRecords& ours,
                 const TZoneRecords& theirs, const std::unordered_set<std::int32_t>& oursAdded,
                 std::vector<std::pair<ObjKind, std::size_t>>& clashes) {
    constexpr ObjKind kind = R::Kind;
    const std::size_t nOurs = ours.Count(kind), nTheirs = theirs.Count(kind);
    std::vector<Node> nodes(nOurs);
    std::vector<R> merged;
    std::vector<std::size_t> theirsNode(nTheirs, kEnd);  // the node standing for each of theirs' records
    R scratchB, scratchO, scratchT;

    const auto recordConflict = [&](TMergeConflict::Kind what, std::int32_t identity, std::uint32_t occurrence) -> TMergeConflict& {
      TMergeConflict& c = Conflict(TMergeConflict::Place::Record);
      c.kind = what;
      c.recordKind = kind;
      c.identity = identity;
      c.occurrence = occurrence;
      return c;
    };

    std::unordered_map<std::uint64_t, std::size_t> oursAdditions;  // by identity and occurrence
    for (std::size_t o = 0; o < nOurs; ++o) {
      nodes[o].index = o;
      const std::size_t b = plan.toOurs.bToA[o];
      if (b == TRecordPairing::kNone) {
        oursAdditions.emplace(Key(ours.Identity(kind, o), plan.toOurs.occurrenceB[o]), o);
        nodes[o].oursOnly = true;
        continue;
      }
      const std::size_t t = plan.toTheirs.aToB[b];
      if (t == TRecordPairing::kNone) {
        // Theirs removed it: gone, unless ours changed it.
        if (ours.SameRecord<R>(o, base, b)) nodes[o].alive = false;
        else recordConflict(TMergeConflict::Kind::RemovedByTheirs, ours.Identity(kind, o), plan.toOurs.occurrenceB[o]);
        continue;
      }
      theirsNode[t] = o;
      if (ours.SameRecord<R>(o, base, b)) {
        if (!theirs.SameRecord<R>(t, base, b)) nodes[o] = {Source::Theirs, t};
        continue;
      }
      if (theirs.SameRecord<R>(t, base, b) || ours.SameRecord<R>(o, theirs, t)) continue;
      // Both changed it: field by field.
      const R& rb = base.Record<R>(b, scratchB);
      const R& ro = ours.Record<R>(o, scratchO);
      const R& rt = theirs.Record<R>(t, scratchT);
      R result = ro;
      for (const auto& field : FieldsOf<R>()) {
        std::visit(
            [&](auto member) {
              if (SameMember(ro, rb, member)) {
                result.*member = rt.*member;
              } else if (!SameMember(rt, rb, member) && !SameMember(ro, rt, member)) {
                TMergeConflict& c = recordConflict(TMergeConflict::Kind::Values, ours.Identity(kind, o),
                                                   plan.toOurs.occurrenceB[o]);
                c.field = field.name;
                c.base = FieldValueText(rb.*member);
                c.ours = FieldValueText(ro.*member);
                c.theirs = FieldValueText(rt.*member);
              }
            },
            field.member);
      }
      nodes[o].source = Source::Merged;
      nodes[o].index = merged.size();
      merged.push_back(std::move(result));
    }

    for (std::size_t t = 0; t < nTheirs; ++t) {
      const std::size_t b = plan.toTheirs.bToA[t];
      if (b != TRecordPairing::kNone) {
        // Ours removed it: gone, unless theirs changed it.
        if (plan.toOurs.aToB[b] == TRecordPairing::kNone && !theirs.SameRecord<R>(t, base, b))
          recordConflict(TMergeConflict::Kind::RemovedByOurs, theirs.Identity(kind, t), plan.toTheirs.occurrenceB[t]);
        continue;
      }
      const std::int32_t identity = theirs.Identity(kind, t);
      const auto same = oursAdditions.find(Key(identity, plan.toTheirs.occurrenceB[t]));
      if (same != oursAdditions.end() && ours.SameRecord<R>(same->second, theirs, t)) {
        theirsNode[t] = same->second;  // the same addition on both sides
        nodes[same->second].oursOnly = false;
        continue;
      }
      theirsNode[t] = nodes.size();
      Node& added = nodes.emplace_back();
      added.source = Source::Theirs;
      added.index = t;
      added.clash = oursAdded.contains(identity);
    }

    // Ours' order, with theirs' additions and theirs' moves (of records ours did
    // not move) each placed after the record that precedes it in theirs, and after
    // what ours added right there.
    std::size_t head = kEnd, tail = kEnd;
    const auto unlink = [&](std::size_t n) {
      Node& x = nodes[n];
      (x.prev == kEnd ? head : nodes[x.prev].next) = x.next;
      (x.next == kEnd ? tail : nodes[x.next].prev) = x.prev;
      x.prev = x.next = kEnd;
    };
    const auto insertAfter = [&](std::size_t n, std::size_t after) {
      for (std::size_t next = after == kEnd ? head : nodes[after].next; next != kEnd && nodes[next].oursOnly;
           next = nodes[next].next)
        after = next;
      Node& x = nodes[n];
      x.prev = after;
      x.next = after == kEnd ? head : nodes[after].next;
      (x.prev == kEnd ? head : nodes[x.prev].next) = n;
      (x.next == kEnd ? tail : nodes[x.next].prev) = n;
    };
    for (std::size_t o = 0; o < nOurs; ++o) {
      if (!nodes[o].alive) continue;
      Node& x = nodes[o];
      x.prev = tail;
      (tail == kEnd ? head : nodes[tail].next) = o;
      tail = o;
    }
    std::size_t anchor = kEnd;
    for (std::size_t t = 0; t < nTheirs; ++t) {
      const std::size_t n = theirsNode[t];
      if (n == kEnd || !nodes[n].alive) continue;
      if (n >= nOurs) {
        insertAfter(n, anchor);
      } else if (plan.theirsMoved[t] && plan.toTheirs.bToA[t] != TRecordPairing::kNone && !plan.oursMoved[n]) {
        unlink(n);
        insertAfter(n, anchor);
      }
      anchor = n;
    }

    if (m_result.KeepsRecordsInImage()) {
      std::size_t index = 0;
      for (std::size_t n = head; n != kEnd; n = nodes[n].next, ++index) {
        const Node& x = nodes[n];
        if (x.clash) clashes.emplace_back(kind, index);
        if (x.source == Source::Merged) m_result.KeepRecord(index, merged[x.index]);
        else m_result.AppendKeptRecord(x.source == Source::Ours ? m_ours : m_theirs, kind, x.index);
      }
      return;
    }
    auto& list = m_result.List<kind>();
    list.clear();
    std::size_t count = 0;
    for (std::size_t n = head; n != kEnd; n = nodes[n].next) ++count;
    list.reserve(count);
    for (std::size_t n = head; n != kEnd; n = nodes[n].next) {
      const Node& x = nodes[n];
      if (x.clash) clashes.emplace_back(kind, list.size());
      if (x.source == Source::Merged) list.push_back(std::move(merged[x.index]));
      else list.push_back((x.source == Source::Ours ? ours : theirs).Take<R>(x.index));
    }
  }

  // Gives each clashing record the identity FindFreeObjectId would give it at its
  // turn: the lowest one no record carries, counting those given before. One pass
  // marks the identities that could be it (at most as many as there are records).
  void Renumber(const std::vector<std::pair<ObjKind, std::size_t>>& clashes) {
    if (clashes.empty()) return;
    const std::uint64_t limit = std::min<std::uint64_t>(m_result.TotalRecordCount() + 1, kHighIdentityRange - 1);
    std::vector<bool> taken(limit + 1, false);
    m_result.ForEachRecord([&](const auto& r, std::size_t) {
      const auto id = std::uint32_t(r.Identity());
      if (id >= 1 && id <= limit) taken[id] = true;
    });
    std::uint64_t next = 1;
    for (const auto& clash : clashes) {
      // Named apart: clang 14, which builds the fuzzers, takes no structured
      // binding into a lambda.
      const ObjKind kind = clash.first;
      const std::size_t index = clash.second;
      while (next <= limit && taken[next]) ++next;
      if (next > limit) {
        m_merge.identitiesExhausted = true;
        return;
      }
      taken[next] = true;
      const TObjRef ref{kind, index};
      if (m_result.KeepsRecordsInImage()) {
        VisitRecordValue(m_result, ref, [&](const auto& record) {
          m_merge.renumbered.push_back({kind, index, record.Identity(), std::uint32_t(next)});
          auto renumbered = record;
          SetIdentity(renumbered, std::int32_t(next));
          m_result.KeepRecord(index, renumbered);
        });
        continue;
      }
      VisitRecord(m_result, ref, [&](auto& record) {
        m_merge.renumbered.push_back({kind, index, record.Identity(), std::uint32_t(next)});
        SetIdentity(record, std::int32_t(next));
      });
    }
  }

  // Enough places for every block: each unknown block stands at its number, the
  // script and object blocks in the places left free.
  std::int32_t WrittenBlockCount() const {
    std::int32_t count = 1 + std::int32_t(m_result.UnknownBlocks.size()) + (m_result.HasScript ? 1 : 0) +
                         (m_result.HasObjects ? 1 : 0);
    for (const SUnknBlock& b : m_result.UnknownBlocks) count = std::max(count, b.Number);
    return count;
  }

  const TMob& m_base;
  const TMob& m_ours;
  const TMob& m_theirs;
  TMob& m_result;
  TZoneMerge m_merge;
};

}  // namespace

TZoneMerge MergeZones(const TMob& base, const TMob& ours, const TMob& theirs, TMob& result) {
  return TZoneMerger(base, ours, theirs, result).Run();
}

namespace {

std::string Lines(std::size_t start, std::size_t count) {
  if (count == 0) return "none (before line " + std::to_string(start + 1) + ")";
  if (count == 1) return "line " + std::to_string(start + 1);
  return "lines " + std::to_string(start + 1) + "-" + std::to_string(start + count);
}

std::string PlaceText(const TMergeConflict& c) {
  const std::string which = c.ordinal ? " " + std::to_string(*c.ordinal) : "s";
  switch (c.place) {
    case TMergeConflict::Place::Flag: return "flag block";
    case TMergeConflict::Place::ObjectBlock: return "object block";
    case TMergeConflict::Place::UnknownBlocks: return "unknown block" + which;
    case TMergeConflict::Place::UnknownObjectBlocks: return "unknown object sub-block" + which;
    case TMergeConflict::Place::Tail: return "tail";
    case TMergeConflict::Place::ScriptBlock: return "script block";
    case TMergeConflict::Place::ScriptKey: return "script key";
    case TMergeConflict::Place::ScriptLines: return "script";
    case TMergeConflict::Place::Record: break;
  }
  std::string text = RecordLabel(c.recordKind, c.identity, c.occurrence);
  if (!c.field.empty()) text += ": " + c.field;
  return text;
}

}  // namespace

std::string MergeConflictText(const TMergeConflict& c) {
  std::string text = "conflict: " + PlaceText(c) + ": ";
  if (c.place == TMergeConflict::Place::ScriptLines)
    return text + "base " + Lines(c.lines.baseStart, c.lines.baseCount) + ", ours " +
           Lines(c.lines.oursStart, c.lines.oursCount) + ", theirs " +
           Lines(c.lines.theirsStart, c.lines.theirsCount) + " changed differently; ours kept";
  switch (c.kind) {
    case TMergeConflict::Kind::RemovedByOurs: return text + "removed by ours, changed by theirs; stays removed";
    case TMergeConflict::Kind::RemovedByTheirs: return text + "removed by theirs, changed by ours; ours kept";
    case TMergeConflict::Kind::Values: break;
  }
  return text + "base " + c.base + ", ours " + c.ours + ", theirs " + c.theirs + "; ours kept";
}

std::string RenumberedText(const TRenumbered& r) {
  return "theirs' " + RecordLabel(r.kind, r.from, 0) + " (index " + std::to_string(r.index) +
         ") clashes with an identity ours added: it gets the identity " + std::to_string(r.to);
}

}  // namespace kelvarin
