// Check boxes, edits and the password box: the check box layouts and looks, toggling, edit
// notifications and byte limits, and the password box's real text under typing, deleting and
// blocked clipboard keys.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QTest>

#include "tests/vexo/ui/widgets/ui_widget_support.h"
#include "vexo/ui/widgets/checkbox.h"
#include "vexo/ui/render/draw_text.h"
#include "vexo/ui/widgets/edit.h"
#include "vexo/ui/widgets/edit_pass.h"
#include "vexo/ui/widgets/label.h"
#include "vexo/ui/widgets/button.h"
#include "vexo/ui/widgets/combo_box.h"
#include "vexo/ui/widgets/html_ctrl.h"
#include "vexo/ui/widgets/list_ctrl.h"
#include "vexo/ui/render/font.h"
#include "vexo/ui/render/skin_font.h"
#include "vexo/ui/widgets/b_label.h"
#include "vexo/ui/widgets/button_st.h"
#include "vexo/ui/widgets/radio_button.h"
#include "vexo/ui/widgets/rich_edit.h"
#include "vexo/ui/widgets/srcoll_label.h"
#include "vexo/ui/widgets/tab_ctrl.h"
#include "vexo/ui/widgets/tabbed_html.h"
#include "vexo/ui/widgets/tree_ctrl.h"

namespace {

using ui_test::RecordingDialog;

const QColor kChecked(200, 0, 0);
const QColor kUnchecked(0, 200, 0);
const QColor kDisChecked(0, 0, 200);
const QColor kDisUnchecked(200, 200, 0);
const QColor kBackground(10, 20, 30);

// Types each character as a key press with that text (QTest's key clicks take ASCII only).
void Type(QWidget* widget, const QString& text) {
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &release);
  }
}

TEST(CheckboxTest, TypeZeroDrawsTheCellAtItsSizeAndTextOneHeightRight) {
  ui_test::App();
  auto strip = ui_test::Strip({kChecked, kUnchecked, kDisChecked, kDisUnchecked}, 16, 16);
  RecordingDialog dialog;
  VEXO_Checkbox box;
  box.Create("", QRect(0, 0, 100, 20), &dialog, 5);
  box.Init(strip.get(), VEXO_Checkbox::kLeftTop, 0xFFFFFFFFu);
  dialog.show();
  EXPECT_EQ(box.CellRect(), QRect(0, 2, 16, 16));
  EXPECT_EQ(box.TextRect().left(), 20);

  QImage shot = dialog.grab().toImage();
  EXPECT_EQ(shot.pixelColor(0, 2), kUnchecked);
  EXPECT_EQ(shot.pixelColor(15, 17), kUnchecked);
  EXPECT_EQ(shot.pixelColor(0, 1), kBackground);
  EXPECT_EQ(shot.pixelColor(16, 10), kBackground);
  EXPECT_EQ(shot.pixelColor(0, 18), kBackground);

  QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(50, 10));
  EXPECT_EQ(box.GetCheck(), 1);
  EXPECT_EQ(dialog.Count(vexo_msg::WM_COMMAND, vexo_msg::BN_CLICKED), 1);
  EXPECT_EQ(dialog.grab().toImage().pixelColor(8, 10), kChecked);
  // Space toggles a check box (unlike a push button).
  box.setFocus();
  QTest::keyClick(&box, Qt::Key_Space);
  EXPECT_EQ(box.GetCheck(), 0);

  box.SetCheck(2);
  EXPECT_EQ(box.GetCheck(), 1);
  box.setEnabled(false);
  EXPECT_EQ(dialog.grab().toImage().pixelColor(8, 10), kDisChecked);
  box.SetCheck(0);
  EXPECT_EQ(dialog.grab().toImage().pixelColor(8, 10), kDisUnchecked);
}

TEST(CheckboxTest, TypeOneStretchesAndTypeTwoCentresTheText) {
  ui_test::App();
  auto strip = ui_test::Strip({kChecked, kUnchecked, kDisChecked, kDisUnchecked}, 16, 16);
  RecordingDialog dialog;
  VEXO_Checkbox box;
  box.Create("", QRect(0, 0, 100, 30), &dialog, 5);
  box.Init(strip.get(), VEXO_Checkbox::kStretch, 0xFFFFFFFFu);
  dialog.show();
  EXPECT_EQ(box.CellRect(), QRect(0, 0, 100, 30));
  EXPECT_EQ(dialog.grab().toImage().pixelColor(99, 29), kUnchecked);

  box.Init(strip.get(), VEXO_Checkbox::kLeftCentre, 0xFFFFFFFFu);
  EXPECT_EQ(box.CellRect(), QRect(0, 7, 16, 16));
  EXPECT_EQ(box.TextRect(), QRect(30, 0, 70, 30));
}

