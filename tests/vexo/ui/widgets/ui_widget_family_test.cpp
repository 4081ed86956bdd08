// The less common members of the widget family through real input: radio groups, the tab
// control, clickable and scrolling labels, the owner-drawn menu, split bars and splitter windows,
// the general button, file icons, the rich text box and the tabbed page view. Each: its looks,
// what it tells its parent, and the parent destroying it from inside that notification; and the
// skin's menu look on the owner-drawn menu and the context menus.
#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <functional>

#include "tests/common/temp_dir.h"
#include "tests/vexo/ui/widgets/ui_widget_support.h"
#include "vexo/ui/render/color.h"
#include "vexo/ui/render/skin_font.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/resources/skin_colors.h"
#include "vexo/ui/widgets/b_label.h"
#include "vexo/ui/widgets/button_st.h"
#include "vexo/ui/widgets/icon_mgr.h"
#include "vexo/ui/widgets/radio_button.h"
#include "vexo/ui/widgets/rich_edit.h"
#include "vexo/ui/widgets/split_bar.h"
#include "vexo/ui/widgets/splitter_wnd.h"
#include "vexo/ui/widgets/srcoll_label.h"
#include "vexo/ui/widgets/tab_ctrl.h"
#include "vexo/ui/widgets/tabbed_html.h"
#include "vexo/ui/widgets/vexo_menu.h"

namespace {

const QColor kChecked(200, 0, 0), kUnchecked(0, 200, 0), kDisChecked(0, 0, 200), kDisUnchecked(90, 90, 0);

// Records WM_COMMAND and WM_NOTIFY codes; `hook` may answer (and destroy the sender).
class Parent : public VEXO_Dialog {
 public:
  Parent() : VEXO_Dialog(nullptr, kTopLevel) { resize(400, 300); }
  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override {
    int code = 0;
    unsigned id = 0;
    if (message == vexo_msg::WM_COMMAND) {
      id = vexo_msg::LowWord(wparam);
      code = static_cast<short>(vexo_msg::HighWord(wparam));
    } else if (message == vexo_msg::WM_NOTIFY) {
      id = static_cast<unsigned>(wparam);
      code = reinterpret_cast<const VEXO_NMHDR*>(lparam)->code;
    } else {
      return 0;
    }
    notes.push_back({id, code});
    return hook ? hook(code, lparam) : 0;
  }
  std::vector<std::pair<unsigned, int>> notes;
  std::function<ds::LResult(int, ds::LParam)> hook;
};

QColor Pixel(QWidget* widget, const QPoint& at) { return widget->grab().toImage().pixelColor(at); }

void Enter(QWidget* widget) {
  QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)));
  QApplication::sendEvent(widget, &enter);
}

class FamilyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_test::App();
    parent_ = std::make_unique<Parent>();
    parent_->show();
  }
  // Deletes `widget` (and nulls it) when the parent receives `code`.
  template <typename T>
  void DestroyOn(int code, T*& widget) {
    parent_->hook = [code, &widget](int got, ds::LParam) -> ds::LResult {
      if (got == code && widget) {
        delete widget;
        widget = nullptr;
      }
      return 0;
    };
  }
  std::unique_ptr<Parent> parent_;
};

