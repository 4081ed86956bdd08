// A transparent button with a second image drawn over it into a fixed rectangle: either its own
// strip of four looks following the button's state, or a single look. The second image can also
// serve as a digit strip: SetNumImg prints a number with ten equal digit cells (0-9) inside the
// look of the current state.
#pragma once

#include <QRect>
#include <cstdint>
#include <string>

#include "vexo/ui/widgets/transparent_bt.h"

class VEXO_API VEXO_MLLButton : public VEXO_TransparentBt {
  Q_OBJECT

 public:
  explicit VEXO_MLLButton(QWidget* parent = nullptr);

  // The second image; `single_state` non-zero draws it whole whatever the state.
  void SetMLLImage(VEXO_Image* image, int single_state = 0);
  VEXO_Image* GetMLLImage() const { return overlay_; }
  // Where the second image (or the number) is drawn, in button coordinates.
  void SetImgNormalRect(const QRect& rect);
  QRect GetImgNormalRect() const { return normal_rect_; }

  // Shows `number` with the second image as a digit strip; a '-' sign has no cell and is left
  // out. The digits are drawn at the cell size from the left of the normal rectangle.
  void SetNumImg(std::int64_t number);
  // Back to drawing the second image as a picture.
  void ClearNumImg();
  bool HasNumber() const { return has_number_; }
  const std::string& GetNumberText() const { return number_text_; }

  // Number of looks in the button's own background strip: 4 (default) or 1 for one look in
  // every state.
  void SetBgStyle(int style);
  int GetBgStyle() const { return bg_style_; }
  int StateCount() const override { return bg_style_ == 1 ? 1 : 4; }

  // Source rectangle of digit `digit` (0-9) within the look of `state`.
  QRect DigitSource(int state, int digit) const;

 protected:
  void DrawButton(QPainter* painter, int state) override;

 private:
  QRect OverlaySource(int state) const;

  VEXO_Image* overlay_ = nullptr;
  bool single_state_ = false;
  QRect normal_rect_;
  bool has_number_ = false;
  std::string number_text_;
  int bg_style_ = 4;
};
