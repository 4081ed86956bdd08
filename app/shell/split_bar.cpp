#include "app/shell/split_bar.h"

#include "app/shell/control_ids.h"
#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/button.h"

namespace {

constexpr int kButtonWidth = 84;  // one of the four state cells of the button images
constexpr int kButtonHeight = 16;

VEXO_Image* Image(const char* name) { return VEXO_ResourceMgr::Instance()->GetImage(name); }

}  // namespace

CSplitdlg::CSplitdlg(VEXO_Dialog* page, ds::MsgHandle main_window)
    : VEXO_Dialog(page, kChild), page_(page->GetHandle()), main_window_(main_window) {
  VEXO_Image* background = Image("img/SplitBg.png");
  const int height = background ? background->GetHeight() : 18;
  SetImage(background);
  setGeometry(0, 0, page->width(), height);
  const int top = (height - kButtonHeight) / 2;
  toggle_ = new VEXO_Button(this);
  toggle_->Create("", QRect(4, top, kButtonWidth, kButtonHeight), this, kIdToggle);
  toggle_->SetImage(Image("img/HideDownload.png"));
  AddWidget(kIdToggle, toggle_);
  auto* show_all = new VEXO_Button(this);
  show_all->Create("", QRect(page->width() - kButtonWidth - 4, top, kButtonWidth, kButtonHeight), this, kIdShowAll);
  show_all->SetImage(Image("img/ShowAllDownload.png"));
  AddWidget(kIdShowAll, show_all);
}

ds::LResult CSplitdlg::WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  if (message != vexo_msg::WM_COMMAND || vexo_msg::HighWord(wparam) != vexo_msg::BN_CLICKED)
    return VEXO_Dialog::WindowProc(message, wparam, lparam);
  switch (vexo_msg::LowWord(wparam)) {
    case kIdToggle:
      list_shown_ = !list_shown_;
      // The button offers the other action: hide while shown, show while hidden.
      toggle_->SetImage(Image(list_shown_ ? "img/HideDownload.png" : "img/ShowDownload.png"));
      ds::PostMessageTo(page_, kMsgToggleList, 0, 0);
      return 1;
    case kIdShowAll:
      ds::PostMessageTo(main_window_, shell_ids::kMsgShowAllDownloads, 0, 0);
      return 1;
    default:
      return VEXO_Dialog::WindowProc(message, wparam, lparam);
  }
}
