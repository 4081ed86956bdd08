// The custom-drawn list and the skinned scroll bars: row colours and image layers for hovered
// and selected rows, hit tests and click notifications, selection kept across row changes, and
// scroll-info rules and codes of the skinned bar.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include "tests/vexo/ui/widgets/ui_widget_support.h"
#include "vexo/ui/render/color.h"
#include "vexo/ui/widgets/header_ctrl.h"
#include "vexo/ui/widgets/list_ctrl.h"
#include "vexo/ui/widgets/skin_scroll_bar.h"
#include "vexo/ui/widgets/skin_scroll_wnd.h"

namespace {

using ui_test::RecordingDialog;

const QColor kNormalBk = VEXO_ToQColor(0xE1E1AF);
const QColor kHoverBk = VEXO_ToQColor(0xE1E1CD);
const QColor kSelectedBk = VEXO_ToQColor(0xC86446);

class ListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_test::App();
    list_ = new VEXO_ListCtrl;
    list_->Create(QRect(0, 0, 200, 120), &dialog_, 40);
    list_->Init();
    list_->InsertColumn(0, "名称", VEXO_HeaderCtrl::LVCFMT_LEFT, 100);
    list_->InsertColumn(1, "版本", VEXO_HeaderCtrl::LVCFMT_CENTER, 100);
    for (int i = 0; i < 3; ++i) list_->InsertItem(i, "");
    list_->SetRowHeight(20);
    dialog_.show();
  }
  QColor At(int x, int row) {
    return list_->viewport()->grab().toImage().pixelColor(x, row * 20 + 10);
  }
  void MoveTo(int x, int y) {
    QTest::mouseMove(list_->viewport(), QPoint(x, y));
    QMouseEvent move(QEvent::MouseMove, QPointF(x, y), list_->viewport()->mapToGlobal(QPointF(x, y)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(list_->viewport(), &move);
  }
  ui_test::AppFirst app_;
  RecordingDialog dialog_;
  VEXO_ListCtrl* list_ = nullptr;
};

TEST_F(ListTest, HoveredAndSelectedRowsTakeTheirColours) {
  list_->SetHoverColoring(true);
  list_->SetSelectedRow(1);
  MoveTo(50, 30);
  EXPECT_EQ(list_->GetHoverRow(), 1);
  EXPECT_EQ(At(50, 0), kNormalBk);
  EXPECT_EQ(At(150, 1), kSelectedBk);
  MoveTo(50, 50);
  EXPECT_EQ(list_->GetHoverRow(), 2);
  EXPECT_EQ(At(50, 2), kHoverBk);
  EXPECT_EQ(At(50, 1), kSelectedBk);
  // Below the last row the list background shows.
  EXPECT_EQ(list_->viewport()->grab().toImage().pixelColor(50, 70), VEXO_ToQColor(0xE9E9E9));
  // Leaving the list clears the hover row.
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(list_->viewport(), &leave);
  EXPECT_EQ(list_->GetHoverRow(), -1);
  EXPECT_EQ(At(50, 2), kNormalBk);
}

TEST_F(ListTest, SelectedImageLiesOverTheHoverBackground) {
  // A selected-row image that is transparent on its left half.
  QImage selected(200, 20, QImage::Format_ARGB32);
  selected.fill(Qt::transparent);
  for (int y = 0; y < 20; ++y)
    for (int x = 100; x < 200; ++x) selected.setPixelColor(x, y, QColor(0, 160, 0));
  auto image = ui_test::FromQImage(selected);
  QImage hover(10, 10, QImage::Format_ARGB32);
  hover.fill(QColor(150, 0, 150));
  auto hover_image = ui_test::FromQImage(hover);
  list_->SetListImg(nullptr, image.get(), nullptr, hover_image.get());
  list_->SetSelectedRow(0);
  MoveTo(20, 5);
  EXPECT_EQ(At(20, 0), QColor(150, 0, 150));
  EXPECT_EQ(At(150, 0), QColor(0, 160, 0));
  // Not hovered any more: the selected image lies over the normal background.
  MoveTo(20, 25);
  EXPECT_EQ(At(20, 0), kNormalBk);
  EXPECT_EQ(At(20, 1), QColor(150, 0, 150));
}

TEST_F(ListTest, ClickSelectsTheHitRowAndNotifies) {
  EXPECT_EQ(list_->HitTest(QPoint(150, 45)), 2);
  int column = -1;
  EXPECT_EQ(list_->HitTest(QPoint(150, 45), &column), 2);
  EXPECT_EQ(column, 1);
  EXPECT_EQ(list_->HitTest(QPoint(150, 65)), -1);
  EXPECT_EQ(list_->GetCountPerPage(), list_->viewport()->height() / 20);

  QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, QPoint(30, 25));
  EXPECT_EQ(list_->GetSelectedRow(), 1);
  ASSERT_EQ(dialog_.Count(vexo_msg::WM_NOTIFY, vexo_msg::NM_CLICK), 1);
  EXPECT_EQ(dialog_.notes.back().id, 40u);
  EXPECT_EQ(dialog_.notes.back().item, 1);
  QTest::mouseDClick(list_->viewport(), Qt::LeftButton, {}, QPoint(30, 45));
  EXPECT_EQ(dialog_.Count(vexo_msg::WM_NOTIFY, vexo_msg::NM_DBLCLK), 1);
  EXPECT_EQ(dialog_.notes.back().item, 2);

  // The selection follows its row when rows come and go above it.
  list_->SetSelectedRow(1);
  list_->InsertItem(0, "new");
  EXPECT_EQ(list_->GetSelectedRow(), 2);
  list_->DeleteItem(0);
  EXPECT_EQ(list_->GetSelectedRow(), 1);
  list_->DeleteItem(1);
  EXPECT_EQ(list_->GetSelectedRow(), -1);
}

