// Skinned dialogs and the layout loader: the template and widgets a layout file produces,
// duplicate ids and unknown types, the widget registry, geometry helpers, the background and
// its shape, the modal loop and the close path, and input blocking of a disabled window. Also
// the combo box and the HTML view that dialogs host.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "core/files/file_system.h"
#include "tests/common/temp_dir.h"
#include "tests/vexo/ui/widgets/ui_widget_support.h"
#include "vexo/ui/widgets/button.h"
#include "vexo/ui/widgets/checkbox.h"
#include "vexo/ui/widgets/combo_box.h"
#include "vexo/ui/widgets/combo_drop_list.h"
#include "vexo/ui/dialog/dialog_loader.h"
#include "vexo/ui/widgets/edit.h"
#include "vexo/ui/widgets/html_ctrl.h"
#include "vexo/ui/widgets/label.h"
#include "vexo/ui/render/render_image9.h"
#include "vexo/ui/resources/resource_mgr.h"

namespace {

using corvane_test::TempDir;
using corvane_test::WriteWholeFile;
using ui_test::RecordingDialog;

class LayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    old_work_ = ds::FileSystem::Instance()->GetWorkPath();
    ds::FileSystem::Instance()->SetWorkPath(dir_.path().c_str());
    ASSERT_TRUE(corvane_test::RunCommand("mkdir -p " + dir_.path() + "/img") == 0);
    QImage strip(200, 30, QImage::Format_ARGB32);
    strip.fill(QColor(0, 120, 0));
    ASSERT_TRUE(strip.save(QString::fromStdString(dir_.File("img/bt.png"))));
    QImage back(100, 60, QImage::Format_ARGB32);
    back.fill(QColor(0, 0, 150));
    ASSERT_TRUE(back.save(QString::fromStdString(dir_.File("img/dlgbg.png"))));
  }
  void TearDown() override { ds::FileSystem::Instance()->SetWorkPath(old_work_.c_str()); }

  ui_test::AppFirst app_;
  TempDir dir_;
  std::string old_work_;
};

const char kLayout[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<dialog rect=\"10,20,300,200\" image=\"img/dlgbg.png\" x1=\"10\" x2=\"90\" y1=\"30\" "
    "y2=\"50\">\n"
    "  <w type=\"button\" id=\"1001\" rect=\"5,6,80,24\" caption=\"确定\" image=\"img/bt.png\" "
    "fixsize=\"1\"/>\n"
    "  <w type=\"button\" id=\"1001\" rect=\"50,60,80,24\" caption=\"second\"/>\n"
    "  <w type=\"Button\" id=\"1002\" rect=\"5,40,80,24\"/>\n"
    "  <w type=\"edit\" id=\"1003\" rect=\"5,70,120,22\" limit=\"6\"/>\n"
    "  <w type=\"checkbox\" id=\"1004\" rect=\"5,100,120,20\" caption=\"自动安装\"/>\n"
    "  <w type=\"combobox\" id=\"1005\" rect=\"5,130,120,22\" bg=\"img/none.png\"/>\n"
    "  <w type=\"label\" id=\"1006\" rect=\"5,160,120,20\" caption=\"标签\"/>\n"
    "  <anything type=\"slider\" id=\"1007\" rect=\"1,1,1,1\"/>\n"
    "</dialog>\n";

TEST_F(LayoutTest, LayoutBuildsTheTemplateAndOneWidgetPerNewId) {
  WriteWholeFile(dir_.File("layout.xml"), kLayout);
  RecordingDialog dialog;
  ASSERT_EQ(dialog.Init("/layout.xml", 1), 1);
  const VEXO_DialogTemplate& t = dialog.GetLoader().GetTemplate();
  EXPECT_EQ(t.style, 0x80C80080u);
  EXPECT_EQ(QRect(t.x, t.y, t.cx, t.cy), QRect(10, 20, 300, 200));
  // Dialog units are two pixels.
  EXPECT_EQ(dialog.geometry(), QRect(20, 40, 600, 400));
  EXPECT_EQ(dialog.GetTitleHeight(), 30);
  auto* nine = dynamic_cast<VEXO_RenderImage9*>(dialog.GetRenderer());
  ASSERT_NE(nine, nullptr);
  EXPECT_EQ(nine->GetX2(), 90);
  // Modal: nothing is created until the dialog runs.
  EXPECT_EQ(dialog.FindWidget(1001), nullptr);

  QTimer::singleShot(0, [&] { dialog.EndDialog(7); });
  EXPECT_EQ(dialog.DoModal(), 7);
  EXPECT_FALSE(dialog.isVisible());

  auto* button = qobject_cast<VEXO_Button*>(dialog.FindWidget(1001));
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->text(), QStringLiteral("确定"));
  EXPECT_EQ(button->geometry(), QRect(5, 6, 50, 30));
  EXPECT_EQ(dialog.FindWidget(1002), nullptr);
  EXPECT_EQ(dialog.FindWidget(1007), nullptr);
  auto* edit = qobject_cast<VEXO_Edit*>(dialog.FindWidget(1003));
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->GetLimitText(), 6);
  EXPECT_EQ(edit->GetId(), 1003u);
  auto* box = qobject_cast<VEXO_Checkbox*>(dialog.FindWidget(1004));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->GetType(), VEXO_Checkbox::kLeftTop);
  auto* combo = qobject_cast<VEXO_ComboBox*>(dialog.FindWidget(1005));
  ASSERT_NE(combo, nullptr);
  EXPECT_TRUE(combo->IsSorted());
  auto* label = qobject_cast<VEXO_Label*>(dialog.FindWidget(1006));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->GetStyle(), VEXO_Label::SS_CENTER);
  // Exactly the five widgets of the distinct, known rows are children.
  EXPECT_EQ(dialog.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size(), 5);
}

