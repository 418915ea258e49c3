#include "recovery/core/journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "mob/objref.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

enum class OpType : std::uint8_t { Replace = 1, Insert = 2, Delete = 3, Clear = 4, Block = 5, Revert = 6 };
constexpr char kMagic[4] = {'K', 'V', 'R', 'J'};
constexpr std::uint32_t kVersion = 1;

void PutU32(Bytes& out, std::uint32_t v) {
  const std::size_t at = out.size();
  out.resize(at + 4);
  StoreU32(out.data() + at, v);
}
void PutU64(Bytes& out, std::uint64_t v) {
  PutU32(out, std::uint32_t(v));
  PutU32(out, std::uint32_t(v >> 32));
}
void PutText(Bytes& out, const std::string& text) {
  PutU64(out, text.size());
  out.insert(out.end(), text.begin(), text.end());
}

// 64-bit FNV-1a taken a word at a time: a check against a torn or foreign file
// and a fingerprint of the original, not a defence against forgery.
class THash {
 public:
  // Any split of the same bytes into calls gives the same value.
  void Add(const std::uint8_t* data, std::size_t size) {
    std::size_t i = 0;
    while (i < size && m_fill != 0) Take(data[i++]);
    for (; i + 8 <= size; i += 8) {
      std::uint64_t word;
      std::memcpy(&word, data + i, 8);
      Mix(word);
    }
    while (i < size) Take(data[i++]);
  }
  std::uint64_t Value() const {
    THash last = *this;
    last.Mix(last.m_partial ^ (std::uint64_t(last.m_fill) << 60));
    return last.m_h;
  }

 private:
  void Take(std::uint8_t byte) {
    m_partial |= std::uint64_t(byte) << (8 * m_fill);
    if (++m_fill == 8) {
      Mix(m_partial);
      m_partial = 0;
      m_fill = 0;
    }
  }
  void Mix(std::uint64_t v) { m_h = (m_h ^ v) * 0x100000001b3ULL; }
  std::uint64_t m_h = 0xcbf29ce484222325ULL;
  std::uint64_t m_partial = 0;
  unsigned m_fill = 0;
};

// Reads the journal's form, never past its end.
class TReader {
 public:
  TReader(const std::uint8_t* data, std::size_t size) : m_p(data), m_end(data + size) {}
  bool Take(std::size_t n, const std::uint8_t*& at) {
    if (std::size_t(m_end - m_p) < n) return false;
    at = m_p;
    m_p += n;
    return true;
  }
  bool U8(std::uint8_t& v) {
    const std::uint8_t* at;
    if (!Take(1, at)) return false;
    v = *at;
    return true;
  }
  bool U32(std::uint32_t& v) {
    const std::uint8_t* at;
    if (!Take(4, at)) return false;
    v = ReadU32(at);
    return true;
  }
  bool U64(std::uint64_t& v) {
    std::uint32_t lo, hi;
    if (!U32(lo) || !U32(hi)) return false;
    v = std::uint64_t(lo) | (std::uint64_t(hi) << 32);
    return true;
  }
  bool Text(std::string& text) {
    std::uint64_t n;
    const std::uint8_t* at;
    if (!U64(n) || n > Left() || !Take(std::size_t(n), at)) return false;
    text.assign(reinterpret_cast<const char*>(at), std::size_t(n));
    return true;
  }
  std::size_t Left() const { return std::size_t(m_end - m_p); }
  bool AtEnd() const { return m_p == m_end; }

 private:
  const std::uint8_t* m_p;
  const std::uint8_t* m_end;
};

// Calls f.template operator()<K>() for the kind `kind`.
template <class F> decltype(auto) WithKind(ObjKind kind, F&& f) {
  switch (kind) {
    case ObjKind::Unit: return f.template operator()<ObjKind::Unit>();
    case ObjKind::Object: return f.template operator()<ObjKind::Object>();
    case ObjKind::Lever: return f.template operator()<ObjKind::Lever>();
    case ObjKind::Trap: return f.template operator()<ObjKind::Trap>();
    case ObjKind::Flame: return f.template operator()<ObjKind::Flame>();
    case ObjKind::Particle1: return f.template operator()<ObjKind::Particle1>();
    case ObjKind::Particle2: return f.template operator()<ObjKind::Particle2>();
    case ObjKind::Particle3: break;
  }
  return f.template operator()<ObjKind::Particle3>();
}

