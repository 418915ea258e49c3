// TMob: the in-memory document of one .mob file. Loads a file into its blocks and
// record lists, logs every step as Russian text lines, and saves it back: unknown
// blocks at the positions they had, the script and object blocks rebuilt from the
// document, the tail appended.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/bytes.h"
#include "mob/blocklayout.h"
#include "mob/fields.h"
#include "mob/records.h"

namespace kelvarin {

class TMobWorkerThread;

// Block types of the main block.
inline constexpr std::uint32_t kMobSignature = 0x0000A000;
inline constexpr std::uint32_t kQuestMobFlag = 0x0000D000;
inline constexpr std::uint32_t kZonalMobFlag = 0x0000C000;
inline constexpr std::uint32_t kScriptBlockType = 0xACCEECCB;
inline constexpr std::uint32_t kObjectBlockType = 0x0000B000;
inline constexpr std::uint32_t kDefaultScriptKey = 28417;
// Identities from here up form the high range; FindFreeObjectId stays below it.
inline constexpr std::uint32_t kHighIdentityRange = 1000000000;
// The most retries a save makes, whatever the settings say.
inline constexpr std::int32_t kMaxSaveAttempts = 100;

// One top-level block of unknown type, kept whole (header included).
struct SUnknBlock {
  std::uint64_t Size = 0;
  std::int32_t Number = 0;  // position in the main block; the flag block is 1
  Bytes Data;
  bool operator==(const SUnknBlock&) const = default;
};

// The window side of a load or save run on a worker thread. The document calls it
// on the window thread only.
class TMobLogView {
 public:
  virtual ~TMobLogView() = default;
  // Appends one line to the log view.
  virtual void ShowLogLine(const std::string& line) = 0;
  // Lets the window process its pending events.
  virtual void ProcessMessages() = 0;
  // Called just before the worker starts (the window focuses its log view when the
  // log page is active).
  virtual void WorkerStarting() {}
};

class TMappedFile;
class TRecordOrigins;

// How one load or save runs. With a window side `view` it runs on a worker thread
// while the window shows its lines one by one; without one, on the caller's thread.
// A save retries the disk write `saveAttempts` times: above kMaxSaveAttempts it
// counts as that bound, a negative count still writes the file once.
struct TMobRun {
  TMobLogView* view = nullptr;
  std::int32_t saveAttempts = 10;
};

// The zone's contents: its blocks, script and records, with their load and save.
// Who holds it, whether it is busy and how a run is shown belong to its holder
// (the document session); a run is told its options when it starts.
class TMob {
 public:
  TMob();
  ~TMob();
  TMob(const TMob&) = delete;
  TMob& operator=(const TMob&) = delete;

  // Loads leave the object block's records in the file image instead of decoding
  // them into the lists. A record in the writer's own form (InWrittenForm) is taken
  // as it stands: a load could neither refuse nor remark on it. Any other is read
  // exactly as a load reads it (the same checks, the same log lines), then dropped.
  // The document keeps the image and where each record lies; it tells its counts
  // and saves, copying every record the writer would reproduce byte for byte
  // straight from the image.
  // Its lists stay empty: a document for inspecting and resaving, not for editing.
  bool RecordsStayInImage = false;

  // A load of a regular file also keeps the file, mapped, beside the decoded lists,
  // and which of its records each list entry still equals (TRecordOrigins); the
  // save to disk copies those records from it instead of writing them anew, byte
  // for byte the same. Only for a document whose every change of the lists is
  // told to Origins() (the document session tells it every step).
  bool KeepsOrigins = false;

  // ---- log and run state
  std::string LogText;  // UTF-8 lines, each followed by CR LF
  std::string PendingLogLine;
  bool LogLinePending = false;
  bool Loaded = false;
  bool AllKnownBlocksWritten = false;