TEST_F(LayoutTest, ModelessLayoutShowsAtOnceAndMissingFilesFail) {
  WriteWholeFile(dir_.File("plain.xml"),
                 "<d rect=\"1,2,50,40\" image=\"img/dlgbg.png\">"
                 "<w type=\"label\" id=\"3\" rect=\"0,0,10,10\" caption=\"x\"/></d>");
  RecordingDialog dialog;
  ASSERT_EQ(dialog.Init("/plain.xml", 0), 1);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_NE(dialog.FindWidget(3), nullptr);
  // Without cuts the background is stretched whole: the top-left pixel is the image's.
  EXPECT_EQ(dialog.GetTitleHeight(), 0);
  EXPECT_EQ(dialog.grab().toImage().pixelColor(1, 1), QColor(0, 0, 150));

  RecordingDialog other;
  EXPECT_EQ(other.Init("/missing.xml", 0), 0);
  EXPECT_EQ(other.Init(nullptr, 0), 0);
  EXPECT_EQ(other.GetLoader().LoadWidget("/missing.xml", &other), 0);
  QRect rect;
  EXPECT_FALSE(VEXO_DialogLoader::ParseRect("1,2,3", &rect));
  EXPECT_TRUE(VEXO_DialogLoader::ParseRect("-1,2,3,4", &rect));
  EXPECT_EQ(rect, QRect(-1, 2, 3, 4));
  // Text after the fourth number (a trailing blank of a hand-written file) is not read.
  EXPECT_TRUE(VEXO_DialogLoader::ParseRect("5,6,70,20 ", &rect));
  EXPECT_EQ(rect, QRect(5, 6, 70, 20));
}

