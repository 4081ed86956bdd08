#include "vexo/ui/widgets/radio_button.h"

#include <QPainter>

#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/render/color.h"
#include "vexo/ui/render/draw_text.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/render/render_image.h"
#include "vexo/ui/render/skin_font.h"
#include "vexo/ui/render/state_strip.h"
#include "vexo/ui/widgets/control_notify.h"

VEXO_RadioButton::VEXO_RadioButton(QWidget* parent) : QAbstractButton(parent) {
  setCheckable(true);
  setAutoExclusive(true);
  setFocusPolicy(Qt::StrongFocus);
  VEXO_ApplySkinFont(this);
  // The look follows the checked state only: a focused radio button that is not checked must
  // not look checked.
  connect(this, &QAbstractButton::clicked, this,
          [this] { VEXO_NotifyCommand(this, id_, vexo_msg::BN_CLICKED); });
}

VEXO_RadioButton::~VEXO_RadioButton() = default;

int VEXO_RadioButton::Create(const char* text, const QRect& rect, QWidget* parent, unsigned id) {
  setParent(parent);
  setGeometry(rect);
  setText(QString::fromUtf8(text ? text : ""));
  id_ = id;
  show();
  return 1;
}

int VEXO_RadioButton::Init(VEXO_Image* image, std::uint32_t colour) {
  renderer_ = std::make_unique<VEXO_RenderImage>();
  renderer_->Init(image);
  renderer_->SetTransparentColor(colour);
  update();
  return 1;
}

void VEXO_RadioButton::SetCheck(int check) {
  if (check) {
    setChecked(true);  // the group clears the others
  } else if (isChecked()) {
    // An exclusive group refuses to clear its checked button by itself.
    setAutoExclusive(false);
    setChecked(false);
    setAutoExclusive(true);
  }
  update();
}

void VEXO_RadioButton::SetTextColor(std::uint32_t colour) {
  text_colour_ = colour;
  update();
}

int VEXO_RadioButton::LookIndex() const { return (isEnabled() ? 0 : 2) + (isChecked() ? 0 : 1); }

QRect VEXO_RadioButton::CellRect() const {
  // The square of the control's height at the left; a smaller look sits at its own size in the
  // middle of it (scaled up, a round look turns ragged).
  const QRect square(0, 0, height(), height());
  VEXO_Image* image = renderer_ ? renderer_->GetImage() : nullptr;
  if (!image || image->IsNull()) return square;
  const QSize cell(image->GetWidth() / 4, image->GetHeight());
  if (cell.width() > square.width() || cell.height() > square.height()) return square;
  return QRect((square.width() - cell.width()) / 2,
               (square.height() - cell.height()) / 2, cell.width(), cell.height());
}

QRect VEXO_RadioButton::TextRect() const {
  return QRect(height() + 3, 0, std::max(0, width() - height() - 3), height());
}

QSize VEXO_RadioButton::sizeHint() const {
  const QFontMetrics metrics(font());
  const int h = std::max(metrics.height(), 16);
  return QSize(h + 3 + metrics.horizontalAdvance(text()) + 4, h);
}

bool VEXO_RadioButton::hitButton(const QPoint& pos) const { return rect().contains(pos); }

void VEXO_RadioButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  VEXO_Image* image = renderer_ ? renderer_->GetImage() : nullptr;
  if (image && !image->IsNull()) {
    const QRect source = VEXO_StripCell(image->GetWidth(), image->GetHeight(), 4, LookIndex());
    renderer_->Draw(&painter, CellRect(), source);
  }
  if (text().isEmpty()) return;
  painter.setPen(VEXO_ToQColor(isEnabled() ? text_colour_ : 0x646464u));
  painter.setFont(font());
  VEXO_DrawText(&painter, text(), TextRect(),
                vexo_dt::DT_SINGLELINE | vexo_dt::DT_VCENTER | vexo_dt::DT_END_ELLIPSIS);
}