TEST_F(FamilyTest, RadioButtonsOfOneParentFormAGroup) {
  auto strip = ui_test::Strip({kChecked, kUnchecked, kDisChecked, kDisUnchecked}, 16, 16);
  VEXO_RadioButton* radios[3];
  for (int i = 0; i < 3; ++i) {
    radios[i] = new VEXO_RadioButton;
    radios[i]->Create("选项", QRect(10, 10 + 30 * i, 120, 20), parent_.get(), 300 + i);
    radios[i]->Init(strip.get());
  }
  radios[0]->SetCheck(1);
  // The look sits at its own size, centred in the square of the control's height.
  EXPECT_EQ(radios[0]->CellRect(), QRect(2, 2, 16, 16));
  EXPECT_EQ(Pixel(radios[0], QPoint(10, 10)), kChecked);
  EXPECT_EQ(Pixel(radios[1], QPoint(10, 10)), kUnchecked);

  QTest::mouseClick(radios[2], Qt::LeftButton, {}, QPoint(60, 10));
  EXPECT_EQ(radios[2]->GetCheck(), 1);
  EXPECT_EQ(radios[0]->GetCheck(), 0);
  EXPECT_EQ(parent_->notes, (std::vector<std::pair<unsigned, int>>{{302, vexo_msg::BN_CLICKED}}));
  // Focus alone never shows the checked look.
  radios[1]->setFocus();
  EXPECT_EQ(Pixel(radios[1], QPoint(10, 10)), kUnchecked);
  radios[2]->SetCheck(0);
  EXPECT_EQ(radios[2]->GetCheck(), 0);
  radios[1]->setEnabled(false);
  EXPECT_EQ(Pixel(radios[1], QPoint(10, 10)), kDisUnchecked);

  VEXO_RadioButton* doomed = radios[0];
  DestroyOn(vexo_msg::BN_CLICKED, doomed);
  QTest::mousePress(doomed, Qt::LeftButton, {}, QPoint(60, 10));
  QTest::mouseRelease(doomed, Qt::LeftButton, {}, QPoint(60, 10));
  EXPECT_EQ(doomed, nullptr);
}

TEST_F(FamilyTest, TabControlShowsThePageOfTheSelectedTab) {
  auto image = ui_test::Strip({QColor(10, 10, 10), QColor(250, 250, 250)}, 60, 24);
  auto* tabs = new VEXO_TabCtrl;
  tabs->Create(QRect(0, 0, 380, 200), parent_.get(), 500);
  tabs->Init(image.get());
  QWidget* pages[3];
  for (int i = 0; i < 3; ++i) {
    pages[i] = new QWidget;
    EXPECT_EQ(tabs->AddPage(i == 0 ? "常用" : i == 1 ? "网站" : "系统", pages[i]), i);
  }
  EXPECT_EQ(tabs->GetCurSel(), 0);
  EXPECT_TRUE(pages[0]->isVisible());
  EXPECT_EQ(pages[1]->geometry(), tabs->GetPageRect());
  // The selected tab is drawn from the right half, the others from the left.
  EXPECT_EQ(Pixel(tabs, tabs->GetItemRect(0).topLeft() + QPoint(2, 2)), QColor(250, 250, 250));
  EXPECT_EQ(Pixel(tabs, tabs->GetItemRect(1).topLeft() + QPoint(2, 2)), QColor(10, 10, 10));

  QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->GetItemRect(2).center());
  EXPECT_EQ(tabs->GetCurSel(), 2);
  EXPECT_TRUE(pages[2]->isVisible());
  EXPECT_FALSE(pages[0]->isVisible());
  EXPECT_EQ(parent_->notes, (std::vector<std::pair<unsigned, int>>{{500, vexo_msg::TCN_SELCHANGING},
                                                                   {500, vexo_msg::TCN_SELCHANGE}}));
  parent_->hook = [](int code, ds::LParam) { return code == vexo_msg::TCN_SELCHANGING ? 1 : 0; };
  QTest::keyClick(tabs, Qt::Key_Left);
  EXPECT_EQ(tabs->GetCurSel(), 2);
  parent_->hook = nullptr;
  QTest::keyClick(tabs, Qt::Key_Left);
  EXPECT_EQ(tabs->GetCurSel(), 1);
  QTest::mouseMove(tabs, tabs->GetItemRect(0).center());
  EXPECT_EQ(tabs->GetHotItem(), 0);

  EXPECT_EQ(tabs->RemovePage(1), 1);
  EXPECT_EQ(tabs->GetCurSel(), 0);
  EXPECT_TRUE(pages[0]->isVisible());
  EXPECT_FALSE(pages[1]->isVisible());

  for (int code : {vexo_msg::TCN_SELCHANGING, vexo_msg::TCN_SELCHANGE}) {
    VEXO_TabCtrl* doomed = new VEXO_TabCtrl;
    doomed->Create(QRect(0, 0, 380, 200), parent_.get(), 501);
    doomed->AddPage("a", new QWidget);
    doomed->AddPage("b", new QWidget);
    DestroyOn(code, doomed);
    QTest::mousePress(doomed, Qt::LeftButton, {}, doomed->GetItemRect(1).center());
    EXPECT_EQ(doomed, nullptr) << code;
  }
}

