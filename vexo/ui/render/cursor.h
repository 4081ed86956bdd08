// A mouse cursor loaded from a .cur file (its hotspot comes from the file's directory entry).
#pragma once

#include <QCursor>
#include <string>

#include "vexo/export.h"

class VEXO_API VEXO_Cursor {
 public:
  explicit VEXO_Cursor(const QCursor& cursor) : cursor_(cursor) {}
  // Null when the file is missing or not a cursor file. Needs a QGuiApplication.
  static VEXO_Cursor* FromFile(const char* path);
  // Hotspot of the first directory entry of cursor file bytes; false when they are not one.
  static bool ReadHotspot(const std::string& bytes, int* x, int* y);

  const QCursor& GetQCursor() const { return cursor_; }

 private:
  QCursor cursor_;
};
