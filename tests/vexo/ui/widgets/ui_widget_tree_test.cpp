// The skinned tree through real mouse and key events: lazy filling on expand, selection by mouse
// and keys with its notifications and vetoes, label editing, the parent destroying the tree from
// inside a notification, no hover on a window whose input is blocked, rows in the skin's list
// colours, and skinned scroll bars that scroll the tree without telling the page.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <functional>

#include "tests/vexo/ui/widgets/ui_widget_support.h"
#include "vexo/ui/render/color.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/resources/skin_colors.h"
#include "vexo/ui/widgets/skin_scroll_bar.h"
#include "vexo/ui/widgets/tree_ctrl.h"

namespace {

// Records every tree notification; `hook` may answer it (and act on the tree).
class TreeParent : public VEXO_Dialog {
 public:
  TreeParent() : VEXO_Dialog(nullptr, kTopLevel) { resize(300, 260); }
  ds::LResult WindowProc(unsigned message, ds::WParam, ds::LParam lparam) override {
    if (message == vexo_msg::WM_VSCROLL || message == vexo_msg::WM_HSCROLL) ++scrolls;
    if (message != vexo_msg::WM_NOTIFY) return 0;
    const auto* header = reinterpret_cast<const VEXO_NMHDR*>(lparam);
    codes.push_back(header->code);
    if (header->code == vexo_msg::TVN_SELCHANGING || header->code == vexo_msg::TVN_SELCHANGED) {
      actions.push_back(reinterpret_cast<const VEXO_NMTREEVIEW*>(lparam)->action);
    }
    if (header->code == vexo_msg::TVN_ENDLABELEDIT) {
      const char* text = reinterpret_cast<const VEXO_NMTVDISPINFO*>(lparam)->pszText;
      edited = text ? text : "<cancelled>";
    }
    return hook ? hook(header->code, lparam) : 0;
  }
  std::vector<int> codes;
  std::vector<unsigned> actions;
  std::string edited;
  int scrolls = 0;
  std::function<ds::LResult(int, ds::LParam)> hook;
};

class TreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_test::App();
    parent_ = std::make_unique<TreeParent>();
    tree_ = new VEXO_TreeCtrl;
    tree_->Create(QRect(0, 0, 260, 240), parent_.get(), 900);
    expand_ = ui_test::Strip({Qt::red, Qt::green}, 16, 16);
    tree_->SetExpandImage(expand_.get());
    parent_->show();
  }
  QPoint ButtonOf(VEXO_HTREEITEM item) {
    const QRect row = tree_->GetItemRect(item);
    const int depth = tree_->GetParentItem(item) ? 1 : 0;
    return QPoint(2 + depth * tree_->GetIndent() + tree_->GetIndent() / 2, row.center().y());
  }
  QPoint LabelOf(VEXO_HTREEITEM item) { return tree_->GetItemRect(item, true).center(); }
  void Click(const QPoint& at) { QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, at); }

  std::unique_ptr<VEXO_Image> expand_;
  std::unique_ptr<TreeParent> parent_;
  VEXO_TreeCtrl* tree_ = nullptr;
};

TEST_F(TreeTest, ExpandingFillsAnItemMarkedAsHavingChildren) {
  VEXO_HTREEITEM drive = tree_->InsertItem("/");
  VEXO_HTREEITEM empty = tree_->InsertItem("empty");
  tree_->SetItemHasChildren(drive, true);
  tree_->SetItemHasChildren(empty, true);
  EXPECT_TRUE(tree_->ItemHasChildren(drive));
  EXPECT_EQ(tree_->GetChildItem(drive), nullptr);

  // First a refusal: the item stays closed.
  parent_->hook = [](int code, ds::LParam) { return code == vexo_msg::TVN_ITEMEXPANDING ? 1 : 0; };
  Click(ButtonOf(drive));
  EXPECT_FALSE(tree_->IsExpanded(drive));
  // Then a folder picker's fill: a placeholder, replaced by the real folders.
  parent_->codes.clear();
  parent_->hook = [this, drive](int code, ds::LParam lparam) -> ds::LResult {
    const auto* info = reinterpret_cast<const VEXO_NMTREEVIEW*>(lparam);
    if (code == vexo_msg::TVN_ITEMEXPANDING && info->itemNew == drive) {
      EXPECT_EQ(info->action, vexo_msg::TVE_EXPAND);
      VEXO_HTREEITEM loading = tree_->InsertItem("Loading...", -1, -1, drive);
      tree_->InsertItem("home", -1, -1, drive);
      tree_->InsertItem("usr", -1, -1, drive);
      tree_->DeleteItem(loading);
    }
    return 0;
  };
  Click(ButtonOf(drive));
  EXPECT_EQ(parent_->codes, (std::vector<int>{vexo_msg::TVN_ITEMEXPANDING, vexo_msg::TVN_ITEMEXPANDED,
                                               vexo_msg::NM_CLICK}));
  ASSERT_TRUE(tree_->IsExpanded(drive));
  EXPECT_EQ(tree_->GetItemText(tree_->GetChildItem(drive)), "home");
  EXPECT_EQ(tree_->GetNextVisibleItem(drive), tree_->GetChildItem(drive));
  // Shown in the rows below it, with the expanded button look.
  EXPECT_EQ(tree_->HitTest(tree_->GetItemRect(drive).center() + QPoint(0, tree_->GetItemHeight())),
            tree_->GetChildItem(drive));
  EXPECT_EQ(tree_->viewport()->grab().toImage().pixelColor(ButtonOf(drive)), QColor(Qt::green));

  // An item that gets no children loses its button.
  parent_->hook = nullptr;
  Click(ButtonOf(empty));
  EXPECT_FALSE(tree_->ItemHasChildren(empty));
  // A double click on a label toggles too.
  QTest::mouseDClick(tree_->viewport(), Qt::LeftButton, {}, LabelOf(drive));
  EXPECT_FALSE(tree_->IsExpanded(drive));
}