TEST_F(FamilyTest, NotifyingLabelsTakeClicksAndShowHover) {
  auto* plain = new VEXO_BLabel;
  plain->Create("说明", VEXO_Label::SS_LEFT, QRect(10, 10, 100, 20), parent_.get(), 600);
  auto* link = new VEXO_BLabel;
  link->Create("更多软件", VEXO_BLabel::SS_NOTIFY, QRect(10, 40, 100, 20), parent_.get(), 601);
  link->SetBkColor(0x00FF00);
  EXPECT_EQ(Pixel(link, QPoint(99, 19)), QColor(0, 255, 0));

  QTest::mouseClick(plain, Qt::LeftButton, {}, QPoint(5, 5));  // goes through, like a static
  QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(parent_->notes, (std::vector<std::pair<unsigned, int>>{{601, vexo_msg::STN_CLICKED}}));
  Enter(plain);
  EXPECT_FALSE(plain->IsHot());
  Enter(link);
  EXPECT_TRUE(link->IsHot());
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(link, &leave);
  EXPECT_FALSE(link->IsHot());
  parent_->EnableWindow(false);
  Enter(link);
  EXPECT_FALSE(link->IsHot());
  parent_->EnableWindow(true);

  DestroyOn(vexo_msg::STN_CLICKED, link);
  QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(link, nullptr);
}

TEST_F(FamilyTest, ScrollingLabelWrapsAndHoldsUnderTheMouse) {
  auto* ticker = new VEXO_SrcollLabel;
  ticker->Create("第一条消息\n第二条消息\n第三条消息", VEXO_Label::SS_LEFT, QRect(10, 10, 200, 20), parent_.get(), 700);
  const int text = ticker->TextHeight();
  ASSERT_GT(text, 20);
  EXPECT_EQ(ticker->VScroll(5), 5);
  ticker->SetSrcollPos(text);
  EXPECT_EQ(ticker->VScroll(1), -20);  // past the text: in again from the bottom edge
  ticker->SetSrcollMax(8);
  ticker->SetSrcollPos(8);
  EXPECT_EQ(ticker->VScroll(1), -20);
  EXPECT_EQ(ticker->VScroll(-1), 8);  // and back

  ticker->SetSrcollPos(0);
  ticker->VSrcollBegin(5);
  QTest::qWait(60);
  EXPECT_GT(ticker->GetSrcollPos(), 0);
  Enter(ticker);
  EXPECT_TRUE(ticker->IsHeld());
  const int held = ticker->GetSrcollPos();
  QTest::qWait(40);
  EXPECT_EQ(ticker->GetSrcollPos(), held);
  ticker->VSrcollEnd();
  EXPECT_FALSE(ticker->IsSrcolling());
}

TEST_F(FamilyTest, MenuChoosesWithKeysAndMouseAndSurvivesItsOwnDestruction) {
  VEXO_Menu menu;
  menu.CreatePopupMenu();
  menu.AppendMenu(VEXO_Menu::MF_STRING, 10, "打开");
  menu.AppendMenu(VEXO_Menu::MF_SEPARATOR);
  menu.AppendMenu(VEXO_Menu::MF_GRAYED, 11, "删除");
  menu.AppendMenu(VEXO_Menu::MF_CHECKED, 12, "置顶");
  EXPECT_EQ(menu.GetItemRect(1).height(), 7);
  EXPECT_EQ(menu.GetItemRect(2).top(), menu.GetItemRect(1).bottom() + 1);

  // Down twice skips the separator and the greyed item.
  QTimer::singleShot(0, [&] {
    QWidget* popup = menu.GetPopup();
    ASSERT_NE(popup, nullptr);
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Return);
  });
  EXPECT_EQ(menu.TrackPopupMenu(VEXO_Menu::TPM_RETURNCMD, QPoint(20, 20)), 12u);
  EXPECT_EQ(menu.GetPopup(), nullptr);

  // A click on an item posts its command to the owner; Escape chooses nothing.
  QTimer::singleShot(0, [&] { QTest::mouseClick(menu.GetPopup(), Qt::LeftButton, {}, menu.GetItemRect(0).center()); });
  EXPECT_EQ(menu.TrackPopupMenu(0, QPoint(20, 20), parent_->GetHandle()), 1u);
  QApplication::processEvents();
  EXPECT_EQ(parent_->notes, (std::vector<std::pair<unsigned, int>>{{10, 0}}));
  QTimer::singleShot(0, [&] { QTest::keyClick(menu.GetPopup(), Qt::Key_Escape); });
  EXPECT_EQ(menu.TrackPopupMenu(VEXO_Menu::TPM_RETURNCMD, QPoint(20, 20)), 0u);

  auto* doomed = new VEXO_Menu;
  doomed->AppendMenu(VEXO_Menu::MF_STRING, 1, "x");
  QTimer::singleShot(0, [&] { delete doomed; });
  EXPECT_EQ(doomed->TrackPopupMenu(VEXO_Menu::TPM_RETURNCMD, QPoint(0, 0)), 0u);
}

