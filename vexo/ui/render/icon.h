// An icon handed out by the resource manager or made by a window for its tray icon: every size
// its source held. A null icon is allowed (the file held none).
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <vector>

#include "vexo/export.h"

class VEXO_API VEXO_Icon {
 public:
  VEXO_Icon() = default;
  explicit VEXO_Icon(const QIcon& icon);
  // One image per size the icon comes in.
  explicit VEXO_Icon(const std::vector<QImage>& sizes);
  // The icon of a file: every image of an .ico file (or the one of any other image file), or,
  // for a Windows executable, every size of its first icon group. Null when it holds none.
  static VEXO_Icon* FromFile(const char* path);
  // The icon `index` of a file as ExtractIconEx numbers them: for an executable the index-th
  // icon group (from 0), or with a negative index -n the group with resource id n; any other
  // file has only icon 0.
  static VEXO_Icon* FromFile(const char* path, long index);
  // The same for the bytes of such a file.
  static VEXO_Icon* FromData(const QByteArray& data);
  static VEXO_Icon* FromData(const QByteArray& data, long index);

  bool IsNull() const { return icon_.isNull(); }
  const QIcon& GetQIcon() const { return icon_; }
  // The 16 x 16 version.
  QPixmap Small() const { return Pixmap(16); }
  // A `size` x `size` picture: the image of exactly that size when the icon has one, else the
  // nearest larger one scaled down (or the largest scaled up), smoothly.
  QPixmap Pixmap(int size) const;
  // The sizes the icon holds (widths), smallest first.
  std::vector<int> Sizes() const;

 private:
  QIcon icon_;
  std::vector<QImage> images_;  // empty for icons made from a QIcon
};
