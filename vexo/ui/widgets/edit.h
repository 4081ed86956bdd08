// The skinned single-line edit: a frameless line edit over a two-look image (enabled left half,
// disabled right half) stretched smoothly over the control, text in the normal colour or, when
// disabled or read-only, the grey one, kept a few pixels clear of the frame. Length limits count
// GBK bytes. The parent window is told EN_SETFOCUS, EN_KILLFOCUS, EN_UPDATE and EN_CHANGE like the
// window system's edit, and VEXO_EN_RETURN when Enter is pressed (pages start their search or
// login on it). EN_UPDATE and EN_CHANGE of a change made while the edit handles an event go out
// once that event is done with, so a parent may destroy the edit from either.
#pragma once

#include <QLineEdit>
#include <cstdint>
#include <string>

#include "vexo/export.h"

class VEXO_Image;

class VEXO_API VEXO_Edit : public QLineEdit {
  Q_OBJECT

 public:
  explicit VEXO_Edit(QWidget* parent = nullptr);
  ~VEXO_Edit() override;

  int Create(const QRect& rect, QWidget* parent, unsigned id);
  // The two-look background image (null: no background). 1.
  int Init(VEXO_Image* image);
  VEXO_Image* GetImage() const { return image_; }
  // Text colours for the normal and the disabled or read-only look (0x00BBGGRR).
  void SetTextColor(std::uint32_t normal, std::uint32_t disabled);
  // Maximum length in GBK bytes; 0 = no limit. Longer input is refused as it is typed.
  virtual void SetLimitText(int bytes);
  int GetLimitText() const { return limit_; }

  // UTF-8 window text.
  virtual void SetWindowText(const char* text);
  virtual std::string GetWindowText() const;

  void SetId(unsigned id) { id_ = id; }
  unsigned GetId() const { return id_; }

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;
  void Notify(int code);
  void ApplyColours();
  // Text changes between these two are reported by EndChange (or by the event being handled).
  void BeginChange() { ++handling_; }
  void EndChange();

 private:
  unsigned id_ = 0;
  VEXO_Image* image_ = nullptr;
  std::uint32_t normal_colour_ = 0x000000;
  std::uint32_t disabled_colour_ = 0x7D7D7D;
  int limit_ = 0;
  int handling_ = 0;            // events and text changes in progress
  bool change_pending_ = false;  // EN_UPDATE / EN_CHANGE still to send

  void OnTextChanged();
  void SendChangeNotifications();
};
