#include "app/pages/soft_info_show.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>

#include "app/downloads/download_row_view.h"
#include "app/downloads/program_icon.h"
#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/render/color.h"
#include "vexo/ui/render/draw_text.h"
#include "vexo/ui/render/font.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/skin_scroll_bar.h"

using soft_pages::kItemHeight;
using soft_pages::kItemsPerPage;

namespace {

VEXO_Image* Image(const char* name) { return VEXO_ResourceMgr::Instance()->GetImage(name); }

void UseFont(QPainter& painter, const char* name) {
  if (VEXO_Font* font = VEXO_ResourceMgr::Instance()->GetFont(name)) painter.setFont(font->GetQFont());
}

}  // namespace

SoftInfoShow::SoftInfoShow(QWidget* parent, SoftPageHost* host) : VEXO_Dialog(parent, kChild), host_(host) {
  setObjectName(QStringLiteral("SoftInfoShow"));
  setMouseTracking(true);
  colours_.fill(0);
  bar_ = new CSkinScrollBar(Qt::Vertical, this);
  bar_->Create(Qt::Vertical, QRect(0, 0, 16, 16), this, kScrollBarId);
  bar_->SetBitmap(Image("img/Scrollbar.png"));
  bar_->SetScrolledWindow(this);
}

SoftInfoShow::Columns SoftInfoShow::ColumnsFor(int width) {
  const int button = width - kButtonWidth - 14;
  const int state = button - 70;
  return Columns{52, state - 76, state, button};
}

int SoftInfoShow::ListWidth() const { return std::max(0, width() - bar_->GetThickness()); }

void SoftInfoShow::Fill(const soft_pages::StateList& programs) {
  items_.fill(nullptr);
  for (std::size_t i = 0; i < programs.size() && i < items_.size(); ++i) items_[i] = programs[i];
  pressed_ = -1;
  UpdateLooks();
  SetScrollRows(programs.empty() ? 0 : kItemsPerPage);
  update();
}

int SoftInfoShow::Filled() const {
  return static_cast<int>(std::count_if(items_.begin(), items_.end(), [](SoftwareState* p) { return p != nullptr; }));
}

SoftwareState* SoftInfoShow::ItemProgram(int index) const {
  return index >= 0 && index < kItemsPerPage ? items_[static_cast<std::size_t>(index)] : nullptr;
}

soft_pages::ItemLook SoftInfoShow::Look(int index) const {
  SoftwareState* program = ItemProgram(index);
  if (program == nullptr) return {};
  return soft_pages::LookFor(*program, index == hovered_, host_ != nullptr && host_->IsLaunching(program->id));
}

void SoftInfoShow::UpdateLooks() {
  for (int i = 0; i < kItemsPerPage; ++i) {
    if (items_[static_cast<std::size_t>(i)] == nullptr) continue;
    const soft_pages::ItemLook look = Look(i);
    if (!look.keepColour) colours_[static_cast<std::size_t>(i)] = look.colour;
  }
}

void SoftInfoShow::RefreshChanged() {
  bool changed = false;
  for (SoftwareState* program : items_)
    if (program != nullptr && (program->statusChanged || program->updateStatusChanged)) {
      program->statusChanged = 0;
      program->updateStatusChanged = 0;
      changed = true;
    }
  // Busy items show their progress as it moves, so they repaint as well.
  for (SoftwareState* program : items_)
    if (program != nullptr && IsBusyStatus(CurrentStatus(*program))) changed = true;
  if (!changed) return;
  UpdateLooks();
  update();
}

void SoftInfoShow::SetScrollRows(int rows) {
  rows_ = rows;
  const int content = rows_ * kItemHeight;
  const int page = std::max(100, height());
  bar_->SetScrollInfo(0, std::max(0, content - 1), page, scroll_);
  bar_->setVisible(content > height());
  ScrollTo(scroll_);
}

void SoftInfoShow::ResetScroll() { ScrollTo(0); }

void SoftInfoShow::ScrollTo(int pos) {
  const int highest = std::max(0, rows_ * kItemHeight - height());
  pos = std::clamp(pos, 0, highest);
  if (pos != scroll_) {
    scroll_ = pos;
    update();
  }
  bar_->SetScrollPos(scroll_);
}

int SoftInfoShow::ItemAt(const QPoint& point) const {
  if (point.x() < 0 || point.x() >= ListWidth() || point.y() < 0) return -1;
  const int index = (point.y() + scroll_) / kItemHeight;
  return index < kItemsPerPage && ItemProgram(index) != nullptr ? index : -1;
}

QRect SoftInfoShow::ButtonRect(int index) const {
  const int top = index * kItemHeight - scroll_;
  return QRect(ColumnsFor(ListWidth()).button, top + (kItemHeight - kButtonHeight) / 2, kButtonWidth, kButtonHeight);
}

