// The skinned drop-down list: a frame image with two looks (enabled left half, disabled right
// half) stretched over the control, the selected text, and a drop-down button from a four-look
// strip with hover and press tracking as the skinned button has. It drops down a list of its
// own (VEXO_ComboDropList) on a click, F4 or Alt+Down; the list closes on a press outside it, on
// Escape, when the box loses focus and when its window moves. A choice made by the user notifies
// the parent window with WM_COMMAND(id, CBN_SELCHANGE). A sorted box keeps its items in GBK byte
// order.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vexo/export.h"

class VEXO_ComboDropList;
class VEXO_Image;
class VEXO_RenderImage;

class VEXO_API VEXO_ComboBox : public QWidget {
  Q_OBJECT

 public:
  static constexpr unsigned CBS_SORT = 0x0100;
  static constexpr int CB_ERR = -1;

  explicit VEXO_ComboBox(QWidget* parent = nullptr);
  ~VEXO_ComboBox() override;

  // `style` CBS_SORT sorts the items.
  int Create(unsigned style, const QRect& rect, QWidget* parent, unsigned id);
  // Frame image (two looks) and an optional background image for the dropped list.
  int Init(VEXO_Image* frame, VEXO_Image* list_background);
  // Four-look button strip; `fixsize` non-zero draws it at its own size (W/4 x H) at the right,
  // otherwise as a square of the control's height. `colour` is its colour key.
  int SetButtonImage(VEXO_Image* image, int fixsize, std::uint32_t colour);
  void SetSorted(bool sorted) { sorted_ = sorted; }
  bool IsSorted() const { return sorted_; }
  void SetTextColor(std::uint32_t colour);

  // Items, UTF-8. AddString returns the index the item got (sorted boxes insert in order).
  int AddString(const char* text);
  int InsertString(int index, const char* text);
  int DeleteString(int index);  // the remaining count, or CB_ERR
  void ResetContent();
  int GetCount() const { return static_cast<int>(items_.size()); }
  int GetCurSel() const { return current_; }
  int SetCurSel(int index);  // the new selection, CB_ERR when out of range (clears it)
  std::string GetLBText(int index) const;
  int SetItemData(int index, std::uintptr_t data);
  std::uintptr_t GetItemData(int index) const;
  int FindStringExact(int start, const char* text) const;

  // Opens or closes the dropped list.
  void ShowDropDown(bool show);
  bool GetDroppedState() const;
  VEXO_ComboDropList* GetDroppedList() const { return list_; }
  // The dropped list is done: `row` chosen, or -1 for closed without a choice.
  void OnDropListDone(int row);

  int GetButtonState() const { return button_state_; }
  QRect ButtonRect() const;

  void SetId(unsigned id) { id_ = id; }
  unsigned GetId() const { return id_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void changeEvent(QEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Item {
    std::string text;  // UTF-8
    std::string gbk;   // sort key
    std::uintptr_t data = 0;
  };
  void ChooseByUser(int index);
  void SetButtonState(int state);
  // Watches the window and every widget between it and the box while the list is open.
  void WatchOwners(bool on);

  unsigned id_ = 0;
  bool sorted_ = false;
  std::vector<Item> items_;
  int current_ = CB_ERR;
  VEXO_Image* frame_ = nullptr;
  VEXO_Image* list_background_ = nullptr;
  std::unique_ptr<VEXO_RenderImage> button_;
  bool button_fixsize_ = false;
  int button_state_ = 1;
  std::uint32_t text_colour_ = 0;
  VEXO_ComboDropList* list_ = nullptr;
  std::vector<QPointer<QWidget>> watched_;
};
