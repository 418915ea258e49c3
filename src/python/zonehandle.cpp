#include "python/zonehandle.h"

namespace kelvarin {

void MakeEmptyZone(TMob& mob) {
  mob.Reset();
  mob.MobKind = "ZonalMob";
  // The flag block, the script block and the object block.
  mob.BlockCount = 3;
  mob.HasScript = true;
  mob.ScriptKey = kDefaultScriptKey;
  mob.ScriptText.clear();
  mob.HasObjects = true;
  mob.Loaded = true;
}

// ---- TRecordRef --------------------------------------------------------------

TRecordRef::TRecordRef(std::shared_ptr<TZoneHandle> zone, ObjKind kind, std::size_t index)
    : m_zone(std::move(zone)), m_kind(kind), m_index(index) {
  m_zone->Link(*this);
}

TRecordRef::TRecordRef(std::shared_ptr<TAnyRecord> record)
    : m_kind(ObjKind(record->index())), m_detached(std::move(record)) {}

TRecordRef::~TRecordRef() {
  if (m_zone) m_zone->Unlink(*this);
}

TAnyRecord TRecordRef::Copy() {
  return WithRecordType(m_kind, [&](auto type) -> TAnyRecord {
    using R = typename decltype(type)::type;
    return CopyRecordViaFileForm(Get<R>());
  });
}

void TRecordRef::Detach(std::shared_ptr<TAnyRecord> record) {
  m_zone->Unlink(*this);
  m_zone.reset();
  m_detached = std::move(record);
}

void TRecordRef::Lose(const char* why) {
  m_zone->Unlink(*this);
  m_zone.reset();
  m_lost = why;
}

const char* TRecordRef::Unreachable() const {
  if (m_lost) return m_lost;
  if (!m_zone->Reachable()) return m_zone->m_released;
  // The handle keeps positions right for every change made through it; a list that
  // shrank behind its back is a fault of the owner, reported rather than followed.
  if (m_index >= m_zone->Mob().Count(m_kind)) return "the record is no longer in its zone";
  return nullptr;
}

// ---- TZoneHandle -------------------------------------------------------------

TZoneHandle::TZoneHandle(std::unique_ptr<TZoneOwner> owner) : m_owned(std::move(owner)), m_owner(m_owned.get()) {}

TZoneHandle::TZoneHandle(TZoneOwner& owner) : m_owner(&owner) {}

TZoneHandle::~TZoneHandle() = default;  // every ref holds the handle: none is left

void TZoneHandle::Release(const char* why) {
  m_owner = nullptr;
  m_released = why;
  m_owned.reset();
}

TZoneOwner& TZoneHandle::Owner() {
  if (!m_owner) throw std::runtime_error(m_released);
  return *m_owner;
}

void TZoneHandle::Require(TZoneOperation operation) {
  const std::string refusal = Owner().Refusal(operation);
  if (!refusal.empty()) throw std::runtime_error(refusal);
}

void TZoneHandle::Remove(ObjKind kind, std::size_t index) {
  WithRecordType(kind, [&](auto type) {
    using R = typename decltype(type)::type;
    auto& list = Mob().template List<R::Kind>();
    R record = std::move(list[index]);
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
    TZoneRecorder* recorder = Recorder();
    std::shared_ptr<TAnyRecord> kept;
    for (TRecordRef* ref = m_refs[int(kind)]; ref;) {
      TRecordRef* next = ref->m_next;
      if (ref->m_index == index) {
        // The recorder needs the record to put it back; the refs then get a copy.
        if (!kept)
          kept = std::make_shared<TAnyRecord>(recorder ? TAnyRecord(record) : TAnyRecord(std::move(record)));
        ref->Detach(kept);
      } else if (ref->m_index > index) {
        --ref->m_index;
      }
      ref = next;
    }
    if (recorder) recorder->RecordRemoved({kind, index}, TAnyRecord(std::move(record)));
  });
}

void TZoneHandle::LoseRefs(ObjKind kind, const char* why) {
  while (TRecordRef* ref = m_refs[int(kind)]) ref->Lose(why);
}

void TZoneHandle::Link(TRecordRef& ref) {
  TRecordRef*& head = m_refs[int(ref.m_kind)];
  ref.m_prev = nullptr;
  ref.m_next = head;
  if (head) head->m_prev = &ref;
  head = &ref;
}

void TZoneHandle::Unlink(TRecordRef& ref) {
  if (ref.m_prev) ref.m_prev->m_next = ref.m_next;
  else m_refs[int(ref.m_kind)] = ref.m_next;
  if (ref.m_next) ref.m_next->m_prev = ref.m_prev;
  ref.m_prev = ref.m_next = nullptr;
}

}  // namespace kelvarin
