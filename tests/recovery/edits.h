// A deterministic run of edits of every kind the editor makes, for the journal
// tests: the same seed gives the same edits on any session over the same zone, so
// a test can rebuild what the document held after each of them.
#pragma once

#include <random>
#include <string>

#include "document/blockcommands.h"
#include "document/movecommand.h"
#include "document/recordcommands.h"
#include "document/documentsession.h"
#include "mob/objref.h"

namespace kelvarin::test {

enum class TEditKind { Field, Text, Turn, Move, Block, Script, MassChange, Undo, Redo, Other, InPlace, Count };

// A kind of step the journal knows nothing of: it swaps two records.
class TSwapRecordsCommand : public TDocCommand {
 public:
  TSwapRecordsCommand(TObjRef a, std::size_t b) : TDocCommand("swap"), m_a(a), m_b(b) {}
  void Undo(TMob& mob) override { Redo(mob); }
  void Redo(TMob& mob) override {
    VisitRecord(mob, m_a, [&](auto& record) {
      using R = std::decay_t<decltype(record)>;
      std::swap(record, mob.List<R::Kind>()[m_b]);
    });
  }
  TRecordsChange Change(bool) const override { return {m_a, true}; }
  std::size_t MemorySize() const override { return sizeof(*this); }

 private:
  TObjRef m_a;
  std::size_t m_b;
};

// A kind of step the journal knows only by what it says of itself, as a script's
// run does: the records it changed in place. It moves a few records along X.
class TNudgeCommand : public TDocCommand {
 public:
  TNudgeCommand(std::vector<TObjRef> refs, float by) : TDocCommand("nudge"), m_refs(std::move(refs)), m_by(by) {}
  void Redo(TMob& mob) override {
    m_before.clear();
    for (const TObjRef& ref : m_refs) {
      TPlanePosition at = *ReadPlanePosition(mob, ref);
      m_before.push_back(at);
      at.x += m_by;
      WritePlanePosition(mob, ref, at);
    }
  }
  void Undo(TMob& mob) override {
    for (std::size_t i = m_refs.size(); i-- > 0;) WritePlanePosition(mob, m_refs[i], m_before[i]);
  }
  TRecordsChange Change(bool) const override { return {}; }
  std::size_t MemorySize() const override { return sizeof(*this); }
  std::optional<std::vector<TObjRef>> RecordsChangedInPlace() const override { return m_refs; }

 private:
  std::vector<TObjRef> m_refs;
  float m_by;
  std::vector<TPlanePosition> m_before;
};

class TEditRun {
 public:
  TEditRun(TDocumentSession& session, std::uint64_t seed) : m_session(session), m_rng(seed) {}

  // The script as the user's editor holds it.
  std::string script;

  // Makes edit number `n` of the run (kind `only`, or of every kind in turn).
  void Edit(int n, TEditKind only = TEditKind::Count) {
    TMob& mob = m_session.Mob();
    const auto kind = only != TEditKind::Count ? only : TEditKind(n % int(TEditKind::Count));
    const TObjRef ref = AnyCommonRecord(mob);
    const float value = float(m_rng() % 100000) / 8.0f;
    switch (kind) {
      case TEditKind::Field:
        m_session.Apply(TFieldEditCommand::Set(mob, ref, "LoadX", TFieldValue(value), "x"));
        break;
      case TEditKind::Text:
        m_session.Apply(TFieldEditCommand::Set(mob, ref, "ScriptVariableName",
                                               TFieldValue(std::string("v") + std::to_string(n)), "t"));
        break;
      case TEditKind::Turn:
        m_session.Apply(std::make_unique<TTurnCommand>(ref, *ReadRotation(mob, ref),
                                                       TRotationFields{value, 0.5f, 0.25f, -1.0f},
                                                       std::uint64_t(n / 20), "turn"));
        break;
      case TEditKind::Move:
        m_session.Apply(MoveStep(mob, ref, {value, -value}, "move"));
        break;
      case TEditKind::Block: {
        const bool sub = n % 2 == 1 && !mob.UnknownObjectBlocks.empty();
        if (!sub && mob.UnknownBlocks.empty()) break;
        // Another last byte: the block stays whole.
        Bytes bytes = *UnknownBlockBytes(mob, {sub, 0});
        bytes.back() ^= std::uint8_t(1 + n % 200);
        m_session.Apply(TBlockReplaceCommand::Replace(mob, {sub, 0}, std::move(bytes), "block"));
        break;
      }
      case TEditKind::Script:
        script += n % 5 == 0 ? "\n" : "ы" + std::to_string(n);
        m_session.NoteScriptEdited();
        break;
      case TEditKind::MassChange:
        m_session.Apply(std::make_unique<TRecordsEditCommand>([n](TMob& m, TRecordsEdit& edit) {
          auto& list = m.Objects;
          for (std::size_t i = 0; i < list.size(); i += 3)
            edit.SetField(list[i], i, static_cast<std::uint8_t TObjectObjBlock::*>(&TCommonObjFields::PlayerNumber), std::uint8_t(n));
          // One record leaves: the rest close up.
          const std::size_t gone = std::size_t(n) % list.size();
          edit.TakeRecord(list[gone], gone);
          list.erase(list.begin() + std::ptrdiff_t(gone));
          // Every other time a lever is duplicated too: a kind only appended to.
          if (n % 2 == 0 && !m.Levers.empty()) edit.AppendRecord(m.Levers, CopyRecordViaFileForm(m.Levers.front()));
          return std::string("mass");
        }));
        break;
      case TEditKind::Undo:
        m_session.Undo();
        break;
      case TEditKind::Redo:
        if (!m_session.Redo()) m_session.Undo();
        break;
      case TEditKind::Other:
        m_session.Apply(std::make_unique<TSwapRecordsCommand>(ref, m_rng() % mob.Count(ref.kind)));
        break;
      case TEditKind::InPlace: {
        const TObjRef other = AnyCommonRecord(mob);
        m_session.Apply(std::make_unique<TNudgeCommand>(std::vector<TObjRef>{ref, other, ref}, value));
        break;
      }
      case TEditKind::Count:
        break;
    }
  }

  // The file a save would write now.
  Bytes Image() {
    TMob& mob = m_session.Mob();
    std::string kept = mob.ScriptText;
    if (m_session.ScriptEditedSinceSave()) mob.ScriptText = script;
    Bytes image;
    mob.BuildImage(image);
    mob.ScriptText = std::move(kept);
    mob.LogText.clear();
    return image;
  }

 private:
  TObjRef AnyCommonRecord(const TMob& mob) {
    static constexpr ObjKind kinds[] = {ObjKind::Unit, ObjKind::Object, ObjKind::Lever, ObjKind::Trap, ObjKind::Flame};
    for (;;) {
      const ObjKind kind = kinds[m_rng() % 5];
      if (mob.Count(kind) > 0) return {kind, std::size_t(m_rng() % mob.Count(kind))};
    }
  }

  TDocumentSession& m_session;
  std::mt19937_64 m_rng;
};

}  // namespace kelvarin::test
