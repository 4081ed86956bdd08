#include "vexo/ui/widgets/bc_menu.h"

#include <QAction>
#include <QIcon>
#include <QMenu>

#include "vexo/ui/widgets/menu_look.h"

namespace {

std::unique_ptr<QMenu> NewMenu() {
  auto menu = std::make_unique<QMenu>();
  VEXO_ApplyMenuLook(menu.get());
  return menu;
}

QAction* AddItem(QMenu* menu, const BCMenuItem& item) {
  const QString text = QString::fromUtf8(item.text ? item.text : "");
  if (item.id == 0 && text.isEmpty()) return menu->addSeparator();
  QAction* action = menu->addAction(text);
  action->setData(item.id);
  action->setEnabled((item.flags & BCMenu::kGrayed) == 0);
  if (item.flags & BCMenu::kChecked) {
    action->setCheckable(true);
    action->setChecked(true);
  }
  return action;
}

QAction* FindAction(QMenu* menu, unsigned id) {
  for (QAction* action : menu->actions()) {
    if (action->menu()) {
      if (QAction* found = FindAction(action->menu(), id)) return found;
    } else if (!action->isSeparator() && action->data().toUInt() == id) {
      return action;
    }
  }
  return nullptr;
}

}  // namespace

BCMenu::BCMenu() = default;
BCMenu::~BCMenu() = default;

void BCMenu::Reset() { menu_ = NewMenu(); }

int BCMenu::LoadMenu(const BCMenuItem* items, int count) {
  Reset();
  if (!items || count <= 0) return 0;
  std::vector<QMenu*> stack{menu_.get()};
  for (int i = 0; i < count; ++i) {
    const BCMenuItem& item = items[i];
    if (item.flags & kPopup) {
      QMenu* sub = stack.back()->addMenu(QString::fromUtf8(item.text ? item.text : ""));
      sub->setEnabled((item.flags & kGrayed) == 0);
      stack.push_back(sub);
      continue;
    }
    AddItem(stack.back(), item);
    if ((item.flags & kEnd) && stack.size() > 1) stack.pop_back();
  }
  if (stack.size() != 1) {
    Reset();
    return 0;
  }
  VEXO_ApplyMenuLook(menu_.get());  // the sub-menus too
  return 1;
}

int BCMenu::AppendMenu(unsigned flags, unsigned id, const char* text, const QIcon* icon) {
  if (!menu_) Reset();
  QAction* action = AddItem(menu_.get(), BCMenuItem{id, text, flags & ~(kPopup | kEnd)});
  if (icon && action) action->setIcon(*icon);
  return 1;
}

int BCMenu::GetMenuItemCount() const {
  return menu_ ? static_cast<int>(menu_->actions().size()) : 0;
}

int BCMenu::EnableMenuItem(unsigned id, bool enable) {
  QAction* action = menu_ ? FindAction(menu_.get(), id) : nullptr;
  if (!action) return 0;
  action->setEnabled(enable);
  return 1;
}

int BCMenu::CheckMenuItem(unsigned id, bool check) {
  QAction* action = menu_ ? FindAction(menu_.get(), id) : nullptr;
  if (!action) return 0;
  action->setCheckable(true);
  action->setChecked(check);
  return 1;
}

int BCMenu::SetMenuItemIcon(unsigned id, const QIcon& icon) {
  QAction* action = menu_ ? FindAction(menu_.get(), id) : nullptr;
  if (!action) return 0;
  action->setIcon(icon);
  return 1;
}

void BCMenu::DestroyMenu() { menu_.reset(); }

bool BCMenu::IsEmpty() const { return !menu_ || menu_->actions().isEmpty(); }

unsigned BCMenu::TrackPopupMenu(const QPoint& global) {
  if (IsEmpty()) return 0;
  QAction* chosen = menu_->exec(global);
  return chosen ? chosen->data().toUInt() : 0;
}
