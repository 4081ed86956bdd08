// Skinned buttons: the look shown per state, sizing from the strip, keys that must not press
// them, click notifications, the shaped button, the menu, and the digit strip of the
// multi-layer button.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "core/thread/message_target.h"
#include "tests/vexo/ui/widgets/ui_widget_support.h"
#include "vexo/ui/widgets/bc_menu.h"
#include "vexo/ui/render/skin_font.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/resources/skin_colors.h"
#include "vexo/ui/widgets/button.h"
#include "vexo/ui/widgets/mll_button.h"
#include "vexo/ui/widgets/transparent_bt.h"

namespace {

using ui_test::RecordingDialog;

const QColor kNormal(200, 0, 0);
const QColor kHot(0, 200, 0);
const QColor kPressed(0, 0, 200);
const QColor kDisabled(200, 200, 0);

QColor PixelOf(QWidget* widget, int x, int y) { return widget->grab().toImage().pixelColor(x, y); }

void Hover(QWidget* widget) {
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), widget->mapToGlobal(QPointF(5, 5)));
  QApplication::sendEvent(widget, &enter);
}

class ButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_test::App();
    strip_ = ui_test::Strip({kNormal, kHot, kPressed, kDisabled}, 50, 30);
    dialog_ = std::make_unique<RecordingDialog>();
    button_ = new VEXO_Button;
    button_->Create("", QRect(10, 10, 120, 40), dialog_.get(), 77);
    dialog_->show();
  }
  std::unique_ptr<VEXO_Image> strip_;
  std::unique_ptr<RecordingDialog> dialog_;
  VEXO_Button* button_ = nullptr;
};

TEST_F(ButtonTest, FixedSizeStripShowsOneQuarterPerState) {
  button_->SetImage(strip_.get(), 1, 0xFFFFFFFFu);
  EXPECT_EQ(button_->size(), QSize(50, 30));
  EXPECT_EQ(PixelOf(button_, 25, 15), kNormal);
  EXPECT_EQ(PixelOf(button_, 49, 29), kNormal);

  Hover(button_);
  EXPECT_EQ(button_->GetState(), VEXO_Button::kHot);
  EXPECT_TRUE(button_->IsMouseOn());
  EXPECT_EQ(PixelOf(button_, 25, 15), kHot);

  QTest::mousePress(button_, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(PixelOf(button_, 25, 15), kPressed);
  QTest::mouseRelease(button_, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(button_->GetState(), VEXO_Button::kHot);

  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(button_, &leave);
  EXPECT_FALSE(button_->IsMouseOn());
  EXPECT_EQ(PixelOf(button_, 25, 15), kNormal);

  button_->setEnabled(false);
  EXPECT_EQ(button_->GetState(), VEXO_Button::kDisabled);
  EXPECT_EQ(PixelOf(button_, 25, 15), kDisabled);
  // A disabled button does not light up under the mouse.
  Hover(button_);
  EXPECT_EQ(PixelOf(button_, 25, 15), kDisabled);
  button_->setEnabled(true);
  EXPECT_EQ(PixelOf(button_, 25, 15), kNormal);
}

TEST_F(ButtonTest, WithoutFixsizeTheLookStretchesAndNineGridKeepsCorners) {
  button_->SetImage(strip_.get(), 0, 0xFFFFFFFFu);
  EXPECT_EQ(button_->size(), QSize(120, 40));
  EXPECT_EQ(PixelOf(button_, 119, 39), kNormal);

  // Nine-grid on each look: a look with a distinct 5-pixel corner keeps that corner.
  QImage image(200, 30, QImage::Format_ARGB32);
  image.fill(kNormal);
  for (int i = 0; i < 4; ++i) {
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 5; ++x) image.setPixelColor(i * 50 + x, y, kHot);
    }
  }
  auto nine = ui_test::FromQImage(image);
  button_->SetImage(nine.get(), 5, 45, 5, 25, 0, 0xFFFFFFFFu);
  const QImage shot = button_->grab().toImage();
  EXPECT_EQ(shot.pixelColor(4, 4), kHot);
  EXPECT_EQ(shot.pixelColor(5, 5), kNormal);
  EXPECT_EQ(shot.pixelColor(60, 2), kNormal);
}

