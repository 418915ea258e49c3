// A zone as scripts see it: a document, whoever owns it, and the records that
// scripts hold on to. No Python here: the module binds these classes, and the
// editor can bind its own open document the same way.
//
// A script's record is an object of its own, not a position: when records are
// inserted or removed before it, it follows its record; when its record leaves the
// zone, it keeps that record as a detached copy that can be put into any zone.
// Every change goes through TZoneHandle, which tells the owner's TZoneRecorder
// (when there is one) so that the owner can undo the changes as one step.
#pragma once

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

#include "document/fieldvalue.h"
#include "mob/objref.h"
#include "mob/tmob.h"

namespace kelvarin {

using TAnyRecord = std::variant<TUnitObjBlock, TObjectObjBlock, TLeverObjBlock, TTrapObjBlock, TFlameObjBlock,
                                TParticle1ObjBlock, TParticle2ObjBlock, TParticle3ObjBlock>;

// Calls f(std::type_identity<R>{}) with the record type of `kind`.
template <class F> decltype(auto) WithRecordType(ObjKind kind, F&& f) {
  switch (kind) {
    case ObjKind::Unit: return f(std::type_identity<TUnitObjBlock>{});
    case ObjKind::Object: return f(std::type_identity<TObjectObjBlock>{});
    case ObjKind::Lever: return f(std::type_identity<TLeverObjBlock>{});
    case ObjKind::Trap: return f(std::type_identity<TTrapObjBlock>{});
    case ObjKind::Flame: return f(std::type_identity<TFlameObjBlock>{});
    case ObjKind::Particle1: return f(std::type_identity<TParticle1ObjBlock>{});
    case ObjKind::Particle2: return f(std::type_identity<TParticle2ObjBlock>{});
    case ObjKind::Particle3: break;
  }
  return f(std::type_identity<TParticle3ObjBlock>{});
}

// Where an owner writes down what scripts change in its document, so that it can
// take it all back (the editor: one undoable step per script run).
class TZoneRecorder {
 public:
  virtual ~TZoneRecorder() = default;
  // The field `key` of the record at `ref` has been given a new value; `old` is
  // the value it held.
  virtual void FieldChanged(TObjRef ref, const char* key, TFieldValue old) = 0;
  // A record now stands at `ref`; those behind it have moved up by one.
  virtual void RecordInserted(TObjRef ref) = 0;
  // The record that stood at `ref` has left its list; those behind it have moved
  // down by one.
  virtual void RecordRemoved(TObjRef ref, TAnyRecord record) = 0;
};

// Gives `slot`, the field `key` of the record at `ref`, its new `value`, and tells
// `recorder` (when there is one) the value it held; a value that alters no byte
// is no change.
template <class M> void ChangeField(TZoneRecorder* recorder, TObjRef ref, const char* key, M& slot, M value) {
  if (recorder && !SameFieldBytes(slot, value))
    recorder->FieldChanged(ref, key, TFieldValue(std::in_place_type<M>, std::exchange(slot, std::move(value))));
  else
    slot = std::move(value);
}

// What a script may do with a whole zone; the editor allows less than a zone of
// the script's own.
enum class TZoneOperation { Save, MassChange, WriteScript, WriteScriptKey };

// The one who holds the document a handle works on.
class TZoneOwner {
 public:
  virtual ~TZoneOwner() = default;
  virtual TMob& Mob() = 0;
  // The file the zone was read from or last written to; empty when none.
  virtual std::string Path() const = 0;
  // The zone has been written to `path`.
  virtual void Saved(const std::string& path) { (void)path; }
  // The script as its user sees it (code page 1251): the document's own, or the
  // text an editor holds and has not put into the document yet.
  virtual const std::string& ScriptText() { return Mob().ScriptText; }
  // Why `operation` is refused on this document (UTF-8); empty when it is allowed.
  virtual std::string Refusal(TZoneOperation operation) const {
    (void)operation;
    return {};
  }
  // Where changes are written down; nullptr keeps none.
  virtual TZoneRecorder* Recorder() { return nullptr; }
};

// A zone a script made or opened itself.
class TOwnedZone : public TZoneOwner {
 public:
  TMob& Mob() override { return m_mob; }
  std::string Path() const override { return m_path; }
  void Saved(const std::string& path) override { m_path = path; }
  void SetPath(std::string path) { m_path = std::move(path); }

