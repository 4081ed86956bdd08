#include "tools/skin_gallery/family_tiles.h"

#include <QApplication>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include "core/files/file_system.h"
#include "vexo/ui/render/icon.h"
#include "vexo/ui/resources/resource_mgr.h"
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
#include "vexo/ui/widgets/tree_ctrl.h"
#include "vexo/ui/widgets/vexo_menu.h"

namespace skin_gallery {

namespace {

void Hover(QWidget* widget, const QPoint& local) {
  const QPointF at(local);
  QEnterEvent enter(at, at, widget->mapToGlobal(at));
  QApplication::sendEvent(widget, &enter);
  QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &move);
}

// A row of the icon manager's pictures, 16 and 32 pixels.
class IconStrip : public QWidget {
 public:
  IconStrip(const VEXO_IconMgr* icons, QWidget* parent) : QWidget(parent), icons_(icons) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    int x = 0;
    for (int i = 0; i < icons_->GetCount(); ++i) {
      painter.drawPixmap(QRect(x, 8, 16, 16), icons_->GetImageList(false)[i]);
      painter.drawPixmap(QRect(x, 30, 32, 32), icons_->GetImageList(true)[i]);
      x += 36;
    }
  }

 private:
  const VEXO_IconMgr* icons_;
};

// A pane of a splitter: a pale panel with its name.
VEXO_BLabel* Pane(const char* text, std::uint32_t colour) {
  auto* pane = new VEXO_BLabel;
  pane->Create(text, VEXO_Label::SS_CENTER | VEXO_Label::SS_CENTERIMAGE, QRect(0, 0, 10, 10), nullptr, 0);
  pane->SetBkColor(colour);
  pane->SetTextColor(0x2B2B2B);
  return pane;
}

void BuildRadios(TileSink& b, QWidget* root, int x, int y) {
  const char* names[] = {"checked", "unchecked", "disabled-checked", "disabled-unchecked"};
  const char* captions[] = {"默认下载目录", "自定义目录", "下载后安装", "不自动安装"};
  for (int i = 0; i < 4; ++i) {
    auto* radio = new VEXO_RadioButton;
    // Two groups of two, so both checked looks show.
    QWidget* group = new QWidget(root);
    group->setGeometry(x, y + i * 26, 136, 22);
    radio->Create(captions[i], QRect(0, 0, 136, 22), group, 1600 + i);
    radio->Init(b.Image("img/radio.png"));
    radio->SetTextColor(0x2B2B2B);
    radio->SetCheck(i == 0 || i == 2 ? 1 : 0);
    radio->setEnabled(i < 2);
    b.Tile(std::string("VEXO_RadioButton/") + names[i], radio);
  }
}

void BuildTabs(TileSink& b, QWidget* root, int x, int y) {
  auto* tabs = new VEXO_TabCtrl;
  tabs->Create(QRect(x, y, 290, 170), root, 1610);
  tabs->Init(b.Image("img/TabCtrl.png"));
  const char* titles[] = {"常用软件", "常用网站", "系统设置"};
  for (const char* title : titles) {
    auto* page = new VEXO_BLabel;
    page->Create("", VEXO_Label::SS_LEFT, QRect(0, 0, 10, 10), nullptr, 0);
    page->SetBkColor(0xFFFFFF);
    tabs->AddPage(title, page);
  }
  auto* text = new VEXO_BLabel(tabs->GetPage(0));
  text->Create("选中的标签连着它的页面；\n鼠标下的标签文字变为强调色。", VEXO_Label::SS_LEFT, QRect(12, 12, 260, 60),
               tabs->GetPage(0), 0);
  text->SetTextColor(0x2B2B2B);
  QApplication::processEvents();
  Hover(tabs, tabs->GetItemRect(1).center());
  b.Tile("VEXO_TabCtrl", tabs);
}

