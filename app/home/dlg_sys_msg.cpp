#include "app/home/dlg_sys_msg.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>

#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/button.h"
#include "vexo/ui/widgets/label.h"

namespace {
constexpr int kWidth = 320;
constexpr int kHeight = 160;
constexpr int kButtonWidth = 72;
constexpr int kButtonHeight = 26;
constexpr int kButtonGap = 9;  // from the centre, in mode 1
}  // namespace

CDlgSysMsg::CDlgSysMsg(QWidget* parent) : VEXO_Dialog(parent, kTopLevel) {
  setWindowTitle(QStringLiteral("系统提示"));
  resize(kWidth, kHeight);
}

CDlgSysMsg::~CDlgSysMsg() {
  DetachMessages();
  if (disabled_) disabled_->EnableWindow(true);
}

int CDlgSysMsg::OnInitDialog() {
  VEXO_ResourceMgr* resources = VEXO_ResourceMgr::Instance();
  if (VEXO_Image* background = resources->GetImage("/img/SysTip.png")) {
    SetImage(background);
    TransparentPng();
  }
  SetTitleHeight(kDragHeight);
  label_ = new VEXO_Label(this);
  label_->Create("", VEXO_Label::SS_CENTER | VEXO_Label::SS_NOPREFIX, QRect(16, 40, kWidth - 32, 70), this, 0);
  ok_ = new VEXO_Button(this);
  ok_->Create("", QRect(0, 0, kButtonWidth, kButtonHeight), this, kIdOk);
  ok_->SetImage(resources->GetImage("/img/UpdateOk.png"));
  cancel_ = new VEXO_Button(this);
  cancel_->Create("", QRect(0, 0, kButtonWidth, kButtonHeight), this, kIdCancel);
  cancel_->SetImage(resources->GetImage("/img/UpdateCancel.png"));
  close_ = new VEXO_Button(this);
  close_->Create("", QRect(kWidth - 30, 1, 26, 20), this, kIdClose);
  close_->SetImage(resources->GetImage("img/button_close.png"));
  AddWidget(kIdOk, ok_);
  AddWidget(kIdCancel, cancel_);
  AddWidget(kIdClose, close_);
  return 1;
}

void CDlgSysMsg::ShowMessage(ds::MsgHandle owner, int mode, const std::string& text) {
  Create();
  owner_ = owner;
  ok_id_ = kDefaultOk;
  ok_wparam_ = 0;
  ok_lparam_ = 0;
  cancel_id_ = kDefaultCancel;
  mode_ = mode == 1 ? 1 : 0;
  text_ = text;
  label_->SetWindowText(text.c_str());
  const int y = height() - kButtonHeight - 14;
  const int centre = width() / 2;
  if (mode_ == 0) {
    ok_->setGeometry(centre - kButtonWidth / 2, y, kButtonWidth, kButtonHeight);
    cancel_->hide();
  } else {
    ok_->setGeometry(centre - kButtonGap - kButtonWidth, y, kButtonWidth, kButtonHeight);
    cancel_->setGeometry(centre + kButtonGap, y, kButtonWidth, kButtonHeight);
    cancel_->show();
    cancel_->setEnabled(true);
  }
  ok_->show();
  ok_->setEnabled(true);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  show();
  raise();
  activateWindow();
}

void CDlgSysMsg::SetOkMessage(unsigned id, ds::WParam wparam, ds::LParam lparam) {
  ok_id_ = id;
  ok_wparam_ = wparam;
  ok_lparam_ = lparam;
}

void CDlgSysMsg::SetDisabledWindow(VEXO_Dialog* window) {
  if (disabled_ && disabled_ != window) disabled_->EnableWindow(true);
  disabled_ = window;
  if (window) window->EnableWindow(false);
}

void CDlgSysMsg::Answer(bool ok) {
  ok_->hide();
  ok_->setEnabled(false);
  cancel_->hide();
  cancel_->setEnabled(false);
  const ds::MsgHandle owner = owner_;
  const unsigned id = ok ? ok_id_ : cancel_id_;
  const ds::WParam wparam = ok ? ok_wparam_ : 0;
  const ds::LParam lparam = ok ? ok_lparam_ : 0;
  CloseBox();
  if (owner != 0 && id != 0) ds::PostMessageTo(owner, id, wparam, lparam);
}

void CDlgSysMsg::CloseBox() {
  hide();
  if (disabled_) {
    disabled_->EnableWindow(true);
    disabled_ = nullptr;
  }
}

ds::LResult CDlgSysMsg::WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  if (message == vexo_msg::WM_COMMAND) {
    const unsigned id = vexo_msg::LowWord(wparam);
    if (id == kIdOk) {
      Answer(true);
      return 1;
    }
    if (id == kIdCancel || id == kIdClose) {
      Answer(false);
      return 1;
    }
  }
  return VEXO_Dialog::WindowProc(message, wparam, lparam);
}

void CDlgSysMsg::OnClose() {
  if (isVisible()) Answer(false);
}

void CDlgSysMsg::mousePressEvent(QMouseEvent* event) {
  if (event->position().y() >= kDragHeight) {
    event->accept();
    return;
  }
  VEXO_Dialog::mousePressEvent(event);
}
