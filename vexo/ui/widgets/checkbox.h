// The skinned check box. Its image is a strip of four looks: checked, unchecked,
// disabled-checked, disabled-unchecked. Type 1 stretches the look over the whole control and
// centres the caption; types 0 and 2 draw the look at its own size at the left, vertically
// centred, with the caption starting one control-height to the right (type 2 vertically
// centred, type 0 at the top). A click (or Space) toggles it and notifies the parent window
// with WM_COMMAND(id, BN_CLICKED).
#pragma once

#include <QAbstractButton>
#include <cstdint>
#include <memory>

#include "vexo/export.h"

class VEXO_Image;
class VEXO_RenderImage;

class VEXO_API VEXO_Checkbox : public QAbstractButton {
  Q_OBJECT

 public:
  enum CHECKBOXTYPE { kLeftTop = 0, kStretch = 1, kLeftCentre = 2 };

  explicit VEXO_Checkbox(QWidget* parent = nullptr);
  ~VEXO_Checkbox() override;

  int Create(const char* text, const QRect& rect, QWidget* parent, unsigned id);
  // Image, layout type and colour key (0xFFFFFFFF for none). 1.
  int Init(VEXO_Image* image, int type, std::uint32_t colour);
  // 1 and 2 check it, 0 clears it.
  void SetCheck(int check, bool redraw = true);
  int GetCheck() const { return isChecked() ? 1 : 0; }
  void SetTextColor(std::uint32_t colour);

  void SetId(unsigned id) { id_ = id; }
  unsigned GetId() const { return id_; }
  int GetType() const { return type_; }

  // Where the look and the caption go for the current size, image and type.
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
  int type_ = kLeftTop;
  std::unique_ptr<VEXO_RenderImage> renderer_;
  std::uint32_t text_colour_ = 0;
};