using TAnyRecords =
    std::variant<std::vector<TUnitObjBlock>, std::vector<TObjectObjBlock>, std::vector<TLeverObjBlock>,
                 std::vector<TTrapObjBlock>, std::vector<TFlameObjBlock>, std::vector<TParticle1ObjBlock>,
                 std::vector<TParticle2ObjBlock>, std::vector<TParticle3ObjBlock>>;

// The records at `at` (ascending) leave `list` for `held`, in order.
template <class R> void TakeOut(std::vector<R>& list, const std::vector<std::uint32_t>& at, std::vector<R>& held) {
  held.clear();
  held.reserve(at.size());
  std::size_t next = 0, kept = 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (next < at.size() && at[next] == i) {
      held.push_back(std::move(list[i]));
      ++next;
    } else {
      if (kept != i) list[kept] = std::move(list[i]);
      ++kept;
    }
  }
  list.erase(list.begin() + std::ptrdiff_t(kept), list.end());
}

// The records of `held` come into `list` at the positions `at` (ascending) they
// have afterwards.
template <class R> void PutBack(std::vector<R>& list, const std::vector<std::uint32_t>& at, std::vector<R>& held) {
  std::vector<R> merged;
  merged.reserve(list.size() + held.size());
  std::size_t next = 0, kept = 0;
  while (merged.size() < list.size() + held.size()) {
    if (next < at.size() && at[next] == merged.size()) merged.push_back(std::move(held[next++]));
    else merged.push_back(std::move(list[kept++]));
  }
  list.swap(merged);
  held.clear();
}

// One operation of a restore. Applying it exchanges what the document holds with
// what the operation holds, so the same data undoes it.
struct TRestoreOp {
  OpType type = OpType::Replace;
  ObjKind kind = ObjKind::Unit;
  std::size_t target = 0;  // Revert: the operation taken back
  std::vector<std::uint32_t> indices;
  TAnyRecords held;
  TUnknownBlockRef block;
  Bytes bytes;

  void Apply(TMob& mob, bool forward) {
    if (type == OpType::Block) {
      std::swap(*UnknownBlockBytes(mob, block), bytes);
      return;
    }
    WithKind(kind, [&]<ObjKind K>() {
      auto& list = mob.List<K>();
      auto& records = std::get<std::vector<typename RecordOf<K>::type>>(held);
      switch (type) {
        case OpType::Replace:
          for (std::size_t i = 0; i < indices.size(); ++i) std::swap(list[indices[i]], records[i]);
          break;
        case OpType::Insert:
          forward ? PutBack(list, indices, records) : TakeOut(list, indices, records);
          break;
        case OpType::Delete:
          forward ? TakeOut(list, indices, records) : PutBack(list, indices, records);
          break;
        case OpType::Clear:
          list.swap(records);
          break;
        case OpType::Block:
        case OpType::Revert:
          break;
      }
    });
  }
};

class TRestoreCommand : public TDocCommand {
 public:
  TRestoreCommand(std::vector<TRestoreOp> ops, Bytes form)
      : TDocCommand("Восстановление"), m_ops(std::move(ops)), m_form(std::move(form)) {}
  void Redo(TMob& mob) override {
    for (TRestoreOp& op : m_ops) Apply(mob, op, true);
  }
  void Undo(TMob& mob) override {
    for (auto op = m_ops.rbegin(); op != m_ops.rend(); ++op) Apply(mob, *op, false);
  }
  TRecordsChange Change(bool) const override { return {std::nullopt, true, true}; }
  // The records held are about as large as their file form.
  std::size_t MemorySize() const override { return sizeof(*this) + 2 * m_form.capacity(); }
  const Bytes& Form() const { return m_form; }
  std::size_t Count() const { return m_ops.size(); }

 private:
  void Apply(TMob& mob, TRestoreOp& op, bool forward) {
    if (op.type == OpType::Revert) m_ops[op.target].Apply(mob, !forward);
    else op.Apply(mob, forward);
  }

