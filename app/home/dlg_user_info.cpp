#include "app/home/dlg_user_info.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "app/home/login_rules.h"
#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/render/draw_text.h"
#include "vexo/ui/render/font.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/button.h"

namespace {
constexpr int kWidth = 262;
constexpr int kHeight = 148;
constexpr std::uint32_t kMagenta = 0xFF00FF;
const QRect kTextRects[5] = {QRect(QPoint(153, 24), QPoint(251, 40)), QRect(QPoint(166, 49), QPoint(251, 65)),
                             QRect(QPoint(153, 73), QPoint(251, 89)), QRect(QPoint(153, 96), QPoint(251, 112)),
                             QRect(QPoint(88, 120), QPoint(194, 136))};
}  // namespace

CDlgUserInfo::CDlgUserInfo(QWidget* parent) : VEXO_Dialog(parent, kTopLevel) {
  setWindowFlag(Qt::Tool, true);
  resize(kWidth, kHeight);
}

CDlgUserInfo::~CDlgUserInfo() { DetachMessages(); }

int CDlgUserInfo::OnInitDialog() {
  VEXO_ResourceMgr* resources = VEXO_ResourceMgr::Instance();
  if (VEXO_Image* background = resources->GetImage("img/UserInfo.png")) {
    SetImage(background);
    resize(background->GetWidth(), background->GetHeight());
  }
  logout_ = new VEXO_Button(this);
  VEXO_Image* logout = resources->GetImage("img/Loginout.png");
  // A four-state strip: one state is a quarter of its width.
  const int width = logout ? logout->GetWidth() / 4 : 48;
  logout_->Create("", QRect(204, 122, width, logout ? logout->GetHeight() : 18), this, kIdLogout);
  logout_->SetImage(logout);
  AddWidget(kIdLogout, logout_);
  return 1;
}

void CDlgUserInfo::SetUserInfo(const std::string& account, const std::string& nickname, int sex, int number,
                               int member) {
  texts_[0] = nickname;
  texts_[1] = account;
  texts_[2] = login::SexText(sex);
  texts_[3] = std::to_string(number);
  texts_[4] = login::MemberText(member);
  face_name_ = login::FaceImage(sex);
  VEXO_ResourceMgr* resources = VEXO_ResourceMgr::Instance();
  face_ = resources->GetImage(login::FaceImage(sex));
  hair_ = resources->GetImage(login::HairImage(sex));
  update();
}

void CDlgUserInfo::ShowUserInfo(QWidget* anchor) {
  Create();
  if (anchor) {
    const QPoint bottom_left = anchor->mapToGlobal(QPoint(0, anchor->height() - 1));
    int x = bottom_left.x();
    QScreen* screen = anchor->screen() ? anchor->screen() : QGuiApplication::primaryScreen();
    if (screen && x + width() > screen->geometry().right() + 1) x = screen->geometry().right() + 1 - width();
    move(x, bottom_left.y());
  }
  show();
  raise();
}

void CDlgUserInfo::paintEvent(QPaintEvent* event) {
  VEXO_Dialog::paintEvent(event);
  QPainter painter(this);
  for (VEXO_Image* image : {face_, hair_})
    if (image) painter.drawImage(QPoint(15, 10), image->KeyedCopy(kMagenta));
  if (VEXO_Font* font = VEXO_ResourceMgr::Instance()->GetFont("hfont")) painter.setFont(font->GetQFont());
  for (int i = 0; i < 5; ++i)
    VEXO_DrawText(&painter, QString::fromStdString(texts_[i]), kTextRects[i],
                  vexo_dt::DT_LEFT | vexo_dt::DT_VCENTER | vexo_dt::DT_SINGLELINE | vexo_dt::DT_NOPREFIX);
}

ds::LResult CDlgUserInfo::WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  if (message == vexo_msg::WM_COMMAND && vexo_msg::LowWord(wparam) == kIdLogout) {
    if (owner_) ds::PostMessageTo(owner_, kMsgLogout, 0, 0);
    hide();
    return 1;
  }
  return VEXO_Dialog::WindowProc(message, wparam, lparam);
}
