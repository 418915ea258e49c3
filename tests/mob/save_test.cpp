// Writing to disk: the old file survives every failure, the retries and their log
// lines, permissions and links.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <limits>

#include <filesystem>

#include "common/filesystem.h"
#include "mob/filelog.h"
#include "support/faultyfiles.h"
#include "support/filebytes.h"
#include "support/mobbytes.h"
#include "support/tempfolder.h"

namespace kelvarin {
namespace {

using namespace kelvarin::testing;
namespace fs = std::filesystem;

class SaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_path = m_dir.Path("zone.mob");
    // A full disk takes half the data, then refuses the rest.
    m_files.write.HalfDone();
    SetFiles(&m_files);
    ASSERT_TRUE(LoadBytes(m_mob, MobFile({Framed(kObjectBlockType, {})})));
  }
  void TearDown() override { SetFiles(nullptr); }
  void WriteOld(const std::string& text) { test::WriteFileBytes(m_path, text); }
  std::string Read() { return test::ReadFileBytes(m_path); }
  // Only zone.mob may remain: temporary files are always cleaned up.
  std::size_t FilesInFolder() { return std::size_t(std::distance(fs::directory_iterator(m_dir.Root()), {})); }
  int Count(const std::string& line) {
    int n = 0;
    for (const auto& l : LogLines(m_mob)) n += l == line;
    return n;
  }

  test::TFaultyFiles m_files;
  test::TTempFolder m_dir;
  std::string m_path;
  TMob m_mob;
};

TEST_F(SaveTest, ReplacingAFileLogsTheDeletionThenTheSave) {
  WriteOld("old contents");
  m_mob.LogText.clear();
  ASSERT_TRUE(m_mob.SaveFile(m_path));
  const auto lines = LogLines(m_mob);
  const auto deleted = std::find(lines.begin(), lines.end(),
                                 "Файл " + m_path + " удален, т.к. на его место будет сохраняться файл.");
  const auto saved = std::find(lines.begin(), lines.end(), "Моб сохранен на диск в файл " + m_path + " .");
  EXPECT_LT(deleted, saved);
  EXPECT_NE(saved, lines.end());
  EXPECT_EQ(lines.back(), "Моб успешно сохранен :).");
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], "-----------------------------");
  EXPECT_EQ(Read().size(), 24u);
  EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(SaveTest, ANewFileIsNotReportedAsDeleted) {
  ASSERT_TRUE(m_mob.SaveFile(m_path));
  EXPECT_FALSE(LogHas(m_mob, "удален"));
}

TEST_F(SaveTest, EveryFailingStepLeavesTheOldFileIntactAndNamesItsReasonOnce) {
  struct Case {
    const char* name;
    test::TFault test::TFaultyFiles::*fault;
    int reason;
  } cases[] = {{"full disk", &test::TFaultyFiles::write, ENOSPC},
               {"failing flush", &test::TFaultyFiles::sync, EIO},
               {"failing rename", &test::TFaultyFiles::rename, EACCES}};
  const std::string failed = "По непонятной причине не удалось сохранить на диск файл " + m_path + " .";
  for (const auto& c : cases) {
    WriteOld("old contents");
    (m_files.*c.fault).Fail(c.reason, 1000);
    m_mob.LogText.clear();
    EXPECT_FALSE(m_mob.SaveFile(m_path, 2)) << c.name;
    (m_files.*c.fault).Off();
    EXPECT_EQ(Read(), "old contents") << c.name;
    EXPECT_EQ(FilesInFolder(), 1u) << c.name;
    EXPECT_EQ(Count(failed), 3) << c.name;
    EXPECT_EQ(Count("Пытаюсь сохранить еще раз...."), 2) << c.name;
    EXPECT_FALSE(LogHas(m_mob, "ЕТА ПИПЕЦ")) << c.name;  // the old file is still there
    // The reason follows the last failed attempt, once.
    const auto lines = LogLines(m_mob);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines.end()[-3], failed) << c.name;
    EXPECT_EQ(lines.end()[-2], ReasonLine(c.reason)) << c.name;
    EXPECT_EQ(Count(ReasonLine(c.reason)), 1) << c.name;
    EXPECT_EQ(lines.back(), "Моб нихрена не сохранен :(.") << c.name;
  }
}