TEST_F(ButtonTest, KeyboardNeverPressesButMouseClickNotifies) {
  button_->SetImage(strip_.get(), 1, 0xFFFFFFFFu);
  button_->setFocus();
  QTest::keyClick(button_, Qt::Key_Return);
  QTest::keyClick(button_, Qt::Key_Enter);
  QTest::keyClick(button_, Qt::Key_Space);
  EXPECT_EQ(dialog_->Count(vexo_msg::WM_COMMAND, vexo_msg::BN_CLICKED), 0);
  EXPECT_EQ(button_->GetState(), VEXO_Button::kNormal);

  QTest::mouseClick(button_, Qt::LeftButton, {}, QPoint(10, 10));
  ASSERT_EQ(dialog_->Count(vexo_msg::WM_COMMAND, vexo_msg::BN_CLICKED), 1);
  EXPECT_EQ(dialog_->notes[0].id, 77u);
  EXPECT_EQ(dialog_->notes[0].lparam, reinterpret_cast<ds::LParam>(button_));
  // A release outside the button is no click.
  QTest::mousePress(button_, Qt::LeftButton, {}, QPoint(10, 10));
  QTest::mouseRelease(button_, Qt::LeftButton, {}, QPoint(80, 10));
  EXPECT_EQ(dialog_->Count(vexo_msg::WM_COMMAND, vexo_msg::BN_CLICKED), 1);
  EXPECT_EQ(button_->GetState(), VEXO_Button::kNormal);
}

TEST_F(ButtonTest, CaptionIsDrawnAndGreyWhenDisabled) {
  button_->SetImage(nullptr, 0, 0xFFFFFFFFu);
  button_->setText(QStringLiteral("██"));
  button_->SetButtonFontColor(0x0000FF);  // red
  const auto count = [&](const QColor& colour) {
    const QImage shot = button_->grab().toImage();
    int n = 0;
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x) n += shot.pixelColor(x, y) == colour;
    return n;
  };
  EXPECT_GT(count(QColor(255, 0, 0)), 20);
  button_->setEnabled(false);
  EXPECT_EQ(count(QColor(255, 0, 0)), 0);
  EXPECT_GT(count(QColor(0x64, 0x64, 0x64)), 20);
}

TEST_F(ButtonTest, ShapedButtonCutsTheKeyColourOut) {
  QImage image(80, 20, QImage::Format_ARGB32);
  image.fill(kNormal);
  for (int i = 0; i < 4; ++i) {
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) image.setPixelColor(i * 20 + x, y, QColor(255, 0, 255));
    }
  }
  auto shaped = ui_test::FromQImage(image);
  EXPECT_EQ(button_->SetImageEx(shaped.get(), 1, 0xFF00FF), 1);
  EXPECT_TRUE(button_->IsShaped());
  EXPECT_EQ(button_->size(), QSize(20, 20));
  EXPECT_FALSE(button_->mask().contains(QPoint(1, 1)));
  EXPECT_TRUE(button_->mask().contains(QPoint(5, 5)));
  EXPECT_TRUE(button_->mask().contains(QPoint(1, 10)));

  // An image that is all key colour gives no shape.
  auto empty = ui_test::Strip({QColor(255, 0, 255)}, 40, 10);
  EXPECT_EQ(button_->SetImageEx(empty.get(), 1, 0xFF00FF), 0);
}