TEST(EditTest, NotifiesChangesEnterAndKeepsTheByteLimit) {
  ui_test::App();
  RecordingDialog dialog;
  VEXO_Edit edit;
  edit.Create(QRect(0, 0, 120, 22), &dialog, 9);
  dialog.show();
  edit.setFocus();
  edit.SetLimitText(4);
  Type(&edit, QStringLiteral("中文字"));
  EXPECT_EQ(edit.GetWindowText(), "中文");
  QTest::keyClicks(&edit, QStringLiteral("x"));
  EXPECT_EQ(edit.GetWindowText(), "中文");
  EXPECT_GE(dialog.Count(vexo_msg::WM_COMMAND, vexo_msg::EN_CHANGE), 2);

  QTest::keyClick(&edit, Qt::Key_Return);
  EXPECT_EQ(dialog.Count(vexo_msg::WM_COMMAND, VEXO_EN_RETURN), 1);
  // Enter does not close or hide the window.
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.closes, 0);
}

// A window that throws its edit away on the first change notification.
class DestroysEditOnUpdate : public VEXO_Dialog {
 public:
  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam) override {
    if (message != vexo_msg::WM_COMMAND) return 0;
    const int code = static_cast<short>(vexo_msg::HighWord(wparam));
    if (code == vexo_msg::EN_CHANGE) ++changes;
    if (code == vexo_msg::EN_UPDATE) {
      ++updates;
      delete edit;
      edit = nullptr;
    }
    return 0;
  }
  VEXO_Edit* edit = nullptr;
  int updates = 0;
  int changes = 0;
};

// EN_UPDATE and EN_CHANGE go out one after the other; a parent that destroys the edit on the first
// gets no second, whether the change was typed or set, in a plain or a password box.
TEST(EditTest, ParentMayDestroyTheEditFromItsChangeNotification) {
  ui_test::App();
  DestroysEditOnUpdate dialog;
  dialog.resize(200, 100);
  dialog.show();
  for (int round = 0; round < 4; ++round) {
    dialog.edit = round % 2 ? new VEXO_EditPass : new VEXO_Edit;
    dialog.edit->Create(QRect(0, 0, 120, 22), &dialog, 9);
    dialog.edit->setFocus();
    if (round < 2) {
      QTest::keyPress(dialog.edit, Qt::Key_A, Qt::NoModifier);  // the release would find no edit
    } else {
      dialog.edit->SetWindowText("abc");
    }
    EXPECT_EQ(dialog.edit, nullptr) << round;
    EXPECT_EQ(dialog.updates, round + 1);
    EXPECT_EQ(dialog.changes, 0);
  }
}

TEST(EditTest, BackgroundLooksFollowTheEnabledState) {
  ui_test::App();
  auto strip = ui_test::Strip({kChecked, kUnchecked}, 20, 10);
  RecordingDialog dialog;
  VEXO_Edit edit;
  edit.Create(QRect(0, 0, 80, 20), &dialog, 9);
  edit.Init(strip.get());
  dialog.show();
  EXPECT_EQ(dialog.grab().toImage().pixelColor(40, 10), kChecked);
  edit.setEnabled(false);
  EXPECT_EQ(dialog.grab().toImage().pixelColor(40, 10), kUnchecked);
}

// Ink bounds of the pixels in `area` that differ from the window's background.
QRect InkIn(const QImage& image, const QRect& area) {
  QRect bounds;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (image.pixelColor(x, y) != kBackground) bounds |= QRect(x, y, 1, 1);
  return bounds;
}

// Text keeps clear of the frame, and the password's marks sit on the middle of the line at a size
// that reads.
TEST(EditTest, TextIsPaddedAndPasswordMarksCentred) {
  ui_test::App();
  RecordingDialog dialog;
  VEXO_Edit edit;
  edit.Create(QRect(0, 0, 120, 22), &dialog, 1);
  edit.SetTextColor(0xFFFFFF, 0xFFFFFF);
  edit.SetWindowText("Hi");
  VEXO_EditPass pass;
  pass.Create(QRect(0, 30, 120, 22), &dialog, 2);
  pass.SetTextColor(0xFFFFFF, 0xFFFFFF);
  pass.SetWindowText("abc");
  dialog.show();
  const QImage shot = dialog.grab().toImage();
  const QRect text = InkIn(shot, QRect(0, 0, 120, 22));
  ASSERT_FALSE(text.isEmpty());
  EXPECT_GE(text.left(), 4);
  const QRect marks = InkIn(shot, QRect(0, 30, 120, 22));
  ASSERT_FALSE(marks.isEmpty());
  EXPECT_GE(marks.left(), 4);
  EXPECT_GE(marks.height(), 5);
  EXPECT_LE(std::abs((marks.top() + marks.bottom()) - (30 + 30 + 21)), 2) << marks.top() << ".." << marks.bottom();
  EXPECT_EQ(pass.text(), QStringLiteral("***"));
}

class PasswordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_test::App();
    edit_.Create(QRect(0, 0, 120, 22), &dialog_, 3);
    dialog_.show();
    edit_.setFocus();
  }
  ui_test::AppFirst app_;
  RecordingDialog dialog_;
  VEXO_EditPass edit_;
};

TEST_F(PasswordTest, TypingShowsStarsAndKeepsTheRealText) {
  QTest::keyClicks(&edit_, QStringLiteral("ab"));
  EXPECT_EQ(edit_.text(), QStringLiteral("**"));
  EXPECT_EQ(edit_.GetRealText(), "ab");
  EXPECT_EQ(edit_.GetWindowText(), "*");

  edit_.selectAll();
  QTest::keyClick(&edit_, Qt::Key_Backspace);
  EXPECT_EQ(edit_.GetRealText(), "");
  EXPECT_EQ(edit_.text(), QString());

  Type(&edit_, QStringLiteral("中"));
  EXPECT_EQ(edit_.text(), QStringLiteral("**"));
  EXPECT_EQ(edit_.GetRealText(), "中");
  // A star is a password character too.
  QTest::keyClicks(&edit_, QStringLiteral("*1"));
  EXPECT_EQ(edit_.GetRealText(), "中*1");
  EXPECT_EQ(edit_.text().size(), 4);
}

TEST_F(PasswordTest, EditingInTheMiddleAndDeletingWholeCharacters) {
  edit_.SetWindowText("a中b");
  EXPECT_EQ(edit_.text(), QStringLiteral("****"));
  // Caret after the double-byte character: Backspace takes both of its stars.
  edit_.setCursorPosition(3);
  QTest::keyClick(&edit_, Qt::Key_Backspace);
  EXPECT_EQ(edit_.GetRealText(), "ab");
  EXPECT_EQ(edit_.cursorPosition(), 1);
  QTest::keyClicks(&edit_, QStringLiteral("X"));
  EXPECT_EQ(edit_.GetRealText(), "aXb");
  edit_.setCursorPosition(0);
  QTest::keyClick(&edit_, Qt::Key_Delete);
  EXPECT_EQ(edit_.GetRealText(), "Xb");
  // Typing over a selection replaces what it covers.
  edit_.setSelection(0, 1);
  QTest::keyClicks(&edit_, QStringLiteral("yz"));
  EXPECT_EQ(edit_.GetRealText(), "yzb");
}

TEST_F(PasswordTest, ClipboardAndUndoKeysDoNothing) {
  QTest::keyClicks(&edit_, QStringLiteral("secret"));
  QApplication::clipboard()->setText(QStringLiteral("PASTED"));
  edit_.selectAll();
  QTest::keyClick(&edit_, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("PASTED"));
  QTest::keyClick(&edit_, Qt::Key_X, Qt::ControlModifier);
  QTest::keyClick(&edit_, Qt::Key_Delete, Qt::ShiftModifier);
  EXPECT_EQ(edit_.GetRealText(), "secret");
  edit_.setCursorPosition(6);
  QTest::keyClick(&edit_, Qt::Key_V, Qt::ControlModifier);
  QTest::keyClick(&edit_, Qt::Key_Insert, Qt::ShiftModifier);
  QTest::keyClick(&edit_, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(edit_.GetRealText(), "secret");
  EXPECT_EQ(edit_.text().size(), 6);
}

TEST_F(PasswordTest, ReadOnlyBoxKeepsItsPassword) {
  edit_.SetWindowText("ab");
  edit_.setReadOnly(true);
  edit_.setCursorPosition(2);
  QTest::keyClicks(&edit_, QStringLiteral("x"));
  QTest::keyClick(&edit_, Qt::Key_Backspace);
  edit_.setCursorPosition(0);
  QTest::keyClick(&edit_, Qt::Key_Delete);
  Type(&edit_, QStringLiteral("中"));
  EXPECT_EQ(edit_.GetRealText(), "ab");
  EXPECT_EQ(edit_.text(), QStringLiteral("**"));
}

TEST_F(PasswordTest, LimitCountsBytes) {
  edit_.SetLimitText(3);
  Type(&edit_, QStringLiteral("中中"));
  EXPECT_EQ(edit_.GetRealText(), "中");
  QTest::keyClicks(&edit_, QStringLiteral("ab"));
  EXPECT_EQ(edit_.GetRealText(), "中a");
}

// Ink bounds of what differs from the top-left pixel.
QRect InkBounds(const QImage& image) {
  QRect bounds;
  const QRgb background = image.pixel(0, 0);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != background) bounds |= QRect(x, y, 1, 1);
  return bounds;
}