TEST_F(ListTest, TextsAndDataStayWithTheirRows) {
  list_->SetItemText(1, 1, "1.2");
  list_->SetItemData(1, 99);
  list_->InsertItem(0, "top");
  EXPECT_EQ(list_->GetItemText(2, 1), "1.2");
  EXPECT_EQ(list_->GetItemData(2), 99u);
  EXPECT_EQ(list_->GetItemText(0, 0), "top");
  EXPECT_EQ(list_->GetItemText(0, 5), "");
  EXPECT_FALSE(list_->SetItemText(9, 0, "x"));
}

TEST_F(ListTest, SkinnedScrollBarScrollsByPixel) {
  // A grid of 9 x 3 cells of 10 x 10.
  QImage grid(90, 30, QImage::Format_ARGB32);
  grid.fill(QColor(90, 90, 90));
  auto image = ui_test::FromQImage(grid);
  for (int i = 0; i < 20; ++i) list_->InsertItem(list_->GetItemCount(), "row");
  list_->SetScrollImg(image.get());
  CSkinScrollBar* bar = list_->GetSkinVertBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->isVisible());
  EXPECT_EQ(bar->width(), 10);
  const int view = list_->viewport()->height();
  EXPECT_EQ(bar->GetScrollLimit(), 23 * 20 - view);
  // The down arrow moves the list by one row.
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(5, bar->height() - 3));
  EXPECT_EQ(list_->verticalScrollBar()->value(), 20);
  EXPECT_EQ(bar->GetScrollPos(), 20);
  EXPECT_EQ(list_->GetTopIndex(), 1);
  EXPECT_EQ(list_->HitTest(QPoint(10, 5)), 1);
  // The bar scrolls its list; the page around the list hears nothing of it (a page scrolls itself
  // on WM_VSCROLL).
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(5, bar->height() - 3));
  EXPECT_EQ(list_->verticalScrollBar()->value(), 40);
  EXPECT_EQ(dialog_.Count(vexo_msg::WM_VSCROLL, vexo_msg::SB_LINEDOWN), 0);
  EXPECT_EQ(dialog_.Count(vexo_msg::WM_VSCROLL, vexo_msg::SB_ENDSCROLL), 0);
}

TEST(SkinScrollBarTest, ScrollInfoRulesAndThumbTracking) {
  ui_test::App();
  RecordingDialog dialog;
  QImage grid(90, 30, QImage::Format_ARGB32);
  grid.fill(QColor(90, 90, 90));
  auto image = ui_test::FromQImage(grid);
  CSkinScrollBar bar(Qt::Vertical);
  bar.Create(Qt::Vertical, QRect(0, 0, 10, 120), &dialog, 101);
  bar.SetBitmap(image.get());
  bar.SetScrollInfo(0, 99, 10, 500);
  EXPECT_EQ(bar.GetScrollLimit(), 90);
  EXPECT_EQ(bar.GetScrollPos(), 90);
  bar.SetScrollPos(-4);
  EXPECT_EQ(bar.GetScrollPos(), 0);
  EXPECT_EQ(bar.PartRect(CSkinScrollBar::kThumb), QRect(0, 10, 10, 10));
  // Track length 100, thumb 10: the far end of the track is the highest position.
  EXPECT_EQ(bar.PositionAtOffset(90), 90);
  EXPECT_EQ(bar.PositionAtOffset(45), 45);
  dialog.show();

  QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(5, 15));
  QTest::mouseMove(&bar, QPoint(5, 60));
  QMouseEvent move(QEvent::MouseMove, QPointF(5, 60), bar.mapToGlobal(QPointF(5, 60)),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&bar, &move);
  QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(5, 60));
  ASSERT_GE(dialog.Count(vexo_msg::WM_VSCROLL, vexo_msg::SB_THUMBPOSITION), 1);
  int position = -1;
  for (const auto& note : dialog.notes)
    if (note.code == vexo_msg::SB_THUMBPOSITION) position = note.item;
  EXPECT_EQ(position, 45);
  // The bar itself waits for its owner to set the position.
  EXPECT_EQ(bar.GetScrollPos(), 0);

  // Wheel deltas add up to whole notches of three lines.
  dialog.notes.clear();
  QWheelEvent half(QPointF(5, 50), bar.mapToGlobal(QPointF(5, 50)), QPoint(), QPoint(0, -60),
                   Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&bar, &half);
  EXPECT_EQ(dialog.Count(vexo_msg::WM_VSCROLL, vexo_msg::SB_LINEDOWN), 0);
  QApplication::sendEvent(&bar, &half);
  EXPECT_EQ(dialog.Count(vexo_msg::WM_VSCROLL, vexo_msg::SB_LINEDOWN), 3);
}

