#include "diff/zonediff.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>

#include "diff/valuetext.h"
#include "diff/zonerecords.h"
#include "mob/kindnames.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

std::uint32_t FlagType(const std::string& mobKind) {
  return mobKind == "QuestMob" ? kQuestMobFlag : mobKind == "ZonalMob" ? kZonalMobFlag : 0;
}

std::uint32_t TypeOf(const Bytes& block) { return block.size() >= 4 ? ReadU32(block.data()) : 0; }

std::optional<std::uint64_t> FirstDifference(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  const std::size_t n = std::min(a.size(), b.size());
  const auto at = std::mismatch(a.begin(), a.begin() + std::ptrdiff_t(n), b.begin());
  if (at.first != a.begin() + std::ptrdiff_t(n)) return std::uint64_t(at.first - a.begin());
  if (a.size() != b.size()) return n;
  return std::nullopt;
}

// Blocks held as bytes, paired in list order.
template <class Block, class SideOf>
void DiffBlockLists(TBlockDiff::Block kind, const std::vector<Block>& a, const std::vector<Block>& b,
                    SideOf sideOf, std::vector<TBlockDiff>& out) {
  for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
    TBlockDiff d;
    d.block = kind;
    d.ordinal = i;
    if (i < a.size()) d.a = sideOf(a[i]);
    if (i < b.size()) d.b = sideOf(b[i]);
    if (i < a.size() && i < b.size()) {
      d.firstDifference = FirstDifference(a[i].Data, b[i].Data);
      if (!d.firstDifference && d.a.number == d.b.number) continue;
    }
    out.push_back(d);
  }
}

void DiffBlocks(const TMob& a, const TMob& b, std::vector<TBlockDiff>& out) {
  if (a.MobKind != b.MobKind) {
    TBlockDiff d;
    d.block = TBlockDiff::Block::Flag;
    d.a = {true, FlagType(a.MobKind), 1, 8};
    d.b = {true, FlagType(b.MobKind), 1, 8};
    d.firstDifference = 0;
    out.push_back(d);
  }
  if (a.HasObjects != b.HasObjects) {
    TBlockDiff d;
    d.block = TBlockDiff::Block::ObjectBlock;
    d.a.present = a.HasObjects;
    d.b.present = b.HasObjects;
    d.a.type = d.b.type = kObjectBlockType;
    out.push_back(d);
  }
  DiffBlockLists(TBlockDiff::Block::Unknown, a.UnknownBlocks, b.UnknownBlocks,
                 [](const SUnknBlock& u) { return TBlockDiff::Side{true, TypeOf(u.Data), u.Number, u.Data.size()}; },
                 out);
  DiffBlockLists(TBlockDiff::Block::UnknownObject, a.UnknownObjectBlocks, b.UnknownObjectBlocks,
                 [](const SUnknObjBlock& u) { return TBlockDiff::Side{true, TypeOf(u.Data), 0, u.Data.size()}; },
                 out);
  if (const auto first = FirstDifference(a.Tail, b.Tail)) {
    TBlockDiff d;
    d.block = TBlockDiff::Block::Tail;
    d.a = {!a.Tail.empty(), 0, 0, a.Tail.size()};
    d.b = {!b.Tail.empty(), 0, 0, b.Tail.size()};
    d.firstDifference = first;
    out.push_back(d);
  }
}

template <class R> void DiffFields(const R& a, const R& b, std::vector<TFieldChange>& out) {
  for (const auto& field : FieldsOf<R>()) {
    std::visit(
        [&](auto member) {
          if (!SameMember(a, b, member)) out.push_back({field.name, TFieldValue(a.*member), TFieldValue(b.*member)});
        },
        field.member);
  }
}

TRecordDiff NewRecordDiff(ObjKind kind, TRecordDiff::Change change, std::int32_t identity,
                          std::uint32_t occurrence) {
  TRecordDiff d;
  d.kind = kind;
  d.change = change;
  d.identity = identity;
  d.occurrence = occurrence;
  return d;
}

