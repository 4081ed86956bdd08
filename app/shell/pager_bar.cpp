#include "app/shell/pager_bar.h"

#include <QMouseEvent>
#include <QPainter>

#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/button.h"
#include "vexo/ui/widgets/image_button.h"

namespace {

VEXO_Image* Image(const char* name) { return VEXO_ResourceMgr::Instance()->GetImage(name); }

constexpr int kButtonWidth = 48;
constexpr int kDigitWidth = 7;
constexpr int kCellsX = 2 * (kButtonWidth + 4);

}  // namespace

CPagerBar::CPagerBar(QWidget* parent, const shell::Pager& pager, ds::MsgHandle main)
    : VEXO_Dialog(parent, kChild), pager_(pager), main_(main) {
  setObjectName(QStringLiteral("CPagerBar"));
  const int next = kCellsX + 5 * kCellSpacing + 4;
  VEXO_AddImageButtons(this, {{kFirst, "img/Firstpage.png", QRect(0, 0, kButtonWidth, kHeight)},
                              {kPrevious, "img/Frontpage.png", QRect(kButtonWidth + 4, 0, kButtonWidth, kHeight)},
                              {kNext, "img/Nextpage.png", QRect(next, 0, kButtonWidth, kHeight)},
                              {kLast, "img/Lastpage.png", QRect(next + kButtonWidth + 4, 0, kButtonWidth, kHeight)}});
  Sync();
}

VEXO_Button* CPagerBar::Button(unsigned id) const { return qobject_cast<VEXO_Button*>(FindWidget(id)); }

QRect CPagerBar::CellRect(int index) const { return QRect(kCellsX + index * kCellSpacing, 0, kCellSpacing, kHeight); }

void CPagerBar::Sync() {
  Button(kFirst)->setEnabled(pager_.FirstEnabled());
  Button(kPrevious)->setEnabled(pager_.PreviousEnabled());
  Button(kNext)->setEnabled(pager_.NextEnabled());
  Button(kLast)->setEnabled(pager_.LastEnabled());
  update();
}

void CPagerBar::paintEvent(QPaintEvent* event) {
  VEXO_Dialog::paintEvent(event);
  QPainter painter(this);
  for (int i = 0; i < shell::Pager::kCells; ++i) {
    const shell::Pager::CellState state = pager_.StateOf(i);
    VEXO_Image* strip = Image(state == shell::Pager::CellState::Current ? "img/numberclick.png" : "img/number.png");
    if (strip == nullptr) continue;
    // Ten digits per look; the fourth look is the disabled one.
    const int look = state == shell::Pager::CellState::Disabled ? 3 : 0;
    const int value = pager_.CellValue(i);
    const std::string digits = std::to_string(value);
    const QRect cell = CellRect(i);
    int x = cell.center().x() - static_cast<int>(digits.size()) * kDigitWidth / 2;
    const int y = (kHeight - strip->GetHeight()) / 2;
    for (char digit : digits) {
      const int d = digit - '0';
      strip->Draw(&painter, QRect(x, y, kDigitWidth, strip->GetHeight()),
                  QRect((look * 10 + d) * kDigitWidth, 0, kDigitWidth, strip->GetHeight()));
      x += kDigitWidth;
    }
  }
}

void CPagerBar::mousePressEvent(QMouseEvent* event) { event->accept(); }

void CPagerBar::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  for (int i = 0; i < shell::Pager::kCells; ++i)
    if (CellRect(i).contains(event->position().toPoint()) && pager_.StateOf(i) != shell::Pager::CellState::Disabled)
      ds::PostMessageTo(main_, vexo_msg::WM_COMMAND, vexo_msg::MakeWParam(kFirstCell + static_cast<unsigned>(i), 0), 0);
}

ds::LResult CPagerBar::WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  // The buttons' clicks are the main window's commands.
  if (message == vexo_msg::WM_COMMAND) return ds::PostMessageTo(main_, message, wparam, lparam);
  return VEXO_Dialog::WindowProc(message, wparam, lparam);
}
