// Popup menus built from tables (there are no menu resources): each item has a command id, a
// caption and flags; a popup item opens a sub-menu made of the items that follow it up to the
// one marked as the popup's end. Menus are unskinned: Qt's Fusion style with a fixed palette in
// the skin's font and accent (widgets/menu_look.h), item icons where given.
#pragma once

#include <QPoint>
#include <memory>
#include <vector>

#include "vexo/export.h"

class QMenu;
class QIcon;

struct BCMenuItem {
  unsigned id = 0;              // command id; 0 with an empty caption is a separator
  const char* text = nullptr;   // UTF-8 caption; '&' marks the mnemonic
  unsigned flags = 0;           // BCMenu::kGrayed, kChecked, kPopup, kEnd
};

class VEXO_API BCMenu {
 public:
  static constexpr unsigned kGrayed = 0x0001;
  static constexpr unsigned kChecked = 0x0008;
  static constexpr unsigned kPopup = 0x0010;  // opens a sub-menu of the items that follow
  static constexpr unsigned kEnd = 0x0080;    // last item of the current (sub-)menu

  BCMenu();
  ~BCMenu();

  // Builds the menu from `count` items (replacing what it held). 0 for a null table, a
  // non-positive count or a popup that never ends; the menu is then empty.
  int LoadMenu(const BCMenuItem* items, int count);
  // Appends one item to the top level.
  int AppendMenu(unsigned flags, unsigned id, const char* text, const QIcon* icon = nullptr);
  int GetMenuItemCount() const;
  // Enables or greys the item with command id `id` (at any depth). 1 when found.
  int EnableMenuItem(unsigned id, bool enable);
  int CheckMenuItem(unsigned id, bool check);
  int SetMenuItemIcon(unsigned id, const QIcon& icon);
  void DestroyMenu();
  bool IsEmpty() const;

  // Shows the menu at `global` and waits for the choice; the chosen command id, 0 when the menu
  // was dismissed.
  unsigned TrackPopupMenu(const QPoint& global);

  QMenu* GetQMenu() const { return menu_.get(); }

  BCMenu(const BCMenu&) = delete;
  BCMenu& operator=(const BCMenu&) = delete;

 private:
  void Reset();

  std::unique_ptr<QMenu> menu_;
};