void BuildTree(TileSink& b, QWidget* root, int x, int y, VEXO_IconMgr* icons) {
  auto* tree = new VEXO_TreeCtrl;
  tree->Create(QRect(x, y, 190, 170), root, 1620);
  tree->SetExpandImage(b.Image("img/TreeExpand.png"));
  tree->SetScrollImg(b.Image("img/Scrollbar.png"));
  const int folder = icons->GetIconIndex(ds::FileSystem::Instance()->GetWorkPath());
  tree->SetImageList(icons->GetImageList(false));
  VEXO_HTREEITEM desktop = tree->InsertItem("桌面", folder, folder);
  tree->InsertItem("我的文档", folder, folder);
  VEXO_HTREEITEM computer = tree->InsertItem("我的电脑", folder, folder);
  VEXO_HTREEITEM root_dir = tree->InsertItem("/", folder, folder, computer);
  for (const char* name : {"home", "opt", "usr"}) {
    VEXO_HTREEITEM item = tree->InsertItem(name, folder, folder, root_dir);
    tree->SetItemHasChildren(item, true);
  }
  VEXO_HTREEITEM media = tree->InsertItem("media", folder, folder, computer);
  tree->InsertItem("Loading...", -1, -1, media);
  tree->InsertItem("回收站", folder, folder);
  tree->SetItemHasChildren(desktop, true);
  tree->Expand(computer, vexo_msg::TVE_EXPAND);
  tree->Expand(root_dir, vexo_msg::TVE_EXPAND);
  tree->Expand(media, vexo_msg::TVE_EXPAND);
  tree->SelectItem(tree->GetChildItem(root_dir));
  QApplication::processEvents();
  QMouseEvent move(QEvent::MouseMove, QPointF(tree->GetItemRect(tree->GetNextSiblingItem(tree->GetChildItem(root_dir)), true).center()),
                   QPointF(), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(tree->viewport(), &move);
  b.Tile("VEXO_TreeCtrl", tree);
}

void BuildButtonsSt(TileSink& b, QWidget* root, int x, int y) {
  VEXO_Icon* program = VEXO_ResourceMgr::Instance()->GetProgramIcon();
  const char* names[] = {"normal", "hot", "disabled"};
  for (int i = 0; i < 3; ++i) {
    auto* button = new CButtonST;
    button->Create("官方网站", QRect(x, y + i * 36, 130, 30), root, 1630 + i);
    button->SetIcon(program);
    button->SetFlat(false);
    button->SetTooltipText("打开软件的官方网站");
    if (i == 1) Hover(button, QPoint(10, 10));
    if (i == 2) button->setEnabled(false);
    b.Tile(std::string("CButtonST/") + names[i], button);
  }
}

void BuildLabels(TileSink& b, QWidget* root, int x, int y) {
  auto* plain = new VEXO_BLabel;
  plain->Create("发现有3款软件可以升级", VEXO_Label::SS_CENTER | VEXO_Label::SS_CENTERIMAGE, QRect(x, y, 150, 24), root,
                1640);
  plain->SetBkImage(b.Image("img/ListHead.png"));
  plain->SetTextColor(0xA85F1F);
  b.Tile("VEXO_BLabel/background", plain);
  auto* link = new VEXO_BLabel;
  link->Create("更多软件 >>", VEXO_Label::SS_LEFT | VEXO_Label::SS_CENTERIMAGE | VEXO_BLabel::SS_NOTIFY,
               QRect(x, y + 30, 150, 20), root, 1641);
  link->SetTextColor(0x2B2B2B);
  Hover(link, QPoint(5, 5));
  b.Tile("VEXO_BLabel/hot-link", link);
  auto* ticker = new VEXO_SrcollLabel;
  ticker->Create("公告：Kiv软件管理新版发布\n新增软件卸载页面\n下载速度提升一倍", VEXO_Label::SS_LEFT, QRect(x, y + 56, 150, 44),
                 root, 1642);
  ticker->SetBkColor(0xFBF1E8);
  ticker->SetTextColor(0x2B2B2B);
  ticker->SetSrcollPos(8);  // part way through a line
  b.Tile("VEXO_SrcollLabel", ticker);
}

void BuildSplitters(TileSink& b, QWidget* root, int x, int y) {
  auto* across = new CxSplitterWnd;
  across->Create(QRect(x, y, 200, 100), root, 1650);
  across->SetPanes(Pane("左窗格", 0xFFFFFF), Pane("右窗格", 0xFBF1E8));
  across->SetMinSizes(40, 40);
  across->SetSplitPos(90);
  across->GetBar()->SetColor(0xE4D3C3);
  b.Tile("CxSplitterWnd", across);
  auto* down = new CySplitterWnd;
  down->Create(QRect(x + 210, y, 120, 100), root, 1651);
  down->SetPanes(Pane("上窗格", 0xFFFFFF), Pane("下窗格", 0xFBF1E8));
  down->SetBarWidth(6);
  down->SetBarImage(b.Image("img/SplitBg.png"));
  down->SetSplitPos(44);
  b.Tile("CySplitterWnd", down);
  b.Tile("VEXO_SplitBar", down->GetBar());
}

void BuildTexts(TileSink& b, QWidget* root, int x, int y) {
  auto* rich = new VEXO_RichEdit;
  rich->Create(QRect(x, y, 160, 100), root, 1660);
  rich->setReadOnly(true);
  rich->InsertText("系统消息 ", 0xA85F1F, true);
  rich->InsertText("10:24\n", 0x646464);
  rich->InsertText("压缩工具 5.0 已下载完成 ", 0x2B2B2B);
  rich->InsertBitmap(b.Image("software/other.gif"));
  rich->InsertText("\n点击安装即可使用。", 0x2B2B2B);
  b.Tile("VEXO_RichEdit", rich);
  auto* html = new VEXO_TabbedHtml;
  html->Create(QRect(x + 168, y, 150, 100), root, 1661);
  html->Navigate((std::string(ds::FileSystem::Instance()->GetWorkPath()) + "/../../tools/skin_gallery/gallery_page.html").c_str());
  b.Tile("VEXO_TabbedHtml", html);
}

}  // namespace

