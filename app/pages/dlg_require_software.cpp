#include "app/pages/dlg_require_software.h"

#include <algorithm>

#include "app/catalogue/software_mgr.h"
#include "app/downloads/download_messages.h"
#include "app/pages/dlg_soft_req_type.h"

namespace {

constexpr unsigned kMsgTakeFocus = 2533;

}  // namespace

CdlgRequireSoftware::CdlgRequireSoftware(QWidget* parent, ds::MsgHandle main) : CSoftPage(parent, main) {
  setObjectName(QStringLiteral("CdlgRequireSoftware"));
  bar_ = new CDlgSoftReqType(this, GetHandle());
}

CDlgSoftReqType* CdlgRequireSoftware::TypeBar() const { return static_cast<CDlgSoftReqType*>(bar_); }

void CdlgRequireSoftware::ShowGadget() {
  if (SoftwareMgr* manager = Software()) TypeBar()->Build(*manager);
  SelectCategory(1);
  LayoutChildren();
  show();
  SetTimer(kTimerRefresh, 1000);
}

void CdlgRequireSoftware::HideGadget() {
  KillTimer(kTimerRefresh);
  CSoftPage::HideGadget();
}

void CdlgRequireSoftware::LayoutChildren() {
  CSoftPage::LayoutChildren();
  // The rows filled, or those that fit, whichever is more.
  const int fit = (items_->height() + soft_pages::kItemHeight - 1) / soft_pages::kItemHeight;
  items_->SetScrollRows(std::max(items_->Filled(), fit));
}

void CdlgRequireSoftware::SelectCategory(int number) {
  category_ = number;
  list_ = Software() != nullptr ? soft_pages::CommonCategoryList(Software()->States(), number) : soft_pages::StateList{};
  items_->Fill(soft_pages::PageSlice(list_, 1));
  LayoutChildren();
  items_->ResetScroll();
  bar_->Select(number);
}

void CdlgRequireSoftware::InstallFromItem(int id) {
  ds::PostMessageTo(main_, kMsgRunInstaller, ProgramIdParam(id), 0);
}

void CdlgRequireSoftware::OnTimer(unsigned id) {
  if (id == kTimerRefresh) {
    RefreshChanged();
    return;
  }
  CSoftPage::OnTimer(id);
}

ds::LResult CdlgRequireSoftware::WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  switch (message) {
    case kMsgSelectCommonCategory:
      SelectCategory(static_cast<int>(wparam));
      return 1;
    case kMsgTakeFocus:
      setFocus();
      return 1;
    default:
      return CSoftPage::WindowProc(message, wparam, lparam);
  }
}
