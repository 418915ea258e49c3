// A document whose records stay in the file image must be indistinguishable from
// one that decoded them, wherever it can be observed: the verdict and every log
// line of the load, the counts, and the saved bytes with the save's log.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "common/filesystem.h"
#include "common/mappedfile.h"
#include "mob/fields.h"
#include "mob/filelog.h"
#include "mob/generator.h"
#include "mob/tmob.h"
#include "support/filebytes.h"
#include "support/mobbytes.h"
#include "support/tempfolder.h"

namespace kelvarin {
namespace {

using testing::GeneratedImage;
using testing::LogHas;
using testing::LogLines;

// Loads `bytes` both ways and compares everything the two documents show.
void ExpectSameDocument(const Bytes& bytes, const std::string& what) {
  SCOPED_TRACE(what);
  TMob decoded, kept;
  kept.RecordsStayInImage = true;
  const bool loaded = decoded.LoadImage(bytes.data(), bytes.size());
  ASSERT_EQ(kept.LoadImage(bytes.data(), bytes.size()), loaded);
  ASSERT_EQ(kept.LogText, decoded.LogText);
  if (!loaded) return;
  for (ObjKind k : kAllObjKinds) EXPECT_EQ(kept.Count(k), decoded.Count(k));
  EXPECT_EQ(kept.TotalRecordCount(), decoded.TotalRecordCount());
  EXPECT_EQ(kept.ObjectBlockSize(), decoded.ObjectBlockSize());
  decoded.LogText.clear();
  kept.LogText.clear();
  Bytes fromDecoded, fromKept;
  ASSERT_EQ(kept.BuildImage(fromKept), decoded.BuildImage(fromDecoded));
  EXPECT_EQ(kept.LogText, decoded.LogText);
  EXPECT_TRUE(fromKept == fromDecoded);
}

// Offsets and sizes of the object block's sub-blocks, for a file whose object
// block is the only block of that type.
struct SubBlock {
  std::size_t offset, size;
};
std::vector<SubBlock> SubBlocksOf(const Bytes& image) {
  std::vector<SubBlock> out;
  for (std::size_t p = 16; p + 8 <= image.size();) {
    const std::uint32_t type = ReadU32(image.data() + p), size = ReadU32(image.data() + p + 4);
    if (type == kObjectBlockType) {
      for (std::size_t q = p + 8; q < p + size; q += ReadU32(image.data() + q + 4))
        out.push_back({q, ReadU32(image.data() + q + 4)});
      return out;
    }
    p += size;
  }
  return out;
}

TEST(RecordsStayInImage, GeneratedZonesLoadAndSaveAsDecodedOnes) {
  for (std::size_t records : {0, 1, 9, 30, 400})
    for (std::uint64_t seed : {1, 2}) {
      const Bytes image = GeneratedImage(records, seed);
      ExpectSameDocument(image, std::to_string(records) + " records, seed " + std::to_string(seed));

      // What the writer made comes back byte for byte, copied from the image.
      TMob kept;
      kept.RecordsStayInImage = true;
      ASSERT_TRUE(kept.LoadImage(image.data(), image.size()));
      Bytes again;
      ASSERT_TRUE(kept.BuildImage(again));
      EXPECT_TRUE(again == image);
      EXPECT_TRUE(std::ranges::equal(kept.KeptImage(), image));
    }
}

// Sub-blocks in reverse order: the save groups them by kind again, copying some
// records alone and others in runs.
TEST(RecordsStayInImage, SubBlocksOutOfOrderAreRegroupedAsTheWriterDoes) {
  Bytes image = GeneratedImage(40, 5);
  const auto subs = SubBlocksOf(image);
  ASSERT_GT(subs.size(), 10u);
  Bytes reversed(image.begin(), image.begin() + std::ptrdiff_t(subs.front().offset));
  for (auto it = subs.rbegin(); it != subs.rend(); ++it)
    reversed.insert(reversed.end(), image.begin() + std::ptrdiff_t(it->offset),
                    image.begin() + std::ptrdiff_t(it->offset + it->size));
  const std::size_t end = subs.back().offset + subs.back().size;
  reversed.insert(reversed.end(), image.begin() + std::ptrdiff_t(end), image.end());
  ASSERT_EQ(reversed.size(), image.size());
  ExpectSameDocument(reversed, "reversed sub-blocks");
}

// Every record of a file can be one the writer would not reproduce: such records
// are read again at save time and written anew.
TEST(RecordsStayInImage, RecordsTheWriterWouldChangeAreWrittenAnew) {
  Bytes image = GeneratedImage(30, 3);
  for (const auto& sub : SubBlocksOf(image)) {
    // A chunk id no kind knows, in place of the first chunk: stepped over on
    // reading, so the record's size no longer matches and its bytes change.
    StoreU32(image.data() + sub.offset + 8, 0x12345678);
  }
  ExpectSameDocument(image, "unknown first chunks");
}

// Damaged files: a flipped byte or a cut anywhere is refused or accepted alike,
// with the same lines, and whatever loads saves alike.
TEST(RecordsStayInImage, DamagedFilesGetTheSameVerdictAndLines) {
  for (std::uint64_t seed : {1, 2}) {
    const Bytes image = GeneratedImage(9, seed);
    for (std::size_t i = 0; i < image.size(); ++i) {
      for (std::uint8_t delta : {1, 0x80, 0xFF}) {
        Bytes damaged = image;
        damaged[i] = std::uint8_t(damaged[i] + delta);
        ExpectSameDocument(damaged, "byte " + std::to_string(i) + " + " + std::to_string(delta));
        if (::testing::Test::HasFailure()) return;
      }
    }
    for (std::size_t cut = 0; cut < image.size(); cut += 7) {
      const Bytes shorter(image.begin(), image.begin() + std::ptrdiff_t(cut));
      ExpectSameDocument(shorter, "cut at " + std::to_string(cut));
      if (::testing::Test::HasFailure()) return;
    }
  }
}

template <class R> void Renumber(R& r, std::int32_t id) {
  if constexpr (HasCommonFields(R::Kind)) r.ObjectID = id;
  else r.ID = id;
}

// A document made of other documents' records (a merge's result) saves exactly as
// a document holding the same records in its lists: records taken as they stand,
// records the writer would change (written anew), records of its own, appended or
// put in place of one taken.
TEST(RecordsStayInImage, ADocumentMadeOfOthersRecordsSavesAsTheSameRecordsInLists) {
  Bytes imageA = GeneratedImage(40, 3);
  const auto subs = SubBlocksOf(imageA);
  for (std::size_t i = 0; i < subs.size(); i += 3) StoreU32(imageA.data() + subs[i].offset + 8, 0x12345678);
  const Bytes imageB = GeneratedImage(40, 4);
  TMob a, b, listsA, listsB;
  a.RecordsStayInImage = b.RecordsStayInImage = true;
  ASSERT_TRUE(a.LoadImage(imageA) && b.LoadImage(imageB) && listsA.LoadImage(imageA) && listsB.LoadImage(imageB));

  TMob made, expected;
  ASSERT_TRUE(made.LoadImage(imageA) && expected.LoadImage(imageA));
  made.KeepRecordsOf({&a, &b});
  EXPECT_TRUE(made.KeepsRecordsInImage());
  expected.ForEachList([&](auto& list) {
    using R = typename std::decay_t<decltype(list)>::value_type;
    constexpr ObjKind kind = R::Kind;
    const auto& fromA = listsA.List<kind>();
    const auto& fromB = listsB.List<kind>();
    list.clear();
    // Every record of A in reverse, then B's in order, each second one of B's
    // changed: runs broken everywhere, and both images and the own bytes mixed.
    for (std::size_t i = fromA.size(); i-- > 0;) {
      made.AppendKeptRecord(a, kind, i);
      list.push_back(fromA[i]);
    }
    for (std::size_t i = 0; i < fromB.size(); ++i) {
      if (i % 2 == 0) {
        made.AppendKeptRecord(b, kind, i);
        list.push_back(fromB[i]);
        continue;
      }
      R changed = fromB[i];
      Renumber(changed, changed.Identity() + 1);
      made.KeepRecord(list.size(), changed);
      list.push_back(changed);
    }
    if (list.empty()) return;
    R replaced = fromB.front();
    Renumber(replaced, 777);
    made.KeepRecord(0, replaced);
    list.front() = replaced;
  });
  for (ObjKind k : kAllObjKinds) EXPECT_EQ(made.Count(k), expected.Count(k));
  EXPECT_EQ(made.ObjectBlockSize(), expected.ObjectBlockSize());
  made.LogText.clear();
  expected.LogText.clear();
  Bytes fromMade, fromExpected;
  ASSERT_TRUE(made.BuildImage(fromMade));
  ASSERT_TRUE(expected.BuildImage(fromExpected));
  EXPECT_EQ(made.LogText, expected.LogText);
  EXPECT_TRUE(fromMade == fromExpected);
}

template <class R> void ExpectClearedLikeNew(const std::vector<R>& list) {
  ASSERT_FALSE(list.empty());
  R record = list.back();
  ClearForReuse(record);
  EXPECT_TRUE(record == R{});
}

TEST(RecordsStayInImage, ARecordClearedForReuseEqualsANewOne) {
  TMob mob;
  GenerateZone(mob, {.records = 400, .seed = 4, .scriptLines = 1});
  mob.ForEachList([](const auto& list) { ExpectClearedLikeNew(list); });
}

// A regular file is mapped, not copied: it loads and saves as the same bytes read
// into memory do. The mapping holds off other writers; one that asks while the
// document reads from the file fails the load or the save with the reason, never
// the process, and no file is written.
class MappedImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_path = m_dir.Path("zone.mob");
    m_image = GeneratedImage(3000, 6);
    test::WriteFileBytes(m_path, m_image);
  }
  void TearDown() override { SetFiles(nullptr); }
  // Another program opens the file to write into it: refused while the document
  // reads from it (a blocking open would wait for the document to let go).
  bool AnotherProgramAsksToWrite() const {
    const int fd = ::open(m_path.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
    return fd < 0 && errno == EWOULDBLOCK;
  }
  static bool Guarded(const TMob& mob) { return !mob.KeptImage().empty() && GuardedFile(); }
  // Whether the temporary folder's file system lets a mapping hold off writers.
  static bool GuardedFile() {
    const std::string probe = (std::filesystem::temp_directory_path() / "kelvarin-mapped-probe").string();
    std::ofstream(probe) << "x";
    TMappedFile file;
    int err = 0;
    const bool guarded = file.Open(probe, err) && file.Guarded();
    file = TMappedFile();
    std::filesystem::remove(probe);
    return guarded;
  }
  test::TTempFolder m_dir;
  std::string m_path;
  Bytes m_image;
};

TEST_F(MappedImageTest, AFileLoadsAndSavesAsItsBytesInMemoryDo) {
  TMob fromFile, fromMemory;
  fromFile.RecordsStayInImage = fromMemory.RecordsStayInImage = true;
  ASSERT_TRUE(fromFile.LoadFile(m_path));
  ASSERT_TRUE(fromMemory.LoadImage(m_image.data(), m_image.size()));
  EXPECT_TRUE(std::ranges::equal(fromFile.KeptImage(), m_image));
  EXPECT_TRUE(fromFile.KeptImageIntact());
  const std::string copy = m_dir.Path("copy.mob");
  ASSERT_TRUE(fromFile.SaveFile(copy));
  EXPECT_EQ(test::ReadFileBytes(copy), std::string(m_image.begin(), m_image.end()));
}

// Asks to write into the file as soon as it is mapped.
class WriterOnceMapped : public TPosixFileSystem {
 public:
  explicit WriterOnceMapped(std::function<bool()> ask) : m_ask(std::move(ask)) {}
  bool MapRegular(const std::string& path, TMappedFile& file, int& err) override {
    const bool mapped = TPosixFileSystem::MapRegular(path, file, err);
    asked = mapped && m_ask();
    return mapped;
  }
  bool asked = false;

