// The download list's splitter bar: a thin bar on the skin's "/img/SplitBg.png" with two
// buttons. 1021 shows or hides the page's download list (its image switches between
// "/img/ShowDownload.png" and "/img/HideDownload.png") and posts 0x432 to the page; 1026
// ("/img/ShowAllDownload.png") posts 0x9E0 to the main window, which shows every download.
#pragma once

#include "core/thread/message_target.h"
#include "vexo/ui/dialog/dialog.h"

class VEXO_Button;

class CSplitdlg : public VEXO_Dialog {
  Q_OBJECT
 public:
  static constexpr unsigned kIdToggle = 1021;
  static constexpr unsigned kIdShowAll = 1026;
  static constexpr unsigned kMsgToggleList = 0x432;

  // A child of `page` (which gets the toggle) that tells `main_window` to show all downloads.
  CSplitdlg(VEXO_Dialog* page, ds::MsgHandle main_window);

  // Whether the page's download list is shown.
  bool IsListShown() const { return list_shown_; }
  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;

 private:
  VEXO_Button* toggle_ = nullptr;
  ds::MsgHandle page_;
  ds::MsgHandle main_window_;
  bool list_shown_ = true;
};
