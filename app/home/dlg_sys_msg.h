// The program's own message box: one text with OK, or OK and Cancel, reporting the answer to an
// owner window by posting a message. A box with OK only is a notice: the window that shows it
// gives it an OK id of its own or 0 (nothing posted). A window the box disabled while it shows
// is enabled again whenever the box closes, however it closes.
#pragma once

#include <QPointer>
#include <string>

#include "vexo/ui/dialog/dialog.h"

class VEXO_Button;
class VEXO_Label;

class CDlgSysMsg : public VEXO_Dialog {
  Q_OBJECT
 public:
  static constexpr unsigned kDefaultOk = 2536;
  static constexpr unsigned kDefaultCancel = 2537;
  static constexpr unsigned kIdOk = 1;
  static constexpr unsigned kIdCancel = 2;
  static constexpr unsigned kIdClose = 3;
  // Dragging works only within this many pixels from the top.
  static constexpr int kDragHeight = 22;

  explicit CDlgSysMsg(QWidget* parent = nullptr);
  ~CDlgSysMsg() override;

  // Shows the box centred with `text`: mode 0 OK only (centred at the bottom), mode 1 OK and
  // Cancel (9 pixels either side of the centre). Owner `owner`, OK id 2536 (0, 0), Cancel 2537.
  void ShowMessage(ds::MsgHandle owner, int mode, const std::string& text);
  void SetOkMessage(unsigned id, ds::WParam wparam = 0, ds::LParam lparam = 0);
  void SetCancelMessage(unsigned id) { cancel_id_ = id; }
  // `window` stays disabled while the box shows and is enabled again when it closes.
  void SetDisabledWindow(VEXO_Dialog* window);

  std::string GetText() const { return text_; }
  int GetMode() const { return mode_; }
  unsigned GetOkId() const { return ok_id_; }

  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;

 protected:
  int OnInitDialog() override;
  void OnClose() override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void Answer(bool ok);
  void CloseBox();

  VEXO_Button* ok_ = nullptr;
  VEXO_Button* cancel_ = nullptr;
  VEXO_Button* close_ = nullptr;
  VEXO_Label* label_ = nullptr;
  ds::MsgHandle owner_ = 0;
  unsigned ok_id_ = kDefaultOk;
  ds::WParam ok_wparam_ = 0;
  ds::LParam ok_lparam_ = 0;
  unsigned cancel_id_ = kDefaultCancel;
  int mode_ = 0;
  std::string text_;
  QPointer<VEXO_Dialog> disabled_;
};
