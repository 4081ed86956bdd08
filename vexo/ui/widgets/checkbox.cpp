#include "vexo/ui/widgets/checkbox.h"

#include <QPainter>

#include "vexo/ui/render/color.h"
#include "vexo/ui/widgets/control_notify.h"
#include "vexo/ui/render/draw_text.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/render/render_image.h"
#include "vexo/ui/render/state_strip.h"
#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/render/skin_font.h"

VEXO_Checkbox::VEXO_Checkbox(QWidget* parent) : QAbstractButton(parent) {
  setCheckable(true);
  setFocusPolicy(Qt::StrongFocus);
  VEXO_ApplySkinFont(this);
  connect(this, &QAbstractButton::clicked, this,
          [this] { VEXO_NotifyCommand(this, id_, vexo_msg::BN_CLICKED); });
}

VEXO_Checkbox::~VEXO_Checkbox() = default;

int VEXO_Checkbox::Create(const char* text, const QRect& rect, QWidget* parent, unsigned id) {
  setParent(parent);
  setGeometry(rect);
  setText(QString::fromUtf8(text ? text : ""));
  id_ = id;
  show();
  return 1;
}

int VEXO_Checkbox::Init(VEXO_Image* image, int type, std::uint32_t colour) {
  renderer_ = std::make_unique<VEXO_RenderImage>();
  renderer_->Init(image);
  renderer_->SetTransparentColor(colour);
  type_ = type;
  update();
  return 1;
}

void VEXO_Checkbox::SetCheck(int check, bool redraw) {
  setChecked(check == 1 || check == 2);
  if (redraw) update();
}

void VEXO_Checkbox::SetTextColor(std::uint32_t colour) {
  text_colour_ = colour;
  update();
}

int VEXO_Checkbox::LookIndex() const {
  const int base = isEnabled() ? 0 : 2;
  return base + (isChecked() ? 0 : 1);
}

QRect VEXO_Checkbox::CellRect() const {
  VEXO_Image* image = renderer_ ? renderer_->GetImage() : nullptr;
  if (type_ == kStretch) return rect();
  if (!image || image->IsNull()) return QRect();
  const int width = image->GetWidth() / 4;
  const int h = image->GetHeight();
  return QRect(0, (height() - h) / 2, width, h);
}

QRect VEXO_Checkbox::TextRect() const {
  if (type_ == kStretch) return rect();
  return QRect(height(), 0, width() - height(), height());
}

QSize VEXO_Checkbox::sizeHint() const {
  const QFontMetrics metrics(font());
  const int h = std::max(metrics.height(), 16);
  return QSize(h + metrics.horizontalAdvance(text()) + 4, h);
}

bool VEXO_Checkbox::hitButton(const QPoint& pos) const { return rect().contains(pos); }

void VEXO_Checkbox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  VEXO_Image* image = renderer_ ? renderer_->GetImage() : nullptr;
  if (image && !image->IsNull()) {
    const QRect source =
        VEXO_StripCell(image->GetWidth(), image->GetHeight(), 4, LookIndex());
    renderer_->Draw(&painter, CellRect(), source);
  }
  if (text().isEmpty()) return;
  painter.setPen(VEXO_ToQColor(isEnabled() ? text_colour_ : 0x646464u));
  painter.setFont(font());
  unsigned format = vexo_dt::DT_SINGLELINE;
  if (type_ == kStretch) {
    format = vexo_dt::kCentredLine;
  } else if (type_ == kLeftCentre) {
    format |= vexo_dt::DT_VCENTER;
  }
  VEXO_DrawText(&painter, text(), TextRect(), format, VEXO_WidgetEscapement(this));
}