  std::vector<TRestoreOp> m_ops;
  Bytes m_form;
};

// Reads the operations of `ops` and checks each against the list lengths `mob`
// would have by then.
bool DecodeOps(const TMob& mob, const Bytes& ops, std::vector<TRestoreOp>& out, std::string& why) {
  std::array<std::size_t, kObjKindCount> counts{};
  for (ObjKind kind : kAllObjKinds) counts[std::size_t(kind)] = mob.Count(kind);
  // Per operation: its list's length right after it, and whether it was taken back.
  std::vector<std::size_t> countAfter;
  std::vector<bool> reverted;
  const auto done = [&](TRestoreOp op) {
    countAfter.push_back(op.type == OpType::Block ? 0 : counts[std::size_t(op.kind)]);
    reverted.push_back(false);
    out.push_back(std::move(op));
  };
  TReader in(ops.data(), ops.size());
  while (!in.AtEnd()) {
    const std::size_t opNumber = out.size() + 1;
    const auto fail = [&](const char* what) {
      why = "изменение " + std::to_string(opNumber) + ": " + what;
      return false;
    };
    std::uint8_t type, kindByte;
    if (!in.U8(type) || !in.U8(kindByte)) return fail("запись оборвана");
    TRestoreOp op;
    op.type = OpType(type);
    if (op.type == OpType::Block) {
      std::uint32_t index, size;
      const std::uint8_t* at;
      if (!in.U32(index) || !in.U32(size) || !in.Take(size, at)) return fail("запись оборвана");
      op.block = {kindByte != 0, index};
      if (!UnknownBlockBytes(mob, op.block)) return fail("такого блока в файле нет");
      op.bytes.assign(at, at + size);
      done(std::move(op));
      continue;
    }
    if (op.type == OpType::Revert) {
      std::uint32_t back;
      if (!in.U32(back)) return fail("запись оборвана");
      if (back == 0 || back > out.size()) return fail("нет изменения, которое оно отменяет");
      op.target = out.size() - back;
      TRestoreOp& target = out[op.target];
      const bool revertible =
          target.type == OpType::Replace || target.type == OpType::Insert || target.type == OpType::Delete;
      if (!revertible || reverted[op.target] || counts[std::size_t(target.kind)] != countAfter[op.target])
        return fail("отменяемое изменение не подходит к спискам");
      reverted[op.target] = true;
      op.kind = target.kind;
      if (target.type == OpType::Insert) counts[std::size_t(op.kind)] -= target.indices.size();
      if (target.type == OpType::Delete) counts[std::size_t(op.kind)] += target.indices.size();
      done(std::move(op));
      continue;
    }
    if (kindByte >= kObjKindCount || type < 1 || type > 4) return fail("неизвестный вид записи");
    op.kind = ObjKind(kindByte);
    std::size_t& count = counts[kindByte];
    if (op.type == OpType::Clear) {
      count = 0;
      WithKind(op.kind, [&]<ObjKind K>() { op.held = std::vector<typename RecordOf<K>::type>{}; });
      done(std::move(op));
      continue;
    }
    std::uint32_t n;
    if (!in.U32(n) || n > in.Left() / 4) return fail("запись оборвана");
    op.indices.resize(n);
    const bool withRecords = op.type != OpType::Delete;
    bool ok = WithKind(op.kind, [&]<ObjKind K>() {
      using R = typename RecordOf<K>::type;
      std::vector<R> records;
      if (withRecords) records.resize(n);
      for (std::uint32_t i = 0; i < n; ++i) {
        if (!in.U32(op.indices[i])) return fail("запись оборвана");
        if (!withRecords) continue;
        std::uint32_t size;
        const std::uint8_t* at;
        if (!in.U32(size) || !in.Take(size, at)) return fail("запись оборвана");
        if (!records[i].ReadRecord(at, size, TReadContext{})) return fail("объект не читается");
      }
      op.held = std::move(records);
      return true;
    });
    if (!ok) return false;
    const auto ascending = std::adjacent_find(op.indices.begin(), op.indices.end(),
                                              std::greater_equal<>()) == op.indices.end();
    const std::size_t limit = op.type == OpType::Insert ? count + n : count;
    if ((op.type != OpType::Replace && !ascending) ||
        std::any_of(op.indices.begin(), op.indices.end(), [&](std::uint32_t i) { return i >= limit; }))
      return fail("номер объекта вне списка");
    if (op.type == OpType::Insert) count += n;
    if (op.type == OpType::Delete) count -= n;
    done(std::move(op));
  }
  return true;
}

}  // namespace

