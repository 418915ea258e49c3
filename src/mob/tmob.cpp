#include "mob/tmob.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <map>
#include <stdexcept>
#include <tuple>

#include "common/filesystem.h"
#include "common/mappedfile.h"
#include "common/sidebyside.h"
#include "mob/chunks.h"
#include "mob/fields.h"
#include "mob/filelog.h"
#include "mob/mobthreads.h"
#include "mob/recordorigins.h"
#include "mob/writefault.h"

namespace kelvarin {
namespace {

const char kMobSeparator[] = "-----------------------------";

// Block numbers, block lengths, the script length and L are logged as signed
// 32-bit values, the file, tail and image lengths as 64-bit ones.
std::string I32(std::uint64_t v) { return std::to_string(static_cast<std::int32_t>(v)); }
std::string I64(std::uint64_t v) { return std::to_string(static_cast<std::int64_t>(v)); }

// The bytes of a sub-block of a kept image copied into `copy`, so that what its
// reader sees cannot change under it: the file may, whatever the framing said.
const std::uint8_t* CopiedRecord(const std::uint8_t* sub, std::uint32_t size, Bytes& copy) {
  copy.assign(sub, sub + size);
  return copy.data();
}

template <class R> constexpr const char* MismatchPrefix() {
  switch (R::Kind) {
    case ObjKind::Unit: return "В блоке юнита ";
    case ObjKind::Object: return "В блоке объекта ";
    case ObjKind::Lever: return "В блоке рычага ";
    case ObjKind::Trap: return "В блоке ловушки ";
    case ObjKind::Flame: return "В блоке флейма ";
    case ObjKind::Particle1: return "В блоке партикла 1-го типа ";
    case ObjKind::Particle2: return "В блоке партикла 2-го типа ";
    case ObjKind::Particle3: return "В блоке партикла 3-го типа ";
  }
  return "";
}

// The line of a record that reads shorter than its sub-block.
template <class R> std::string MismatchLine(const R& record, std::uint32_t read, std::uint32_t subSize) {
  return MismatchPrefix<R>() + std::to_string(record.Identity()) + " что-то \"лишнее\" - считано " + I32(read) +
         " а реально там " + I32(subSize) + " байт.";
}

// A sub-block the framing pass found to be a record.
struct RecordToRead {
  std::uint32_t pos;    // in its object block
  std::uint32_t size;   // as framed: a kept image may change under a later read
  ObjKind kind;
  std::uint32_t index;  // among the records of its kind
};

// From this many records on, a load decodes on two threads.
constexpr std::size_t kRecordsForTwoThreads = 2048;

// Decodes the records of `toRead` into the lists, sized here to `counts`, in file
// order as far as the log can tell: a record's lines come out after those of every
// record before it, and nothing after the first record refused is said. A large
// block is decoded in two halves side by side; the second half's lines are held
// back and given out after the first half's.
bool DecodeIntoLists(TMob& mob, const std::uint8_t* block, std::uint64_t fileOffset,
                     const std::vector<RecordToRead>& toRead, const std::size_t (&counts)[kObjKindCount]) {
  // Decodes toRead[begin, end); false at the first record refused.
  const auto decode = [&](std::size_t begin, std::size_t end, std::vector<std::string>* held) {
    for (std::size_t i = begin; i < end; ++i) {
      const RecordToRead& at = toRead[i];
      bool ok = true;
      mob.ForEachList([&](auto& list) {
        using R = typename std::decay_t<decltype(list)>::value_type;
        if (at.kind != R::Kind) return;
        R& record = list[at.index];
        const TReadContext ctx{&mob, true, at.index + 1, fileOffset + at.pos, held};
        ok = record.ReadRecord(block + at.pos, at.size, ctx);
        if (ok && record.GetSize() != at.size) ctx.Log(MismatchLine(record, record.GetSize(), at.size));
      });
      if (!ok) return false;
    }
    return true;
  };
  // Each list is sized once, before any record is read. Filling fresh memory
  // costs about as much as decoding into it: the units, the largest list, are
  // sized beside the others.
  const auto size = [&](bool units) {
    int k = 0;
    mob.ForEachList([&](auto& list) {
      if ((k == int(ObjKind::Unit)) == units) list.resize(counts[k]);
      ++k;
    });
  };
  if (toRead.size() < kRecordsForTwoThreads) {
    size(true);
    size(false);
    return decode(0, toRead.size(), nullptr);
  }
  RunSideBySide([&] { size(false); }, [&] { size(true); });

  // Halves of about equal bytes.
  const std::uint32_t middlePos = toRead.front().pos + (toRead.back().pos - toRead.front().pos) / 2;
  const std::size_t middle = std::size_t(
      std::partition_point(toRead.begin(), toRead.end(), [&](const RecordToRead& r) { return r.pos < middlePos; }) -
      toRead.begin());
  bool firstOk = false, secondOk = false;
  std::vector<std::string> secondLines;
  std::exception_ptr secondFailure;
  RunSideBySide([&] { firstOk = decode(0, middle, nullptr); },
                [&] {
                  try {
                    secondOk = decode(middle, toRead.size(), &secondLines);
                  } catch (...) {
                    // Only an exception a decode in order would have reached counts.
                    secondFailure = std::current_exception();
                  }
                });
  if (!firstOk) return false;
  for (const std::string& line : secondLines) mob.Log(line);
  if (secondFailure) std::rethrow_exception(secondFailure);
  return secondOk;
}

}  // namespace

// What the image is made of, in file order, with every length known before a byte
// is written: the writer streams the image into the file in pieces instead of
// building it whole, and the log tells the same story either way.
struct TMob::ImagePlan {
  enum class Part { Header, Unknown, Script, Objects, Tail };
  struct Piece {
    Part part;
    const Bytes* data = nullptr;  // unknown block or tail
  };
  std::vector<Piece> pieces;
  std::uint32_t mainLength = 0;
  std::uint64_t objectBlockSize = 0;
  std::uint64_t total = 0;
};

// The records a load left in the file image (RecordsStayInImage): where each lies
// and whether the writer would reproduce its bytes exactly, in list order per kind.
struct TMob::ImageRecords {
  struct Ref {
    std::uint32_t offset = 0;    // of the sub-block in its image
    std::uint32_t fileSize = 0;  // as the framing pass found it: no later read goes past it
    bool asWritten = false;      // the image holds exactly the bytes the writer makes
    std::uint8_t source = 0;     // 0: the document's own image; n: the kept image of sources[n - 1]
  };
  Bytes owned;          // the file read into memory (or, for a merge, the records it wrote),
  TMappedFile mapped;   // or mapped (guarded: a change by another program is seen)
  std::span<const std::uint8_t> image;
  // Documents whose kept images hold some of the records; they outlive this one.
  std::vector<const TMob*> sources;
  std::vector<Ref> records[kObjKindCount];
  std::uint64_t writtenSize[kObjKindCount] = {};  // of the records of each kind, as written
  // A record read again did not read as it did when the file was loaded.
  mutable bool changed = false;

