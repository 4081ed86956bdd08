#include "vexo/ui/widgets/button_st.h"

#include <QEnterEvent>
#include <QPainter>

#include "core/platform/process.h"
#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/render/color.h"
#include "vexo/ui/render/draw_text.h"
#include "vexo/ui/render/icon.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/render/render_image.h"
#include "vexo/ui/render/skin_font.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/control_notify.h"

namespace {
constexpr int kSpacing = 4;
}  // namespace

CButtonST::CButtonST(QWidget* parent) : QAbstractButton(parent) {
  setFocusPolicy(Qt::StrongFocus);
  VEXO_ApplySkinFont(this);
  SetDefaultColors(false);
  connect(this, &QAbstractButton::clicked, this, [this] { OnClicked(); });
}

CButtonST::~CButtonST() = default;

int CButtonST::Create(const char* text, const QRect& rect, QWidget* parent, unsigned id) {
  setParent(parent);
  setGeometry(rect);
  setText(QString::fromUtf8(text ? text : ""));
  id_ = id;
  show();
  return 1;
}

int CButtonST::SetIcon(const VEXO_Icon* in, const VEXO_Icon* out) {
  icon_in_ = in;
  icon_out_ = out ? out : in;
  bitmap_in_ = bitmap_out_ = nullptr;
  update();
  return 1;
}

int CButtonST::SetBitmaps(VEXO_Image* in, std::uint32_t key_in, VEXO_Image* out,
                          std::uint32_t key_out) {
  bitmap_in_ = in;
  key_in_ = key_in;
  bitmap_out_ = out ? out : in;
  key_out_ = out ? key_out : key_in;
  icon_in_ = icon_out_ = nullptr;
  update();
  return 1;
}

int CButtonST::SetColor(int index, std::uint32_t colour, bool repaint) {
  if (index < 0 || index >= BTNST_MAX_COLORS) return 0;
  colours_[index] = colour;
  if (repaint) update();
  return 1;
}

std::uint32_t CButtonST::GetColor(int index) const {
  return index >= 0 && index < BTNST_MAX_COLORS ? colours_[index] : 0;
}

void CButtonST::SetDefaultColors(bool repaint) {
  // The skin's pale accent under the mouse, its panel white otherwise.
  colours_[BTNST_COLOR_BK_IN] = 0xFBF1E8;
  colours_[BTNST_COLOR_FG_IN] = 0xA85F1F;
  colours_[BTNST_COLOR_BK_OUT] = 0xFFFFFF;
  colours_[BTNST_COLOR_FG_OUT] = 0x2B2B2B;
  colours_[BTNST_COLOR_BK_FOCUS] = 0xFFFFFF;
  colours_[BTNST_COLOR_FG_FOCUS] = 0x2B2B2B;
  if (repaint) update();
}

void CButtonST::SetTooltipText(const char* text) { setToolTip(QString::fromUtf8(text ? text : "")); }

QSize CButtonST::PictureSize() const {
  if (icon_out_ || icon_in_) return QSize(16, 16);
  VEXO_Image* image = in_ ? bitmap_in_ : bitmap_out_;
  if (image && !image->IsNull()) return QSize(image->GetWidth(), image->GetHeight());
  return QSize();
}

QSize CButtonST::sizeHint() const {
  const QFontMetrics metrics(font());
  const QSize picture = PictureSize();
  const int text_w = text().isEmpty() ? 0 : metrics.horizontalAdvance(text());
  if (align_ == ST_ALIGN_VERT)
    return QSize(std::max(picture.width(), text_w) + 12, picture.height() + metrics.height() + 12);
  return QSize(picture.width() + text_w + (picture.isEmpty() ? 0 : kSpacing) + 16,
               std::max(picture.height(), metrics.height()) + 10);
}

