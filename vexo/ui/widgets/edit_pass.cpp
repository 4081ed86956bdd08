#include "vexo/ui/widgets/edit_pass.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QProxyStyle>

#include "core/text/text_codec.h"

namespace {

// The displayed text is one '*' per byte, as the real-text rules count them; each is painted as a
// dot centred on the line, which reads better than a raised asterisk.
class PasswordLook : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* data) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return 0x25CF;  // ●
    if (hint == SH_LineEdit_PasswordMaskDelay) return 0;
    return QProxyStyle::styleHint(hint, option, widget, data);
  }
};

bool IsBlocked(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::Cut) ||
      event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Undo) ||
      event->matches(QKeySequence::Redo)) {
    return true;
  }
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  if (event->key() == Qt::Key_Insert && (mods & (Qt::ShiftModifier | Qt::ControlModifier))) {
    return true;
  }
  return event->key() == Qt::Key_Delete && (mods & Qt::ShiftModifier);
}

// Typed text that goes into the password: printable characters without Ctrl or Meta.
bool IsTyping(QKeyEvent* event) {
  if (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return false;
  const QString text = event->text();
  if (text.isEmpty()) return false;
  for (QChar c : text) {
    if (!c.isPrint() && !c.isSurrogate()) return false;
  }
  return true;
}

}  // namespace

VEXO_EditPass::VEXO_EditPass(QWidget* parent) : VEXO_Edit(parent) {
  auto* look = new PasswordLook;
  look->setParent(this);
  setStyle(look);
  setEchoMode(QLineEdit::Password);
  setAcceptDrops(false);
  setDragEnabled(false);
  setContextMenuPolicy(Qt::PreventContextMenu);
}

void VEXO_EditPass::SetWindowText(const char* text) {
  BeginChange();
  password_.Set(ds::Utf8ToGbk(text ? text : ""));
  Show(password_.Length());
  EndChange();
}

std::string VEXO_EditPass::GetWindowText() const { return "*"; }

void VEXO_EditPass::GetRealText(std::string& out) const { out = ds::GbkToUtf8(password_.Real()); }

std::string VEXO_EditPass::GetRealText() const { return ds::GbkToUtf8(password_.Real()); }

void VEXO_EditPass::SetLimitText(int bytes) {
  // The stars are the bytes: the password keeps the limit itself.
  password_.SetLimit(bytes > 0 ? static_cast<std::size_t>(bytes) : 0);
}

void VEXO_EditPass::Selection(std::size_t* start, std::size_t* end) const {
  if (hasSelectedText()) {
    *start = static_cast<std::size_t>(selectionStart());
    *end = static_cast<std::size_t>(selectionEnd());
  } else {
    *start = *end = static_cast<std::size_t>(cursorPosition());
  }
}

void VEXO_EditPass::Show(std::size_t caret) {
  // The display is replaced whole: no undo history of the stars stays behind.
  setText(QString(static_cast<qsizetype>(password_.Length()), QLatin1Char('*')));
  setCursorPosition(static_cast<int>(caret));
}

void VEXO_EditPass::Insert(const QString& text) {
  std::size_t start = 0;
  std::size_t end = 0;
  Selection(&start, &end);
  Show(password_.Replace(start, end, ds::Utf8ToGbk(text.toStdString())));
}

void VEXO_EditPass::keyPressEvent(QKeyEvent* event) {
  if (IsBlocked(event)) {
    event->accept();
    return;
  }
  if (isReadOnly()) {
    // Navigation only: the line edit changes nothing while read-only.
    VEXO_Edit::keyPressEvent(event);
    return;
  }
  std::size_t start = 0;
  std::size_t end = 0;
  Selection(&start, &end);
  const std::size_t caret = static_cast<std::size_t>(cursorPosition());
  if (event->matches(QKeySequence::DeleteStartOfWord)) {
    event->accept();
    Show(password_.Replace(0, std::max(end, caret), std::string()));
    return;
  }
  if (event->matches(QKeySequence::DeleteEndOfWord) ||
      event->matches(QKeySequence::DeleteEndOfLine)) {
    event->accept();
    Show(password_.Replace(std::min(start, caret), password_.Length(), std::string()));
    return;
  }
  if (event->matches(QKeySequence::DeleteCompleteLine)) {
    event->accept();
    Show(password_.Replace(0, password_.Length(), std::string()));
    return;
  }
  if (event->key() == Qt::Key_Backspace) {
    event->accept();
    Show(password_.Backspace(start, end, caret));
    return;
  }
  if (event->key() == Qt::Key_Delete) {
    event->accept();
    Show(password_.Delete(start, end, caret));
    return;
  }
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    VEXO_Edit::keyPressEvent(event);
    return;
  }
  if (IsTyping(event)) {
    event->accept();
    Insert(event->text());
    return;
  }
  // Navigation and selection keys; anything else that would edit the stars is dropped.
  const QString before = text();
  VEXO_Edit::keyPressEvent(event);
  if (text() != before) Show(password_.Length());
}

void VEXO_EditPass::inputMethodEvent(QInputMethodEvent* event) {
  event->accept();
  if (!isReadOnly() && !event->commitString().isEmpty()) Insert(event->commitString());
}

void VEXO_EditPass::contextMenuEvent(QContextMenuEvent* event) { event->accept(); }

void VEXO_EditPass::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::MiddleButton) {
    event->accept();
    return;
  }
  VEXO_Edit::mousePressEvent(event);
}

void VEXO_EditPass::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::MiddleButton) {
    event->accept();
    return;
  }
  VEXO_Edit::mouseReleaseEvent(event);
}

void VEXO_EditPass::dragEnterEvent(QDragEnterEvent* event) { event->ignore(); }

void VEXO_EditPass::dropEvent(QDropEvent* event) { event->ignore(); }