TEST(DialogTest, RegistryAndGeometryHelpers) {
  ui_test::App();
  RecordingDialog dialog;
  auto* child = new QWidget(&dialog);
  child->setGeometry(10, 10, 40, 40);
  EXPECT_EQ(dialog.AddWidget(5, child), 1);
  EXPECT_EQ(dialog.FindWidget(5), child);
  EXPECT_EQ(dialog.SafeMoveWindow(5u, 0, 0, -5, 20), 1);
  EXPECT_EQ(child->geometry(), QRect(0, 0, 0, 0));
  EXPECT_EQ(dialog.SafeMoveWindow(5u, 3, 4, 30, 20), 1);
  QRect rect;
  EXPECT_EQ(dialog.SafeGetClientRect(5u, rect), 1);
  EXPECT_EQ(rect, QRect(0, 0, 30, 20));
  EXPECT_EQ(dialog.SafeMoveWindow(6u, 0, 0, 1, 1), 0);
  EXPECT_EQ(dialog.SafeGetClientRect(6u, rect), 0);
  EXPECT_TRUE(rect.isNull());
  // A destroyed widget is not handed out any more.
  delete child;
  EXPECT_EQ(dialog.FindWidget(5), nullptr);
  EXPECT_EQ(dialog.SafeMoveWindow(5u, 0, 0, 1, 1), 0);
  EXPECT_EQ(dialog.RemoveWidget(5), 1);

  auto image = ui_test::Strip({QColor(1, 2, 3)}, 100, 60);
  dialog.SetImage(image.get(), 10, 90, 30, 50);
  EXPECT_EQ(dialog.GetTitleHeight(), 30);
  dialog.SetImage(image.get());
  EXPECT_EQ(dialog.GetTitleHeight(), 0);
}

TEST(DialogTest, ShapesComeFromTheBackground) {
  ui_test::App();
  RecordingDialog dialog;
  EXPECT_EQ(dialog.TransparentPng(), 0);
  EXPECT_EQ(dialog.Transparent(0xFF00FF, 255, 0), 0);
  QImage art(40, 20, QImage::Format_ARGB32);
  art.fill(QColor(0, 90, 0));
  art.setPixelColor(0, 0, Qt::transparent);
  art.setPixelColor(39, 19, QColor(255, 0, 255));
  auto image = ui_test::FromQImage(art);
  dialog.SetImage(image.get());
  dialog.resize(40, 20);
  EXPECT_EQ(dialog.TransparentPng(), 1);
  EXPECT_FALSE(dialog.mask().contains(QPoint(0, 0)));
  EXPECT_TRUE(dialog.mask().contains(QPoint(1, 0)));
  EXPECT_EQ(dialog.Transparent(0xFF00FF, 0, 1), 1);
  EXPECT_FALSE(dialog.mask().contains(QPoint(39, 19)));
  EXPECT_TRUE(dialog.mask().contains(QPoint(20, 10)));
}

TEST(DialogTest, CloseAndEscapeTakeTheWindowsOwnPathAndDisablingBlocksInput) {
  ui_test::App();
  RecordingDialog dialog;
  auto* button = new VEXO_Button;
  button->Create("b", QRect(0, 0, 50, 20), &dialog, 12);
  dialog.show();
  dialog.close();
  EXPECT_EQ(dialog.closes, 1);
  dialog.show();
  QTest::keyClick(&dialog, Qt::Key_Return);
  EXPECT_TRUE(dialog.isVisible());
  QTest::keyClick(&dialog, Qt::Key_Escape);
  EXPECT_EQ(dialog.closes, 2);

  dialog.show();
  dialog.EnableWindow(false);
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(dialog.Count(vexo_msg::WM_COMMAND, vexo_msg::BN_CLICKED), 0);
  // Other windows keep their input.
  RecordingDialog other;
  auto* other_button = new VEXO_Button;
  other_button->Create("o", QRect(0, 0, 50, 20), &other, 13);
  other.show();
  QTest::mouseClick(other_button, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(other.Count(vexo_msg::WM_COMMAND, vexo_msg::BN_CLICKED), 1);
  dialog.EnableWindow(true);
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(dialog.Count(vexo_msg::WM_COMMAND, vexo_msg::BN_CLICKED), 1);
}

// A dialog that decides during its initialisation not to run.
class EndsWhileInitialising : public VEXO_Dialog {
 protected:
  int OnInitDialog() override {
    EndDialog(3);
    return 1;
  }
};

TEST(DialogTest, EndDialogDuringInitialisationEndsTheModalRunAtOnce) {
  ui_test::App();
  EndsWhileInitialising dialog;
  // Without the early end the loop would run until this guard ends it.
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, &dialog, [&] { dialog.EndDialog(99); });
  guard.start(2000);
  EXPECT_EQ(dialog.DoModal(), 3);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_FALSE(dialog.IsModalRunning());
}