  const std::uint8_t* At(const Ref& ref) const {
    return (ref.source == 0 ? image : sources[ref.source - 1]->KeptImage()).data() + ref.offset;
  }
  void Clear() {
    for (auto& list : records) list = {};
    for (auto& size : writtenSize) size = 0;
  }
};

// Collects the image in a staging buffer and hands it on whenever it has grown
// past a few hundred kilobytes, so the whole image never stands in memory at once.
// With no output every piece stays in the buffer: that is the whole image.
class TMob::ImageOut {
 public:
  using Output = std::function<bool(const std::uint8_t*, std::size_t)>;
  ImageOut(Bytes& staging, Output output) : m_staging(staging), m_output(std::move(output)) {}

  Bytes& Staging() { return m_staging; }
  // Call after each piece written into Staging().
  bool Step() { return m_staging.size() < kStagingSize || Flush(); }
  // A piece written as it stands, without a copy when it is large.
  bool Raw(const std::uint8_t* data, std::size_t size) {
    if (!m_output || size < kDirectSize) {
      m_staging.insert(m_staging.end(), data, data + size);
      return Step();
    }
    return Flush() && m_output(data, size);
  }
  bool Raw(const Bytes& data) { return Raw(data.data(), data.size()); }
  bool Flush() {
    if (!m_output || m_staging.empty()) return true;
    const bool ok = m_output(m_staging.data(), m_staging.size());
    m_staging.clear();
    return ok;
  }

 private:
  static constexpr std::size_t kStagingSize = 256 * 1024;
  // Pieces from here up go out without a copy: a write more costs less than
  // copying them.
  static constexpr std::size_t kDirectSize = 16 * 1024;
  Bytes& m_staging;
  Output m_output;
};

TMob::TMob() { Reset(); }

TMob::~TMob() { Reset(); }

void TMob::Log(std::string_view line) {
  LogText.append(line);
  LogText.append("\r\n");
  if (m_worker) m_worker->RelayLogLine(std::string(line));
}

void TMob::Reset() {
  LogText.clear();
  PendingLogLine.clear();
  LogLinePending = false;
  UnknownBlocks.clear();
  Tail.clear();
  Tail.shrink_to_fit();
  TailLength = 0;
  FileLayout = {};
  m_imageRecords.reset();
  m_origins.reset();
  Loaded = false;
  LastWrittenBlockType = 0;
  HasScript = false;
  ClearObjects();
}

void TMob::ClearObjects() {
  if (m_imageRecords) m_imageRecords->Clear();
  m_origins.reset();
  UnknownObjectBlocks.clear();
  ForEachList([](auto& list) {
    list.clear();
    list.shrink_to_fit();
  });
  HasObjects = false;
}

// ---- load -------------------------------------------------------------------

// The worker that relays the log lines, for the length of one threaded run,
// however it ends.
class TMob::WorkerScope {
 public:
  WorkerScope(TMob& mob, TMobWorkerThread& worker) : m_mob(mob) { m_mob.m_worker = &worker; }
  ~WorkerScope() { m_mob.m_worker = nullptr; }
  WorkerScope(const WorkerScope&) = delete;
  WorkerScope& operator=(const WorkerScope&) = delete;

