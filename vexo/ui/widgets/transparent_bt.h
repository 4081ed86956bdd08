// A button that shows the window background through the transparent parts of its image.
// Qt composes a child over what its parent painted, so the button only has to leave those
// pixels alone: it never fills its own background. The parent's background cache and the
// background request message of the window-system design are not needed for it. It repaints on
// hover, leave and show like every skinned button.
#pragma once

#include "vexo/ui/widgets/button.h"

class VEXO_API VEXO_TransparentBt : public VEXO_Button {
  Q_OBJECT

 public:
  explicit VEXO_TransparentBt(QWidget* parent = nullptr);

 protected:
  void showEvent(QShowEvent* event) override;
};
