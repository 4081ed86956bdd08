#include "app/downloads/split_dlg.h"

#include <QResizeEvent>

#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/button.h"
#include "vexo/ui/widgets/image_button.h"

namespace {

VEXO_Image* Image(const char* name) { return VEXO_ResourceMgr::Instance()->GetImage(name); }

constexpr int kToggleWidth = 84;
constexpr int kAllWidth = 72;

}  // namespace

CSplitdlg::CSplitdlg(QWidget* parent, ds::MsgHandle page, ds::MsgHandle main)
    : VEXO_Dialog(parent, kChild), page_(page), main_(main) {
  setObjectName(QStringLiteral("CSplitdlg"));
  if (VEXO_Image* background = Image("/img/SplitBg.png"))
    SetImage(background, 8, background->GetWidth() - 8, 2, background->GetHeight() - 2);
  VEXO_AddImageButtons(this, {{kToggleId, "/img/HideDownload.png", QRect(0, 0, kToggleWidth, 16)},
                              {kShowAllId, "/img/ShowAllDownload.png", QRect(0, 0, kToggleWidth, 16)},
                              {kPauseAllId, "/img/BtPauseAll.png", QRect(0, 0, kAllWidth, 22)},
                              {kContinueAllId, "/img/BtStartAll.png", QRect(0, 0, kAllWidth, 22)},
                              {kCancelAllId, "/img/BtCancelAll.png", QRect(0, 0, kAllWidth, 22)}});
}

VEXO_Button* CSplitdlg::Button(unsigned id) const { return qobject_cast<VEXO_Button*>(FindWidget(id)); }

void CSplitdlg::SetListShown(bool shown) {
  list_shown_ = shown;
  // The toggle offers what a click would do.
  if (VEXO_Button* toggle = Button(kToggleId))
    toggle->SetImage(Image(shown ? "/img/HideDownload.png" : "/img/ShowDownload.png"));
}

void CSplitdlg::resizeEvent(QResizeEvent* event) {
  VEXO_Dialog::resizeEvent(event);
  const int h = height();
  int x = 8;
  for (unsigned id : {kToggleId, kShowAllId}) {
    if (QWidget* button = FindWidget(id)) button->move(x, (h - 16) / 2);
    x += kToggleWidth + 6;
  }
  x = width() - 3 * (kAllWidth + 4) - 4;
  for (unsigned id : {kPauseAllId, kContinueAllId, kCancelAllId}) {
    if (QWidget* button = FindWidget(id)) button->move(x, (h - 22) / 2);
    x += kAllWidth + 4;
  }
}

ds::LResult CSplitdlg::WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  if (message != vexo_msg::WM_COMMAND || vexo_msg::HighWord(wparam) != vexo_msg::BN_CLICKED)
    return VEXO_Dialog::WindowProc(message, wparam, lparam);
  const unsigned id = vexo_msg::LowWord(wparam);
  switch (id) {
    case kToggleId:
      SetListShown(!list_shown_);
      ds::PostMessageTo(page_, kMsgToggled, list_shown_ ? 1 : 0, 0);
      break;
    case kShowAllId:
      ds::PostMessageTo(main_, kMsgShowAll, 0, 0);
      break;
    case kPauseAllId:
    case kContinueAllId:
    case kCancelAllId:
      ds::PostMessageTo(main_, vexo_msg::WM_COMMAND, vexo_msg::MakeWParam(id, 0), 0);
      break;
    default:
      break;
  }
  return 1;
}
