#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "program/settings.h"
#include "app/ui/settsf.h"
#include "app/ui/updown.h"
#include "mainf_fixture.h"

namespace kelvarin {
namespace {

using namespace Qt::StringLiterals;

class SettingsDialogTest : public MainWindowTest {
 protected:
  void Open() {
    m_saves = 0;
    m_dialog = std::make_unique<TSettsF>(m_settings, m_prompts, [this] { ++m_saves; });
    m_threads = m_dialog->findChild<QCheckBox*>(u"UseTMobThreadsCB"_s);
    m_attempts = m_dialog->findChild<QLineEdit*>(u"SaveAttemptsEd"_s);
    m_backups = m_dialog->findChild<QCheckBox*>(u"MakeAutoBackupsCB"_s);
    m_upDown = m_dialog->findChild<TUpDown*>(u"SaveAttemptsUD"_s);
    ASSERT_TRUE(m_threads && m_attempts && m_backups && m_upDown);
  }
  void Click(const char* name) { m_dialog->findChild<QPushButton*>(QString::fromLatin1(name))->click(); }

  TSettings m_settings;
  std::unique_ptr<TSettsF> m_dialog;
  QCheckBox* m_threads = nullptr;
  QLineEdit* m_attempts = nullptr;
  QCheckBox* m_backups = nullptr;
  TUpDown* m_upDown = nullptr;
  int m_saves = 0;
};

TEST_F(SettingsDialogTest, ShowsTakesOverAndSaves) {
  m_settings.UseTMobThreads = true;
  m_settings.SaveAttempts = 7;
  m_settings.MakeAutoBackups = false;
  Open();
  EXPECT_EQ(m_dialog->windowTitle(), u"Настройки етой злобной проги"_s);
  EXPECT_EQ(m_threads->text(),
            u"Использовать нитки при сохранении\\загрузке мобов (в этой версии может глючить)"_s);
  EXPECT_TRUE(m_threads->isChecked());
  EXPECT_EQ(m_attempts->text(), u"7"_s);
  EXPECT_FALSE(m_backups->isChecked());

  m_threads->setChecked(false);
  m_attempts->setText(u"-3"_s);  // typed values are not limited
  m_backups->setChecked(true);
  Click("OkBut");
  EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
  EXPECT_FALSE(m_settings.UseTMobThreads);
  EXPECT_EQ(m_settings.SaveAttempts, -3);
  EXPECT_TRUE(m_settings.MakeAutoBackups);
  EXPECT_EQ(m_saves, 1);
  EXPECT_TRUE(m_prompts.Records().empty());
}

TEST_F(SettingsDialogTest, AValueThatIsNoIntegerKeepsTheDialogOpenAndChangesNothing) {
  Open();
  const TSettings before = m_settings;
  m_dialog->show();
  m_threads->setChecked(true);
  m_attempts->setText(u"abc"_s);
  Click("OkBut");
  ASSERT_EQ(m_prompts.Records().size(), 1u);
  EXPECT_EQ(m_prompts.Records()[0].icon, TPrompts::Icon::Error);
  EXPECT_TRUE(m_prompts.Records()[0].text.contains(u"abc"_s));
  EXPECT_TRUE(m_dialog->isVisible());
  EXPECT_EQ(m_settings.UseTMobThreads, before.UseTMobThreads);
  EXPECT_EQ(m_settings.SaveAttempts, before.SaveAttempts);
  EXPECT_EQ(m_saves, 0);

  Click("CancelBut");
  EXPECT_FALSE(m_dialog->isVisible());
  EXPECT_EQ(m_dialog->result(), QDialog::Rejected);
  EXPECT_EQ(m_settings.UseTMobThreads, before.UseTMobThreads);
}

TEST_F(SettingsDialogTest, MoreThanAHundredRetriesAreRefusedAndTheDialogStaysOpen) {
  m_settings.SaveAttempts = 7;
  Open();
  m_dialog->show();
  m_attempts->setText(u"2147483647"_s);
  Click("OkBut");
  ASSERT_EQ(m_prompts.Records().size(), 1u);
  EXPECT_EQ(m_prompts.Records()[0].icon, TPrompts::Icon::Error);
  EXPECT_TRUE(m_prompts.Records()[0].text.contains(u"100"_s));
  EXPECT_TRUE(m_dialog->isVisible());
  EXPECT_EQ(m_settings.SaveAttempts, 7);
  EXPECT_EQ(m_saves, 0);

  m_attempts->setText(u"100"_s);
  Click("OkBut");
  EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
  EXPECT_EQ(m_settings.SaveAttempts, 100);
  EXPECT_EQ(m_saves, 1);
}

TEST_F(SettingsDialogTest, ArrowsStepWithinZeroToHundred) {
  Open();
  struct Case {
    const char* text;
    int steps;
    const char* result;
  } cases[] = {{"10", 1, "11"}, {"100", 1, "100"}, {"0", -1, "0"}, {"-3", -1, "0"},
               {"250", -1, "99"}, {"x", 1, "1"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    m_attempts->setText(QString::fromLatin1(c.text));
    (c.steps > 0 ? m_upDown->UpButton() : m_upDown->DownButton())->click();
    EXPECT_EQ(m_attempts->text(), QString::fromLatin1(c.result));
  }
}

}  // namespace
}  // namespace kelvarin