 private:
  std::function<bool()> m_ask;
};

TEST_F(MappedImageTest, AWriterWhileTheFileLoadsFailsTheLoad) {
  if (!GuardedFile()) GTEST_SKIP() << "the temporary folder's file system grants no lease";
  // Records kept in the image and records decoded into the lists are both read
  // from the mapped file.
  for (const bool kept : {true, false}) {
    WriterOnceMapped files([this] { return AnotherProgramAsksToWrite(); });
    SetFiles(&files);
    TMob mob;
    mob.RecordsStayInImage = kept;
    EXPECT_FALSE(mob.LoadFile(m_path));
    SetFiles(nullptr);
    EXPECT_TRUE(files.asked);
    EXPECT_NE(mob.LogText.find("Не могу получить доступ к файлу!\r\n" + ChangedWhileReadLine()), std::string::npos)
        << mob.LogText;
    EXPECT_FALSE(mob.Loaded);
    EXPECT_EQ(mob.TotalRecordCount(), 0u);
  }
}

TEST_F(MappedImageTest, AWriterBeforeTheSaveFailsTheSaveAndWritesNothing) {
  TMob mob;
  mob.RecordsStayInImage = true;
  ASSERT_TRUE(mob.LoadFile(m_path));
  if (!Guarded(mob)) GTEST_SKIP() << "the temporary folder's file system grants no lease";
  ASSERT_TRUE(AnotherProgramAsksToWrite());
  const std::string copy = m_dir.Path("copy.mob");
  EXPECT_FALSE(mob.SaveFile(copy, 3));
  EXPECT_FALSE(std::filesystem::exists(copy));
  EXPECT_TRUE(LogHas(mob, ChangedWhileReadLine())) << mob.LogText;
  EXPECT_FALSE(LogHas(mob, "Пытаюсь сохранить еще раз"));  // no retry can help
}

// A file that another program holds open for writing cannot be guarded: it is read
// into memory of its own, and what the program writes afterwards changes nothing.
TEST_F(MappedImageTest, AFileOpenForWritingIsReadPrivately) {
  const int writer = ::open(m_path.c_str(), O_WRONLY);
  ASSERT_GE(writer, 0);
  TMob mob;
  mob.RecordsStayInImage = true;
  ASSERT_TRUE(mob.LoadFile(m_path));
  ASSERT_EQ(::ftruncate(writer, 4096), 0);
  ::close(writer);
  Bytes saved;
  ASSERT_TRUE(mob.BuildImage(saved));
  EXPECT_TRUE(saved == m_image);
}

// The image changes after the load (a kept image is memory of the document's own
// here, so the test changes it itself): every later read stays within the sizes
// the load framed, and the change is seen instead of written or shown.
TEST(RecordsStayInImage, AnImageThatChangesAfterTheLoadIsReadWithinItsFramingAndRefused) {
  Bytes image = GeneratedImage(60, 7);
  const auto subs = SubBlocksOf(image);
  ASSERT_EQ(KindFromId(ReadU32(image.data() + subs[0].offset)), ObjKind::Unit);
  // The first unit is one the save writes anew (an unknown first chunk).
  StoreU32(image.data() + subs[0].offset + 8, 0x12345678);
  struct Case {
    const char* what;
    std::size_t at;  // where, in the image, a size becomes huge after the load
  } cases[] = {{"a record written anew: its size", subs[0].offset + 4},
               {"a record written anew: its second chunk's size", subs[0].offset + 8 + 9 + 4},
               {"a record copied as it stands: its size", subs[5].offset + 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TMob mob;
    mob.RecordsStayInImage = true;
    ASSERT_TRUE(mob.LoadImage(image.data(), image.size()));
    StoreU32(const_cast<std::uint8_t*>(mob.KeptImage().data()) + c.at, 0xFFFFFFF0);
    std::size_t seen = 0;
    mob.ForEachList([&](const auto& list) {
      using R = typename std::decay_t<decltype(list)>::value_type;
      mob.ForEachRecordOf<R>([&](const R&) { ++seen; });
    });
    EXPECT_EQ(seen, mob.TotalRecordCount());
    EXPECT_FALSE(mob.KeptImageIntact());
    mob.LogText.clear();
    Bytes saved;
    EXPECT_FALSE(mob.BuildImage(saved));
  }
}

TEST_F(MappedImageTest, AWriterOfASourceBeforeTheSaveFailsTheSaveOfARecordsBorrower) {
  TMob source, made;
  source.RecordsStayInImage = true;
  ASSERT_TRUE(source.LoadFile(m_path));
  if (!Guarded(source)) GTEST_SKIP() << "the temporary folder's file system grants no lease";
  ASSERT_TRUE(made.LoadImage(m_image));
  made.KeepRecordsOf({&source});
  for (ObjKind kind : kAllObjKinds)
    for (std::size_t i = 0; i < source.Count(kind); ++i) made.AppendKeptRecord(source, kind, i);
  ASSERT_TRUE(AnotherProgramAsksToWrite());
  const std::string copy = m_dir.Path("copy.mob");
  EXPECT_FALSE(made.SaveFile(copy, 3));
  EXPECT_FALSE(std::filesystem::exists(copy));
  EXPECT_TRUE(LogHas(made, ChangedWhileReadLine())) << made.LogText;
}

}  // namespace
}  // namespace kelvarin