TEST_F(ButtonTest, MenuCommandGoesToItsOwnerInsteadOfAClick) {
  auto owner = std::make_shared<ds::RecordingTarget>();
  const ds::MsgHandle handle = ds::RegisterMessageTarget(owner);
  const BCMenuItem items[] = {{501, "打开", 0}, {0, "", 0}, {502, "删除", 0}};
  EXPECT_EQ(button_->SetMenu(items, 3, handle), 0);
  // A popup that never ends is refused.
  const BCMenuItem broken[] = {{0, "sub", BCMenu::kPopup}, {9, "x", 0}};
  VEXO_Button other;
  EXPECT_EQ(other.SetMenu(broken, 2, handle), 1);
  EXPECT_EQ(other.GetMenu(), nullptr);

  bool saw_pressed_look = false;
  QTimer::singleShot(50, [&] {
    saw_pressed_look = button_->IsShowingMenu();
    QMenu* menu = button_->GetMenu()->GetQMenu();
    menu->setActiveAction(menu->actions().back());
    QTest::keyClick(menu, Qt::Key_Return);
  });
  QTest::mouseClick(button_, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_TRUE(saw_pressed_look);
  EXPECT_FALSE(button_->IsShowingMenu());
  EXPECT_EQ(dialog_->Count(vexo_msg::WM_COMMAND, vexo_msg::BN_CLICKED), 0);
  QTest::qWait(20);
  const auto messages = owner->Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].message, vexo_msg::WM_COMMAND);
  EXPECT_EQ(messages[0].wparam, 502u);
  ds::UnregisterMessageTarget(handle);

  // Removing the menu brings the click back.
  EXPECT_EQ(button_->SetMenu(nullptr, 0, 0), 0);
  QTest::mouseClick(button_, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(dialog_->Count(vexo_msg::WM_COMMAND, vexo_msg::BN_CLICKED), 1);
}

// A window that throws the button away when asked before its menu opens.
class DestroysOnCallback : public VEXO_MessageWindow {
 public:
  ~DestroysOnCallback() override { DetachMessages(); }
  ds::LResult WindowProc(unsigned message, ds::WParam, ds::LParam) override {
    if (message == vexo_msg::WM_USER + 7) {
      ++calls;
      delete victim;
      victim = nullptr;
    }
    return 0;
  }
  VEXO_Button* victim = nullptr;
  int calls = 0;
};

TEST_F(ButtonTest, MenuCallbackMayDestroyTheButton) {
  const BCMenuItem items[] = {{501, "打开", 0}};
  DestroysOnCallback owner;
  owner.victim = button_;
  button_->SetMenu(items, 1, owner.GetHandle());
  button_->SetMenuCallback(owner.GetHandle(), vexo_msg::WM_USER + 7, 0);
  // Should the menu open after all, it is dismissed instead of waiting for ever.
  QTimer::singleShot(200, [] {
    if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
  });
  QTest::mouseClick(button_, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(owner.calls, 1);
  EXPECT_EQ(owner.victim, nullptr);
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  button_ = nullptr;
}

// A disabled window takes no input: the mouse entering one of its buttons neither lights it nor
// plays its sound; once enabled again the button follows the mouse.
TEST_F(ButtonTest, BlockedWindowDoesNotLightItsButtons) {
  button_->SetImage(strip_.get(), 1, 0xFFFFFFFFu);
  QWindow* window = dialog_->windowHandle();
  ASSERT_NE(window, nullptr);
  QTest::mouseMove(window, QPoint(250, 150));
  QTest::mouseMove(window, QPoint(251, 151));
  ASSERT_FALSE(button_->IsMouseOn());
  dialog_->EnableWindow(false);
  QTest::mouseMove(window, QPoint(20, 20));
  EXPECT_FALSE(button_->IsMouseOn());
  EXPECT_EQ(button_->GetState(), VEXO_Button::kNormal);
  EXPECT_EQ(PixelOf(button_, 25, 15), kNormal);
  dialog_->EnableWindow(true);
  QTest::mouseMove(window, QPoint(22, 21));
  EXPECT_EQ(button_->GetState(), VEXO_Button::kHot);
}

// Popup menus speak the skin: its text font, and its accent colour under the highlighted item.
TEST(BCMenuTest, MenusTakeTheSkinFontAndAccent) {
  ui_test::App();
  const std::uint32_t accent = 0xD37F2D;  // RGB 2D 7F D3
  VEXO_ResourceMgr::Instance()->SetColor(vexo_color::kMenuHighlight, accent);
  BCMenu menu;
  const BCMenuItem items[] = {{601, "常用软件设置", 0}, {0, "更多", BCMenu::kPopup}, {602, "关于", BCMenu::kEnd}};
  ASSERT_EQ(menu.LoadMenu(items, 3), 1);
  QMenu* popup = menu.GetQMenu();
  EXPECT_EQ(popup->font(), VEXO_SkinFont());
  EXPECT_EQ(popup->actions()[1]->menu()->font(), VEXO_SkinFont());
  popup->popup(QPoint(100, 100));
  QTest::keyClick(popup, Qt::Key_Down);
  ASSERT_EQ(popup->activeAction(), popup->actions()[0]);
  const QImage shot = popup->grab().toImage();
  int lit = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) lit += (shot.pixel(x, y) & 0xFFFFFF) == 0x2D7FD3u;
  EXPECT_GT(lit, 200);
  popup->close();
  VEXO_ResourceMgr::Instance()->Fini();
}

