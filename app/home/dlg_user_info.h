// The small panel with the logged-in user's data (face, nickname, account, sex, a number,
// membership) shown next to the main window's user button, with a logout button that asks the
// owner window to log out (2553).
#pragma once

#include <string>

#include "core/thread/message_target.h"
#include "vexo/ui/dialog/dialog.h"

class VEXO_Button;
class VEXO_Image;

class CDlgUserInfo : public VEXO_Dialog {
  Q_OBJECT
 public:
  static constexpr unsigned kIdLogout = 1;
  static constexpr unsigned kMsgLogout = 2553;

  explicit CDlgUserInfo(QWidget* parent = nullptr);
  ~CDlgUserInfo() override;

  // Who gets 2553 when the logout button is pressed.
  void SetOwner(ds::MsgHandle owner) { owner_ = owner; }
  void SetUserInfo(const std::string& account, const std::string& nickname, int sex, int number, int member);
  // Shows the panel at `anchor`'s left edge, one pixel above its bottom, moved left when it would
  // pass the screen's right edge.
  void ShowUserInfo(QWidget* anchor);
  // The five texts in drawing order: nickname, account, sex, number, membership.
  std::string Text(int index) const { return index >= 0 && index < 5 ? texts_[index] : std::string(); }
  std::string FaceName() const { return face_name_; }
  VEXO_Button* LogoutButton() const { return logout_; }

  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;

 protected:
  int OnInitDialog() override;
  void OnClose() override { hide(); }
  void paintEvent(QPaintEvent* event) override;

 private:
  VEXO_Button* logout_ = nullptr;
  VEXO_Image* face_ = nullptr;
  VEXO_Image* hair_ = nullptr;
  std::string face_name_;
  std::string texts_[5];
  ds::MsgHandle owner_ = 0;
};
