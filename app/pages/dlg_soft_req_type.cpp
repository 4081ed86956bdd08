#include "app/pages/dlg_soft_req_type.h"

#include "app/catalogue/software_mgr.h"
#include "app/pages/soft_page.h"

CDlgSoftReqType::CDlgSoftReqType(QWidget* parent, ds::MsgHandle page)
    : CSoftCategoryBar(parent, page, kMsgSelectCommonCategory, 1079, 1080) {}

void CDlgSoftReqType::Build(SoftwareMgr& manager) {
  const int records = static_cast<int>(manager.CommonCategories().size());
  std::vector<Entry> entries;
  for (int number = 1; number < records && number <= 30; ++number) {
    Entry entry;
    entry.id = kBaseId + static_cast<unsigned>(number);
    entry.category = number;
    entry.image = "/img/rtype" + std::to_string(number) + ".png";
    entry.shown = manager.FindCommonCategory(number) != nullptr;
    entries.push_back(entry);
  }
  SetEntries(entries);
}