  // ---- contents
  std::int32_t BlockCount = 0;
  std::uint32_t LastWrittenBlockType = 0;
  std::string MobKind;  // "QuestMob" or "ZonalMob"
  std::vector<SUnknBlock> UnknownBlocks;
  bool HasScript = false;
  std::uint32_t ScriptKey = 0;
  std::string ScriptText;  // code page 1251 bytes
  bool HasObjects = false;
  std::vector<SUnknObjBlock> UnknownObjectBlocks;
  std::vector<TUnitObjBlock> Units;
  std::vector<TObjectObjBlock> Objects;
  std::vector<TLeverObjBlock> Levers;
  std::vector<TTrapObjBlock> Traps;
  std::vector<TFlameObjBlock> Flames;
  std::vector<TParticle1ObjBlock> Particles1;
  std::vector<TParticle2ObjBlock> Particles2;
  std::vector<TParticle3ObjBlock> Particles3;
  Bytes Tail;
  std::int64_t TailLength = 0;
  // Where each block lay in the file last read (recorded while it was framed) or
  // written: the blocks in file order, the object block's sub-blocks, the tail.
  // Empty for a document that came from no file.
  TBlockLayout FileLayout;

  // ---- load and save
  bool Load(const std::string& fileName, const TMobRun& run = {});
  bool Save(const std::string& fileName, const TMobRun& run = {});
  // The same on the caller's thread.
  bool LoadFile(const std::string& fileName);
  bool SaveFile(const std::string& fileName, std::int32_t saveAttempts = TMobRun{}.saveAttempts);

  // The in-memory halves of LoadFile and SaveFile: parse a whole file image (after
  // the existence and access steps) and build one (before the disk write). Both
  // log exactly as the file operations do; LoadImage ends with the final load line.
  bool LoadImage(const std::uint8_t* data, std::size_t size);
  bool LoadImage(Bytes image);
  bool BuildImage(Bytes& image);
  // The file image a load kept (RecordsStayInImage), empty when it kept none.
  std::span<const std::uint8_t> KeptImage() const;
  // False once a kept image mapped from its file may no longer be the file as it
  // loaded (another program asked to write into it, a page could not be read, a
  // record no longer reads as it did): what was read from it since is not the file.
  bool KeptImageIntact() const;
  // The log line that says why a kept image is not intact.
  std::string KeptImageLostLine() const;
  // The index-th record of `kind` as the kept image holds it: its whole sub-block
  // as the load framed it in the file, and whether those are the very bytes the
  // writer makes of it. Only for a document whose records stay in its image.
  struct KeptRecordBytes {
    std::span<const std::uint8_t> bytes;
    bool asWritten = false;
  };
  KeptRecordBytes KeptRecordAt(ObjKind kind, std::size_t index) const;
  // Whether the records stay in file images (the lists are empty).
  bool KeepsRecordsInImage() const;

  // What the document knows of its lists' origins (KeepsOrigins); nullptr when it
  // knows nothing (the save then writes every record anew).
  TRecordOrigins* Origins() { return m_origins.get(); }
  // Nothing in the lists is known to equal a record of the file any more.
  void DropOrigins();

  // A document made of other documents' records (a merge's result): its records
  // stay where `sources` keep them, in their file images, and a record of its own
  // is kept in the bytes the writer makes of it. The sources must outlive the
  // document and stay unchanged; the records are emptied first. The save copies
  // each record as it would copy it from the source's own save.
  void KeepRecordsOf(std::vector<const TMob*> sources);
  // Appends the index-th record of `kind` of `source`, one of the sources.
  void AppendKeptRecord(const TMob& source, ObjKind kind, std::size_t index);
  // Appends `record` (index == the count of its kind) or puts it in place of the
  // index-th record of its kind.
  template <class R> void KeepRecord(std::size_t index, const R& record) {
    Bytes written;
    record.WriteRecord(written);
    KeepWrittenRecord(R::Kind, index, written);
  }

  void Log(std::string_view line);
  void Reset();
  void ClearObjects();