TEST_F(SaveTest, TheReasonLineNamesTheErrorAndItsNumber) {
  EXPECT_EQ(ReasonLine(ENOSPC), "Причина: " + std::string(std::strerror(ENOSPC)) + " (ENOSPC).");
  EXPECT_EQ(ReasonLine(ENAMETOOLONG).substr(ReasonLine(ENAMETOOLONG).size() - 16), " (ENAMETOOLONG).");
}

TEST_F(SaveTest, RetriesAreBoundedWhateverTheCount) {
  struct Case {
    std::int32_t attempts;
    int written;
  } cases[] = {{std::numeric_limits<std::int32_t>::max(), kMaxSaveAttempts + 1},
               {kMaxSaveAttempts + 1, kMaxSaveAttempts + 1},
               {-5, 1}};  // a negative count still writes the file once
  for (const Case& c : cases) {
    m_files.rename.Fail(EACCES);
    m_files.rename.calls = 0;
    m_mob.LogText.clear();
    EXPECT_FALSE(m_mob.SaveFile(m_path, c.attempts)) << c.attempts;
    EXPECT_EQ(m_files.rename.calls, c.written) << c.attempts;
    EXPECT_EQ(Count("Пытаюсь сохранить еще раз...."), c.written - 1) << c.attempts;
  }
}

TEST_F(SaveTest, ARetrySucceedsAfterATransientFailure) {
  m_files.write.Fail(ENOSPC, 1);
  EXPECT_TRUE(m_mob.SaveFile(m_path, 1));
  EXPECT_EQ(Count("Пытаюсь сохранить еще раз...."), 1);
  EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(SaveTest, ZeroAttemptsTriesOnceWithoutPromisingARetry) {
  m_files.rename.Fail(EACCES, 1);
  EXPECT_FALSE(m_mob.SaveFile(m_path, 0));
  EXPECT_EQ(m_files.rename.calls, 1);
  EXPECT_EQ(Count("Пытаюсь сохранить еще раз...."), 0);
  // Nothing was ever on disk: the last resort message tells the user to save elsewhere.
  EXPECT_TRUE(LogHas(m_mob, "ЕТА ПИПЕЦ ТРЩ КАМАНДИР!!! НИХЕРА НЕ САВИТСЯ!!! И ФАЙЛ УГРОБИЛСЯ!!! НО ОН ЕЩЕ В "
                            "ПАМЯТИ - ПОПРОБУЙТЕ ЗАСАВИТЬ НА ДРУГОЕ ИМЯ!!!\r\n"));
}

TEST_F(SaveTest, AFileThatVanishesAfterWritingIsWrittenAgain) {
  m_files.vanishAfterRename = 1;
  EXPECT_TRUE(m_mob.SaveFile(m_path));
  EXPECT_EQ(Count("ЧЕ ЗА ХЕРНЯ!!!!! ОШИБОК НИХЕРА НЕ БЫЛО А ФАЙЛА МЛЯ НЕТУ!!!!!!!!!! СООБЩИТЕ "
                  "РАЗРАБОТЧИКУ!!!!!!"),
            1);
  EXPECT_EQ(m_files.rename.calls, 2);
  EXPECT_EQ(Read().size(), 24u);
}

TEST_F(SaveTest, PermissionsAndLinksSurviveASave) {
  WriteOld("old");
  ::chmod(m_path.c_str(), 0640);
  const std::string link = m_dir.Path("link.mob");
  fs::create_symlink(m_path, link);
  ASSERT_TRUE(m_mob.SaveFile(link));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Read().size(), 24u);
  struct stat st;
  ASSERT_EQ(::stat(m_path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(SaveTest, MissingAndUnreadableFilesFailTheLoad) {
  TMob mob;
  EXPECT_FALSE(mob.Load(m_path));
  EXPECT_EQ(LogLines(mob), (std::vector<std::string>{"", "-----------------------------", "Загрузить моб не удалось!"}));

  WriteOld("x");
  m_files.map.Fail(EACCES);
  m_files.read.Fail(EACCES);
  EXPECT_FALSE(mob.Load(m_path));
  EXPECT_EQ(LogLines(mob), (std::vector<std::string>{"", "-----------------------------", m_path,
                                                     "Файло существует... открываю...",
                                                     "Не могу получить доступ к файлу!",
                                                     ReasonLine(EACCES),
                                                     "Загрузить моб не удалось!"}));
}

}  // namespace
}  // namespace kelvarin
