// The items of a software page: up to twenty programs, 46 pixels each, with icon, name,
// description, size, state text in the state's colour and one action button. The mouse over an
// item lights it; a press on its button and a release there run the item's action through the
// page (SoftPageHost). A skinned scroll bar and the wheel (138 pixels a notch) scroll it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/pages/soft_list_rules.h"
#include "vexo/ui/dialog/dialog.h"

class CSkinScrollBar;

// What the items ask of the page that shows them.
class SoftPageHost {
 public:
  virtual ~SoftPageHost() = default;
  virtual bool IsLaunching(int id) const = 0;
  // The button of `program`'s item was clicked.
  virtual void OnItemButton(SoftwareState* program) = 0;
};

class SoftInfoShow : public VEXO_Dialog {
  Q_OBJECT
 public:
  static constexpr unsigned kScrollBarId = 1150;
  static constexpr int kWheelStep = 138;

  // Where an item's parts sit across a list `width` pixels wide (the scroll bar not counted):
  // the x of the name, size, state text and button; the page's header takes its columns from it.
  struct Columns {
    int name;
    int size;
    int state;
    int button;
  };
  static constexpr int kButtonWidth = 64;
  static constexpr int kButtonHeight = 24;
  static Columns ColumnsFor(int width);

  SoftInfoShow(QWidget* parent, SoftPageHost* host);

  // Binds the items to `programs` (at most twenty); the rest stay empty.
  void Fill(const soft_pages::StateList& programs);
  void Clear() { Fill({}); }
  // The scroll range for `filled` items (at least the rows that fit when `coverVisible`).
  void SetScrollRows(int rows);
  void ResetScroll();
  // Redraws the items whose record changed, clearing the flags.
  void RefreshChanged();

  int Filled() const;
  SoftwareState* ItemProgram(int index) const;
  // Item under a point of this widget (-1 for none).
  int ItemAt(const QPoint& point) const;
  // Where item `index`'s button is drawn now (in this widget's coordinates).
  QRect ButtonRect(int index) const;
  soft_pages::ItemLook Look(int index) const;
  std::uint32_t TextColour(int index) const { return colours_[static_cast<std::size_t>(index)]; }
  int ScrollPos() const { return scroll_; }
  int Hovered() const { return hovered_; }

  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;
  // Width of the items, without the scroll bar.
  int ListWidth() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void ScrollTo(int pos);
  void UpdateLooks();

  SoftPageHost* host_;
  std::array<SoftwareState*, soft_pages::kItemsPerPage> items_{};
  std::array<std::uint32_t, soft_pages::kItemsPerPage> colours_{};
  CSkinScrollBar* bar_ = nullptr;
  int rows_ = soft_pages::kItemsPerPage;
  int scroll_ = 0;
  int hovered_ = -1;
  int pressed_ = -1;
};