TEST_F(TreeTest, SelectionFollowsMouseAndKeysWithVetoes) {
  VEXO_HTREEITEM a = tree_->InsertItem("a");
  VEXO_HTREEITEM a1 = tree_->InsertItem("a1", -1, -1, a);
  VEXO_HTREEITEM b = tree_->InsertItem("b");
  tree_->Expand(a, vexo_msg::TVE_EXPAND);
  EXPECT_TRUE(parent_->codes.empty());  // expanding from code notifies nothing

  Click(LabelOf(a1));
  EXPECT_EQ(tree_->GetSelectedItem(), a1);
  EXPECT_EQ(parent_->actions, (std::vector<unsigned>{vexo_msg::TVC_BYMOUSE, vexo_msg::TVC_BYMOUSE}));
  QTest::keyClick(tree_, Qt::Key_Down);
  EXPECT_EQ(tree_->GetSelectedItem(), b);
  EXPECT_EQ(parent_->actions.back(), vexo_msg::TVC_BYKEYBOARD);

  parent_->hook = [](int code, ds::LParam) { return code == vexo_msg::TVN_SELCHANGING ? 1 : 0; };
  QTest::keyClick(tree_, Qt::Key_Up);
  EXPECT_EQ(tree_->GetSelectedItem(), b);
  parent_->hook = nullptr;

  // Left on a child goes to its parent; Left again closes it; Right opens it and goes in.
  tree_->SelectItem(a1);
  QTest::keyClick(tree_, Qt::Key_Left);
  EXPECT_EQ(tree_->GetSelectedItem(), a);
  QTest::keyClick(tree_, Qt::Key_Left);
  EXPECT_FALSE(tree_->IsExpanded(a));
  QTest::keyClick(tree_, Qt::Key_Right);
  QTest::keyClick(tree_, Qt::Key_Right);
  EXPECT_EQ(tree_->GetSelectedItem(), a1);
  // Closing an item moves a selection inside it up to the item; deleting it clears it.
  tree_->Expand(a, vexo_msg::TVE_COLLAPSE);
  EXPECT_EQ(tree_->GetSelectedItem(), a);
  tree_->DeleteItem(a);
  EXPECT_EQ(tree_->GetSelectedItem(), nullptr);
  EXPECT_FALSE(tree_->IsItem(a1));
  EXPECT_EQ(tree_->GetCount(), 1);
}

TEST_F(TreeTest, LabelEditingEndsWithReturnOrEscape) {
  VEXO_HTREEITEM folder = tree_->InsertItem("新建文件夹");
  tree_->SetEditLabels(true);
  tree_->SelectItem(folder);
  parent_->hook = [](int code, ds::LParam) { return code == vexo_msg::TVN_ENDLABELEDIT ? 1 : 0; };
  QTest::keyClick(tree_, Qt::Key_F2);
  QLineEdit* editor = tree_->GetEditControl();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->text(), QString("新建文件夹"));
  QTest::keyClicks(editor, "docs");
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_EQ(parent_->edited, "docs");
  EXPECT_EQ(tree_->GetItemText(folder), "docs");
  EXPECT_EQ(tree_->GetEditControl(), nullptr);

  // A click on the selected label edits it too; Escape cancels.
  Click(LabelOf(folder));
  ASSERT_NE(tree_->GetEditControl(), nullptr);
  QTest::keyClicks(tree_->GetEditControl(), "x");
  QTest::keyClick(tree_->GetEditControl(), Qt::Key_Escape);
  EXPECT_EQ(parent_->edited, "<cancelled>");
  EXPECT_EQ(tree_->GetItemText(folder), "docs");
  // The parent may refuse to start an edit.
  parent_->hook = [](int code, ds::LParam) { return code == vexo_msg::TVN_BEGINLABELEDIT ? 1 : 0; };
  EXPECT_EQ(tree_->EditLabel(folder), nullptr);
}

