#include "vexo/ui/widgets/vexo_menu.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/render/color.h"
#include "vexo/ui/render/draw_text.h"
#include "vexo/ui/render/icon.h"
#include "vexo/ui/render/skin_font.h"
#include "vexo/ui/resources/skin_colors.h"

namespace {
constexpr int kBorder = 1;
constexpr int kSeparatorHeight = 7;
constexpr int kTextLeft = 30;  // room for the icon or the check mark
constexpr int kTextRight = 20;
constexpr int kMinWidth = 120;
}  // namespace

// The popup window of one TrackPopupMenu call: paints the items and turns input into a choice.
class VEXO_MenuPopup : public QWidget {
 public:
  explicit VEXO_MenuPopup(VEXO_Menu* menu)
      : QWidget(nullptr, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint),
        menu_(menu) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setFont(VEXO_SkinFont(menu->font_name_.c_str()));
    resize(menu->GetMenuSize());
  }

  int chosen = -1;
  int hot = -1;
  QEventLoop* loop = nullptr;

  void Detach() { menu_ = nullptr; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    if (!menu_) return;
    painter.fillRect(rect(), VEXO_ToQColor(menu_->bk_colour_));
    painter.setPen(VEXO_ToQColor(menu_->border_colour_));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setFont(font());
    for (int i = 0; i < menu_->GetMenuItemCount(); ++i) PaintItem(&painter, i);
  }

  void mouseMoveEvent(QMouseEvent* event) override {
    SetHot(ItemAt(event->position().toPoint()));
  }

  void mouseReleaseEvent(QMouseEvent* event) override {
    const int index = ItemAt(event->position().toPoint());
    if (index >= 0) Choose(index);
  }

  void mousePressEvent(QMouseEvent* event) override {
    // Qt closes a popup on a press outside it; a press on a separator or a greyed item stays.
    if (!rect().contains(event->position().toPoint())) close();
  }

  void leaveEvent(QEvent*) override { SetHot(-1); }

  void keyPressEvent(QKeyEvent* event) override {
    switch (event->key()) {
      case Qt::Key_Up: Step(-1); break;
      case Qt::Key_Down: Step(1); break;
      case Qt::Key_Home: hot = -1; Step(1); break;
      case Qt::Key_End: hot = menu_ ? menu_->GetMenuItemCount() : 0; Step(-1); break;
      case Qt::Key_Return:
      case Qt::Key_Enter:
      case Qt::Key_Space:
        if (hot >= 0) Choose(hot);
        break;
      case Qt::Key_Escape: close(); break;
      default: break;
    }
  }

  void hideEvent(QHideEvent*) override {
    if (loop) loop->quit();
  }

 private:
  int ItemAt(const QPoint& point) const {
    if (!menu_) return -1;
    for (int i = 0; i < menu_->GetMenuItemCount(); ++i) {
      if (menu_->GetItemRect(i).contains(point)) return menu_->Selectable(i) ? i : -1;
    }
    return -1;
  }

  void SetHot(int index) {
    if (index == hot) return;
    hot = index;
    update();
  }

  void Step(int direction) {
    if (!menu_) return;
    const int count = menu_->GetMenuItemCount();
    for (int i = hot + direction; i >= 0 && i < count; i += direction) {
      if (menu_->Selectable(i)) {
        SetHot(i);
        return;
      }
    }
  }

  void Choose(int index) {
    chosen = index;
    close();
  }

  void PaintItem(QPainter* painter, int index) {
    const VEXO_Menu::Item& item = menu_->items_[index];
    const QRect r = menu_->GetItemRect(index);
    if (item.flags & VEXO_Menu::MF_SEPARATOR) {
      painter->fillRect(QRect(r.left() + 6, r.center().y(), r.width() - 12, 1),
                        VEXO_ToQColor(menu_->border_colour_));
      return;
    }
    const bool enabled = menu_->Selectable(index);
    const bool highlighted = enabled && index == hot;
    if (highlighted) painter->fillRect(r, VEXO_ToQColor(menu_->selected_bk_));
    std::uint32_t colour = highlighted ? menu_->selected_text_ : menu_->text_colour_;
    if (!enabled) colour = menu_->disabled_colour_;
    painter->setPen(VEXO_ToQColor(colour));
    const QRect mark(r.left() + 7, r.top() + (r.height() - 16) / 2, 16, 16);
    if (item.icon && !item.icon->IsNull()) {
      painter->drawPixmap(mark, item.icon->Small());
    } else if (item.flags & VEXO_Menu::MF_CHECKED) {
      QPainterPath tick;
      tick.moveTo(mark.left() + 3, mark.top() + 8);
      tick.lineTo(mark.left() + 6.5, mark.top() + 11.5);
      tick.lineTo(mark.left() + 13, mark.top() + 4.5);
      painter->save();
      painter->setRenderHint(QPainter::Antialiasing);
      painter->setPen(QPen(VEXO_ToQColor(colour), 2));
      painter->drawPath(tick);
      painter->restore();
    }
    VEXO_DrawText(painter, item.text, r.adjusted(kTextLeft, 0, -kTextRight, 0),
                  vexo_dt::DT_SINGLELINE | vexo_dt::DT_VCENTER | vexo_dt::DT_END_ELLIPSIS);
  }

  VEXO_Menu* menu_;
};

