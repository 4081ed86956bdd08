// An owner-drawn popup menu: every item is painted by the toolkit into its own rectangle, on the
// menu's background colour, the highlighted item in the selection colours (the skin's menu
// colours unless set here), with an optional icon
// and check mark, in a skin font. Built in code (AppendMenu); TrackPopupMenu shows it and waits:
// the mouse or the keys (Up, Down, Home, End, Return, Space, Escape) choose, a click outside
// dismisses. The choice is posted to the owner window as WM_COMMAND(id, 0), or returned with
// TPM_RETURNCMD. The program's own menus stay the plain ones of BCMenu; this one is for windows
// that want a menu in the skin's colours.
#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/thread/message_target.h"
#include "vexo/export.h"

class QWidget;
class VEXO_Icon;
class VEXO_MenuPopup;

class VEXO_API VEXO_Menu {
 public:
  static constexpr unsigned MF_STRING = 0x0000;
  static constexpr unsigned MF_GRAYED = 0x0001;
  static constexpr unsigned MF_DISABLED = 0x0002;
  static constexpr unsigned MF_CHECKED = 0x0008;
  static constexpr unsigned MF_SEPARATOR = 0x0800;
  static constexpr unsigned TPM_RETURNCMD = 0x0100;

  struct Item {
    unsigned id = 0;
    QString text;
    unsigned flags = 0;
    const VEXO_Icon* icon = nullptr;  // borrowed
  };

  VEXO_Menu();
  ~VEXO_Menu();

  // Starts an empty popup menu. 1.
  int CreatePopupMenu();
  // Appends an item (UTF-8 caption; MF_SEPARATOR for a separator line). 1.
  int AppendMenu(unsigned flags, unsigned id = 0, const char* text = nullptr,
                 const VEXO_Icon* icon = nullptr);
  int GetMenuItemCount() const { return static_cast<int>(items_.size()); }
  const Item* GetItem(int index) const;
  // By command id; 1 when found.
  int EnableMenuItem(unsigned id, bool enable);
  int CheckMenuItem(unsigned id, bool check);
  void DestroyMenu();

  // Looks (0x00BBGGRR).
  void SetBkColor(std::uint32_t colour) { bk_colour_ = colour; }
  void SetTextColor(std::uint32_t colour) { text_colour_ = colour; }
  void SetSelectedColor(std::uint32_t text, std::uint32_t background);
  void SetBorderColor(std::uint32_t colour) { border_colour_ = colour; }
  void SetItemHeight(int height);
  // The skin font of the captions ("vfontUser12" by default).
  void SetFontName(const char* name) { font_name_ = name ? name : "vfontUser12"; }

  // Each item's rectangle in the popup, and the popup's size, for the current items and font.
  QRect GetItemRect(int index) const;
  QSize GetMenuSize() const;

  // Shows the menu with its top-left corner at `global` (moved to stay on the screen) and waits
  // for the choice. With TPM_RETURNCMD: the chosen id, 0 when dismissed. Otherwise the choice is
  // posted to `owner` and the result is 1 when something was chosen. Safe when the menu object
  // is destroyed while it is open (the result is then 0).
  unsigned TrackPopupMenu(unsigned flags, const QPoint& global, ds::MsgHandle owner = 0);
  // The popup while TrackPopupMenu waits, else null.
  QWidget* GetPopup() const;

  VEXO_Menu(const VEXO_Menu&) = delete;
  VEXO_Menu& operator=(const VEXO_Menu&) = delete;

 private:
  friend class VEXO_MenuPopup;
  Item* FindItem(unsigned id);
  bool Selectable(int index) const;

  std::vector<Item> items_;
  std::uint32_t bk_colour_ = 0xFFFFFF;
  std::uint32_t text_colour_ = 0x2B2B2B;
  std::uint32_t selected_text_ = 0xFFFFFF;
  std::uint32_t selected_bk_ = 0xD37F2D;
  std::uint32_t border_colour_ = 0xD0B59D;
  std::uint32_t disabled_colour_ = 0x646464;
  int item_height_ = 24;
  std::string font_name_ = "vfontUser12";
  VEXO_MenuPopup* popup_ = nullptr;
  std::shared_ptr<bool> alive_;
};