TEST_F(FamilyTest, SplitterPanesKeepTheirMinimumsWhileTheBarIsDragged) {
  auto* splitter = new CxSplitterWnd;
  splitter->Create(QRect(0, 0, 300, 100), parent_.get(), 800);
  splitter->GetBar()->SetId(801);
  auto* left = new QWidget;
  auto* right = new QWidget;
  splitter->SetPanes(left, right);
  splitter->SetMinSizes(50, 80);
  splitter->SetSplitPos(100);
  EXPECT_EQ(left->geometry(), QRect(0, 0, 100, 100));
  EXPECT_EQ(right->geometry(), QRect(105, 0, 195, 100));

  VEXO_SplitBar* bar = splitter->GetBar();
  QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(2, 50));
  QTest::mouseMove(bar, QPoint(2 + 150, 50));  // wants 250: the right pane keeps 80
  QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(2 + 150, 50));
  EXPECT_EQ(splitter->GetSplitPos(), 300 - 5 - 80);
  EXPECT_EQ(right->width(), 80);
  ASSERT_EQ(parent_->notes.size(), 1u);
  EXPECT_EQ(parent_->notes[0], std::make_pair(801u, VEXO_SPN_SIZED));
  // A narrower window keeps the right pane's minimum.
  splitter->resize(250, 100);
  EXPECT_EQ(splitter->GetSplitPos(), 250 - 5 - 80);

  auto* vertical = new CySplitterWnd;
  vertical->Create(QRect(0, 0, 100, 200), parent_.get(), 802);
  vertical->SetPanes(new QWidget, new QWidget);
  vertical->SetSplitPos(10);  // below the default minimum of 20
  EXPECT_EQ(vertical->GetPane(0)->geometry(), QRect(0, 0, 100, 20));

  VEXO_SplitBar* doomed = bar;
  DestroyOn(VEXO_SPN_SIZED, doomed);
  QTest::mousePress(doomed, Qt::LeftButton, {}, QPoint(2, 50));
  QTest::mouseMove(doomed, QPoint(-40, 50));
  QTest::mouseRelease(doomed, Qt::LeftButton, {}, QPoint(-40, 50));
  EXPECT_EQ(doomed, nullptr);
}

TEST_F(FamilyTest, GeneralButtonHoverClickAndDestruction) {
  auto* button = new CButtonST;
  button->Create("官方网站", QRect(10, 10, 120, 30), parent_.get(), 900);
  button->SetColor(CButtonST::BTNST_COLOR_BK_OUT, 0x0000FF);
  button->SetColor(CButtonST::BTNST_COLOR_BK_IN, 0x00FF00);
  EXPECT_EQ(Pixel(button, QPoint(3, 3)), QColor(255, 0, 0));
  Enter(button);
  EXPECT_TRUE(button->IsMouseIn());
  EXPECT_EQ(Pixel(button, QPoint(3, 3)), QColor(0, 255, 0));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(button, &leave);
  parent_->EnableWindow(false);
  Enter(button);
  EXPECT_FALSE(button->IsMouseIn());
  parent_->EnableWindow(true);

  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(20, 15));
  EXPECT_EQ(parent_->notes, (std::vector<std::pair<unsigned, int>>{{900, vexo_msg::BN_CLICKED}}));
  DestroyOn(vexo_msg::BN_CLICKED, button);
  QTest::mousePress(button, Qt::LeftButton, {}, QPoint(20, 15));
  QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(20, 15));
  EXPECT_EQ(button, nullptr);
}

