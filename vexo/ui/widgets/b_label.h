// A label with its own paint: an optional background (colour, or an image drawn whole or
// nine-grid) under the caption, which is laid out by the static style as VEXO_Label's and drawn
// in a skin font. With SS_NOTIFY it takes clicks: the caption turns to the hot colour, underlined,
// under the mouse (not on a window whose input is blocked), and a click or double click notifies
// the parent window with WM_COMMAND(id, STN_CLICKED / STN_DBLCLK). Without it, it lets the mouse
// through like any static.
#pragma once

#include <cstdint>
#include <memory>

#include "vexo/ui/widgets/label.h"

class VEXO_Image;
class VEXO_RenderImage;

namespace vexo_msg {
constexpr int STN_CLICKED = 0;
constexpr int STN_DBLCLK = 1;
}  // namespace vexo_msg

class VEXO_API VEXO_BLabel : public VEXO_Label {
  Q_OBJECT

 public:
  static constexpr unsigned SS_NOTIFY = 0x0100;

  explicit VEXO_BLabel(QWidget* parent = nullptr);
  ~VEXO_BLabel() override;

  int Create(const char* text, unsigned style, const QRect& rect, QWidget* parent, unsigned id);
  // Background colour (VEXO_CLR_NONE, the default, for none).
  void SetBkColor(std::uint32_t colour);
  // Background image stretched over the control; with cuts, drawn nine-grid. Null for none.
  void SetBkImage(VEXO_Image* image);
  void SetBkImage(VEXO_Image* image, int x1, int x2, int y1, int y2);
  // The skin font the caption is drawn in ("vfontUser12" by default).
  void SetFontName(const char* name);
  // Caption colour under the mouse (SS_NOTIFY labels).
  void SetHotColor(std::uint32_t colour);
  bool IsHot() const { return hot_; }
  // Turns click notifications on or off (the SS_NOTIFY bit of the style).
  void SetNotify(bool on);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;
  // The background layers, for labels that paint more on top.
  void DrawBackground(QPainter* painter);
  // The caption's pen and font for the current state.
  void PrepareText(QPainter* painter);

 private:
  void SetHot(bool hot);

  std::uint32_t bk_colour_;
  std::unique_ptr<VEXO_RenderImage> bk_;
  std::uint32_t hot_colour_ = 0xA85F1F;
  bool hot_ = false;
  bool pressed_ = false;
};
