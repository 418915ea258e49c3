#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include "version/core/programversion.h"
#include "version/core/verinfotxtformat.h"
#include "version/ui/aboutf.h"

namespace kelvarin {
namespace {

using namespace Qt::StringLiterals;

TEST(AboutBox, ShowsTheProgramAndOpensTheLicence) {
  int argc = 1;
  char name[] = "version_ui_tests";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);

  TVerInfoTxtFormat version;
  SetProgramVersion(version);
  QStringList opened;
  TAboutF about(version, u"/opt/kelvarin/License.txt"_s, [&](const QString& path) { opened << path; });
  about.show();
  auto text = [&](const char* label) { return about.findChild<QLabel*>(QString::fromLatin1(label))->text(); };
  EXPECT_EQ(about.windowTitle(), u"О программе"_s);
  EXPECT_EQ(text("ProgaNamLab"), u"Kelvarin"_s);
  EXPECT_EQ(text("DescrLab"), u"Программа для выполнения различных хитрых операций над мобами"_s);
  EXPECT_EQ(text("Label1"), u"Версия :"_s);
  EXPECT_EQ(text("FileVerLab"), u"0.3.7, revision: 20."_s);
  EXPECT_EQ(text("Label3"), u"Данная программа распространяется на условиях"_s);
  for (const char* label : {"CopyrightLab", "CraftedByLab", "DevelsContactsLab", "Label4"})
    EXPECT_FALSE(text(label).isEmpty()) << label;
  EXPECT_GE(about.width(), 439);
  EXPECT_GE(about.height(), 155);
  // Captions and values stand side by side without overlapping.
  for (auto [caption, value] : {std::pair{"Label1", "FileVerLab"}, std::pair{"Label2", "CraftedByLab"}})
    EXPECT_LT(about.findChild<QLabel*>(QString::fromLatin1(caption))->geometry().right(),
              about.findChild<QLabel*>(QString::fromLatin1(value))->x());

  auto* license = about.findChild<QPushButton*>(u"LicenseBut"_s);
  EXPECT_EQ(license->text(), u"Текст лицензиии"_s);
  license->click();
  EXPECT_EQ(opened, QStringList{u"/opt/kelvarin/License.txt"_s});
  EXPECT_TRUE(about.isVisible());  // the box stays open

  about.findChild<QPushButton*>(u"OkBut"_s)->click();
  EXPECT_FALSE(about.isVisible());
}

}  // namespace
}  // namespace kelvarin
