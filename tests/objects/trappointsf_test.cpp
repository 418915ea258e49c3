// The points dialog as a user drives it: values shown in their three forms, typed
// in any of them, bad texts refused with a message, points added, inserted,
// deleted and moved, and OK, Cancel and Escape.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "objects/ui/trappointsf.h"
#include "support/fakeshell.h"

namespace kelvarin {
namespace {

using namespace Qt::StringLiterals;

class TrapPointsDialogTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureApplication(); }

  void Open(std::vector<TTrapPoint3> points) {
    m_dialog = std::make_unique<TTrapPointsF>(u"TrapPoints1"_s, TTrapPointTable::Of(points), ',');
    m_dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dialog.get()));
  }

  QString Cell(int row, int column) {
    return Grid().model()->index(row, column).data().toString();
  }
  TPointsGrid& Grid() { return *m_dialog->PointsGrid(); }

  // Types `text` into a cell as a user does and ends the edit with Enter.
  void Type(int row, int column, const QString& text) {
    const QModelIndex cell = Grid().model()->index(row, column);
    Grid().setCurrentIndex(cell);
    Grid().edit(cell);
    auto* editor = qobject_cast<QLineEdit*>(Grid().indexWidget(cell));
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
    QApplication::processEvents();
  }

  std::vector<TTrapPoint3> Result() { return m_dialog->Points().Points3(); }

  std::unique_ptr<TTrapPointsF> m_dialog;
};

TEST_F(TrapPointsDialogTest, ShowsEveryValueAsFloatDecimalAndHex) {
  Open({{0x3DCCCCCD, 0x80000000, 0x7FC12345}, {0x00000001, 0xFF800000, 0xFFFFFFFF}});
  ASSERT_EQ(Grid().model()->rowCount(), 2);
  ASSERT_EQ(Grid().model()->columnCount(), 9);
  EXPECT_EQ(Grid().model()->headerData(0, Qt::Horizontal).toString(), u"1: float"_s);
  EXPECT_EQ(Grid().model()->headerData(7, Qt::Horizontal).toString(), u"3: uint32"_s);
  EXPECT_EQ(Grid().model()->headerData(1, Qt::Vertical).toString(), u"2"_s);
  EXPECT_EQ(Cell(0, 0), u"0,100000001490116"_s);
  EXPECT_EQ(Cell(0, 1), u"1036831949"_s);
  EXPECT_EQ(Cell(0, 2), u"0x3DCCCCCD"_s);
  EXPECT_EQ(Cell(0, 3), u"-0"_s);
  EXPECT_EQ(Cell(0, 6), u"NAN"_s);
  EXPECT_EQ(Cell(1, 0), u"1,40129846432482E-45"_s);
  EXPECT_EQ(Cell(1, 3), u"-INF"_s);
  EXPECT_EQ(Cell(1, 7), u"4294967295"_s);
  EXPECT_EQ(m_dialog->windowTitle(), u"Точки ловушки: TrapPoints1"_s);
}

TEST_F(TrapPointsDialogTest, TypedValuesGoInAndUntouchedBytesStay) {
  Open({{0x7FC12345, 0x80000000, 0x00000001}, {1, 2, 3}});
  Type(1, 0, u"1,5"_s);      // a float
  Type(1, 4, u"-1"_s);       // a decimal integer
  Type(1, 8, u"0xdeadbeef"_s);
  // Enter finished each edit without pressing OK.
  EXPECT_TRUE(m_dialog->isVisible());
  EXPECT_EQ(Cell(1, 1), u"1069547520"_s);  // the other forms follow
  EXPECT_EQ(Cell(1, 5), u"0xFFFFFFFF"_s);
  // A NaN's text typed over it again keeps its payload; so do its neighbours.
  Type(0, 0, u"NAN"_s);
  Type(0, 3, u"-0"_s);
  EXPECT_FALSE(m_dialog->MessageLab()->isVisible());
  m_dialog->OkBut()->click();
  EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
  EXPECT_EQ(Result(), (std::vector<TTrapPoint3>{{0x7FC12345, 0x80000000, 0x00000001}, {0x3FC00000, 0xFFFFFFFF, 0xDEADBEEF}}));
}

TEST_F(TrapPointsDialogTest, BadTextIsRefusedWithAMessageAndWaitsToBeCorrected) {
  Open({{1, 2, 3}});
  Type(0, 0, u"abc"_s);
  EXPECT_TRUE(m_dialog->MessageLab()->isVisible());
  EXPECT_TRUE(m_dialog->MessageLab()->text().startsWith(u"Точка 1, значение 1: «abc» — не число."_s))
      << m_dialog->MessageLab()->text().toStdString();
  EXPECT_EQ(m_dialog->Points().Value(0, 0), 1u);
  // The refused text is back in its cell, and OK waits for it.
  auto* editor = qobject_cast<QLineEdit*>(Grid().indexWidget(Grid().model()->index(0, 0)));
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->text(), u"abc"_s);
  m_dialog->OkBut()->click();
  EXPECT_TRUE(m_dialog->isVisible());

  // Out of range, in the hex column of the same value.
  QTest::keyClick(editor, Qt::Key_Escape);
  QApplication::processEvents();
  Type(0, 2, u"4294967296"_s);
  EXPECT_NE(m_dialog->MessageLab()->text().indexOf(u"не помещается в 32 бита"_s), -1);
  QApplication::processEvents();
  editor = qobject_cast<QLineEdit*>(Grid().indexWidget(Grid().model()->index(0, 2)));
  ASSERT_NE(editor, nullptr);
  // Corrected, the value goes in and the message goes.
  editor->setText(u"0x10"_s);
  QTest::keyClick(editor, Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_FALSE(m_dialog->MessageLab()->isVisible());
  m_dialog->OkBut()->click();
  EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
  EXPECT_EQ(Result(), (std::vector<TTrapPoint3>{{0x10, 2, 3}}));
}

