#include "app/pages/dlg_soft_all_type.h"

#include "app/catalogue/software_mgr.h"
#include "app/pages/soft_list_rules.h"
#include "app/pages/soft_page.h"

CDlgSoftAllType::CDlgSoftAllType(QWidget* parent, ds::MsgHandle page)
    : CSoftCategoryBar(parent, page, kMsgSelectCategory, 1069, 1070) {}

void CDlgSoftAllType::Build(SoftwareMgr& manager) {
  const SoftwareTypeInfo* heading = manager.FindCategory(0);
  const int count = heading != nullptr ? heading->Num : 0;
  std::vector<Entry> entries;
  for (int index = 0; index <= count; ++index) {
    Entry entry;
    entry.id = kFirstId + static_cast<unsigned>(index);
    entry.category = index == count && index > 0 ? soft_pages::kLastCategory : index;
    entry.image = "/img/type" + std::to_string(index) + ".png";
    entry.shown = index == 0 || manager.FindCategory(entry.category) != nullptr;
    entries.push_back(entry);
  }
  SetEntries(entries);
}