 private:
  TMob& m_mob;
};

bool TMob::Load(const std::string& fileName, const TMobRun& run) {
  Reset();
  if (!run.view) return LoadFile(fileName);
  TMobLoaderThread thread(*this, fileName);
  WorkerScope scope(*this, thread);
  return thread.Run(run.view);
}

bool TMob::LoadFile(const std::string& fileName) {
  Log("");
  Log(kMobSeparator);
  TFileSystem& fs = Files();
  if (fs.Exists(fileName)) {
    Log(fileName);
    Log("Файло существует... открываю...");
    // A pipe is read to its end; a device would never end or answer.
    const FileKind kind = fs.KindOf(fileName);
    int err = 0;
    Bytes image;
    TMappedFile mapped;
    if (kind != FileKind::Regular && kind != FileKind::Fifo) {
      Log("Не могу получить доступ к файлу!");
      Log(NotRegularFileLine(fileName, kind));
    } else if (kind == FileKind::Regular && fs.MapRegular(fileName, mapped, err) && mapped.Guarded()) {
      // The file is read from the cached pages themselves, which no other program
      // can change unseen, rather than copied: a copy of hundreds of megabytes
      // costs as much as a third of the decoding. A file that could change unseen
      // is read into memory of its own instead.
      return LoadMapped(std::move(mapped));
    } else {
      // Mapped before it is read: a mapping still intact once the load is done says
      // that the bytes read are the file's, and the save may copy from it.
      TMappedFile origin(TMappedFile::Pages::OnDemand);
      int mapErr = 0;
      if (KeepsOrigins && !RecordsStayInImage && kind == FileKind::Regular && fs.MapRegular(fileName, origin, mapErr))
        origin.GiveWayToWriters();
      if (fs.ReadAll(fileName, image, err)) {
        const std::size_t size = image.size();
        const bool ok = LoadImage(std::move(image));
        if (ok && KeepsOrigins) m_origins = TRecordOrigins::Keep(std::move(origin), size, *this);
        return ok;
      }
      Log("Не могу получить доступ к файлу!");
      Log(ReasonLine(err));
    }
  }
  Log("Загрузить моб не удалось!");
  return false;
}

bool TMob::LoadImage(const std::uint8_t* data, std::size_t size) {
  if (RecordsStayInImage) return LoadImage(Bytes(data, data + size));
  return FinishLoad(LoadFromBuffer(data, size));
}

bool TMob::LoadImage(Bytes image) {
  if (!RecordsStayInImage) return FinishLoad(LoadFromBuffer(image.data(), image.size()));
  m_imageRecords = std::make_unique<ImageRecords>();
  m_imageRecords->owned = std::move(image);
  const auto kept = m_imageRecords->image = m_imageRecords->owned;
  return FinishLoad(LoadFromBuffer(kept.data(), kept.size()));
}

bool TMob::LoadMapped(TMappedFile file) {
  // Records decoded into the lists need the mapping only while they are read.
  const TMappedFile* mapping = &file;
  if (RecordsStayInImage) {
    m_imageRecords = std::make_unique<ImageRecords>();
    m_imageRecords->mapped = std::move(file);
    mapping = &m_imageRecords->mapped;
    m_imageRecords->image = mapping->Bytes();
  }
  const auto bytes = mapping->Bytes();
  bool ok = LoadFromBuffer(bytes.data(), bytes.size());
  if (!mapping->Intact() || !KeptImageIntact()) {
    // Whatever the pages read since said, it may not have been the file.
    Log("Не могу получить доступ к файлу!");
    Log(m_imageRecords ? KeptImageLostLine() : mapping->Damaged() ? ReasonLine(EIO) : ChangedWhileReadLine());
    ok = false;
  }
  ok = FinishLoad(ok);
  if (ok && KeepsOrigins && !m_imageRecords) {
    // The lists were read from this very mapping, intact: the save may copy the
    // records that stay unchanged from it. Kept for as long as the document is
    // open, it must never make a writer wait, and its pages need not stay in memory.
    file.GiveWayToWriters();
    file.ReleasePages();
    m_origins = TRecordOrigins::Keep(std::move(file), bytes.size(), *this);
  }
  return ok;
}

std::span<const std::uint8_t> TMob::KeptImage() const {
  return m_imageRecords ? m_imageRecords->image : std::span<const std::uint8_t>();
}

bool TMob::KeptImageIntact() const {
  if (!m_imageRecords) return true;
  const auto intact = [](const TMob* source) { return source->KeptImageIntact(); };
  return m_imageRecords->mapped.Intact() && !m_imageRecords->changed &&
         std::all_of(m_imageRecords->sources.begin(), m_imageRecords->sources.end(), intact);
}

std::string TMob::KeptImageLostLine() const {
  if (m_imageRecords) {
    for (const TMob* source : m_imageRecords->sources)
      if (!source->KeptImageIntact()) return source->KeptImageLostLine();
  }
  // A guarded file loses no page to another program: a lost page is an input error.
  if (!m_imageRecords || m_imageRecords->mapped.Damaged()) return ReasonLine(EIO);
  return ChangedWhileReadLine();
}

bool TMob::KeepsRecordsInImage() const { return m_imageRecords != nullptr; }

void TMob::DropOrigins() { m_origins.reset(); }

void TMob::KeepRecordsOf(std::vector<const TMob*> sources) {
  ForEachList([](auto& list) { list = {}; });
  m_imageRecords = std::make_unique<ImageRecords>();
  m_imageRecords->sources = std::move(sources);
}

void TMob::AppendKeptRecord(const TMob& source, ObjKind kind, std::size_t index) {
  auto& sources = m_imageRecords->sources;
  const auto at = std::find(sources.begin(), sources.end(), &source);
  if (at == sources.end()) throw std::invalid_argument("AppendKeptRecord: not one of the document's sources");
  ImageRecords::Ref ref = source.m_imageRecords->records[int(kind)].at(index);
  ref.source = std::uint8_t(at - sources.begin() + 1);
  m_imageRecords->records[int(kind)].push_back(ref);
  m_imageRecords->writtenSize[int(kind)] += KeptWrittenSize(kind, m_imageRecords->records[int(kind)].size() - 1);
}

// What the save writes of a kept record: its bytes as they stand, or a record of
// another form anew, at the length its reader gives.
std::uint64_t TMob::KeptWrittenSize(ObjKind kind, std::size_t index) const {
  const ImageRecords::Ref& ref = m_imageRecords->records[int(kind)][index];
  std::uint64_t written = ref.fileSize;
  if (ref.asWritten) return written;
  Bytes copy;
  ForEachList([&](const auto& list) {
    using R = typename std::decay_t<decltype(list)>::value_type;
    if (R::Kind != kind) return;
    R record;
    if (ReadKeptRecord(index, record, copy)) written = record.GetSize();
  });
  return written;
}

void TMob::KeepWrittenRecord(ObjKind kind, std::size_t index, const Bytes& written) {
  ImageRecords& kept = *m_imageRecords;
  auto& refs = kept.records[int(kind)];
  const ImageRecords::Ref ref{std::uint32_t(kept.owned.size()), std::uint32_t(written.size()), true, 0};
  kept.owned.insert(kept.owned.end(), written.begin(), written.end());
  kept.image = kept.owned;
  kept.writtenSize[int(kind)] += ref.fileSize;
  if (index == refs.size()) {
    refs.push_back(ref);
    return;
  }
  kept.writtenSize[int(kind)] -= KeptWrittenSize(kind, index);
  refs[index] = ref;
}

bool TMob::FinishLoad(bool ok) {
  if (!ok) {
    // A failed load leaves an empty document; only the log survives.
    std::string log = std::move(LogText);
    Reset();
    LogText = std::move(log);
  }
  Log(ok ? "Моб загружен успешно!" : "Загрузить моб не удалось!");
  return ok;
}

bool TMob::LoadFromBuffer(const std::uint8_t* data, std::size_t size) {
  TReadContext ctx{this, true, 0, 0};
  if (size < 4 || ReadU32(data) != kMobSignature) {
    Log("Это не моб нихрена!");
    return false;
  }
  Log("Это нормальный моб");
  if (size < 8) return Malformed(ctx, "файл обрывается на длине основного блока", 4);
  const std::uint32_t L = ReadU32(data + 4);
  Log("Основной блок моба весит " + I32(L) + " байт.");
  if (L < size) {
    Log("Это меньше размера файла (" + I64(size) + " байт) - ОБНАРУЖЕН ХВОСТ! :)");
    TailLength = static_cast<std::int64_t>(size - L);
  }
  if (L > size) {
    Log("Основной блок моба весит " + I32(L) + " байт. - это больше размера файла! (" + I64(size) +
        " байт).");
    return false;
  }
  if (L < 16) return Malformed(ctx, "основной блок короче своего заголовка (16 байт)", 4);

  const std::uint32_t flagType = ReadU32(data + 8), flagSize = ReadU32(data + 12);
  if (flagType == kQuestMobFlag && flagSize == 8) {
    MobKind = "QuestMob";
    Log("Моб помечен как квестовый.");
  } else if (flagType == kZonalMobFlag && flagSize == 8) {
    MobKind = "ZonalMob";
    Log("Моб помечен как зональный.");
  } else {
    Log("Первый блок главного блока нестандартен. Загрузка отменена.");
    return false;
  }

  FileLayout.blocks.push_back({1, TBlockKind::Flag, flagType, 8, 8});
  FileLayout.mainBlockLength = L;
  FileLayout.fileSize = size;

  BlockCount = 1;
  std::int32_t n = 1;
  std::uint32_t p = 16;
  do {
    if (L - p < 8) return Malformed(ctx, "заголовок блока не помещается в основной блок", p);
    const std::uint32_t type = ReadU32(data + p);
    const std::uint32_t S = ReadU32(data + p + 4);
    ++BlockCount;
    ++n;
    if (S < 8) return Malformed(ctx, "блок размером " + I64(S) + " байт (меньше 8)", p);
    if (S > L - p)
      return Malformed(ctx, "блок размером " + I64(S) + " байт вылезает за конец основного блока",
                       p);
    const bool known = type == kScriptBlockType || type == kObjectBlockType;
    FileLayout.blocks.push_back({n, type == kScriptBlockType ? TBlockKind::Script
                                    : type == kObjectBlockType ? TBlockKind::Object
                                                               : TBlockKind::Unknown,
                                 type, p, S, known ? 0 : UnknownBlocks.size()});
    if (type == kScriptBlockType) {
      if (S < 12) return Malformed(ctx, "блок скрипта короче 12 байт", p);
      HasScript = true;
      ReadScriptBlock(data + p, S);
      p += S;
      Log("Загружен скрипт длиной " + I32(ScriptText.size()) + " байт. Блок № " + I32(n) +
          ". Длина всего блока " + I32(S) + " байт.");
    } else if (type == kObjectBlockType) {
      if (!ReadObjectBlock(data + p, S, p)) return false;
      p += S;
      Log("Загружен блок объектов длиной " + I32(S) + " байт. Блок № " + I32(n) + ".");
      const auto found = [&](std::size_t count, const char* suffix) {
        Log("В блоке найдено " + std::to_string(count) + suffix);
      };
      found(Count(ObjKind::Unit), " юнитов.");
      found(Count(ObjKind::Object), " объектов.");
      found(Count(ObjKind::Lever), " рычагов.");
      found(Count(ObjKind::Trap), " ловушек.");
      found(Count(ObjKind::Flame), " флеймов.");
      found(Count(ObjKind::Particle1), " партиклов 1-го типа.");
      found(Count(ObjKind::Particle2), " партиклов 2-го типа.");
      found(Count(ObjKind::Particle3), " партиклов 3-го типа.");
      found(UnknownObjectBlocks.size(), " объектов неизвестного типа.");
    } else {
      UnknownBlocks.push_back(SUnknBlock{S, n, Bytes(data + p, data + p + S)});
      p += S;
      Log("Считан блок неизвестного типа. Встретился под номером " + I32(n) + ".");
    }
  } while (p != L);

  std::uint64_t cursor = p;
  if (TailLength > 0) {
    FileLayout.blocks.push_back({0, TBlockKind::Tail, 0, L, std::uint64_t(TailLength)});
    Tail.assign(data + L, data + size);
    cursor += static_cast<std::uint64_t>(TailLength);
    Log("Прочитан хвост длиной " + I64(TailLength) + " байт.");
  }
  if (cursor != size) return false;  // cannot happen: L and the tail cover the file
  Log("Курсор стоит в конце файла - значит вся инфа загружена в объект класса.");
  Loaded = true;
  return true;
}

// ---- script block -----------------------------------------------------------

void TMob::ScriptCipher(std::uint8_t* data, std::size_t length, std::uint32_t key) {
  std::uint32_t x = key;
  for (std::size_t i = 0; i < length; ++i) {
    x = x * 214013u + 2531011u;
    data[i] ^= static_cast<std::uint8_t>((x >> 16) & 0xFF);
  }
}

bool TMob::ReadScriptBlock(const std::uint8_t* block, std::uint32_t size) {
  ScriptText.clear();
  ScriptKey = ReadU32(block + 8);
  if (size > 12) {
    ScriptText.assign(reinterpret_cast<const char*>(block + 12), size - 12);
    // Key 0 marks a script stored as plain text; the writer never enciphers it.
    if (ScriptKey != 0)
      ScriptCipher(reinterpret_cast<std::uint8_t*>(ScriptText.data()), ScriptText.size(),
                   ScriptKey);
  }
  return true;
}

Bytes TMob::WriteScriptBlock() {
  Bytes block;
  AppendScriptBlock(block);
  return block;
}

std::size_t TMob::AppendScriptBlock(Bytes& out) {
  ScriptKey = WrittenScriptKey(ScriptKey);
  return AppendScriptBlock(out, ScriptText, ScriptKey);
}

std::size_t TMob::AppendScriptBlock(Bytes& out, std::string_view text, std::uint32_t key) {
  const std::size_t start = out.size(), length = 12 + text.size();
  out.reserve(start + length);
  TByteWriter w(out);
  w.U32(kScriptBlockType);
  w.U32(static_cast<std::uint32_t>(length));
  w.U32(key);
  w.Raw(text);
  if (key != 0) ScriptCipher(out.data() + start + 12, text.size(), key);
  return length;
}

std::uint32_t TMob::NextKnownBlockType(std::uint32_t type) {
  switch (type) {
    case 0: return kScriptBlockType;
    case kScriptBlockType: return kObjectBlockType;
    default: return 0;
  }
}

// ---- object block -----------------------------------------------------------

bool TMob::ReadObjectBlock(const std::uint8_t* block, std::uint32_t size, std::uint64_t fileOffset) {
  ClearObjects();
  TReadContext ctx{this, true, 0, fileOffset};
  ImageRecords* const kept = m_imageRecords.get();

  // Framing pass: frame every sub-block and count them by kind, before any record
  // is read, so a damaged block is refused before a record has said a word. A
  // record in the writer's own form that stays in the image is taken here, with
  // nothing left to read or say; the others are read in the second pass.
  std::size_t counts[kObjKindCount] = {};
  std::vector<RecordToRead> toRead;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> unknownAt;  // where, how long
  std::vector<TSubBlockPlace>& places = FileLayout.subBlocks;
  places.clear();
  for (std::uint32_t pos = 8; pos != size;) {
    // Each header says where the next one is, so the walk waits on memory at
    // every step unless the bytes ahead are already on their way.
    __builtin_prefetch(block + pos + 4096);
    if (size - pos < 8)
      return Malformed(ctx, "заголовок объекта не помещается в блок объектов", fileOffset + pos);
    const std::uint32_t subSize = ReadU32(block + pos + 4);
    if (subSize < 8)
      return Malformed(ctx, "объект размером " + I64(subSize) + " байт (меньше 8)", fileOffset + pos);
    if (subSize > size - pos)
      return Malformed(ctx, "объект размером " + I64(subSize) + " байт вылезает за конец блока объектов",
                       fileOffset + pos);
    const std::uint32_t type = ReadU32(block + pos);
    const std::uint64_t at = fileOffset + pos;
    if (const auto kind = KindFromId(type)) {
      // Records of one kind that follow each other make one run.
      if (!places.empty() && !places.back().unknown && places.back().kind == *kind) {
        ++places.back().count;
        places.back().size += subSize;
      } else {
        places.push_back({false, *kind, 1, 0, type, at, subSize});
      }
      const std::uint32_t index = std::uint32_t(counts[int(*kind)]++);
      if (!kept) {
        toRead.push_back({pos, subSize, *kind, index});
      } else if (InWrittenForm(*kind, block + pos, subSize)) {
        kept->records[int(*kind)].push_back({std::uint32_t(fileOffset + pos), subSize, true});
        kept->writtenSize[int(*kind)] += subSize;
      } else {
        kept->records[int(*kind)].push_back({std::uint32_t(fileOffset + pos), subSize, false});
        toRead.push_back({pos, subSize, *kind, index});
      }
    } else {
      places.push_back({true, ObjKind::Unit, 1, unknownAt.size(), type, at, subSize});
      unknownAt.emplace_back(pos, subSize);
    }
    pos += subSize;
  }

  if (!kept) {
    if (!DecodeIntoLists(*this, block, fileOffset, toRead, counts)) return false;
  } else {
    // Records that stay in the image are read one by one into a scratch record of
    // their kind.
    std::tuple<TUnitObjBlock, TObjectObjBlock, TLeverObjBlock, TTrapObjBlock, TFlameObjBlock,
               TParticle1ObjBlock, TParticle2ObjBlock, TParticle3ObjBlock>
        scratch;
    Bytes written;  // a scratch record as the writer makes it
    Bytes copied;   // a record of a kept image, read from bytes of its own

    // Reading pass, in file order.
    for (const RecordToRead& at : toRead) {
      const std::uint32_t subSize = at.size;
      const std::uint8_t* sub = CopiedRecord(block + at.pos, subSize, copied);
      bool ok = true;
      ForEachList([&](auto& list) {
        using R = typename std::decay_t<decltype(list)>::value_type;
        if (at.kind != R::Kind) return;
        R& record = std::get<R>(scratch);
        ClearForReuse(record);
        const TReadContext recordCtx{this, true, at.index + 1, fileOffset + at.pos};
        if (!record.ReadRecord(sub, subSize, recordCtx)) {
          ok = false;
          return;
        }
        const std::uint32_t read = record.GetSize();
        if (read != subSize) recordCtx.Log(MismatchLine(record, read, subSize));
        bool asWritten = read == subSize;
        if (asWritten) {
          written.clear();
          record.WriteRecord(written);
          asWritten = std::equal(written.begin(), written.end(), sub);
        }
        kept->records[int(R::Kind)][at.index] = {std::uint32_t(fileOffset + at.pos), subSize, asWritten};
        kept->writtenSize[int(R::Kind)] += read;
      });
      if (!ok) return false;
    }
  }

  UnknownObjectBlocks.resize(unknownAt.size());
  for (std::size_t i = 0; i < unknownAt.size(); ++i) {
    const auto [at, subSize] = unknownAt[i];
    const std::uint8_t* sub = block + at;
    UnknownObjectBlocks[i].Size = subSize;
    UnknownObjectBlocks[i].Data.assign(sub, sub + subSize);
  }
  HasObjects = true;
  return true;
}

std::uint64_t TMob::ObjectBlockSize() const {
  std::uint64_t total = 8;
  for (ObjKind kind : kAllObjKinds) total += RecordBytes(kind);
  for (const auto& u : UnknownObjectBlocks) total += u.Data.size();
  return total;
}

Bytes TMob::WriteObjectBlock() const {
  Bytes block;
  AppendObjectBlock(block);
  return block;
}

void TMob::AppendObjectBlock(Bytes& out) const {
  out.reserve(out.size() + ObjectBlockSize());
  ImageOut whole(out, nullptr);
  EmitObjectBlock(ObjectBlockSize(), whole);
}

// ---- record lists -----------------------------------------------------------

std::size_t TMob::Count(ObjKind kind) const {
  if (m_imageRecords) return m_imageRecords->records[int(kind)].size();
  std::size_t count = 0;
  int k = 0;
  ForEachList([&](const auto& list) {
    if (k++ == int(kind)) count = list.size();
  });
  return count;
}

std::uint64_t TMob::RecordBytes(ObjKind kind) const {
  std::uint64_t bytes = 0;
  if (m_imageRecords) bytes += m_imageRecords->writtenSize[int(kind)];
  int k = 0;
  ForEachList([&](const auto& list) {
    if (k++ != int(kind)) return;
    // A record copied from its origin is as long as the origin.
    if (const auto copied = m_origins ? m_origins->WrittenBytes(list) : std::nullopt) {
      bytes += *copied;
      return;
    }
    for (const auto& r : list) bytes += r.GetSize();
  });
  return bytes;
}

std::size_t TMob::TotalRecordCount() const {
  std::size_t total = 0;
  if (m_imageRecords)
    for (const auto& list : m_imageRecords->records) total += list.size();
  ForEachList([&](const auto& list) { total += list.size(); });
  return total;
}

void TMob::DeleteRecord(ObjKind kind, std::size_t index) {
  int k = 0;
  ForEachList([&](auto& list) {
    if (k++ != int(kind) || list.empty()) return;
    if (index >= list.size()) throw std::out_of_range("DeleteRecord: index out of range");
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
  });
}

bool TMob::CheckOrDeleteObjectId(std::int32_t id, bool deleteFound) {
  if (!deleteFound) {
    bool free = true;
    ForEachList([&](const auto& list) {
      for (const auto& r : list)
        if (free && r.Identity() == id) free = false;
    });
    return free;
  }
  ForEachList([&](auto& list) { std::erase_if(list, [&](const auto& r) { return r.Identity() == id; }); });
  return true;
}

std::uint32_t TMob::FindFreeObjectId() const {
  // The answer is at most count + 1: one pass marks the identities that could be it.
  const std::uint64_t limit =
      std::min<std::uint64_t>(TotalRecordCount() + 1, kHighIdentityRange - 1);
  std::vector<bool> taken(limit + 1, false);
  ForEachList([&](const auto& list) {
    for (const auto& r : list) {
      const auto id = static_cast<std::uint32_t>(r.Identity());
      if (id >= 1 && id <= limit) taken[id] = true;
    }
  });
  for (std::uint64_t candidate = 1; candidate <= limit; ++candidate)
    if (!taken[candidate]) return static_cast<std::uint32_t>(candidate);
  return 0;
}

// ---- save -------------------------------------------------------------------

bool TMob::Save(const std::string& fileName, const TMobRun& run) {
  LogText.clear();
  PendingLogLine.clear();
  LogLinePending = false;
  if (!run.view) return SaveFile(fileName, run.saveAttempts);
  TMobSaverThread thread(*this, fileName, run.saveAttempts);
  WorkerScope scope(*this, thread);
  return thread.Run(run.view);
}

bool TMob::SaveFile(const std::string& fileName, std::int32_t saveAttempts) {
  Log("");
  Log(kMobSeparator);
  bool ok = false;
  if (!Loaded) {
    Log("В объект класса еще не было ничего загружено!!! Сохранять нечего!!!");
  } else {
    // The records' origins are framed before the plan, which takes their lengths.
    if (m_origins && !m_origins->Usable(*this)) DropOrigins();
    ImagePlan plan;
    ok = PlanImage(plan) && WriteToDisk(fileName, plan, saveAttempts);
    if (ok) FileLayout = MobBlockLayout(*this);  // the file now holds what the writer wrote
  }
  Log(ok ? "Моб успешно сохранен :)." : "Моб нихрена не сохранен :(.");
  return ok;
}

bool TMob::PlanImage(ImagePlan& plan) {
  LastWrittenBlockType = 0;
  AllKnownBlocksWritten = false;
  // Only a file that loads back is written.
  if (const auto fault = FindWriteFault(*this)) {
    Log(WriteFaultLine(*this, *fault));
    return false;
  }
  std::uint64_t length = 8;  // the signature and the place of L
  plan.pieces.push_back({ImagePlan::Part::Header});
  Log("Сигнатура записана...");
  if (MobKind == "QuestMob") {
    length += 8;
    Log("Моб помечен как квестовый...");
  } else if (MobKind == "ZonalMob") {
    length += 8;
    Log("Моб помечен как зональный...");
  }

  // The first block of each number, in number order.
  std::map<std::int32_t, const SUnknBlock*> unknownAt;
  for (const auto& b : UnknownBlocks) unknownAt.try_emplace(b.Number, &b);

  for (std::int32_t n = 2;; ++n) {
    if (auto it = unknownAt.find(n); it != unknownAt.end()) {
      plan.pieces.push_back({ImagePlan::Part::Unknown, &it->second->Data});
      length += it->second->Data.size();
      Log("Под номером " + I32(n) + " записан блок неизвестного типа.");
    } else if (!AllKnownBlocksWritten) {
      do {
        LastWrittenBlockType = NextKnownBlockType(LastWrittenBlockType);
      } while (LastWrittenBlockType != 0 &&
               !(LastWrittenBlockType == kScriptBlockType ? HasScript : HasObjects));
      if (LastWrittenBlockType == 0) {
        AllKnownBlocksWritten = true;
      } else if (LastWrittenBlockType == kScriptBlockType) {
        // Any nonzero key is written as the default one, and the document keeps it.
        ScriptKey = WrittenScriptKey(ScriptKey);
        const std::uint64_t blockLength = 12 + ScriptText.size();
        plan.pieces.push_back({ImagePlan::Part::Script});
        length += blockLength;
        Log("Под номером " + I32(n) + " записан блок скрипта длиной " + I32(blockLength) + " байт.");
      } else {
        plan.objectBlockSize = ObjectBlockSize();
        plan.pieces.push_back({ImagePlan::Part::Objects});
        length += plan.objectBlockSize;
        Log("Под номером " + I32(n) + " записан блок объектов длиной " + I32(plan.objectBlockSize) +
            " байт.");
      }
    }
    if (n >= BlockCount) break;
    if (AllKnownBlocksWritten) {
      // Only unknown blocks remain: go straight to the next one instead of
      // walking every empty position up to a block count that may be huge.
      const auto next = unknownAt.upper_bound(n);
      if (next == unknownAt.end() || next->first > BlockCount) break;
      n = next->first - 1;
    }
  }

  if (length > std::numeric_limits<std::uint32_t>::max()) {
    Log("Моб вырос больше 4 гигабайт - такой файл записать нельзя.");
    return false;
  }
  plan.mainLength = static_cast<std::uint32_t>(length);
  Log("Записана длина главного блока...");
  if (TailLength > 0) {
    plan.pieces.push_back({ImagePlan::Part::Tail, &Tail});
    length += Tail.size();
    Log("В конец моба присабачен хвост, длиной " + I64(TailLength) + " байт.");
  }
  plan.total = length;
  Log("В результате всей этой фигни у нас вылепился файлик размером " + I64(length) + " байт.");
  return true;
}

bool TMob::EmitImage(const ImagePlan& plan, ImageOut& out, TRecordOrigins* origins) const {
  for (const auto& piece : plan.pieces) {
    Bytes& staging = out.Staging();
    TByteWriter w(staging);
    switch (piece.part) {
      case ImagePlan::Part::Header:
        w.U32(kMobSignature);
        w.U32(plan.mainLength);
        if (MobKind == "QuestMob" || MobKind == "ZonalMob") {
          w.U32(MobKind == "QuestMob" ? kQuestMobFlag : kZonalMobFlag);
          w.U32(8);
        }
        if (!out.Step()) return false;
        break;
      case ImagePlan::Part::Unknown:
      case ImagePlan::Part::Tail:
        if (!out.Raw(*piece.data)) return false;
        break;
      case ImagePlan::Part::Script:
        AppendScriptBlock(staging, ScriptText, ScriptKey);
        if (!out.Step()) return false;
        break;
      case ImagePlan::Part::Objects:
        if (!EmitObjectBlock(plan.objectBlockSize, out, origins)) return false;
        break;
    }
  }
  return out.Flush();
}

bool TMob::EmitObjectBlock(std::uint64_t size, ImageOut& out, TRecordOrigins* origins) const {
  TByteWriter w(out.Staging());
  w.U32(kObjectBlockType);
  w.U32(static_cast<std::uint32_t>(size));
  bool ok = out.Step();
  if (m_imageRecords) ok = ok && EmitImageRecords(out);
  else ok = ok && EmitLists(out, origins);
  for (const auto& u : UnknownObjectBlocks) ok = ok && out.Raw(u.Data);
  return ok;
}

// The records of the lists in kind order: one whose origin in the loaded file is in
// the writer's own form is copied from there (records that lie back to back there
// in one piece), any other is written anew.
bool TMob::EmitLists(ImageOut& out, TRecordOrigins* origins) const {
  const std::uint8_t* runStart = nullptr;
  const std::uint8_t* runEnd = nullptr;
  const auto flushRun = [&] {
    const bool ok = runEnd == runStart || out.Raw(runStart, std::size_t(runEnd - runStart));
    runStart = runEnd = nullptr;
    return ok;
  };
  bool ok = true;
  ForEachList([&](const auto& list) {
    using R = typename std::decay_t<decltype(list)>::value_type;
    for (std::size_t i = 0; ok && i < list.size(); ++i) {
      const auto from = origins ? origins->WrittenAs(R::Kind, i) : std::span<const std::uint8_t>();
      if (!from.empty()) {
        if (from.data() != runEnd || runEnd == runStart) {
          ok = flushRun();
          runStart = from.data();
        }
        runEnd = from.data() + from.size();
        continue;
      }
      ok = flushRun();
      list[i].WriteRecord(out.Staging());
      ok = ok && out.Step();
    }
  });
  return ok && flushRun();
}

std::span<const std::uint8_t> TMob::CopyOfKeptRecord(ObjKind kind, std::size_t index, Bytes& copy) const {
  const ImageRecords::Ref& ref = m_imageRecords->records[int(kind)][index];
  const std::uint8_t* sub = CopiedRecord(m_imageRecords->At(ref), ref.fileSize, copy);
  if (KindFromId(ReadU32(sub)) != kind || ReadU32(sub + 4) != ref.fileSize) return {};
  return {sub, ref.fileSize};
}

TMob::KeptRecordBytes TMob::KeptRecordAt(ObjKind kind, std::size_t index) const {
  const ImageRecords::Ref& ref = m_imageRecords->records[int(kind)][index];
  return {{m_imageRecords->At(ref), ref.fileSize}, ref.asWritten};
}

void TMob::KeptImageChanged() const { m_imageRecords->changed = true; }

// Records left in the image go out in list order per kind: runs of records that lie
// back to back in the image, each as the writer makes it, are copied in one piece;
// any other record is read again and written anew.
bool TMob::EmitImageRecords(ImageOut& out) const {
  const std::uint8_t* runStart = nullptr;
  const std::uint8_t* runEnd = nullptr;
  const auto flushRun = [&] {
    const bool ok = runEnd == runStart || out.Raw(runStart, std::size_t(runEnd - runStart));
    runStart = runEnd = nullptr;
    return ok;
  };
  bool ok = true;
  Bytes copied;
  ForEachList([&](const auto& list) {
    using R = typename std::decay_t<decltype(list)>::value_type;
    const auto& refs = m_imageRecords->records[int(R::Kind)];
    std::uint64_t written = 0;
    for (std::size_t i = 0; ok && i < refs.size(); ++i) {
      const ImageRecords::Ref& ref = refs[i];
      const std::uint8_t* sub = m_imageRecords->At(ref);
      if (ref.asWritten) {
        if (runEnd != sub || runEnd == runStart) {
          ok = flushRun();
          runStart = sub;
        }
        runEnd = sub + ref.fileSize;
        written += ref.fileSize;
        continue;
      }
      ok = flushRun();
      R record;
      ok = ok && ReadKeptRecord(i, record, copied);
      if (!ok) return;
      record.WriteRecord(out.Staging());
      written += record.GetSize();
      ok = out.Step();
    }
    // Records written anew at other lengths than they loaded with: not the plan.
    if (ok && written != m_imageRecords->writtenSize[int(R::Kind)]) {
      KeptImageChanged();
      ok = false;
    }
  });
  return ok && flushRun();
}

bool TMob::BuildImage(Bytes& image) {
  ImagePlan plan;
  image.clear();
  if (!PlanImage(plan)) return false;
  image.reserve(plan.total);
  ImageOut out(image, nullptr);
  return EmitImage(plan, out) && KeptImageIntact();
}

bool TMob::WriteToDisk(const std::string& fileName, const ImagePlan& plan, std::int32_t saveAttempts) {
  TFileSystem& fs = Files();
  const std::int32_t retries = std::clamp(saveAttempts, 0, kMaxSaveAttempts);
  bool saved = false, imageLost = false;
  int lastError = 0;
  for (std::int32_t attempt = 0; attempt <= retries && !saved; ++attempt) {
    // Records nobody changed come from the loaded file while it is intact; once it
    // is not, every record is written anew.
    if (m_origins && !m_origins->Usable(*this)) DropOrigins();  // for good: a file changed stays changed
    TRecordOrigins* const origins = m_origins.get();
    bool originsLost = false;
    // The new image replaces the old file in one rename, so a failure at any step
    // leaves the old file as it was.
    const bool existed = fs.Exists(fileName);
    const TWriteResult result = ReplaceFile(fs, fileName, [&](TFileSystem& files, int handle, int& err) {
      Bytes staging;
      staging.reserve(512 * 1024);
      ImageOut out(staging, [&](const std::uint8_t* data, std::size_t size) {
        return files.Write(handle, data, size, err);
      });
      // Records copied from a kept image are the file as it loaded only while the
      // image is intact: checked once everything is written, before the new file
      // takes the old one's place. A page of a mapped image that the system reads
      // for a write and cannot have fails the write (EFAULT): the file could not
      // be read.
      const bool emitted = EmitImage(plan, out, origins);
      // What was copied from the loaded file may not be its bytes: the lists are
      // the truth, and they are written again.
      if (origins && (!origins->Intact() || (!emitted && err == EFAULT))) {
        originsLost = true;
        return false;
      }
      if (emitted && KeptImageIntact()) return true;
      if (!KeptImageIntact() || (err == EFAULT && m_imageRecords)) err = EIO;
      return false;
    });
    if (result.status == TWriteResult::Status::Refused) {
      // Nothing was touched, and no retry can change what the target is.
      Log(NotRegularFileLine(fileName, result.kind));
      return false;
    }
    if (originsLost && !result.mayBeDamaged()) {
      // Not a failure of the disk: the same attempt again, every record written anew.
      DropOrigins();
      --attempt;
      continue;
    }
    if (!result.ok()) {
      Log("По непонятной причине не удалось сохранить на диск файл " + fileName + " .");
      if (const std::string line = InPlaceFailureLine(result); !line.empty()) Log(line);
      if (result.mayBeDamaged()) Log("Моб остался в памяти - сохраните его на другое имя.");
      // The records cannot be had as they loaded any more, or the file may not be
      // overwritten where it lies: no retry can help.
      imageLost = !KeptImageIntact();
      const bool hopeless = imageLost || result.inPlace == InPlace::NotAllowed;
      lastError = result.error;
      if (hopeless) break;
      if (attempt < retries) Log("Пытаюсь сохранить еще раз....");
      continue;
    }
    if (existed)
      Log("Файл " + fileName + " удален, т.к. на его место будет сохраняться файл.");
    if (result.inPlace == InPlace::Written) Log(InPlaceLine(result.target));
    if (fs.Exists(fileName)) {
      Log("Моб сохранен на диск в файл " + fileName + " .");
      saved = true;
    } else {
      Log("ЧЕ ЗА ХЕРНЯ!!!!! ОШИБОК НИХЕРА НЕ БЫЛО А ФАЙЛА МЛЯ НЕТУ!!!!!!!!!! СООБЩИТЕ "
          "РАЗРАБОТЧИКУ!!!!!!");
      Log("Пытаюсь сохранить еще раз....");
    }
  }
  if (m_origins) m_origins->ReleasePages();
  if (!saved && imageLost) Log(KeptImageLostLine());
  else if (!saved && lastError != 0) Log(ReasonLine(lastError));
  if (!saved && !fs.Exists(fileName))
    Log("ЕТА ПИПЕЦ ТРЩ КАМАНДИР!!! НИХЕРА НЕ САВИТСЯ!!! И ФАЙЛ УГРОБИЛСЯ!!! НО ОН ЕЩЕ В ПАМЯТИ - "
        "ПОПРОБУЙТЕ ЗАСАВИТЬ НА ДРУГОЕ ИМЯ!!!");
  return saved;
}

}  // namespace kelvarin