  // ---- blocks
  bool ReadScriptBlock(const std::uint8_t* block, std::uint32_t size);
  Bytes WriteScriptBlock();
  // Appends the script block to `out` (the key takes the writer's rule first);
  // returns its length.
  std::size_t AppendScriptBlock(Bytes& out);
  // The script block of `text` under `key` as written, whatever document holds it.
  static std::size_t AppendScriptBlock(Bytes& out, std::string_view text, std::uint32_t key);
  // The key a script is written with: any nonzero key becomes the default one.
  static std::uint32_t WrittenScriptKey(std::uint32_t key) { return key != 0 ? kDefaultScriptKey : 0; }
  static void ScriptCipher(std::uint8_t* data, std::size_t length, std::uint32_t key);
  static std::uint32_t NextKnownBlockType(std::uint32_t type);
  // `fileOffset` is where the block starts in the file: the messages and FileLayout
  // name places by it.
  bool ReadObjectBlock(const std::uint8_t* block, std::uint32_t size, std::uint64_t fileOffset = 0);
  Bytes WriteObjectBlock() const;
  // Appends the object block to `out` (one allocation when `out` has room).
  void AppendObjectBlock(Bytes& out) const;
  std::uint64_t ObjectBlockSize() const;

  // ---- record lists
  template <ObjKind K> std::vector<typename RecordOf<K>::type>& List();
  template <ObjKind K> const std::vector<typename RecordOf<K>::type>& List() const;
  std::size_t Count(ObjKind kind) const;
  // The bytes the records of `kind` take in the file the document writes.
  std::uint64_t RecordBytes(ObjKind kind) const;
  std::size_t TotalRecordCount() const;
  // Removes the record at `index`; later records move down by one.
  void DeleteRecord(ObjKind kind, std::size_t index);
  // delete == false: false when some record carries `id`, true when none does.
  // delete == true: removes every record carrying `id` from every list; true.
  bool CheckOrDeleteObjectId(std::int32_t id, bool deleteFound);
  // The smallest identity from 1 to 999999999 that no record carries, 0 when all are taken.
  std::uint32_t FindFreeObjectId() const;

  // Calls f(record) for every record of kind R in list order, wherever the document
  // holds them: a record left in the image is read into one scratch record, valid
  // for the length of the call (one that no longer reads as it loaded leaves the
  // kept image not intact).
  template <class R, class F> void ForEachRecordOf(F&& f) const;
  // Calls f(record, index) for every record, in kind order and then list order,
  // wherever the document holds them (as ForEachRecordOf).
  template <class F> void ForEachRecord(F&& f) const;

  // Calls f(list) for each of the eight lists in kind order.
  template <class F> void ForEachList(F&& f);
  template <class F> void ForEachList(F&& f) const;

 private:
  friend class TMobWorkerThread;
  class WorkerScope;
  struct ImagePlan;
  class ImageOut;
  struct ImageRecords;
  bool LoadFromBuffer(const std::uint8_t* data, std::size_t size);
  bool FinishLoad(bool ok);
  // Save in two steps: the plan fixes every length and logs what BuildImage logs;
  // the emitter writes the planned image, piece by piece.
  bool PlanImage(ImagePlan& plan);
  bool EmitImage(const ImagePlan& plan, ImageOut& out, TRecordOrigins* origins = nullptr) const;
  bool EmitObjectBlock(std::uint64_t size, ImageOut& out, TRecordOrigins* origins = nullptr) const;
  bool EmitLists(ImageOut& out, TRecordOrigins* origins) const;
  bool EmitImageRecords(ImageOut& out) const;
  // The bytes of the index-th record of `kind` left in the image, exactly as many
  // as the load framed, copied into `copy`: a read of them stays within them. Empty
  // when its header no longer says what the load found.
  std::span<const std::uint8_t> CopyOfKeptRecord(ObjKind kind, std::size_t index, Bytes& copy) const;
  void KeptImageChanged() const;
  // Reads a record left in the image again; false (and the image no longer
  // intact) when it does not read.
  template <class R> bool ReadKeptRecord(std::size_t index, R& record, Bytes& copy) const;
  bool WriteToDisk(const std::string& fileName, const ImagePlan& plan, std::int32_t saveAttempts);
  bool LoadMapped(TMappedFile file);
  void KeepWrittenRecord(ObjKind kind, std::size_t index, const Bytes& written);
  std::uint64_t KeptWrittenSize(ObjKind kind, std::size_t index) const;

