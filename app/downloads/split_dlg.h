// The bar above an embedded download list: 1021 shows or hides the list (its image switches
// between "show" and "hide") and posts 1074 to the page that hosts it; 1026 asks the main window
// to show all downloads (0x9E0); 1027, 1028 and 1029 (pause, continue, cancel all downloads) go
// to the main window as its own commands.
#pragma once

#include "core/thread/message_target.h"
#include "vexo/ui/dialog/dialog.h"

class VEXO_Button;

class CSplitdlg : public VEXO_Dialog {
  Q_OBJECT
 public:
  static constexpr unsigned kToggleId = 1021;
  static constexpr unsigned kShowAllId = 1026;
  static constexpr unsigned kPauseAllId = 1027;
  static constexpr unsigned kContinueAllId = 1028;
  static constexpr unsigned kCancelAllId = 1029;
  static constexpr unsigned kMsgToggled = 0x432;
  static constexpr unsigned kMsgShowAll = 0x9E0;
  static constexpr int kHeight = 24;

  // `page` hears the toggle, `main` the rest.
  CSplitdlg(QWidget* parent, ds::MsgHandle page, ds::MsgHandle main);

  bool IsListShown() const { return list_shown_; }
  void SetListShown(bool shown);
  VEXO_Button* Button(unsigned id) const;

  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  ds::MsgHandle page_;
  ds::MsgHandle main_;
  bool list_shown_ = true;
};