void SoftInfoShow::paintEvent(QPaintEvent* event) {
  VEXO_Dialog::paintEvent(event);
  QPainter painter(this);
  const int width = ListWidth();
  const unsigned line = vexo_dt::DT_VCENTER | vexo_dt::DT_SINGLELINE | vexo_dt::DT_NOPREFIX;
  const Columns columns = ColumnsFor(width);
  const int stateX = columns.state;
  const int sizeX = columns.size;
  for (int i = 0; i < kItemsPerPage; ++i) {
    SoftwareState* program = items_[static_cast<std::size_t>(i)];
    const int top = i * kItemHeight - scroll_;
    if (program == nullptr || top >= height() || top + kItemHeight <= 0) continue;
    const soft_pages::ItemLook look = Look(i);
    if (look.state == 1) painter.fillRect(QRect(0, top, width, kItemHeight), QColor(0xE8, 0xF2, 0xFC));
    painter.setPen(QColor(0xE0, 0xE0, 0xE0));
    painter.drawLine(0, top + kItemHeight - 1, width, top + kItemHeight - 1);
    DrawProgramIcon(&painter, *program, QRect(10, top + 7, 32, 32));
    UseFont(painter, "vfontUser12B");
    painter.setPen(QColor(0, 0, 0));
    VEXO_DrawText(&painter, QString::fromStdString(program->name), QRect(columns.name, top + 5, sizeX - 60, 18),
                  line | vexo_dt::DT_END_ELLIPSIS);
    UseFont(painter, "vfontUser12");
    painter.setPen(QColor(0x80, 0x80, 0x80));
    VEXO_DrawText(&painter, QString::fromStdString(program->desc), QRect(columns.name, top + 24, sizeX - 60, 16),
                  line | vexo_dt::DT_END_ELLIPSIS);
    painter.setPen(QColor(0, 0, 0));
    VEXO_DrawText(&painter, QString::fromStdString(download_view::SizeText(program->size)),
                  QRect(sizeX, top, 72, kItemHeight), line);
    painter.setPen(VEXO_ToQColor(colours_[static_cast<std::size_t>(i)]));
    VEXO_DrawText(&painter, QString::fromUtf8(look.text), QRect(stateX, top, 70, kItemHeight), line);
    if (VEXO_Image* button = Image(look.button)) {
      // The strip holds normal, hot, pressed and disabled looks.
      const int cell = button->GetWidth() / 4;
      // Busy items keep an active button (it pauses, resumes or runs); only a running installer
      // greys it.
      const bool launching = host_ != nullptr && host_->IsLaunching(program->id);
      const int strip = launching ? 3 : (i == pressed_ ? 2 : (i == hovered_ ? 1 : 0));
      button->Draw(&painter, ButtonRect(i), QRect(strip * cell, 0, cell, button->GetHeight()));
    }
  }
}

void SoftInfoShow::resizeEvent(QResizeEvent* event) {
  VEXO_Dialog::resizeEvent(event);
  bar_->setGeometry(width() - bar_->GetThickness(), 0, bar_->GetThickness(), height());
  SetScrollRows(rows_);
}

void SoftInfoShow::mouseMoveEvent(QMouseEvent* event) {
  const int index = ItemAt(event->position().toPoint());
  if (index != hovered_) {
    hovered_ = index;
    update();
  }
  event->accept();
}

void SoftInfoShow::leaveEvent(QEvent* event) {
  VEXO_Dialog::leaveEvent(event);
  hovered_ = -1;
  update();
}

void SoftInfoShow::mousePressEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  const int index = ItemAt(point);
  pressed_ = event->button() == Qt::LeftButton && index >= 0 && ButtonRect(index).contains(point) ? index : -1;
  update();
  event->accept();
}

void SoftInfoShow::mouseReleaseEvent(QMouseEvent* event) {
  const int pressed = pressed_;
  pressed_ = -1;
  update();
  event->accept();
  if (pressed < 0 || event->button() != Qt::LeftButton || !ButtonRect(pressed).contains(event->position().toPoint()))
    return;
  SoftwareState* program = ItemProgram(pressed);
  if (program != nullptr && host_ != nullptr) host_->OnItemButton(program);
}

void SoftInfoShow::wheelEvent(QWheelEvent* event) {
  const int notches = event->angleDelta().y() / 120;
  if (notches != 0) ScrollTo(scroll_ - notches * kWheelStep);
  event->accept();
}

ds::LResult SoftInfoShow::WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  if (message != vexo_msg::WM_VSCROLL) return VEXO_Dialog::WindowProc(message, wparam, lparam);
  switch (static_cast<int>(vexo_msg::LowWord(wparam))) {
    case vexo_msg::SB_LINEUP: ScrollTo(scroll_ - kItemHeight); break;
    case vexo_msg::SB_LINEDOWN: ScrollTo(scroll_ + kItemHeight); break;
    case vexo_msg::SB_PAGEUP: ScrollTo(scroll_ - height()); break;
    case vexo_msg::SB_PAGEDOWN: ScrollTo(scroll_ + height()); break;
    case vexo_msg::SB_THUMBTRACK:
    case vexo_msg::SB_THUMBPOSITION: ScrollTo(static_cast<int>(vexo_msg::HighWord(wparam))); break;
    case vexo_msg::SB_TOP: ScrollTo(0); break;
    case vexo_msg::SB_BOTTOM: ScrollTo(rows_ * kItemHeight); break;
    default: break;
  }
  return 1;
}
