// Small painted pieces of the gallery that stand for what the windows paint themselves: a keyed
// picture (faces, program icons) and a progress bar drawn from its frame and fill images.
#pragma once

#include <QWidget>

#include <vector>

class VEXO_Image;

namespace skin_gallery {

// Draws its images in turn at (0, 0), each with magenta as transparent colour.
class KeyedPicture : public QWidget {
 public:
  KeyedPicture(const std::vector<VEXO_Image*>& images, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<VEXO_Image*> images_;
};

// The download row's progress bar: the frame, then the fill cut to `fraction` of its width.
class ProgressPicture : public QWidget {
 public:
  ProgressPicture(VEXO_Image* frame, VEXO_Image* fill, double fraction, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  VEXO_Image* frame_;
  VEXO_Image* fill_;
  double fraction_;
};

}  // namespace skin_gallery