template <class R>
void DiffKind(const TZoneRecords& a, const TZoneRecords& b, std::vector<TRecordDiff>& out) {
  constexpr ObjKind kind = R::Kind;
  const TRecordPairing p = PairByIdentity(a.Identities(kind), b.Identities(kind));
  for (std::size_t i = 0; i < p.aToB.size(); ++i) {
    if (p.aToB[i] != TRecordPairing::kNone) continue;
    TRecordDiff d = NewRecordDiff(kind, TRecordDiff::Change::Removed, a.Identity(kind, i), p.occurrenceA[i]);
    d.indexA = i;
    out.push_back(std::move(d));
  }
  std::vector<std::size_t> pairedInB;
  for (std::size_t j = 0; j < p.bToA.size(); ++j)
    if (p.bToA[j] != TRecordPairing::kNone) pairedInB.push_back(p.bToA[j]);
  const std::vector<bool> moved = MovedInSequence(pairedInB);

  R scratchA, scratchB;
  for (std::size_t j = 0, paired = 0; j < p.bToA.size(); ++j) {
    TRecordDiff d = NewRecordDiff(kind, TRecordDiff::Change::Added, b.Identity(kind, j), p.occurrenceB[j]);
    d.indexB = j;
    const std::size_t i = p.bToA[j];
    if (i != TRecordPairing::kNone) {
      d.change = TRecordDiff::Change::Changed;
      d.indexA = i;
      d.moved = moved[paired++];
      if (!a.SameRecord<R>(i, b, j)) DiffFields(a.Record<R>(i, scratchA), b.Record<R>(j, scratchB), d.fields);
      if (d.fields.empty() && !d.moved) continue;
    }
    out.push_back(std::move(d));
  }
}

bool SameImages(const TMob& a, const TMob& b) {
  const auto x = a.KeptImage(), y = b.KeptImage();
  return x.size() == y.size() && std::memcmp(x.data(), y.data(), x.size()) == 0;
}

}  // namespace

TZoneDiff DiffZones(const TMob& a, const TMob& b, std::optional<std::string_view> scriptA,
                    std::optional<std::string_view> scriptB) {
  TZoneDiff diff;
  DiffBlocks(a, b, diff.blocks);

  const TZoneRecords ra(a), rb(b);
  ForEachKindType([&](auto* type) {
    using R = std::remove_pointer_t<decltype(type)>;
    DiffKind<R>(ra, rb, diff.records);
  });

  TScriptDiff& s = diff.script;
  s.presentA = a.HasScript;
  s.presentB = b.HasScript;
  s.keyA = a.HasScript ? TMob::WrittenScriptKey(a.ScriptKey) : 0;
  s.keyB = b.HasScript ? TMob::WrittenScriptKey(b.ScriptKey) : 0;
  const std::string_view textA = a.HasScript ? scriptA.value_or(a.ScriptText) : std::string_view(),
                         textB = b.HasScript ? scriptB.value_or(b.ScriptText) : std::string_view();
  if (textA != textB) s.hunks = UnifiedHunks(SplitLinesKeepingEnds(textA), SplitLinesKeepingEnds(textB));

  const bool bothImages = !a.KeptImage().empty() && !b.KeptImage().empty();
  diff.layoutDiffers = bothImages && diff.SameContent() && !SameImages(a, b);
  return diff;
}

// ---- text -------------------------------------------------------------------

std::string RecordLabel(ObjKind kind, std::int32_t identity, std::uint32_t occurrence) {
  std::string label = std::string(ObjKindKey(kind)) + " " + std::to_string(identity);
  if (occurrence > 0) label += " (" + std::to_string(occurrence + 1) + ")";
  return label;
}