TEST(ComboBoxTest, SortsByGbkBytesAndNotifiesUserChoicesOnly) {
  ui_test::App();
  RecordingDialog dialog;
  VEXO_ComboBox combo;
  combo.Create(VEXO_ComboBox::CBS_SORT, QRect(0, 0, 120, 22), &dialog, 30);
  dialog.show();
  // GBK order puts 啊 (B0A1) before 中 (D6D0), and ASCII first.
  EXPECT_EQ(combo.AddString("中"), 0);
  EXPECT_EQ(combo.AddString("啊"), 0);
  EXPECT_EQ(combo.AddString("b"), 0);
  EXPECT_EQ(combo.GetLBText(1), "啊");
  EXPECT_EQ(combo.GetLBText(2), "中");
  EXPECT_EQ(combo.FindStringExact(-1, "B"), 0);
  EXPECT_EQ(combo.FindStringExact(-1, "x"), VEXO_ComboBox::CB_ERR);
  // Letter case is ignored for ASCII only: 乤 (8161) is not 丄 (8141) although their second
  // bytes are 'a' and 'A'.
  combo.AddString("乤");
  EXPECT_EQ(combo.FindStringExact(-1, "丄"), VEXO_ComboBox::CB_ERR);
  combo.DeleteString(combo.FindStringExact(-1, "乤"));
  EXPECT_EQ(combo.SetCurSel(2), 2);
  EXPECT_EQ(dialog.Count(vexo_msg::WM_COMMAND, vexo_msg::CBN_SELCHANGE), 0);
  // Adding before the selection keeps the same item selected.
  combo.AddString("a");
  EXPECT_EQ(combo.GetLBText(combo.GetCurSel()), "中");

  combo.setFocus();
  QTest::keyClick(&combo, Qt::Key_Up);
  EXPECT_EQ(combo.GetLBText(combo.GetCurSel()), "啊");
  EXPECT_EQ(dialog.Count(vexo_msg::WM_COMMAND, vexo_msg::CBN_SELCHANGE), 1);

  // A choice from the dropped list.
  QTest::mouseClick(&combo, Qt::LeftButton, {}, QPoint(10, 10));
  ASSERT_TRUE(combo.GetDroppedState());
  VEXO_ComboDropList* list = combo.GetDroppedList();
  QTest::mouseClick(list, Qt::LeftButton, {}, list->RowRect(0).center());
  EXPECT_FALSE(combo.GetDroppedState());
  EXPECT_EQ(combo.GetCurSel(), 0);
  EXPECT_EQ(dialog.Count(vexo_msg::WM_COMMAND, vexo_msg::CBN_SELCHANGE), 2);
  EXPECT_EQ(combo.DeleteString(0), 3);
  EXPECT_EQ(combo.GetCurSel(), VEXO_ComboBox::CB_ERR);
}

// The dropped list closes without a choice on a press anywhere outside it (a press the list, not the
// page under it, receives), on Escape, when the window is left for another and when the window moves;
// F4 and Alt+Down open it from the keyboard, and the skin's colours and font paint it.
TEST(ComboBoxTest, DroppedListClosesOnOutsidePressFocusLossAndMove) {
  ui_test::App();
  RecordingDialog dialog;
  VEXO_ComboBox combo;
  combo.Create(0, QRect(10, 10, 120, 22), &dialog, 30);
  for (const char* text : {"one", "two", "three"}) combo.AddString(text);
  dialog.show();
  QWindow* window = dialog.windowHandle();
  ASSERT_NE(window, nullptr);

  QTest::mouseClick(&combo, Qt::LeftButton, {}, QPoint(10, 10));
  ASSERT_TRUE(combo.GetDroppedState());
  VEXO_ComboDropList* list = combo.GetDroppedList();
  EXPECT_EQ(list->font(), combo.font());
  EXPECT_EQ(list->height(), 3 * list->RowHeight() + 2);
  QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(250, 150));
  EXPECT_FALSE(combo.GetDroppedState());
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

  combo.setFocus();
  QTest::keyClick(&combo, Qt::Key_F4);
  ASSERT_TRUE(combo.GetDroppedState());
  QTest::keyClick(list, Qt::Key_Escape);
  EXPECT_FALSE(combo.GetDroppedState());
  QTest::keyClick(&combo, Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(combo.GetDroppedState());
  dialog.move(dialog.pos() + QPoint(40, 0));
  EXPECT_FALSE(combo.GetDroppedState());

  QTest::keyClick(&combo, Qt::Key_F4);
  ASSERT_TRUE(combo.GetDroppedState());
  QWidget other;
  other.show();
  other.activateWindow();
  QApplication::setActiveWindow(&other);
  EXPECT_FALSE(combo.GetDroppedState());
  EXPECT_EQ(combo.GetCurSel(), VEXO_ComboBox::CB_ERR);
  EXPECT_EQ(dialog.Count(vexo_msg::WM_COMMAND, vexo_msg::CBN_SELCHANGE), 0);
}

