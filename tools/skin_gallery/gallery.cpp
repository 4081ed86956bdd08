#include "tools/skin_gallery/gallery.h"

#include <QApplication>
#include <QEnterEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <memory>

#include "core/files/file_system.h"
#include "tools/skin_gallery/family_tiles.h"
#include "tools/skin_gallery/pictures.h"
#include "vexo/ui/render/color.h"
#include "vexo/ui/widgets/bc_menu.h"
#include "vexo/ui/widgets/button.h"
#include "vexo/ui/widgets/checkbox.h"
#include "vexo/ui/widgets/combo_box.h"
#include "vexo/ui/widgets/combo_drop_list.h"
#include "vexo/ui/dialog/dialog.h"
#include "vexo/ui/widgets/edit.h"
#include "vexo/ui/widgets/edit_pass.h"
#include "vexo/ui/widgets/html_ctrl.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/widgets/label.h"
#include "vexo/ui/widgets/list_ctrl.h"
#include "vexo/ui/widgets/mll_button.h"
#include "vexo/ui/resources/pack_password.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/skin_scroll_bar.h"
#include "vexo/ui/widgets/transparent_bt.h"

namespace skin_gallery {

namespace {

constexpr int kWidth = 1000;
constexpr int kHeight = 900 + kFamilyBandHeight;
// Colours are 0x00BBGGRR values: VEXO_RGB takes red, green, blue in that order.
constexpr std::uint32_t kCaptionColour = VEXO_RGB(0x1F, 0x5A, 0x8A);
constexpr std::uint32_t kNoticeColour = VEXO_RGB(0x1F, 0x5F, 0xA8);  // the skin's dark accent

// Lays the gallery out on one skinned dialog and remembers where each tile went.
class Builder : public TileSink {
 public:
  explicit Builder(Result* result) : result_(result) {}

  VEXO_Image* Image(const char* name) {
    VEXO_Image* image = VEXO_ResourceMgr::Instance()->GetImage(name);
    if (!image) result_->missing.push_back(name);
    return image;
  }

  void Tile(const std::string& name, QWidget* widget) { tiles_.push_back({name, widget}); }

  void Collect(QWidget* root) {
    for (const auto& tile : tiles_) {
      if (!tile.second) continue;
      result_->tiles.push_back({tile.first, QRect(tile.second->mapTo(root, QPoint(0, 0)), tile.second->size())});
    }
  }

  // A muted label above a group of widgets.
  VEXO_Label* Heading(QWidget* parent, const char* text, int x, int y, int width = 300) {
    auto* label = new VEXO_Label(parent);
    label->Create(text, VEXO_Label::SS_LEFT | VEXO_Label::SS_NOPREFIX, QRect(x, y, width, 16), parent, 0);
    label->SetTextColor(kCaptionColour);
    return label;
  }

  VEXO_Label* Text(QWidget* parent, const char* text, const QRect& rect, std::uint32_t colour = 0x2B2B2B,
                   unsigned style = VEXO_Label::SS_LEFT | VEXO_Label::SS_CENTERIMAGE) {
    auto* label = new VEXO_Label(parent);
    label->Create(text, style | VEXO_Label::SS_NOPREFIX, rect, parent, 0);
    label->SetTextColor(colour);
    return label;
  }

  template <typename ButtonType = VEXO_Button>
  ButtonType* Button(QWidget* parent, const char* image, int x, int y, unsigned id = 0) {
    auto* button = new ButtonType(parent);
    button->Create("", QRect(x, y, 10, 10), parent, id);
    button->SetImage(Image(image), 1, 0xFFFFFFFFu);
    return button;
  }