TEST_F(FamilyTest, IconListsShareOneIndexPerTypeAndOnePerProgram) {
  corvane_test::TempDir dir;
  std::string root = __FILE__;
  for (int i = 0; i < 5; ++i) root = root.substr(0, root.find_last_of('/'));
  const std::string exe = root + "/tests/core/pe/fixtures/icon_x64.exe";
  corvane_test::WriteWholeFile(dir.File("a.txt"), "a");
  corvane_test::WriteWholeFile(dir.File("b.txt"), "b");
  VEXO_IconMgr icons;
  const int program = icons.GetIconIndex(exe.c_str());
  ASSERT_GE(program, 0);
  EXPECT_EQ(icons.GetIconIndex(exe.c_str()), program);
  const int text = icons.GetIconIndex(dir.File("a.txt").c_str());
  ASSERT_GE(text, 0);
  EXPECT_NE(text, program);
  EXPECT_EQ(icons.GetIconIndex(dir.File("b.txt").c_str()), text);
  EXPECT_GE(icons.GetIconIndex(dir.path().c_str()), 0);
  ASSERT_EQ(icons.GetImageList(false).size(), icons.GetImageList(true).size());
  // The program's own 16 and 32 pixel pictures (red and green in the fixture).
  const QImage small = icons.GetImageList(false)[program].toImage();
  const QImage large = icons.GetImageList(true)[program].toImage();
  EXPECT_EQ(small.size(), QSize(16, 16));
  EXPECT_EQ(large.size(), QSize(32, 32));
  EXPECT_EQ(small.pixelColor(8, 8), QColor(0xE0, 0x20, 0x20));
  EXPECT_EQ(large.pixelColor(16, 16), QColor(0x20, 0xB0, 0x20));
}

TEST_F(FamilyTest, RichEditKeepsItsLimitsAndReportsOnlyUserEdits) {
  auto* edit = new VEXO_RichEdit;
  edit->Create(QRect(0, 0, 300, 200), parent_.get(), 950);
  edit->SetMaxLines(3);
  edit->InsertText("一\n二\n三\n四", 0x0000FF, true);
  EXPECT_EQ(edit->GetLineCount(), 3);
  EXPECT_TRUE(edit->toPlainText().startsWith(QString("二")));
  auto face = ui_test::Strip({Qt::red}, 8, 8);
  edit->SetFaceList({face.get()});
  EXPECT_EQ(edit->InsertFace(0), 1);
  EXPECT_EQ(edit->InsertFace(1), 0);
  EXPECT_TRUE(parent_->notes.empty());

  edit->Clear();
  EXPECT_TRUE(parent_->notes.empty());
  edit->SetLimitText(4);
  edit->setFocus();
  QTest::keyClicks(edit, "abcdef");
  EXPECT_EQ(edit->toPlainText(), QString("abcd"));
  EXPECT_FALSE(parent_->notes.empty());
  EXPECT_EQ(parent_->notes.back(), std::make_pair(950u, vexo_msg::EN_CHANGE));

  DestroyOn(vexo_msg::EN_CHANGE, edit);
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_EQ(edit, nullptr);
}

class Tabs : public VEXO_ITabbedHtmlMgr {
 public:
  void OnNavigateComplete(VEXO_TabbedHtml* html, const char* url) override {
    events.push_back(std::string("navigated ") + url);
    if (close_on_navigate) delete html;
  }
  void OnTitleChange(VEXO_TabbedHtml*, const char* title) override { events.push_back(std::string("title ") + title); }
  void OnStatusTextChange(VEXO_TabbedHtml*, const char*) override {}
  void OnNewWindow(VEXO_TabbedHtml*, const char* url) override { events.push_back(std::string("new ") + url); }
  void OnAddFavorite(VEXO_TabbedHtml*, const char* title, const char*) override {
    events.push_back(std::string("favourite ") + title);
  }
  void OnViewSource(VEXO_TabbedHtml*, const char* source) override { events.push_back(source); }
  std::vector<std::string> events;
  bool close_on_navigate = false;
};