// A window that throws its combo box away when the user picks an item.
class DeletesComboOnChoice : public VEXO_Dialog {
 public:
  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam) override {
    if (message == vexo_msg::WM_COMMAND &&
        vexo_msg::HighWord(wparam) == static_cast<unsigned>(vexo_msg::CBN_SELCHANGE)) {
      ++choices;
      delete combo;
      combo = nullptr;
    }
    return 0;
  }
  VEXO_ComboBox* combo = nullptr;
  int choices = 0;
};

TEST(ComboBoxTest, OwnerMayDestroyTheComboWhileItsListReportsTheChoice) {
  ui_test::App();
  DeletesComboOnChoice dialog;
  dialog.resize(200, 100);
  dialog.show();
  for (int key : {static_cast<int>(Qt::Key_Return), 0}) {  // chosen by key, then by click
    dialog.combo = new VEXO_ComboBox;
    dialog.combo->Create(0, QRect(0, 0, 120, 22), &dialog, 31);
    dialog.combo->AddString("one");
    dialog.combo->AddString("two");
    QTest::mouseClick(dialog.combo, Qt::LeftButton, {}, QPoint(10, 10));
    VEXO_ComboDropList* list = dialog.combo->GetDroppedList();
    ASSERT_NE(list, nullptr);
    if (key != 0) {
      QTest::keyClick(list, Qt::Key_Down);
      QTest::keyClick(list, Qt::Key_Down);
      QTest::keyClick(list, static_cast<Qt::Key>(key));
    } else {
      QTest::mouseClick(list, Qt::LeftButton, {}, list->RowRect(1).center());
    }
    EXPECT_EQ(dialog.combo, nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  EXPECT_EQ(dialog.choices, 2);
}

TEST(HtmlCtrlTest, LocalPagesCompleteAndKeepHistory) {
  ui_test::App();
  TempDir dir;
  const std::string old_work = ds::FileSystem::Instance()->GetWorkPath();
  ds::FileSystem::Instance()->SetWorkPath(dir.path().c_str());
  WriteWholeFile(dir.File("a.html"), "<html><body>第一页</body></html>");
  WriteWholeFile(dir.File("b.html"), "<html><body>second</body></html>");
  VEXO_HtmlCtrl view;
  EXPECT_FALSE(view.IsComplete());
  EXPECT_EQ(view.NavigateFile("/a.html"), 1);
  EXPECT_TRUE(view.IsComplete());
  EXPECT_TRUE(view.toPlainText().contains(QStringLiteral("第一页")));
  EXPECT_FALSE(view.CanGoBack());
  view.ReSetProcess();
  EXPECT_FALSE(view.IsComplete());
  EXPECT_EQ(view.NavigateFile("/b.html"), 1);
  EXPECT_TRUE(view.CanGoBack());
  view.GoBack();
  EXPECT_TRUE(view.toPlainText().contains(QStringLiteral("第一页")));
  EXPECT_TRUE(view.CanGoForward());
  EXPECT_EQ(view.NavigateFile("/missing.html"), 0);
  EXPECT_TRUE(view.toPlainText().isEmpty());
  ds::FileSystem::Instance()->SetWorkPath(old_work.c_str());
}

}  // namespace
