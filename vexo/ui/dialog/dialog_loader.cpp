#include "vexo/ui/dialog/dialog_loader.h"

#include <cstdio>
#include <string>

#include "core/data/data_table.h"
#include "core/data/data_tree.h"
#include "vexo/ui/widgets/button.h"
#include "vexo/ui/widgets/checkbox.h"
#include "vexo/ui/widgets/combo_box.h"
#include "vexo/ui/dialog/dialog.h"
#include "vexo/ui/widgets/edit.h"
#include "vexo/ui/widgets/label.h"
#include "vexo/ui/resources/resource_mgr.h"

namespace {

VEXO_Image* ImageNamed(const char* name) {
  if (!name || !*name) return nullptr;
  return VEXO_ResourceMgr::Instance()->GetImage(name);
}

// The row's id and rectangle; false when the id is taken.
bool ReadPlace(ds::IDataTable* table, VEXO_Dialog* dialog, unsigned* id, QRect* rect) {
  *id = static_cast<unsigned>(table->GetInteger("id"));
  if (dialog->FindWidget(*id)) return false;
  VEXO_DialogLoader::ParseRect(table->GetString("rect"), rect);
  return true;
}

}  // namespace

bool VEXO_DialogLoader::ParseRect(const char* text, QRect* rect) {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
  // Whatever follows the fourth number is not read.
  if (!text || std::sscanf(text, "%d,%d,%d,%d", &x, &y, &w, &h) != 4) {
    *rect = QRect();
    return false;
  }
  *rect = QRect(x, y, w, h);
  return true;
}

int VEXO_DialogLoader::Load(const char* name, VEXO_Dialog* dialog, int modal) {
  if (!name || !dialog) return 0;
  ds::IDataTree* tree = ds::CreateXMLDataTree();
  if (!tree->Load(name)) {
    ds::DestroyXMLDataTree(tree);
    return 0;
  }
  ds::IDataTreeElement* root = tree->GetRoot();
  QRect place;
  ParseRect(root->GetString("rect"), &place);
  const std::string image_name = root->GetString("image");
  // Cuts the file does not give are 0; with none at all the background is stretched whole
  // (a nine-grid with four zero cuts would pin the image to the bottom-right corner).
  const bool has_cuts = *root->GetString("x1") || *root->GetString("x2") ||
                        *root->GetString("y1") || *root->GetString("y2");
  const int x1 = root->GetInteger("x1");
  const int x2 = root->GetInteger("x2");
  const int y1 = root->GetInteger("y1");
  const int y2 = root->GetInteger("y2");
  root->Release();
  ds::DestroyXMLDataTree(tree);

  VEXO_Image* image = ImageNamed(image_name.c_str());
  template_ = VEXO_DialogTemplate{};
  template_.style = kTemplateStyle;
  template_.x = place.x();
  template_.y = place.y();
  template_.cx = place.width();
  template_.cy = place.height();

  dialog->setGeometry(place.x() * kPixelsPerUnit, place.y() * kPixelsPerUnit,
                      place.width() * kPixelsPerUnit, place.height() * kPixelsPerUnit);
  if (has_cuts) {
    dialog->SetImage(image, x1, x2, y1, y2);
  } else {
    dialog->SetImage(image);
  }
  // A modal dialog is run by the caller (DoModal); a modeless one is created now.
  if (!modal) dialog->Create();
  return 1;
}

int VEXO_DialogLoader::LoadWidget(const char* name, VEXO_Dialog* dialog) {
  if (!name || !dialog) return 0;
  ds::IDataTable* table = ds::CreateXMLDataTable();
  if (!table->Load(name, nullptr)) {
    ds::DestroyXMLDataTable(table);
    return 0;
  }
  for (table->MoveFirst(); !table->IsEnd(); table->MoveNext()) {
    const std::string type = table->GetString("type");
    if (type == "edit") LoadEdit(table, dialog);
    else if (type == "button") LoadButton(table, dialog);
    else if (type == "checkbox") LoadCheckbox(table, dialog);
    else if (type == "combobox") LoadCombobox(table, dialog);
    else if (type == "label") LoadLabel(table, dialog);
  }
  ds::DestroyXMLDataTable(table);
  return 1;
}

int VEXO_DialogLoader::LoadButton(ds::IDataTable* table, VEXO_Dialog* dialog) {
  unsigned id = 0;
  QRect rect;
  if (!ReadPlace(table, dialog, &id, &rect)) return 0;
  auto* button = new VEXO_Button;
  button->Create(table->GetString("caption"), rect, dialog, id);
  button->SetImage(ImageNamed(table->GetString("image")), table->GetInteger("fixsize"),
                   0xFFFFFFFFu);
  dialog->AddWidget(id, button);
  return 1;
}

int VEXO_DialogLoader::LoadCheckbox(ds::IDataTable* table, VEXO_Dialog* dialog) {
  unsigned id = 0;
  QRect rect;
  if (!ReadPlace(table, dialog, &id, &rect)) return 0;
  auto* box = new VEXO_Checkbox;
  box->Create(table->GetString("caption"), rect, dialog, id);
  box->Init(ImageNamed(table->GetString("image")), VEXO_Checkbox::kLeftTop, 0xFFFFFFFFu);
  dialog->AddWidget(id, box);
  return 1;
}

int VEXO_DialogLoader::LoadCombobox(ds::IDataTable* table, VEXO_Dialog* dialog) {
  unsigned id = 0;
  QRect rect;
  if (!ReadPlace(table, dialog, &id, &rect)) return 0;
  auto* combo = new VEXO_ComboBox;
  combo->Create(VEXO_ComboBox::CBS_SORT, rect, dialog, id);
  combo->Init(ImageNamed(table->GetString("bg")), nullptr);
  combo->SetButtonImage(ImageNamed(table->GetString("button")), 0, 0xFF00FF);
  dialog->AddWidget(id, combo);
  return 1;
}

int VEXO_DialogLoader::LoadEdit(ds::IDataTable* table, VEXO_Dialog* dialog) {
  unsigned id = 0;
  QRect rect;
  if (!ReadPlace(table, dialog, &id, &rect)) return 0;
  auto* edit = new VEXO_Edit;
  edit->Create(rect, dialog, id);
  edit->Init(ImageNamed(table->GetString("image")));
  int limit = 0;
  if (table->GetInteger("limit", limit) && limit > 0) edit->SetLimitText(limit);
  dialog->AddWidget(id, edit);
  return 1;
}

int VEXO_DialogLoader::LoadLabel(ds::IDataTable* table, VEXO_Dialog* dialog) {
  unsigned id = 0;
  QRect rect;
  if (!ReadPlace(table, dialog, &id, &rect)) return 0;
  auto* label = new VEXO_Label;
  label->Create(table->GetString("caption"), VEXO_Label::SS_CENTER, rect, dialog, id);
  dialog->AddWidget(id, label);
  return 1;
}
