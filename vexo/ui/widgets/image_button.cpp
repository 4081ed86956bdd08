#include "vexo/ui/widgets/image_button.h"

#include "vexo/ui/dialog/dialog.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/button.h"

VEXO_Button* VEXO_AddImageButton(VEXO_Dialog* dialog, const VEXO_ImageButtonSpec& spec) {
  auto* button = new VEXO_Button(dialog);
  button->Create("", spec.rect, dialog, spec.id);
  button->SetImage(VEXO_ResourceMgr::Instance()->GetImage(spec.image));
  dialog->AddWidget(spec.id, button);
  return button;
}

void VEXO_AddImageButtons(VEXO_Dialog* dialog, std::initializer_list<VEXO_ImageButtonSpec> specs) {
  for (const VEXO_ImageButtonSpec& spec : specs) VEXO_AddImageButton(dialog, spec);
}
