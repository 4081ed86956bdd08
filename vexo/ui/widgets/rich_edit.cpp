#include "vexo/ui/widgets/rich_edit.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/render/color.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/render/skin_font.h"
#include "vexo/ui/widgets/control_notify.h"
#include "vexo/ui/widgets/menu_look.h"

VEXO_RichEdit::VEXO_RichEdit(QWidget* parent) : QTextEdit(parent) {
  setFrameShape(QFrame::NoFrame);
  VEXO_ApplySkinFont(this);
  setAcceptRichText(false);
  // A user's change is reported once the edit has finished handling the input that made it:
  // the parent may destroy the edit when told.
  connect(document(), &QTextDocument::contentsChanged, this, [this] {
    if (!inserting_) changed_ = true;
  });
}

VEXO_RichEdit::~VEXO_RichEdit() = default;

int VEXO_RichEdit::Create(const QRect& rect, QWidget* parent, unsigned id) {
  setParent(parent);
  setGeometry(rect);
  id_ = id;
  show();
  return 1;
}

QTextCursor VEXO_RichEdit::EndCursor() {
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  return cursor;
}

int VEXO_RichEdit::InsertText(const char* text, std::uint32_t colour, bool bold) {
  if (text == nullptr) return 1;
  inserting_ = true;
  QTextCharFormat format;
  format.setForeground(VEXO_ToQColor(colour));
  format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
  EndCursor().insertText(QString::fromUtf8(text), format);
  TrimLines();
  inserting_ = false;
  return 1;
}

int VEXO_RichEdit::InsertBitmap(VEXO_Image* image) {
  if (image == nullptr || image->IsNull()) return 0;
  inserting_ = true;
  const QString name = QStringLiteral("vexo-picture:%1").arg(next_image_++);
  document()->addResource(QTextDocument::ImageResource, QUrl(name), image->GetQImage());
  QTextImageFormat format;
  format.setName(name);
  format.setWidth(image->GetWidth());
  format.setHeight(image->GetHeight());
  EndCursor().insertImage(format);
  TrimLines();
  inserting_ = false;
  return 1;
}

int VEXO_RichEdit::InsertFace(int index) {
  if (index < 0 || index >= static_cast<int>(faces_.size())) return 0;
  return InsertBitmap(faces_[index]);
}

void VEXO_RichEdit::Clear() {
  inserting_ = true;
  clear();
  inserting_ = false;
}

void VEXO_RichEdit::SetMaxLines(int lines) {
  max_lines_ = lines > 0 ? lines : 0;
  const bool was = inserting_;
  inserting_ = true;
  TrimLines();
  inserting_ = was;
}

void VEXO_RichEdit::TrimLines() {
  if (max_lines_ <= 0) return;
  while (document()->blockCount() > max_lines_) {
    QTextCursor cursor(document()->firstBlock());
    cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
  }
}

int VEXO_RichEdit::GetLineCount() const { return document()->blockCount(); }

int VEXO_RichEdit::GetTextLength() const { return std::max(0, document()->characterCount() - 1); }

void VEXO_RichEdit::ReportChange() {
  if (!changed_) return;
  changed_ = false;
  VEXO_NotifyCommand(this, id_, vexo_msg::EN_CHANGE);  // last: the parent may destroy the edit
}

bool VEXO_RichEdit::viewportEvent(QEvent* event) {
  const bool handled = QTextEdit::viewportEvent(event);
  ReportChange();
  return handled;
}

bool VEXO_RichEdit::event(QEvent* event) {
  // Every input path (keys, input method, mouse drags, the context menu's commands) ends here.
  if (event->type() == QEvent::DeferredDelete) return QTextEdit::event(event);
  const bool handled = QTextEdit::event(event);
  ReportChange();
  return handled;
}

void VEXO_RichEdit::keyPressEvent(QKeyEvent* event) {
  // Typed text past the limit is refused (a selection it replaces makes room).
  if (limit_ > 0 && !event->text().isEmpty() && event->text().at(0).isPrint()) {
    const int selected = static_cast<int>(textCursor().selectedText().size());
    if (GetTextLength() - selected + static_cast<int>(event->text().size()) > limit_) {
      event->accept();
      return;
    }
  }
  QTextEdit::keyPressEvent(event);
}

void VEXO_RichEdit::insertFromMimeData(const QMimeData* source) {
  if (!source || !source->hasText()) return;
  QString text = source->text();
  if (limit_ > 0) {
    const int selected = static_cast<int>(textCursor().selectedText().size());
    const int room = std::max(0, limit_ - (GetTextLength() - selected));
    text = text.left(room);
  }
  if (!text.isEmpty()) textCursor().insertText(text);
}

void VEXO_RichEdit::contextMenuEvent(QContextMenuEvent* event) {
  VEXO_PopupContextMenu(createStandardContextMenu(event->pos()), event->globalPos());
}