 private:
  Result* result_;
  std::vector<std::pair<std::string, QWidget*>> tiles_;
};

void MakeHot(QWidget* widget) {
  QPointF local(widget->width() / 2.0, widget->height() / 2.0);
  QEnterEvent enter(local, local, widget->mapToGlobal(local));
  QApplication::sendEvent(widget, &enter);
  QMouseEvent move(QEvent::MouseMove, local, widget->mapToGlobal(local), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &move);
}

void MakePressed(QWidget* widget, QPointF local = QPointF(-1, -1)) {
  if (local.x() < 0) local = QPointF(widget->width() / 2.0, widget->height() / 2.0);
  QMouseEvent press(QEvent::MouseButtonPress, local, widget->mapToGlobal(local), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
}

void MoveOver(QWidget* widget, const QPoint& local) {
  QMouseEvent move(QEvent::MouseMove, QPointF(local), widget->mapToGlobal(QPointF(local)), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &move);
}

// Title bar and tool bar of the main window: page buttons (the current one disabled), tool buttons,
// the user button, the search edit.
void BuildChrome(Builder& b, VEXO_Dialog* root) {
  b.Text(root, "Kiv软件管理 · 界面部件一览", QRect(230, 2, 300, 20), 0xFFFFFF);
  int x = kWidth - 3 * 28 - 6;
  for (const char* name : {"img/button_min.png", "img/button_max.png", "img/button_close.png"}) {
    b.Button(root, name, x, 2);
    x += 28;
  }
  const char* pages[] = {"img/BtHome.png", "img/BtCommon.png", "img/BtAll.png", "img/BtUpgrade.png",
                         "img/BtUninst.png"};
  x = 10;
  for (int i = 0; i < 5; ++i) {
    VEXO_Button* button = b.Button(root, pages[i], x, 28, 1176 + i);
    if (i == 0) button->setEnabled(false);  // the current page
    if (i == 1) b.Tile("PageButton/hot", button), MakeHot(button);
    if (i == 2) b.Tile("PageButton/pressed", button), MakePressed(button);
    if (i == 0) b.Tile("PageButton/current", button);
    x += 78;
  }
  x += 20;
  for (const char* name : {"img/BtSetting.png", "img/BtDownDir.png", "img/BtQuick1.png", "img/BtQuick2.png",
                           "img/BtXelbo.png"}) {
    b.Button(root, name, x, 28);
    x += 66;
  }
  VEXO_Button* user = b.Button(root, "img/girlIco.png", kWidth - 52, 48);
  MakeHot(user);
  b.Tile("UserButton/hot", user);

  auto* search = new VEXO_Edit(root);
  search->Create(QRect(kWidth - 290, 100, 200, 22), root, 1147);
  search->Init(b.Image("img/SearchEdit.png"));
  search->SetTextColor(0xADADAD, 0x7D7D7D);
  search->SetWindowText(" 请输入查找条件...");
  b.Tile("VEXO_Edit/search", search);
  b.Button(root, "img/BtSearch.png", kWidth - 84, 100, 1148);
  b.Tile("Notice", b.Text(root, "发现有3款可用软件有升级更新！", QRect(16, 101, 300, 20), kNoticeColour));
}

// Buttons of every family in their four looks.
int BuildButtons(Builder& b, VEXO_Dialog* root, int y) {
  b.Heading(root, "VEXO_Button：正常 / 悬停 / 按下 / 禁用", 16, y, 460);
  const char* looks[] = {"normal", "hot", "pressed", "disabled"};
  int x = 16;
  for (int state = 0; state < 4; ++state) {
    VEXO_Button* button = b.Button(root, "img/BtDownload.png", x, y + 20);
    if (state == 1) MakeHot(button);
    if (state == 2) MakePressed(button);
    if (state == 3) button->setEnabled(false);
    b.Tile(std::string("VEXO_Button/") + looks[state], button);
    x += 72;
  }
  x += 12;
  for (const char* name : {"img/BtInstall.png", "img/BtUpdate.png", "img/Uninstall.png", "img/btAttention.png",
                           "img/BtIgnore.png"}) {
    b.Button(root, name, x, y + 20);
    x += 72;
  }
  y += 52;
  b.Heading(root, "VEXO_TransparentBt：确定 / 取消 / 分页 / 列表按钮", 16, y, 460);
  x = 16;
  for (const char* name : {"img/UpdateOk.png", "img/UpdateCancel.png", "img/SetApply.png", "img/SetSave.png"}) {
    b.Button<VEXO_TransparentBt>(root, name, x, y + 20);
    x += 78;
  }
  VEXO_TransparentBt* hot = b.Button<VEXO_TransparentBt>(root, "img/Browse.png", x, y + 22);
  MakeHot(hot);
  b.Tile("VEXO_TransparentBt/hot", hot);
  x += 72;
  for (const char* name : {"img/Firstpage.png", "img/Frontpage.png", "img/Nextpage.png", "img/Lastpage.png"}) {
    b.Button<VEXO_TransparentBt>(root, name, x, y + 23);
    x += 52;
  }
  y += 54;
  b.Heading(root, "VEXO_MLLButton：数字条 SetNumImg(1234) / 当前页", 16, y, 460);
  auto* number = new VEXO_MLLButton(root);
  number->Create("", QRect(16, y + 22, 40, 14), root, 2250);
  number->SetMLLImage(b.Image("img/number.png"));
  number->SetNumImg(1234);
  b.Tile("VEXO_MLLButton/1234", number);
  auto* current = new VEXO_MLLButton(root);
  current->Create("", QRect(66, y + 22, 20, 14), root, 2251);
  current->SetMLLImage(b.Image("img/numberclick.png"));
  current->SetNumImg(5);
  x = 100;
  for (const char* name : {"img/add.png", "img/btModify.png", "img/up.png", "img/down.png", "img/delete.png",
                           "img/allDelete.png", "img/MoveTop.png"}) {
    b.Button<VEXO_TransparentBt>(root, name, x, y + 18);
    x += 68;
  }
  return y + 50;
}

// Check boxes of the three types, and the category bar built from check boxes.
int BuildChecks(Builder& b, VEXO_Dialog* root, int y) {
  b.Heading(root, "VEXO_Checkbox：选中 / 未选 / 禁用选中 / 禁用未选（类型 0、1、2）", 16, y, 560);
  const char* captions[] = {"开机启动", "自动安装", "使用默认目录", "以后不再询问"};
  int x = 16;
  for (int state = 0; state < 4; ++state) {
    auto* box = new VEXO_Checkbox(root);
    box->Create(captions[state], QRect(x, y + 20, 110, 20), root, 1100 + state);
    box->Init(b.Image("img/checkbox.png"), VEXO_Checkbox::kLeftTop, 0xFFFFFFFFu);
    box->SetCheck(state == 0 || state == 2 ? 1 : 0);
    box->setEnabled(state < 2);
    static const char* names[] = {"checked", "unchecked", "disabled-checked", "disabled-unchecked"};
    b.Tile(std::string("VEXO_Checkbox/") + names[state], box);
    x += 116;
  }
  auto* gif_box = new VEXO_Checkbox(root);
  gif_box->Create("全选", QRect(x, y + 20, 60, 20), root, 1052);
  gif_box->Init(b.Image("Img/checkbox.gif"), VEXO_Checkbox::kLeftCentre, 0xFF00FF);
  gif_box->SetCheck(1);
  y += 46;
  x = 16;
  for (int state = 0; state < 2; ++state) {
    auto* tile = new VEXO_Checkbox(root);
    tile->Create(state == 0 ? "压缩工具" : "网页浏览器", QRect(x, y, 180, 40), root, 1110 + state);
    tile->Init(b.Image("img/soft.png"), VEXO_Checkbox::kStretch, 0xFFFFFFFFu);
    tile->SetCheck(state == 0 ? 1 : 0);
    x += 190;
  }
  return y + 50;
}

// Left column of a page: the category bar (the selected category is the unticked box) and its scroll
// buttons.
void BuildCategoryBar(Builder& b, VEXO_Dialog* root, int x, int y) {
  b.Heading(root, "分类栏（复选框类型 1）", x, y, 140);
  for (int i = 0; i < 8; ++i) {
    auto* box = new VEXO_Checkbox(root);
    box->Create("", QRect(x, y + 20 + i * 30, 128, 30), root, 3500 + i);
    char name[32];
    std::snprintf(name, sizeof name, "img/type%d.png", i);
    box->Init(b.Image(name), VEXO_Checkbox::kStretch, 0xFFFFFFFFu);
    box->SetCheck(i == 2 ? 0 : 1);
    if (i == 2) b.Tile("Category/selected", box);
  }
  b.Button(root, "img/TypeUp.png", x, y + 20 + 8 * 30 + 2);
  b.Button(root, "img/TypeDown.png", x, y + 20 + 8 * 30 + 18);
}

int BuildEdits(Builder& b, VEXO_Dialog* root, int y) {
  b.Heading(root, "VEXO_Edit / VEXO_EditPass / VEXO_ComboBox：正常 / 禁用", 16, y, 460);
  auto* edit = new VEXO_Edit(root);
  edit->Create(QRect(16, y + 20, 150, 22), root, 1201);
  edit->Init(b.Image("img/LoginEdit.png"));
  edit->SetWindowText("kiv_user");
  b.Tile("VEXO_Edit/normal", edit);
  auto* pass = new VEXO_EditPass(root);
  pass->Create(QRect(176, y + 20, 150, 22), root, 1202);
  pass->Init(b.Image("img/LoginEdit.png"));
  pass->SetWindowText("secret12");
  b.Tile("VEXO_EditPass/stars", pass);
  auto* disabled = new VEXO_Edit(root);
  disabled->Create(QRect(336, y + 20, 150, 22), root, 1203);
  disabled->Init(b.Image("img/LoginEdit.png"));
  disabled->SetWindowText("D:\\setup");
  disabled->setEnabled(false);
  b.Tile("VEXO_Edit/disabled", disabled);
  for (int i = 0; i < 2; ++i) {
    auto* combo = new VEXO_ComboBox(root);
    combo->Create(VEXO_ComboBox::CBS_SORT, QRect(496 + i * 160, y + 20, 150, 22), root, 1210 + i);
    combo->Init(b.Image("img/combo.png"), nullptr);
    combo->SetButtonImage(b.Image("img/combobutton.png"), 0, 0xFF00FF);
    combo->AddString("kiv_user");
    combo->AddString("zhang_san");
    combo->SetCurSel(0);
    if (i == 1) combo->setEnabled(false);
    b.Tile(i == 0 ? "VEXO_ComboBox/normal" : "VEXO_ComboBox/disabled", combo);
  }
  return y + 52;
}

// The custom-drawn list with its skinned header and scroll bar: one row hovered, one selected.
void BuildList(Builder& b, VEXO_Dialog* root, int x, int y) {
  b.Heading(root, "VEXO_ListCtrl + VEXO_HeaderCtrl + CSkinScrollWnd：悬停行 / 选中行", x, y, 420);
  auto* list = new VEXO_ListCtrl(root);
  list->Create(QRect(x, y + 20, 400, 150), root, 1300);
  list->Init();
  list->SetHeadImg(b.Image("img/ListHead.png"), b.Image("img/ListHeadDiv.png"));
  list->InsertColumn(0, "软件名称", 0, 170);
  list->InsertColumn(1, "大小", 2, 80);
  list->InsertColumn(2, "状态", 2, 130);
  const char* names[] = {"压缩工具", "网页浏览器", "影音播放器", "输入法", "杀毒软件", "下载工具", "办公软件", "看图工具",
                         "压缩工具", "聊天工具"};
  for (int i = 0; i < 10; ++i) {
    list->InsertItem(i, names[i]);
    list->SetItemText(i, 1, "12.5 MB");
    list->SetItemText(i, 2, i % 3 == 0 ? "已安装" : "未安装");
  }
  list->SetHoverColoring(true);
  list->SetSelectedRow(3);
  list->SetScrollImg(b.Image("img/Scrollbar.png"));
  QApplication::processEvents();
  MoveOver(list->viewport(), list->GetItemRect(1).center());
  b.Tile("VEXO_ListCtrl", list);
}

// Stand-alone skinned scroll bars: at rest, an arrow under the mouse, the thumb pressed.
void BuildScrollBars(Builder& b, VEXO_Dialog* root, int x, int y) {
  b.Heading(root, "CSkinScrollBar", x, y, 86);
  for (int i = 0; i < 3; ++i) {
    auto* bar = new CSkinScrollBar(Qt::Vertical, root);
    bar->Create(Qt::Vertical, QRect(x + i * 24, y + 20, 16, 150), root, 1400 + i);
    bar->SetBitmap(b.Image("img/Scrollbar.png"));
    bar->SetScrollInfo(0, 99, 25, 30);
    if (i == 1) MoveOver(bar, bar->PartRect(CSkinScrollBar::kArrow1).center());
    if (i == 2) MakePressed(bar, QPointF(bar->PartRect(CSkinScrollBar::kThumb).center()));
    b.Tile(i == 0 ? "CSkinScrollBar/normal" : i == 1 ? "CSkinScrollBar/hot-arrow" : "CSkinScrollBar/pressed-thumb", bar);
  }
  auto* horizontal = new CSkinScrollBar(Qt::Horizontal, root);
  horizontal->Create(Qt::Horizontal, QRect(x, y + 176, 136, 16), root, 1403);
  horizontal->SetBitmap(b.Image("img/Scrollbar.png"));
  horizontal->SetScrollInfo(0, 99, 40, 50);
}

// Skinned child dialogs as the windows use them: the message box, the user panel, download and
// uninstall rows, the settings tabs and the embedded local page.
int BuildPanels(Builder& b, VEXO_Dialog* root, int y) {
  b.Heading(root, "VEXO_Dialog：消息框 / 用户信息 / 下载行 / 卸载行", 16, y, 460);
  auto* box = new VEXO_Dialog(root, VEXO_Dialog::kChild);
  box->SetImage(b.Image("img/SysTip.png"));
  box->setGeometry(16, y + 20, 320, 160);
  box->TransparentPng();
  b.Text(box, "确定要取消下载“压缩工具”吗？", QRect(20, 50, 280, 40), 0x2B2B2B,
         VEXO_Label::SS_CENTER | VEXO_Label::SS_CENTERIMAGE);
  b.Button<VEXO_TransparentBt>(box, "img/UpdateOk.png", 160 - 9 - 72, 160 - 33);
  VEXO_TransparentBt* cancel = b.Button<VEXO_TransparentBt>(box, "img/UpdateCancel.png", 160 + 9, 160 - 33);
  MakeHot(cancel);
  b.Button<VEXO_TransparentBt>(box, "img/button_close.png", 320 - 30, 2);
  b.Tile("VEXO_Dialog/message", box);

  auto* user = new VEXO_Dialog(root, VEXO_Dialog::kChild);
  user->SetImage(b.Image("img/UserInfo.png"));
  user->setGeometry(346, y + 20, 262, 148);
  new KeyedPicture({b.Image("img/face/00.gif"), b.Image("img/face/gHair00.gif")}, user);
  user->findChild<KeyedPicture*>()->setGeometry(15, 10, 88, 100);
  const QRect fields[] = {QRect(153, 24, 98, 16), QRect(166, 49, 85, 16), QRect(153, 73, 98, 16),
                          QRect(153, 96, 98, 16), QRect(88, 120, 106, 16)};
  const char* values[] = {"小红", "kiv_user", "女", "0", "普通会员"};
  for (int i = 0; i < 5; ++i) b.Text(user, values[i], fields[i]);
  b.Button<VEXO_TransparentBt>(user, "img/Loginout.png", 204, 122);
  b.Tile("VEXO_Dialog/userinfo", user);

  const int rows_x = 610;
  const int row_w = kWidth - rows_x - 16;
  for (int i = 0; i < 3; ++i) {
    auto* row = new VEXO_Dialog(root, VEXO_Dialog::kChild);
    char name[32];
    std::snprintf(name, sizeof name, "img/downloadbg%d.png", i);
    row->SetImage(b.Image(name));
    row->setGeometry(rows_x, y + 20 + i * 30, row_w, 30);
    new KeyedPicture({b.Image("software/other.gif")}, row);
    row->findChild<KeyedPicture*>()->setGeometry(6, -1, 32, 32);
    const char* titles[] = {"压缩工具", "浏览器", "播放器"};
    b.Text(row, titles[i], QRect(42, 0, 56, 30));
    new ProgressPicture(b.Image("img/downloadingframe.png"), b.Image("img/downloading.png"), 0.25 + 0.3 * i, row);
    row->findChildren<ProgressPicture*>().back()->setGeometry(98, 8, 124, 14);
    // Buttons by status: downloading rows can pause, the paused row can start again.
    VEXO_Button* start = b.Button<VEXO_TransparentBt>(row, "img/download.png", row_w - 3 * 50, 5);
    start->setEnabled(i == 2);
    b.Button<VEXO_TransparentBt>(row, "img/pausedownload.png", row_w - 2 * 50, 5)->setEnabled(i != 2);
    b.Button<VEXO_TransparentBt>(row, "img/canceldownload.png", row_w - 50, 5);
  }
  for (int i = 0; i < 3; ++i) {
    auto* row = new VEXO_Dialog(root, VEXO_Dialog::kChild);
    const int look = i == 0 ? 0 : i == 1 ? 3 : 2;  // first, under the mouse, last
    char name[32];
    std::snprintf(name, sizeof name, "img/wnd%d.png", look);
    row->SetImage(b.Image(name));
    row->setGeometry(rows_x, y + 116 + i * 43, row_w, 43);
    new KeyedPicture({b.Image("software/other.gif")}, row);
    row->findChild<KeyedPicture*>()->setGeometry(20, 6, 32, 32);
    const char* titles[] = {"压缩工具 5.0", "网页浏览器 2.1", "影音播放器"};
    b.Text(row, titles[i], QRect(60, 0, 200, 43));
    VEXO_Button* remove = b.Button<VEXO_TransparentBt>(row, "img/Uninstall.png", row_w - 76, 10);
    if (i == 1) MakeHot(remove);
  }
  return y + 20 + 3 * 43 + 96;
}

void BuildSettings(Builder& b, VEXO_Dialog* root, int x, int y) {
  b.Heading(root, "设置页标签 / VEXO_HtmlCtrl 本地页面 / BCMenu", x, y, 460);
  const char* tabs[] = {"img/OftenSoft.png", "img/OftenHtml.png", "img/AssSet.png", "img/SysSet.png"};
  for (int i = 0; i < 4; ++i) {
    VEXO_Button* tab = b.Button(root, tabs[i], x, y + 20 + i * 34);
    if (i == 0) tab->setEnabled(false);  // the current page
    if (i == 1) MakeHot(tab);
  }
  x += 124;
  auto* html = new VEXO_HtmlCtrl(root);
  html->Create(QRect(x, y + 20, 180, 136), root, 1500);
  html->NavigateFile("/../../tools/skin_gallery/gallery_page.html");
  b.Tile("VEXO_HtmlCtrl", html);
}

}  // namespace

QRect FindTile(const Result& result, const std::string& name) {
  for (const Tile& tile : result.tiles) {
    if (tile.name == name) return tile.rect;
  }
  return QRect();
}

bool Render(const std::string& skin_dir, Result* result, std::string* error) {
  *result = Result();
  ds::FileSystem::Instance()->SetWorkPath(skin_dir.c_str());
  VEXO_ResourceMgr* resources = VEXO_ResourceMgr::Instance();
  // No pack: every image is read as a loose file from the pack source folder.
  resources->Init("gallery-has-no-pack.dat", kVexoPackPassword);
  {
    Builder b(result);
    auto root = std::make_unique<VEXO_Dialog>(nullptr, VEXO_Dialog::kTopLevel);
    root->SetImage(b.Image("img/bg.png"), 220, 781, 122, 566);
    root->resize(kWidth, kHeight);

    BuildChrome(b, root.get());
    int y = 130;
    y = BuildButtons(b, root.get(), y);
    int checks_end = BuildChecks(b, root.get(), y);
    BuildCategoryBar(b, root.get(), 830, 130);
    y = BuildEdits(b, root.get(), checks_end);
    BuildList(b, root.get(), 16, y);
    BuildScrollBars(b, root.get(), 440, y);
    const int settings_y = y;
    BuildSettings(b, root.get(), 530, settings_y);  // right of the scroll bars, same band
    y = BuildPanels(b, root.get(), y + 200);
    BuildFamily(b, root.get(), 900);

    root->show();
    QApplication::processEvents();
    b.Collect(root.get());
    result->image = root->grab().toImage().convertToFormat(QImage::Format_ARGB32);

    // The popup menu of a tool button, drawn as it would open.
    BCMenu menu;
    const BCMenuItem items[] = {{32776, "常用软件设置", 0}, {32777, "常用网站设置", 0}, {0, "", 0},
                                {32779, "文件关联设置", BCMenu::kChecked}, {32780, "系统设置", BCMenu::kGrayed}};
    if (menu.LoadMenu(items, 5) && menu.GetQMenu()) {
      QMenu* qmenu = menu.GetQMenu();
      qmenu->ensurePolished();
      qmenu->resize(qmenu->sizeHint());
      qmenu->setActiveAction(qmenu->actions().at(1));  // the item under the mouse
      QImage popup = qmenu->grab().toImage();
      QPoint at(846, settings_y + 20);
      QPainter painter(&result->image);
      painter.drawImage(at, popup);
      result->tiles.push_back({"BCMenu", QRect(at, popup.size() / popup.devicePixelRatio())});
      // The combo box's dropped list, its first item under the mouse, below the menu.
      if (auto* combo = root->findChild<VEXO_ComboBox*>()) {
        combo->AddString("wang_wu");
        combo->ShowDropDown(true);
        if (VEXO_ComboDropList* list = combo->GetDroppedList()) {
          MoveOver(list, list->RowRect(1).center());
          QImage dropped = list->grab().toImage();
          const QPoint below(at.x(), at.y() + popup.height() / popup.devicePixelRatio() + 10);
          painter.drawImage(below, dropped);
          result->tiles.push_back({"VEXO_ComboBox/dropped", QRect(below, dropped.size() / dropped.devicePixelRatio())});
        }
        combo->ShowDropDown(false);
      }
    }
    const QRect family_menu = DrawFamilyMenu(&result->image, QPoint(680, 900 + 24));
    if (!family_menu.isEmpty()) result->tiles.push_back({"VEXO_Menu", family_menu});
    root.reset();
  }
  resources->Fini();
  if (result->image.isNull()) {
    *error = "the gallery could not be drawn";
    return false;
  }
  if (!result->missing.empty()) {
    *error = "missing skin image " + result->missing.front();
    return false;
  }
  return true;
}

}  // namespace skin_gallery