std::optional<TOriginalFile> DescribeFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat before {};
  TOriginalFile file{path};
  THash hash;
  bool ok = ::fstat(fd, &before) == 0 && S_ISREG(before.st_mode);
  std::vector<std::uint8_t> buffer(std::size_t(1) << 20);
  std::uint64_t total = 0;
  while (ok) {
    const ssize_t got = ::read(fd, buffer.data(), buffer.size());
    if (got < 0) ok = errno == EINTR;
    if (got <= 0) break;
    hash.Add(buffer.data(), std::size_t(got));
    total += std::uint64_t(got);
  }
  struct stat after {};
  ok = ok && ::fstat(fd, &after) == 0 && total == std::uint64_t(after.st_size) &&
       after.st_mtim.tv_sec == before.st_mtim.tv_sec && after.st_mtim.tv_nsec == before.st_mtim.tv_nsec;
  ::close(fd);
  if (!ok) return std::nullopt;
  file.size = total;
  file.mtimeNs = std::int64_t(after.st_mtim.tv_sec) * 1000000000 + after.st_mtim.tv_nsec;
  file.hash = hash.Value();
  return file;
}

void TOpWriter::Begin(std::uint8_t type, std::uint8_t kind) {
  m_out.push_back(type);
  m_out.push_back(kind);
  ++m_count;
}

void TOpWriter::Revert(std::uint64_t target) {
  const std::uint64_t back = m_count - target;  // counted back from this operation
  Begin(std::uint8_t(OpType::Revert), 0);
  PutU32(m_out, std::uint32_t(back));
}

void TOpWriter::Append(const Bytes& ops, std::size_t count) {
  m_out.insert(m_out.end(), ops.begin(), ops.end());
  m_count += count;
}

void TOpWriter::Records(std::uint8_t type, const TMob& mob, ObjKind kind, const std::vector<std::uint32_t>& indices) {
  if (indices.empty()) return;
  Begin(type, std::uint8_t(kind));
  PutU32(m_out, std::uint32_t(indices.size()));
  for (std::uint32_t index : indices) {
    PutU32(m_out, index);
    const std::size_t sizeAt = m_out.size();
    PutU32(m_out, 0);
    VisitRecord(mob, TObjRef{kind, index}, [&](const auto& record) { record.WriteRecord(m_out); });
    StoreU32(m_out.data() + sizeAt, std::uint32_t(m_out.size() - sizeAt - 4));
  }
}

void TOpWriter::Replace(const TMob& mob, ObjKind kind, const std::vector<std::uint32_t>& indices) {
  Records(std::uint8_t(OpType::Replace), mob, kind, indices);
}

void TOpWriter::Insert(const TMob& mob, ObjKind kind, const std::vector<std::uint32_t>& indices) {
  Records(std::uint8_t(OpType::Insert), mob, kind, indices);
}

void TOpWriter::Delete(ObjKind kind, const std::vector<std::uint32_t>& indices) {
  if (indices.empty()) return;
  Begin(std::uint8_t(OpType::Delete), std::uint8_t(kind));
  PutU32(m_out, std::uint32_t(indices.size()));
  const std::size_t at = m_out.size();
  m_out.resize(at + 4 * indices.size());
  for (std::size_t i = 0; i < indices.size(); ++i) StoreU32(m_out.data() + at + 4 * i, indices[i]);
}

void TOpWriter::Block(const TMob& mob, TUnknownBlockRef ref) {
  const Bytes* bytes = UnknownBlockBytes(mob, ref);
  if (!bytes) return;
  Begin(std::uint8_t(OpType::Block), ref.subBlock ? 1 : 0);
  PutU32(m_out, std::uint32_t(ref.index));
  PutU32(m_out, std::uint32_t(bytes->size()));
  m_out.insert(m_out.end(), bytes->begin(), bytes->end());
}

