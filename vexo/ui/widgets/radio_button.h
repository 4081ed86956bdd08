// The skinned radio button. Its image is a strip of four looks as the check box's: checked,
// unchecked, disabled-checked, disabled-unchecked; the look is drawn as a square of the control's
// height at the left and the caption follows it, vertically centred, in the skin font. Radio
// buttons with the same parent form one group: a click (or Space) checks this one, clears the
// others and notifies the parent window with WM_COMMAND(id, BN_CLICKED); the arrow keys move the
// check through the group.
#pragma once

#include <QAbstractButton>
#include <cstdint>
#include <memory>

#include "vexo/export.h"

class VEXO_Image;
class VEXO_RenderImage;

class VEXO_API VEXO_RadioButton : public QAbstractButton {
  Q_OBJECT

 public:
  explicit VEXO_RadioButton(QWidget* parent = nullptr);
  ~VEXO_RadioButton() override;

  int Create(const char* text, const QRect& rect, QWidget* parent, unsigned id);
  // Image and colour key (0xFFFFFFFF for none). 1.
  int Init(VEXO_Image* image, std::uint32_t colour = 0xFFFFFFFFu);
  // 1 checks it (clearing the others of its group), 0 clears it.
  void SetCheck(int check);
  int GetCheck() const { return isChecked() ? 1 : 0; }
  void SetTextColor(std::uint32_t colour);

  void SetId(unsigned id) { id_ = id; }
  unsigned GetId() const { return id_; }

  // Where the look and the caption go for the current size.
  QRect CellRect() const;
  QRect TextRect() const;
  // Strip index of the current look (0 checked, 1 unchecked, 2 and 3 disabled).
  int LookIndex() const;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& pos) const override;

 private:
  unsigned id_ = 0;
  std::unique_ptr<VEXO_RenderImage> renderer_;
  std::uint32_t text_colour_ = 0;
};