// A font with an escapement turns the label's text: "vfont" (900) and "vUserfont12" (2700) stand
// upright, laid along the label's height; the plain font lies along its width.
TEST(LabelTest, FontEscapementTurnsTheText) {
  ui_test::App();
  RecordingDialog dialog;
  VEXO_Label label;
  label.Create("软件管理", VEXO_Label::SS_CENTER | VEXO_Label::SS_CENTERIMAGE, QRect(0, 0, 120, 120),
               &dialog, 1);
  dialog.show();
  const VEXO_Font vfont(-12, 0, 900, 400, "新宋体");
  const VEXO_Font vuser(56, 20, 2700, 400, "MS Sans Serif");
  VEXO_SetWidgetFont(&label, &vfont);
  EXPECT_EQ(VEXO_WidgetEscapement(&label), 900);
  QRect ink = InkBounds(label.grab().toImage());
  EXPECT_GT(ink.height(), 2 * ink.width()) << ink.width() << "x" << ink.height();
  label.SetWindowText("Ab");
  VEXO_SetWidgetFont(&label, &vuser);
  ink = InkBounds(label.grab().toImage());
  EXPECT_GT(ink.height(), ink.width()) << ink.width() << "x" << ink.height();
  VEXO_SetWidgetFont(&label, nullptr);
  EXPECT_EQ(VEXO_WidgetEscapement(&label), 0);
  label.SetWindowText("软件管理");
  ink = InkBounds(label.grab().toImage());
  EXPECT_GT(ink.width(), 2 * ink.height()) << ink.width() << "x" << ink.height();
}

// Every widget draws in the skin's text font, whatever font the desktop gives the application.
TEST(SkinFontTest, WidgetsTakeTheSkinFontNotTheDesktops) {
  ui_test::App();
  const QFont desktop = QApplication::font();
  QApplication::setFont(QFont(QStringLiteral("DejaVu Serif"), 20));
  std::vector<std::unique_ptr<QWidget>> widgets;
  widgets.emplace_back(new VEXO_Button);
  widgets.emplace_back(new VEXO_Checkbox);
  widgets.emplace_back(new VEXO_Edit);
  widgets.emplace_back(new VEXO_EditPass);
  widgets.emplace_back(new VEXO_Label);
  widgets.emplace_back(new VEXO_ComboBox);
  widgets.emplace_back(new VEXO_ListCtrl);
  widgets.emplace_back(new VEXO_HtmlCtrl);
  widgets.emplace_back(new VEXO_RadioButton);
  widgets.emplace_back(new VEXO_TabCtrl);
  widgets.emplace_back(new VEXO_TreeCtrl);
  widgets.emplace_back(new VEXO_BLabel);
  widgets.emplace_back(new VEXO_SrcollLabel);
  widgets.emplace_back(new CButtonST);
  widgets.emplace_back(new VEXO_RichEdit);
  widgets.emplace_back(new VEXO_TabbedHtml);
  for (const auto& widget : widgets) {
    EXPECT_EQ(widget->font(), VEXO_SkinFont()) << widget->metaObject()->className();
    EXPECT_EQ(widget->font().pixelSize(), 12) << widget->metaObject()->className();
  }
  QApplication::setFont(desktop);
}

TEST(LabelTest, StyleBitsChooseTheTextFormat) {
  ui_test::App();
  VEXO_Label label;
  label.Create("x", VEXO_Label::SS_CENTER, QRect(0, 0, 50, 20), nullptr, 1);
  EXPECT_EQ(label.TextFormat(), vexo_dt::DT_CENTER | vexo_dt::DT_WORDBREAK);
  label.ModifyTextStyle(VEXO_Label::SS_CENTER,
                        VEXO_Label::SS_RIGHT | VEXO_Label::SS_CENTERIMAGE | VEXO_Label::SS_NOPREFIX |
                            VEXO_Label::SS_ENDELLIPSIS);
  EXPECT_EQ(label.TextFormat(), vexo_dt::DT_RIGHT | vexo_dt::DT_WORDBREAK | vexo_dt::DT_VCENTER |
                                    vexo_dt::DT_SINGLELINE | vexo_dt::DT_NOPREFIX |
                                    vexo_dt::DT_END_ELLIPSIS);
  EXPECT_TRUE(label.testAttribute(Qt::WA_TransparentForMouseEvents));
}

}  // namespace
