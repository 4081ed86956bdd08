// The password box. It shows one '*' per GBK byte of the password and keeps the real text apart;
// asking it for its window text gives "*". Every key that changes the text is applied to the
// real text by star position (a star typed by the user is a password character like any
// other; a read-only box changes nothing), double-byte characters are kept whole, and copy,
// cut, paste, undo and redo (keys, Shift/Ctrl+Insert, Shift+Delete), the context menu, drag and
// drop and middle-click paste do nothing.
#pragma once

#include <string>

#include "vexo/ui/widgets/edit.h"
#include "vexo/ui/widgets/password_text.h"

class VEXO_API VEXO_EditPass : public VEXO_Edit {
  Q_OBJECT

 public:
  explicit VEXO_EditPass(QWidget* parent = nullptr);

  // Stores `text` (UTF-8) as the real text and shows its stars.
  void SetWindowText(const char* text) override;
  // Always "*".
  std::string GetWindowText() const override;
  // The real text, UTF-8.
  void GetRealText(std::string& out) const;
  std::string GetRealText() const;
  // The real text as GBK bytes.
  const std::string& GetRealTextGbk() const { return password_.Real(); }
  void SetLimitText(int bytes) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Selection (or caret) in star positions.
  void Selection(std::size_t* start, std::size_t* end) const;
  void Insert(const QString& text);
  void Show(std::size_t caret);

  VEXO_PasswordText password_;
};