// A page that throws a scroll bar away on the first code it hears.
class DestroysBarOnScroll : public VEXO_Dialog {
 public:
  ds::LResult WindowProc(unsigned message, ds::WParam, ds::LParam) override {
    if (message == vexo_msg::WM_VSCROLL) {
      ++codes;
      delete bar;
      bar = nullptr;
    }
    return 0;
  }
  CSkinScrollBar* bar = nullptr;
  int codes = 0;
};

// A wheel notch is several codes in a row, a press a code and a timer: a page that destroys the bar
// on the first hears no more, and nothing runs on in the destroyed bar.
TEST(SkinScrollBarTest, PageMayDestroyTheBarFromItsFirstCode) {
  ui_test::App();
  QImage grid(90, 30, QImage::Format_ARGB32);
  grid.fill(QColor(90, 90, 90));
  auto image = ui_test::FromQImage(grid);
  DestroysBarOnScroll page;
  page.resize(100, 200);
  page.show();
  for (int round = 0; round < 2; ++round) {
    page.bar = new CSkinScrollBar(Qt::Vertical);
    page.bar->Create(Qt::Vertical, QRect(0, 0, 10, 120), &page, 101);
    page.bar->SetBitmap(image.get());
    page.bar->SetScrollInfo(0, 99, 10, 50);
    if (round == 0) {
      QWheelEvent notch(QPointF(5, 50), page.bar->mapToGlobal(QPointF(5, 50)), QPoint(), QPoint(0, -120),
                        Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(page.bar, &notch);
    } else {
      QTest::mousePress(page.bar, Qt::LeftButton, {}, QPoint(5, 115));
    }
    EXPECT_EQ(page.bar, nullptr);
    EXPECT_EQ(page.codes, round + 1);
  }
  QTest::qWait(400);  // no repeat timer of a destroyed bar fires
  EXPECT_EQ(page.codes, 2);
}

// The frame takes the list's place: it answers to the list's control id, and its bars scroll the
// list without telling the page.
TEST(SkinScrollWndTest, WrapsAScrollAreaAndFollowsItsRange) {
  ui_test::App();
  QImage grid(90, 30, QImage::Format_ARGB32);
  grid.fill(QColor(90, 90, 90));
  auto image = ui_test::FromQImage(grid);
  RecordingDialog dialog;
  auto* list = new VEXO_ListCtrl(&dialog);
  list->setGeometry(5, 6, 150, 100);
  list->InsertColumn(0, "a", 0, 100);
  list->SetRowHeight(20);
  list->SetId(41);
  dialog.AddWidget(41, list);
  dialog.show();
  CSkinScrollWnd* frame = SkinWndScrollimg(list, image.get());
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->objectName(), QStringLiteral("SkinScrollBarFrame"));
  EXPECT_EQ(frame->geometry(), QRect(5, 6, 150, 100));
  EXPECT_EQ(list->parentWidget(), frame->GetLimit());
  EXPECT_FALSE(frame->IssbVertShow());
  for (int i = 0; i < 20; ++i) list->InsertItem(i, "row");
  frame->Resync();
  EXPECT_TRUE(frame->IssbVertShow());
  EXPECT_EQ(frame->GetHorzWidth(), 10);
  EXPECT_EQ(frame->GetLimit()->width(), 140);
  QTest::mouseClick(frame->GetVertBar(), Qt::LeftButton, {},
                    QPoint(5, frame->GetVertBar()->height() - 3));
  EXPECT_EQ(list->verticalScrollBar()->value(), 20);
  EXPECT_EQ(dialog.Count(vexo_msg::WM_VSCROLL, vexo_msg::SB_LINEDOWN), 0);

  // Moving the id moves the frame, and the resynchronisation keeps the list filling it.
  EXPECT_EQ(frame->GetId(), 41u);
  EXPECT_EQ(dialog.SafeMoveWindow(41, 20, 30, 200, 120), 1);
  QTest::qWait(600);
  EXPECT_EQ(frame->geometry(), QRect(20, 30, 200, 120));
  EXPECT_EQ(list->geometry(), frame->GetLimit()->rect());
  EXPECT_EQ(frame->GetLimit()->width(), 190);
  QRect client;
  EXPECT_EQ(dialog.SafeGetClientRect(41, client), 1);
  EXPECT_EQ(client.size(), QSize(200, 120));
  EXPECT_EQ(dialog.FindWidget(41), list);
}

}  // namespace
