// A static text: the caption drawn on whatever the parent painted, in its text colour, laid out
// by its static style (alignment, vertically centred single line, no prefix, end or path
// ellipsis); long text wraps. Like a static control it takes no mouse input.
#pragma once

#include <QWidget>
#include <cstdint>

#include "vexo/export.h"

class VEXO_API VEXO_Label : public QWidget {
  Q_OBJECT

 public:
  // Static style bits.
  static constexpr unsigned SS_LEFT = 0x0000;
  static constexpr unsigned SS_CENTER = 0x0001;
  static constexpr unsigned SS_RIGHT = 0x0002;
  static constexpr unsigned SS_NOPREFIX = 0x0080;
  static constexpr unsigned SS_CENTERIMAGE = 0x0200;
  static constexpr unsigned SS_ENDELLIPSIS = 0x4000;
  static constexpr unsigned SS_PATHELLIPSIS = 0x8000;

  explicit VEXO_Label(QWidget* parent = nullptr);

  int Create(const char* text, unsigned style, const QRect& rect, QWidget* parent, unsigned id);
  void SetWindowText(const char* text);
  std::string GetWindowText() const;
  const QString& GetText() const { return text_; }
  void SetTextColor(std::uint32_t colour);
  std::uint32_t GetTextColor() const { return colour_; }
  // The style the text is laid out by: bits `remove` cleared and `add` set on the current one.
  void ModifyTextStyle(unsigned remove, unsigned add);
  unsigned GetStyle() const { return style_; }
  // DrawText format flags for the current style.
  unsigned TextFormat() const;

  void SetId(unsigned id) { id_ = id; }
  unsigned GetId() const { return id_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  unsigned id_ = 0;
  unsigned style_ = SS_LEFT;
  QString text_;
  std::uint32_t colour_ = 0;
};