  TMobWorkerThread* m_worker = nullptr;  // the running worker of a threaded run
  std::unique_ptr<ImageRecords> m_imageRecords;  // RecordsStayInImage: the loaded image
  std::unique_ptr<TRecordOrigins> m_origins;      // KeepsOrigins: the loaded file
};

// Copies a record the way records move between documents: through its file form.
// The copy is deep and equals the source field for field.
template <class R> R CopyRecordViaFileForm(const R& source) {
  Bytes bytes;
  source.WriteRecord(bytes);
  R copy;
  copy.ReadRecord(bytes.data(), std::uint32_t(bytes.size()), TReadContext{});
  return copy;
}

// ---- template definitions

template <ObjKind K> std::vector<typename RecordOf<K>::type>& TMob::List() {
  if constexpr (K == ObjKind::Unit) return Units;
  else if constexpr (K == ObjKind::Object) return Objects;
  else if constexpr (K == ObjKind::Lever) return Levers;
  else if constexpr (K == ObjKind::Trap) return Traps;
  else if constexpr (K == ObjKind::Flame) return Flames;
  else if constexpr (K == ObjKind::Particle1) return Particles1;
  else if constexpr (K == ObjKind::Particle2) return Particles2;
  else return Particles3;
}

template <ObjKind K> const std::vector<typename RecordOf<K>::type>& TMob::List() const {
  return const_cast<TMob*>(this)->List<K>();
}

template <class R, class F> void TMob::ForEachRecordOf(F&& f) const {
  if (!m_imageRecords) {
    for (const R& record : List<R::Kind>()) f(record);
    return;
  }
  R record;
  Bytes copy;
  for (std::size_t i = 0, n = Count(R::Kind); i < n; ++i) {
    ReadKeptRecord(i, record, copy);
    f(std::as_const(record));
  }
}

template <class R> bool TMob::ReadKeptRecord(std::size_t index, R& record, Bytes& copy) const {
  const auto sub = CopyOfKeptRecord(R::Kind, index, copy);
  ClearForReuse(record);
  if (!sub.empty() && record.ReadRecord(sub.data(), std::uint32_t(sub.size()), TReadContext{})) return true;
  KeptImageChanged();
  return false;
}

template <class F> void TMob::ForEachRecord(F&& f) const {
  const auto kind = [&]<ObjKind K>() {
    std::size_t index = 0;
    ForEachRecordOf<typename RecordOf<K>::type>([&](const auto& record) { f(record, index++); });
  };
  kind.template operator()<ObjKind::Unit>();
  kind.template operator()<ObjKind::Object>();
  kind.template operator()<ObjKind::Lever>();
  kind.template operator()<ObjKind::Trap>();
  kind.template operator()<ObjKind::Flame>();
  kind.template operator()<ObjKind::Particle1>();
  kind.template operator()<ObjKind::Particle2>();
  kind.template operator()<ObjKind::Particle3>();
}

template <class F> void TMob::ForEachList(F&& f) {
  f(Units);
  f(Objects);
  f(Levers);
  f(Traps);
  f(Flames);
  f(Particles1);
  f(Particles2);
  f(Particles3);
}

template <class F> void TMob::ForEachList(F&& f) const {
  const_cast<TMob*>(this)->ForEachList([&](const auto& list) { f(list); });
}

}  // namespace kelvarin
