#include "vexo/ui/widgets/transparent_bt.h"

VEXO_TransparentBt::VEXO_TransparentBt(QWidget* parent) : VEXO_Button(parent) {
  setAutoFillBackground(false);
  setAttribute(Qt::WA_NoSystemBackground, true);
}

void VEXO_TransparentBt::showEvent(QShowEvent* event) {
  VEXO_Button::showEvent(event);
  update();
}