TEST_F(TreeTest, ParentMayDestroyTheTreeInsideEveryNotification) {
  for (int code : {vexo_msg::TVN_ITEMEXPANDING, vexo_msg::TVN_ITEMEXPANDED, vexo_msg::TVN_SELCHANGING,
                   vexo_msg::TVN_SELCHANGED, vexo_msg::NM_CLICK}) {
    SCOPED_TRACE(code);
    if (!tree_) {
      tree_ = new VEXO_TreeCtrl;
      tree_->Create(QRect(0, 0, 260, 240), parent_.get(), 900);
    }
    VEXO_HTREEITEM item = tree_->InsertItem("item");
    tree_->InsertItem("child", -1, -1, item);
    QPointer<VEXO_TreeCtrl> watch(tree_);
    parent_->hook = [this, code](int got, ds::LParam) -> ds::LResult {
      if (got == code) {
        delete tree_;
        tree_ = nullptr;
      }
      return 0;
    };
    const bool on_button = code == vexo_msg::TVN_ITEMEXPANDING || code == vexo_msg::TVN_ITEMEXPANDED;
    // A press only: the tree is gone before a release could reach it.
    QTest::mousePress(tree_->viewport(), Qt::LeftButton, {}, on_button ? ButtonOf(item) : LabelOf(item));
    EXPECT_TRUE(watch.isNull());
    parent_->hook = nullptr;
  }
}

TEST_F(TreeTest, NoHoverRowWhileTheWindowIsBlocked) {
  VEXO_HTREEITEM item = tree_->InsertItem("item");
  QTest::mouseMove(tree_->viewport(), LabelOf(item));
  EXPECT_EQ(tree_->GetHoverItem(), item);
  QTest::mouseMove(tree_->viewport(), QPoint(100, 200));
  EXPECT_EQ(tree_->GetHoverItem(), nullptr);
  parent_->EnableWindow(false);
  QTest::mouseMove(tree_->viewport(), LabelOf(item));
  EXPECT_EQ(tree_->GetHoverItem(), nullptr);
}

// Rows take the skin's list colours: the selected label in the selection colours, the row under
// the mouse in the hover colour, the rest on the plain row colour.
TEST_F(TreeTest, RowsTakeTheSkinsListColours) {
  VEXO_ResourceMgr* mgr = VEXO_ResourceMgr::Instance();
  mgr->SetColor(vexo_color::kListNormalBk, VEXO_RGB(0xF0, 0xF4, 0xF8));
  mgr->SetColor(vexo_color::kListHoverBk, VEXO_RGB(0xC0, 0xD8, 0xF0));
  mgr->SetColor(vexo_color::kListSelectedBk, VEXO_RGB(0x20, 0x70, 0xC0));
  auto* tree = new VEXO_TreeCtrl;
  tree->Create(QRect(0, 0, 260, 240), parent_.get(), 901);
  tree->raise();
  VEXO_HTREEITEM first = tree->InsertItem("first");
  VEXO_HTREEITEM second = tree->InsertItem("second");
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->GetItemRect(first, true).center());
  ASSERT_EQ(tree->GetSelectedItem(), first);
  QTest::mouseMove(tree->viewport(), QPoint(200, tree->GetItemRect(second).center().y()));
  ASSERT_EQ(tree->GetHoverItem(), second);
  const QImage shot = tree->viewport()->grab().toImage();
  const QRect label = tree->GetItemRect(first, true);
  EXPECT_EQ(shot.pixelColor(label.left() + 1, label.top() + 1), QColor(0x20, 0x70, 0xC0));
  EXPECT_EQ(shot.pixelColor(200, tree->GetItemRect(second).center().y()), QColor(0xC0, 0xD8, 0xF0));
  EXPECT_EQ(shot.pixelColor(200, 200), QColor(0xF0, 0xF4, 0xF8));
  delete tree;
  mgr->Fini();
}

// The skinned bars scroll the tree; the page around it hears nothing of them (a page scrolls
// itself on WM_VSCROLL).
TEST_F(TreeTest, SkinnedScrollBarScrollsTheTreeNotThePage) {
  QImage grid(90, 30, QImage::Format_ARGB32);
  grid.fill(QColor(90, 90, 90));
  auto image = ui_test::FromQImage(grid);
  for (int i = 0; i < 30; ++i) tree_->InsertItem("row");
  tree_->SetScrollImg(image.get());
  CSkinScrollBar* bar = tree_->GetSkinVertBar();
  ASSERT_NE(bar, nullptr);
  ASSERT_TRUE(bar->isVisible());
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(5, bar->height() - 3));
  EXPECT_EQ(tree_->verticalScrollBar()->value(), tree_->GetItemHeight());
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(5, bar->height() - 3));
  EXPECT_EQ(tree_->verticalScrollBar()->value(), 2 * tree_->GetItemHeight());
  EXPECT_EQ(parent_->scrolls, 0);
}

}  // namespace