TEST_F(TrapPointsDialogTest, FloatRefusalsNameTheForm) {
  Open({{1, 2, 3}});
  Type(0, 3, u"1E39"_s);
  EXPECT_NE(m_dialog->MessageLab()->text().indexOf(u"Точка 1, значение 2: число «1E39» не помещается в 32-битное float"_s), -1)
      << m_dialog->MessageLab()->text().toStdString();
  m_dialog->CancelBut()->click();
  EXPECT_EQ(m_dialog->result(), QDialog::Rejected);
}

TEST_F(TrapPointsDialogTest, AddInsertDeleteAndMovePoints) {
  Open({{1, 1, 1}, {2, 2, 2}, {3, 3, 3}});
  EXPECT_FALSE(m_dialog->MoveUpBut()->isEnabled());  // the first point is current
  m_dialog->MoveDownBut()->click();                   // 2 1 3, the moved point stays current
  m_dialog->MoveDownBut()->click();                   // 2 3 1
  EXPECT_FALSE(m_dialog->MoveDownBut()->isEnabled());
  m_dialog->InsertPointBut()->click();                // 2 3 0 1
  m_dialog->MoveUpBut()->click();                     // 2 0 3 1
  m_dialog->AddPointBut()->click();                   // 2 0 3 1 0, the new one current
  Type(4, 4, u"7"_s);
  Grid().setCurrentIndex(Grid().model()->index(0, 0));
  m_dialog->DeletePointBut()->click();                // 0 3 1 (0 7 0)
  EXPECT_EQ(Grid().currentIndex().row(), 0);
  EXPECT_EQ(Result(), (std::vector<TTrapPoint3>{{0, 0, 0}, {3, 3, 3}, {1, 1, 1}, {0, 7, 0}}));
  for (int i = 0; i < 4; ++i) m_dialog->DeletePointBut()->click();
  EXPECT_EQ(Grid().model()->rowCount(), 0);
  EXPECT_FALSE(m_dialog->DeletePointBut()->isEnabled());
  m_dialog->InsertPointBut()->click();  // into an empty list
  EXPECT_EQ(Result(), (std::vector<TTrapPoint3>{{0, 0, 0}}));
}

TEST_F(TrapPointsDialogTest, EscapeAbandonsAnEditFirstAndThenTheDialog) {
  Open({{1, 2, 3}});
  const QModelIndex cell = Grid().model()->index(0, 1);
  Grid().setCurrentIndex(cell);
  Grid().edit(cell);
  auto* editor = qobject_cast<QLineEdit*>(Grid().indexWidget(cell));
  ASSERT_NE(editor, nullptr);
  editor->setText(u"99"_s);
  QTest::keyClick(editor, Qt::Key_Escape);
  QApplication::processEvents();
  EXPECT_TRUE(m_dialog->isVisible());
  EXPECT_EQ(Cell(0, 1), u"1"_s);
  QTest::keyClick(&Grid(), Qt::Key_Escape);
  EXPECT_FALSE(m_dialog->isVisible());
  EXPECT_EQ(m_dialog->result(), QDialog::Rejected);
}

TEST_F(TrapPointsDialogTest, OkTakesTheTextOfAnOpenCell) {
  Open({{1, 2, 3}});
  const QModelIndex cell = Grid().model()->index(0, 2);
  Grid().setCurrentIndex(cell);
  Grid().edit(cell);
  auto* editor = qobject_cast<QLineEdit*>(Grid().indexWidget(cell));
  ASSERT_NE(editor, nullptr);
  editor->setText(u"0xFF"_s);
  m_dialog->OkBut()->animateClick();  // as a shortcut presses it: the focus stays in the cell
  QTest::qWait(200);
  EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
  EXPECT_EQ(Result(), (std::vector<TTrapPoint3>{{0xFF, 2, 3}}));
}

TEST_F(TrapPointsDialogTest, TwoValuesAPointForTheSecondList) {
  TTrapPointsF dialog(u"TrapPoints2"_s, TTrapPointTable::Of(std::vector<TTrapPoint2>{{5, 6}}), '.');
  EXPECT_EQ(dialog.PointsGrid()->model()->columnCount(), 6);
  EXPECT_EQ(dialog.PointsGrid()->model()->index(0, 0).data().toString(), u"7.00649232162409E-45"_s);
  QTimer::singleShot(0, &dialog, [&dialog] { dialog.CancelBut()->click(); });
  EXPECT_EQ(dialog.exec(), QDialog::Rejected);
}

}  // namespace
}  // namespace kelvarin