TEST(MLLButtonTest, NumberIsDrawnWithTenPixelDigitCells) {
  ui_test::App();
  // Four looks of 100 pixels, each holding the digits 0-9 in 10-pixel cells; digit d of look s
  // has red 20 * d + 1 and blue 50 * s.
  QImage digits(400, 12, QImage::Format_ARGB32);
  for (int s = 0; s < 4; ++s)
    for (int d = 0; d < 10; ++d)
      for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 10; ++x) digits.setPixelColor(s * 100 + d * 10 + x, y, QColor(20 * d + 1, 0, 50 * s));
  auto overlay = ui_test::FromQImage(digits);
  auto background = ui_test::Strip({kNormal, kHot, kPressed, kDisabled}, 80, 20);

  RecordingDialog dialog;
  VEXO_MLLButton button;
  button.Create("", QRect(0, 0, 80, 20), &dialog, 1);
  button.SetImage(background.get(), 1, 0xFFFFFFFFu);
  button.SetMLLImage(overlay.get());
  button.SetImgNormalRect(QRect(2, 4, 60, 12));
  button.SetNumImg(1234);
  EXPECT_EQ(button.GetNumberText(), "1234");
  EXPECT_EQ(button.DigitSource(VEXO_Button::kNormal, 3), QRect(30, 0, 10, 12));

  QImage shot = button.grab().toImage();
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(shot.pixelColor(2 + i * 10 + 5, 8), QColor(20 * (i + 1) + 1, 0, 0)) << i;
  }
  // After the four digits the button's own look shows again.
  EXPECT_EQ(shot.pixelColor(2 + 45, 8), kNormal);
  EXPECT_EQ(shot.pixelColor(1, 8), kNormal);

  // The digits follow the state: hot uses the second look's cells.
  Hover(&button);
  shot = button.grab().toImage();
  EXPECT_EQ(shot.pixelColor(7, 8), QColor(21, 0, 50));

  // Negative numbers keep their digits and leave the sign out.
  button.SetNumImg(-7);
  EXPECT_EQ(button.GetNumberText(), "-7");
  shot = button.grab().toImage();
  EXPECT_EQ(shot.pixelColor(7, 8), QColor(141, 0, 50));
}

TEST(MLLButtonTest, SingleLookBackgroundStyleUsesTheWholeImage) {
  ui_test::App();
  auto background = ui_test::Strip({kNormal, kHot}, 30, 20);
  VEXO_MLLButton button;
  button.SetBgStyle(1);
  button.SetImage(background.get(), 1, 0xFFFFFFFFu);
  EXPECT_EQ(button.size(), QSize(60, 20));
  EXPECT_EQ(button.StateSource(VEXO_Button::kHot), QRect(0, 0, 60, 20));
}

}  // namespace