TEST_F(FamilyTest, TabbedPageReportsToItsOwnerWhichMayCloseIt) {
  corvane_test::TempDir dir;
  const std::string page = "<html><head><title>首页</title></head><body>Kiv 软件 kiv</body></html>";
  corvane_test::WriteWholeFile(dir.File("a.html"), page);
  corvane_test::WriteWholeFile(dir.File("b.html"), page);
  Tabs owner;
  auto* html = new VEXO_TabbedHtml;
  html->Create(QRect(0, 0, 300, 200), parent_.get(), 960);
  html->SetMgr(&owner);
  EXPECT_EQ(html->Navigate(dir.File("missing.html").c_str()), 0);
  ASSERT_EQ(html->Navigate(dir.File("a.html").c_str()), 1);
  ASSERT_EQ(owner.events.size(), 2u);
  EXPECT_EQ(owner.events[1], "title 首页");
  EXPECT_EQ(html->Find("kiv"), 1);
  EXPECT_EQ(html->Find("kiv", true, true), 1);
  EXPECT_EQ(html->Find("kiv", true, true), 0);
  html->AddFavorite();
  html->ViewSource();
  EXPECT_EQ(owner.events[2], "favourite 首页");
  EXPECT_EQ(owner.events[3], page);
  EXPECT_EQ(html->SaveAs(dir.File("saved.html").c_str()), 1);
  EXPECT_NE(corvane_test::ReadWholeFile(dir.File("saved.html")).find("Kiv"), std::string::npos);

  owner.events.clear();
  owner.close_on_navigate = true;
  QPointer<VEXO_TabbedHtml> watch(html);
  html->Navigate(dir.File("b.html").c_str());
  EXPECT_TRUE(watch.isNull());
  EXPECT_EQ(owner.events.size(), 1u);  // no title change after the close
}

// Counts the pixels of `colour` in a picture of `widget`.
int CountPixels(QWidget* widget, const QColor& colour) {
  const QImage shot = widget->grab().toImage();
  int count = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) count += shot.pixelColor(x, y) == colour;
  return count;
}

// The family's menus speak the skin: the owner-drawn menu highlights in the skin's menu accent,
// and the context menus of the rich edit and the page view (a right click) come in the skin's
// font with that accent under the highlighted item.
TEST_F(FamilyTest, MenusTakeTheSkinsMenuLook) {
  const QColor accent(0x21, 0x6E, 0xC4);
  VEXO_ResourceMgr* mgr = VEXO_ResourceMgr::Instance();
  mgr->SetColor(vexo_color::kMenuHighlight, VEXO_FromQColor(accent));

  VEXO_Menu menu;
  menu.AppendMenu(VEXO_Menu::MF_STRING, 10, "打开");
  menu.AppendMenu(VEXO_Menu::MF_STRING, 11, "删除");
  int lit = -1;
  QTimer::singleShot(0, [&] {
    QWidget* popup = menu.GetPopup();
    ASSERT_NE(popup, nullptr);
    QTest::keyClick(popup, Qt::Key_Down);
    lit = CountPixels(popup, accent);
    QTest::keyClick(popup, Qt::Key_Escape);
  });
  menu.TrackPopupMenu(VEXO_Menu::TPM_RETURNCMD, QPoint(20, 20));
  EXPECT_GT(lit, 500);

  auto* edit = new VEXO_RichEdit;
  edit->Create(QRect(0, 0, 190, 120), parent_.get(), 951);
  edit->InsertText("文本");
  auto* page = new VEXO_TabbedHtml;
  page->Create(QRect(200, 0, 190, 120), parent_.get(), 952);
  for (QWidget* target : {static_cast<QWidget*>(edit), static_cast<QWidget*>(page)}) {
    QTest::mouseClick(parent_->windowHandle(), Qt::RightButton, {}, target->geometry().center());
    auto* context = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(context, nullptr) << target->metaObject()->className();
    EXPECT_EQ(context->font(), VEXO_SkinFont()) << target->metaObject()->className();
    EXPECT_EQ(context->palette().color(QPalette::Highlight), accent) << target->metaObject()->className();
    context->close();
    QApplication::processEvents();
  }
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  mgr->Fini();
}

}  // namespace