VEXO_Menu::VEXO_Menu() : alive_(std::make_shared<bool>(true)) {
  // The skin's menu colours; the menu's own where the skin has none.
  using namespace vexo_color;
  bk_colour_ = VEXO_SkinColor(kMenuBk, bk_colour_);
  text_colour_ = VEXO_SkinColor(kMenuText, text_colour_);
  selected_text_ = VEXO_SkinColor(kMenuHighlightText, selected_text_);
  selected_bk_ = VEXO_SkinColor(kMenuHighlight, selected_bk_);
  border_colour_ = VEXO_SkinColor(kMenuBorder, border_colour_);
  disabled_colour_ = VEXO_SkinColor(kMenuDisabledText, disabled_colour_);
}

VEXO_Menu::~VEXO_Menu() {
  *alive_ = false;
  if (popup_) {
    popup_->Detach();
    popup_->close();
  }
}

int VEXO_Menu::CreatePopupMenu() {
  items_.clear();
  return 1;
}

int VEXO_Menu::AppendMenu(unsigned flags, unsigned id, const char* text, const VEXO_Icon* icon) {
  Item item;
  item.id = id;
  item.text = QString::fromUtf8(text ? text : "");
  item.flags = flags;
  item.icon = icon;
  items_.push_back(item);
  return 1;
}

const VEXO_Menu::Item* VEXO_Menu::GetItem(int index) const {
  return index >= 0 && index < GetMenuItemCount() ? &items_[index] : nullptr;
}

VEXO_Menu::Item* VEXO_Menu::FindItem(unsigned id) {
  for (Item& item : items_) {
    if (!(item.flags & MF_SEPARATOR) && item.id == id) return &item;
  }
  return nullptr;
}

int VEXO_Menu::EnableMenuItem(unsigned id, bool enable) {
  Item* item = FindItem(id);
  if (!item) return 0;
  item->flags = enable ? item->flags & ~(MF_GRAYED | MF_DISABLED) : item->flags | MF_GRAYED;
  if (popup_) popup_->update();
  return 1;
}

int VEXO_Menu::CheckMenuItem(unsigned id, bool check) {
  Item* item = FindItem(id);
  if (!item) return 0;
  item->flags = check ? item->flags | MF_CHECKED : item->flags & ~MF_CHECKED;
  if (popup_) popup_->update();
  return 1;
}

void VEXO_Menu::DestroyMenu() {
  items_.clear();
  if (popup_) popup_->close();
}

void VEXO_Menu::SetSelectedColor(std::uint32_t text, std::uint32_t background) {
  selected_text_ = text;
  selected_bk_ = background;
}

void VEXO_Menu::SetItemHeight(int height) { item_height_ = std::max(8, height); }

bool VEXO_Menu::Selectable(int index) const {
  const Item* item = GetItem(index);
  return item && !(item->flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED));
}

QRect VEXO_Menu::GetItemRect(int index) const {
  if (index < 0 || index >= GetMenuItemCount()) return QRect();
  const int width = GetMenuSize().width() - 2 * kBorder;
  int y = kBorder;
  for (int i = 0; i < index; ++i) {
    y += items_[i].flags & MF_SEPARATOR ? kSeparatorHeight : item_height_;
  }
  const int h = items_[index].flags & MF_SEPARATOR ? kSeparatorHeight : item_height_;
  return QRect(kBorder, y, width, h);
}

QSize VEXO_Menu::GetMenuSize() const {
  const QFontMetrics metrics(VEXO_SkinFont(font_name_.c_str()));
  int width = kMinWidth;
  int height = 2 * kBorder;
  for (const Item& item : items_) {
    height += item.flags & MF_SEPARATOR ? kSeparatorHeight : item_height_;
    width = std::max(width, kTextLeft + metrics.horizontalAdvance(item.text) + kTextRight);
  }
  return QSize(width + 2 * kBorder, height);
}

QWidget* VEXO_Menu::GetPopup() const { return popup_; }

unsigned VEXO_Menu::TrackPopupMenu(unsigned flags, const QPoint& global, ds::MsgHandle owner) {
  if (items_.empty() || popup_) return 0;
  std::shared_ptr<bool> alive = alive_;
  auto* popup = new VEXO_MenuPopup(this);
  QPointer<VEXO_MenuPopup> guard(popup);
  popup_ = popup;
  QPoint at = global;
  if (QScreen* screen = QGuiApplication::screenAt(global)) {
    const QRect area = screen->availableGeometry();
    at.setX(std::max(area.left(), std::min(at.x(), area.right() + 1 - popup->width())));
    at.setY(std::max(area.top(), std::min(at.y(), area.bottom() + 1 - popup->height())));
  }
  popup->move(at);
  QEventLoop loop;
  popup->loop = &loop;
  popup->show();
  popup->setFocus();
  if (popup->isVisible()) loop.exec();
  const int chosen = guard ? guard->chosen : -1;
  delete guard.data();
  // The menu may have been destroyed while it was open: nothing of it is touched then.
  if (!*alive) return 0;
  popup_ = nullptr;
  if (chosen < 0 || chosen >= GetMenuItemCount()) return 0;
  const unsigned id = items_[chosen].id;
  if (flags & TPM_RETURNCMD) return id;
  if (owner != 0) ds::PostMessageTo(owner, vexo_msg::WM_COMMAND, vexo_msg::MakeWParam(id, 0), 0);
  return 1;
}
