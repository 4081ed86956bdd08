// Shared pieces of the widget and dialog tests: the offscreen application, solid-colour strips
// made in the test, a parent window that records the notifications its controls send, and pixel
// reads of a rendered window.
#pragma once

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <cstdlib>
#include <memory>
#include <vector>

#include "vexo/ui/dialog/dialog.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/dialog/window_messages.h"

namespace ui_test {

inline QApplication* App() {
  static QApplication* app = [] {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "ui_test";
    static char* argv[] = {name, nullptr};
    return new QApplication(argc, argv);
  }();
  return app;
}

// A fixture's first member, so the application exists before any widget member.
struct AppFirst {
  AppFirst() { App(); }
};

// An image of `colours.size()` cells side by side, each `cell_w` x `height`, one colour each.
inline std::unique_ptr<VEXO_Image> Strip(const std::vector<QColor>& colours, int cell_w,
                                         int height) {
  QImage image(cell_w * static_cast<int>(colours.size()), height, QImage::Format_ARGB32);
  QPainter painter(&image);
  for (std::size_t i = 0; i < colours.size(); ++i) {
    painter.fillRect(static_cast<int>(i) * cell_w, 0, cell_w, height, colours[i]);
  }
  painter.end();
  auto result = std::make_unique<VEXO_Image>();
  result->Attach(image);
  return result;
}

inline std::unique_ptr<VEXO_Image> FromQImage(const QImage& image) {
  auto result = std::make_unique<VEXO_Image>();
  result->Attach(image);
  return result;
}

struct Note {
  unsigned message;
  unsigned id;
  int code;
  ds::LParam lparam;
  int item;  // row of a list notification
};

// A plain grey window that records WM_COMMAND and WM_NOTIFY from its controls.
class RecordingDialog : public VEXO_Dialog {
 public:
  explicit RecordingDialog(Kind kind = kTopLevel) : VEXO_Dialog(nullptr, kind) {
    setAutoFillBackground(true);
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(10, 20, 30));
    setPalette(palette);
    resize(300, 200);
  }
  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;
  std::vector<Note> notes;
  int Count(unsigned message, int code) const {
    int n = 0;
    for (const Note& note : notes) n += note.message == message && note.code == code;
    return n;
  }
  int closes = 0;

 protected:
  void OnClose() override {
    ++closes;
    VEXO_Dialog::OnClose();
  }
};

}  // namespace ui_test

#include "vexo/ui/widgets/control_notify.h"

inline ds::LResult ui_test::RecordingDialog::WindowProc(unsigned message, ds::WParam wparam,
                                                        ds::LParam lparam) {
  if (message == vexo_msg::WM_COMMAND) {
    notes.push_back({message, vexo_msg::LowWord(wparam),
                     static_cast<int>(static_cast<short>(vexo_msg::HighWord(wparam))), lparam, -1});
  } else if (message == vexo_msg::WM_NOTIFY) {
    const auto* header = reinterpret_cast<const VEXO_NMHDR*>(lparam);
    const auto* item = reinterpret_cast<const VEXO_NMITEMACTIVATE*>(lparam);
    notes.push_back({message, static_cast<unsigned>(wparam), header->code, lparam, item->iItem});
  } else if (message == vexo_msg::WM_VSCROLL || message == vexo_msg::WM_HSCROLL) {
    notes.push_back({message, 0, static_cast<int>(vexo_msg::LowWord(wparam)), lparam,
                     static_cast<int>(vexo_msg::HighWord(wparam))});
  }
  return 0;
}
