// A general owner-drawn push button: background and text colours for the looks "out" (the mouse
// elsewhere), "in" (under the mouse) and "focus", an icon or a bitmap beside, above or after the
// caption, a flat style that shows its border only under the mouse, a tooltip, a hover sound and
// an optional URL opened with the desktop's browser when clicked. A click notifies the parent
// window with WM_COMMAND(id, BN_CLICKED) first. No hover look, and no sound, on a window whose
// input is blocked.
#pragma once

#include <QAbstractButton>
#include <cstdint>
#include <string>

#include "vexo/export.h"

class VEXO_Icon;
class VEXO_Image;

class VEXO_API CButtonST : public QAbstractButton {
  Q_OBJECT

 public:
  enum ColorIndex {
    BTNST_COLOR_BK_IN = 0,
    BTNST_COLOR_FG_IN = 1,
    BTNST_COLOR_BK_OUT = 2,
    BTNST_COLOR_FG_OUT = 3,
    BTNST_COLOR_BK_FOCUS = 4,
    BTNST_COLOR_FG_FOCUS = 5,
    BTNST_MAX_COLORS = 6
  };
  enum Align { ST_ALIGN_HORIZ = 0, ST_ALIGN_VERT = 1, ST_ALIGN_HORIZ_RIGHT = 2 };

  explicit CButtonST(QWidget* parent = nullptr);
  ~CButtonST() override;

  int Create(const char* text, const QRect& rect, QWidget* parent, unsigned id);
  // Icon shown under the mouse (`in`) and otherwise (`out`, null: the same). Borrowed. 1.
  int SetIcon(const VEXO_Icon* in, const VEXO_Icon* out = nullptr);
  // Bitmaps instead of icons, each with its colour key (0xFFFFFFFF for none). Borrowed. 1.
  int SetBitmaps(VEXO_Image* in, std::uint32_t key_in, VEXO_Image* out = nullptr,
                 std::uint32_t key_out = 0xFFFFFFFFu);
  // 1, or 0 for a bad index.
  int SetColor(int index, std::uint32_t colour, bool repaint = true);
  std::uint32_t GetColor(int index) const;
  void SetDefaultColors(bool repaint = true);
  void SetFlat(bool flat) { flat_ = flat; update(); }
  void SetAlign(int align) { align_ = align; update(); }
  void DrawBorder(bool on) { border_ = on; update(); }
  void SetTooltipText(const char* text);
  // Wave file (under the work directory) played when the mouse comes over the button.
  void SetSound(const char* name) { sound_ = name ? name : ""; }
  // Address opened with the desktop's handler after each click; empty for none.
  void SetURL(const char* url) { url_ = url ? url : ""; }
  const std::string& GetURL() const { return url_; }
  bool IsMouseIn() const { return in_; }

  void SetId(unsigned id) { id_ = id; }
  unsigned GetId() const { return id_; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void OnClicked();
  QSize PictureSize() const;

  unsigned id_ = 0;
  std::uint32_t colours_[BTNST_MAX_COLORS] = {};
  const VEXO_Icon* icon_in_ = nullptr;
  const VEXO_Icon* icon_out_ = nullptr;
  VEXO_Image* bitmap_in_ = nullptr;
  VEXO_Image* bitmap_out_ = nullptr;
  std::uint32_t key_in_ = 0xFFFFFFFFu;
  std::uint32_t key_out_ = 0xFFFFFFFFu;
  bool flat_ = true;
  bool border_ = true;
  int align_ = ST_ALIGN_HORIZ;
  bool in_ = false;
  std::string sound_;
  std::string url_;
};