 private:
  TMob m_mob;
  std::string m_path;
};

// Gives `mob` the contents of a new zone: no records, an empty script under the
// default key, no unknown blocks, no tail; it can be saved as it is.
void MakeEmptyZone(TMob& mob);

class TZoneHandle;

// A record a script holds: one in a zone's list, or a detached one of its own.
class TRecordRef {
 public:
  // A record of the zone's list of `kind`, at `index`.
  TRecordRef(std::shared_ptr<TZoneHandle> zone, ObjKind kind, std::size_t index);
  // A detached record.
  explicit TRecordRef(std::shared_ptr<TAnyRecord> record);
  virtual ~TRecordRef();
  TRecordRef(const TRecordRef&) = delete;
  TRecordRef& operator=(const TRecordRef&) = delete;

  ObjKind Kind() const { return m_kind; }
  bool Attached() const { return m_zone != nullptr; }
  const std::shared_ptr<TZoneHandle>& Zone() const { return m_zone; }
  // The position in its list; meaningful while attached.
  std::size_t Index() const { return m_index; }

  // The record itself. Throws std::runtime_error when it can no longer be reached
  // (its zone was closed, or a change of the whole list lost track of it).
  template <class R> R& Get();
  TAnyRecord Copy();

  // Gives the field `key` (reached by `member`) a value; recorded when attached.
  template <class R, class M> void SetField(M R::*member, const char* key, M value);

 private:
  friend class TZoneHandle;
  void Detach(std::shared_ptr<TAnyRecord> record);
  void Lose(const char* why);
  const char* Unreachable() const;

  std::shared_ptr<TZoneHandle> m_zone;  // null when detached or lost
  ObjKind m_kind;
  std::size_t m_index = 0;
  std::shared_ptr<TAnyRecord> m_detached;  // shared by every ref of one removed record
  const char* m_lost = nullptr;
  // The handle's list of attached refs of this kind.
  TRecordRef* m_prev = nullptr;
  TRecordRef* m_next = nullptr;
};

class TZoneHandle : public std::enable_shared_from_this<TZoneHandle> {
 public:
  // A zone of its own: `owner` is kept until the handle goes.
  explicit TZoneHandle(std::unique_ptr<TZoneOwner> owner);
  // Someone else's document: `owner` must outlive the handle or call Release first.
  explicit TZoneHandle(TZoneOwner& owner);
  ~TZoneHandle();
  TZoneHandle(const TZoneHandle&) = delete;
  TZoneHandle& operator=(const TZoneHandle&) = delete;

  bool Reachable() const { return m_owner != nullptr; }
  // The owner lets its document go: every later access throws, every record held
  // loses its way to it.
  void Release(const char* why);
  // Throws std::runtime_error when the document has been released.
  TZoneOwner& Owner();
  TMob& Mob() { return Owner().Mob(); }
  // Throws std::runtime_error with the owner's refusal of `operation`.
  void Require(TZoneOperation operation);

  // Inserts `record` at `index` (at most the list's length) of its kind's list.
  template <class R> void Insert(std::size_t index, R record);
  // Takes the record at `index` of the list of `kind` out of the zone; the refs
  // that held it keep it, detached.
  void Remove(ObjKind kind, std::size_t index);
  // Every ref of a kind whose list was changed as a whole (a mass change) loses
  // its record.
  void LoseRefs(ObjKind kind, const char* why);

  // Where the owner writes changes down; nullptr when it keeps none.
  TZoneRecorder* Recorder() { return m_owner ? m_owner->Recorder() : nullptr; }

 private:
  friend class TRecordRef;
  void Link(TRecordRef& ref);
  void Unlink(TRecordRef& ref);

  std::unique_ptr<TZoneOwner> m_owned;
  TZoneOwner* m_owner;
  const char* m_released = nullptr;
  TRecordRef* m_refs[kObjKindCount] = {};
};

// ---- template definitions

template <class R> R& TRecordRef::Get() {
  if (m_detached) return std::get<R>(*m_detached);
  if (const char* why = Unreachable()) throw std::runtime_error(why);
  auto& list = m_zone->Mob().template List<R::Kind>();
  return list[m_index];
}

template <class R, class M> void TRecordRef::SetField(M R::*member, const char* key, M value) {
  R& record = Get<R>();
  ChangeField(m_zone ? m_zone->Recorder() : nullptr, {m_kind, m_index}, key, record.*member, std::move(value));
}

template <class R> void TZoneHandle::Insert(std::size_t index, R record) {
  auto& list = Mob().template List<R::Kind>();
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(index), std::move(record));
  for (TRecordRef* ref = m_refs[int(R::Kind)]; ref; ref = ref->m_next)
    if (ref->m_index >= index) ++ref->m_index;
  if (TZoneRecorder* recorder = Recorder()) recorder->RecordInserted({R::Kind, index});
}

}  // namespace kelvarin