void CButtonST::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const bool enabled = isEnabled();
  const bool pressed = isDown();
  const bool hot = in_ && enabled;
  std::uint32_t back = colours_[BTNST_COLOR_BK_OUT];
  std::uint32_t fore = colours_[BTNST_COLOR_FG_OUT];
  if (hot || pressed) {
    back = colours_[BTNST_COLOR_BK_IN];
    fore = colours_[BTNST_COLOR_FG_IN];
  } else if (hasFocus()) {
    back = colours_[BTNST_COLOR_BK_FOCUS];
    fore = colours_[BTNST_COLOR_FG_FOCUS];
  }
  if (!enabled) fore = 0x646464;
  painter.fillRect(rect(), VEXO_ToQColor(back));
  // Border: always on a standard button, only under the mouse on a flat one; sunken when down.
  if (border_ && (!flat_ || hot || pressed)) {
    const QColor light(0xFF, 0xFF, 0xFF);
    const QColor dark(0x9D, 0xB5, 0xD0);
    const QRect r = rect().adjusted(0, 0, -1, -1);
    painter.setPen(pressed ? dark : light);
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(pressed ? light : dark);
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
    if (!flat_ || pressed) {
      painter.setPen(dark);
      painter.drawRect(r);
    }
  }
  const int shift = pressed ? 1 : 0;
  const QRect inner = rect().adjusted(4 + shift, 3 + shift, -4 + shift, -3 + shift);
  const QSize picture = PictureSize();
  QRect picture_rect;
  QRect text_rect = inner;
  const int text_w = text().isEmpty() ? 0 : QFontMetrics(font()).horizontalAdvance(text());
  if (!picture.isEmpty()) {
    if (align_ == ST_ALIGN_VERT) {
      picture_rect = QRect(inner.center().x() - picture.width() / 2, inner.top(), picture.width(), picture.height());
      text_rect.setTop(picture_rect.bottom() + 1 + kSpacing);
    } else {
      const int total = picture.width() + (text_w ? kSpacing + text_w : 0);
      const int left = inner.left() + std::max(0, (inner.width() - total) / 2);
      const int top = inner.center().y() - picture.height() / 2 + 1;
      if (align_ == ST_ALIGN_HORIZ_RIGHT) {
        picture_rect = QRect(left + total - picture.width(), top, picture.width(), picture.height());
        text_rect = QRect(left, inner.top(), text_w, inner.height());
      } else {
        picture_rect = QRect(left, top, picture.width(), picture.height());
        text_rect = QRect(picture_rect.right() + 1 + kSpacing, inner.top(), text_w + 1, inner.height());
      }
    }
    const VEXO_Icon* icon = hot ? icon_in_ : icon_out_;
    VEXO_Image* bitmap = hot ? bitmap_in_ : bitmap_out_;
    if (icon && !icon->IsNull()) {
      QIcon::Mode mode = enabled ? QIcon::Normal : QIcon::Disabled;
      painter.drawPixmap(picture_rect, icon->GetQIcon().pixmap(picture, mode));
    } else if (bitmap && !bitmap->IsNull()) {
      VEXO_RenderImage renderer;
      renderer.Init(bitmap);
      renderer.SetTransparentColor(hot ? key_in_ : key_out_);
      if (!enabled) renderer.SetAlpha(110);
      renderer.Draw(&painter, picture_rect);
    }
  }
  if (text().isEmpty()) return;
  painter.setFont(font());
  painter.setPen(VEXO_ToQColor(fore));
  VEXO_DrawText(&painter, text(), text_rect, vexo_dt::kCentredLine);
}

void CButtonST::enterEvent(QEnterEvent* event) {
  if (isEnabled()) {
    in_ = true;
    if (!sound_.empty()) VEXO_ResourceMgr::Instance()->Sound(sound_.c_str());
    update();
  }
  QAbstractButton::enterEvent(event);
}

void CButtonST::leaveEvent(QEvent* event) {
  in_ = false;
  update();
  QAbstractButton::leaveEvent(event);
}

void CButtonST::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange && !isEnabled()) in_ = false;
  QAbstractButton::changeEvent(event);
}

void CButtonST::OnClicked() {
  // The address is copied first: the parent may destroy the button while it handles the click.
  const std::string url = url_;
  VEXO_NotifyCommand(this, id_, vexo_msg::BN_CLICKED);
  if (!url.empty()) ds::OpenWithShell(url.c_str());
}