void TOpWriter::Snapshot(const TMob& mob) {
  for (ObjKind kind : kAllObjKinds) {
    Begin(std::uint8_t(OpType::Clear), std::uint8_t(kind));
    std::vector<std::uint32_t> all(mob.Count(kind));
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = std::uint32_t(i);
    Insert(mob, kind, all);
  }
  for (std::size_t i = 0; i < mob.UnknownBlocks.size(); ++i) Block(mob, {false, i});
  for (std::size_t i = 0; i < mob.UnknownObjectBlocks.size(); ++i) Block(mob, {true, i});
}

bool WriteJournal(TFileSystem& fs, int handle, const TJournal& journal, int& err) {
  Bytes head(kMagic, kMagic + 4);
  PutU32(head, kVersion);
  PutText(head, journal.original.path);
  PutU64(head, journal.original.size);
  PutU64(head, std::uint64_t(journal.original.mtimeNs));
  PutU64(head, journal.original.hash);
  PutU64(head, std::uint64_t(journal.lastChangeMs));
  head.push_back(journal.script ? 1 : 0);
  PutText(head, journal.script.value_or(std::string()));
  PutU64(head, journal.ops.size());
  THash hash;
  hash.Add(head.data(), head.size());
  hash.Add(journal.ops.data(), journal.ops.size());
  Bytes tail;
  PutU64(tail, hash.Value());
  return fs.Write(handle, head.data(), head.size(), err) &&
         fs.Write(handle, journal.ops.data(), journal.ops.size(), err) &&
         fs.Write(handle, tail.data(), tail.size(), err);
}

std::optional<TJournal> ReadJournal(const Bytes& file, std::string& why) {
  if (file.size() < 16 || std::memcmp(file.data(), kMagic, 4) != 0) {
    why = "это не журнал восстановления";
    return std::nullopt;
  }
  THash hash;
  hash.Add(file.data(), file.size() - 8);
  TReader check(file.data() + file.size() - 8, 8);
  std::uint64_t stored = 0;
  check.U64(stored);
  if (stored != hash.Value()) {
    why = "журнал повреждён (контрольная сумма не сходится)";
    return std::nullopt;
  }
  TReader in(file.data() + 4, file.size() - 12);
  TJournal journal;
  std::uint32_t version = 0;
  std::uint64_t mtime = 0, lastChange = 0, opsSize = 0;
  std::uint8_t hasScript = 0;
  std::string script;
  const std::uint8_t* ops = nullptr;
  if (!in.U32(version) || version != kVersion) {
    why = "журнал другой версии программы";
    return std::nullopt;
  }
  if (!in.Text(journal.original.path) || !in.U64(journal.original.size) || !in.U64(mtime) ||
      !in.U64(journal.original.hash) || !in.U64(lastChange) || !in.U8(hasScript) || !in.Text(script) ||
      !in.U64(opsSize) || opsSize != in.Left() || !in.Take(std::size_t(opsSize), ops)) {
    why = "журнал повреждён";
    return std::nullopt;
  }
  journal.original.mtimeNs = std::int64_t(mtime);
  journal.lastChangeMs = std::int64_t(lastChange);
  if (hasScript) journal.script = std::move(script);
  journal.ops.assign(ops, ops + opsSize);
  return journal;
}

std::unique_ptr<TDocCommand> RestoreStep(const TMob& mob, const Bytes& ops, std::string& why) {
  std::vector<TRestoreOp> decoded;
  if (!DecodeOps(mob, ops, decoded, why)) return nullptr;
  return std::make_unique<TRestoreCommand>(std::move(decoded), ops);
}

std::optional<TRestoredOps> RestoredOps(const TDocCommand& step) {
  const auto* restore = dynamic_cast<const TRestoreCommand*>(&step);
  if (!restore) return std::nullopt;
  return TRestoredOps{&restore->Form(), restore->Count()};
}

}  // namespace kelvarin