namespace {

std::string Hex32(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

const char* FlagName(std::uint32_t type) {
  return type == kQuestMobFlag ? "QuestMob" : type == kZonalMobFlag ? "ZonalMob" : "none";
}

std::string SideText(const TBlockDiff& d, const TBlockDiff::Side& s) {
  std::string text;
  if (d.HasNumber()) text += "number " + std::to_string(s.number) + ", ";
  if (d.HasType()) text += "type " + Hex32(s.type) + ", ";
  return text + std::to_string(s.size) + " bytes";
}

template <class T> std::string Change(const T& a, const T& b) {
  return a == b ? a : a + " -> " + b;
}

void BlockText(const TBlockDiff& d, std::string& out) {
  switch (d.block) {
    case TBlockDiff::Block::Flag:
      out += "flag block: " + std::string(FlagName(d.a.type)) + " -> " + FlagName(d.b.type) + " (type " +
             Hex32(d.a.type) + " -> " + Hex32(d.b.type) + ")\n";
      return;
    case TBlockDiff::Block::ScriptBlock:
    case TBlockDiff::Block::ObjectBlock:
      out += std::string(d.block == TBlockDiff::Block::ObjectBlock ? "object block" : "script block") +
             (d.b.present ? ": added\n" : ": removed\n");
      return;
    case TBlockDiff::Block::Unknown: out += "unknown block " + std::to_string(d.ordinal); break;
    case TBlockDiff::Block::UnknownObject: out += "unknown object sub-block " + std::to_string(d.ordinal); break;
    case TBlockDiff::Block::Tail: out += "tail"; break;
  }
  if (!d.a.present) {
    out += ": added: " + SideText(d, d.b) + "\n";
  } else if (!d.b.present) {
    out += ": removed: " + SideText(d, d.a) + "\n";
  } else {
    out += ": ";
    if (d.HasNumber()) out += "number " + Change(std::to_string(d.a.number), std::to_string(d.b.number)) + ", ";
    if (d.HasType()) out += "type " + Change(Hex32(d.a.type), Hex32(d.b.type)) + ", ";
    out += Change(std::to_string(d.a.size), std::to_string(d.b.size)) + " bytes";
    if (d.firstDifference) out += ", first difference at byte " + std::to_string(*d.firstDifference);
    out += "\n";
  }
}

void RecordText(const TRecordDiff& d, std::string& out) {
  out += RecordLabel(d.kind, d.identity, d.occurrence) + ": ";
  switch (d.change) {
    case TRecordDiff::Change::Added: out += "added (index " + std::to_string(*d.indexB) + ")\n"; return;
    case TRecordDiff::Change::Removed: out += "removed (index " + std::to_string(*d.indexA) + ")\n"; return;
    case TRecordDiff::Change::Changed: break;
  }
  out += d.moved ? (d.fields.empty() ? "moved" : "moved and changed") : "changed";
  out += " (index " + Change(std::to_string(*d.indexA), std::to_string(*d.indexB)) + ")\n";
  for (const TFieldChange& f : d.fields)
    out += "    " + std::string(f.field) + ": " + FieldValueText(f.a) + " -> " + FieldValueText(f.b) + "\n";
}

void ScriptText(const TScriptDiff& s, const std::string& nameA, const std::string& nameB, std::string& out) {
  if (s.presentA != s.presentB) out += s.presentB ? "script block: added\n" : "script block: removed\n";
  if (s.keyA != s.keyB && s.presentA && s.presentB)
    out += "script key: " + std::to_string(s.keyA) + " -> " + std::to_string(s.keyB) +
           (s.keyB == 0 ? " (enciphered -> plain text)\n" : " (plain text -> enciphered)\n");
  out += ScriptHunksText(s, nameA, nameB);
}

}  // namespace

const char* BlockDiffKey(TBlockDiff::Block block) {
  switch (block) {
    case TBlockDiff::Block::Flag: return "flag";
    case TBlockDiff::Block::ScriptBlock: return "script";
    case TBlockDiff::Block::ObjectBlock: return "object";
    case TBlockDiff::Block::Unknown: return "unknown";
    case TBlockDiff::Block::UnknownObject: return "unknown-object";
    case TBlockDiff::Block::Tail: return "tail";
  }
  return "";
}

const char* RecordChangeKey(const TRecordDiff& record) {
  switch (record.change) {
    case TRecordDiff::Change::Added: return "added";
    case TRecordDiff::Change::Removed: return "removed";
    case TRecordDiff::Change::Changed: break;
  }
  return record.fields.empty() ? "moved" : "changed";
}

std::string ScriptHunksText(const TScriptDiff& s, const std::string& nameA, const std::string& nameB) {
  std::string out;
  if (s.hunks.empty()) return out;
  out += "--- " + nameA + " (script)\n+++ " + nameB + " (script)\n";
  const auto range = [](std::size_t start, std::size_t count) {
    return count == 1 ? std::to_string(start) : std::to_string(start) + "," + std::to_string(count);
  };
  for (const TDiffHunk& h : s.hunks) {
    out += "@@ -" + range(h.aStart, h.aCount) + " +" + range(h.bStart, h.bCount) + " @@\n";
    for (const TDiffLine& line : h.lines) {
      out += line.op;
      out += LineWithoutEnd(line.text);
      out += "\n";
      if (LineWithoutEnd(line.text).size() == line.text.size()) out += "\\ No newline at end of file\n";
    }
  }
  return out;
}

std::string ZoneDiffText(const TZoneDiff& diff, const std::string& nameA, const std::string& nameB) {
  std::string out;
  for (const TBlockDiff& d : diff.blocks) BlockText(d, out);
  for (const TRecordDiff& d : diff.records) RecordText(d, out);
  ScriptText(diff.script, nameA, nameB, out);
  if (diff.layoutDiffers)
    out += "the zones hold the same content and differ only in layout (the order of blocks or records, "
           "the form of a record or of the script key), which saving either makes the same\n";
  return out;
}

}  // namespace kelvarin
