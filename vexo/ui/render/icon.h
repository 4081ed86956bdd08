// A small (16 x 16) icon handed out by the resource manager or made by a window for its tray
// icon. A null icon is allowed (the file held none).
#pragma once

#include <QIcon>
#include <QPixmap>

#include "vexo/export.h"

class VEXO_API VEXO_Icon {
 public:
  VEXO_Icon() = default;
  explicit VEXO_Icon(const QIcon& icon);
  // The first icon of an .ico file (or any image file); null when it holds none.
  static VEXO_Icon* FromFile(const char* path);

  bool IsNull() const { return icon_.isNull(); }
  const QIcon& GetQIcon() const { return icon_; }
  // The 16 x 16 version.
  QPixmap Small() const;

 private:
  QIcon icon_;
};