void BuildFamily(TileSink& b, QWidget* root, int y) {
  // Kept for the picture's lifetime: the tree and the icon strip borrow their lists.
  static VEXO_IconMgr folders;
  static VEXO_IconMgr icons;
  folders.Clear();
  icons.Clear();
  b.Heading(root, "VEXO_RadioButton / VEXO_TabCtrl / VEXO_TreeCtrl / VEXO_Menu / CButtonST", 16, y, 560);
  BuildRadios(b, root, 16, y + 24);
  BuildTabs(b, root, 170, y + 22);
  BuildTree(b, root, 472, y + 22, &folders);
  BuildButtonsSt(b, root, 854, y + 24);
  const int y2 = y + 204;
  b.Heading(root, "VEXO_BLabel / VEXO_SrcollLabel / CxSplitterWnd / CySplitterWnd / VEXO_IconMgr / VEXO_RichEdit / "
                  "VEXO_TabbedHtml",
            16, y2, 900);
  BuildLabels(b, root, 16, y2 + 22);
  BuildSplitters(b, root, 180, y2 + 22);
  auto* strip = new IconStrip(&icons, root);
  const std::string work = ds::FileSystem::Instance()->GetWorkPath();
  icons.GetIconIndex((work + "/../../tests/core/pe/fixtures/icon_x64.exe").c_str());
  icons.GetIconIndex((work + "/missing-program.exe").c_str());
  icons.GetIconIndex((work + "/readme.txt").c_str());
  icons.GetIconIndex(work.c_str());
  strip->setGeometry(522, y2 + 26, icons.GetCount() * 36, 70);
  b.Tile("VEXO_IconMgr", strip);
  BuildTexts(b, root, 672, y2 + 22);
}

QRect DrawFamilyMenu(QImage* picture, const QPoint& at) {
  VEXO_Menu menu;
  menu.CreatePopupMenu();
  menu.AppendMenu(VEXO_Menu::MF_STRING, 1, "打开所在目录", VEXO_ResourceMgr::Instance()->GetProgramIcon());
  menu.AppendMenu(VEXO_Menu::MF_STRING, 2, "重新下载");
  menu.AppendMenu(VEXO_Menu::MF_SEPARATOR);
  menu.AppendMenu(VEXO_Menu::MF_CHECKED, 3, "下载后自动安装");
  menu.AppendMenu(VEXO_Menu::MF_GRAYED, 4, "删除记录");
  QImage shot;
  QTimer::singleShot(0, [&] {
    QWidget* popup = menu.GetPopup();
    if (!popup) return;
    for (int i = 0; i < 2; ++i) {
      QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
      QApplication::sendEvent(popup, &down);
    }
    shot = popup->grab().toImage();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(popup, &escape);
  });
  menu.TrackPopupMenu(VEXO_Menu::TPM_RETURNCMD, QPoint(0, 0));
  if (shot.isNull()) return QRect();
  QPainter painter(picture);
  painter.drawImage(at, shot);
  return QRect(at, shot.size());
}

}  // namespace skin_gallery
