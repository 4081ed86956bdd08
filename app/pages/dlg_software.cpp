#include "app/pages/dlg_software.h"

#include <algorithm>

#include "app/catalogue/software_mgr.h"
#include "app/pages/dlg_soft_all_type.h"
#include "vexo/ui/render/font.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/label.h"

DlgSoftware::DlgSoftware(QWidget* parent, ds::MsgHandle main) : CSoftPage(parent, main) {
  setObjectName(QStringLiteral("DlgSoftware"));
  bar_ = new CDlgSoftAllType(this, GetHandle());
  no_result_ = new VEXO_Label(this);
  no_result_->Create(soft_pages::kNoResult, VEXO_Label::SS_CENTER | VEXO_Label::SS_CENTERIMAGE | VEXO_Label::SS_NOPREFIX,
                     QRect(kListX, kHeaderHeight, 400, 40), this, 0);
  if (VEXO_Font* font = VEXO_ResourceMgr::Instance()->GetFont("Userfont")) no_result_->setFont(font->GetQFont());
  no_result_->hide();
}

CDlgSoftAllType* DlgSoftware::TypeBar() const { return static_cast<CDlgSoftAllType*>(bar_); }

bool DlgSoftware::NoResultShown() const { return no_result_->isVisible(); }

void DlgSoftware::LayoutChildren() {
  CSoftPage::LayoutChildren();
  no_result_->setGeometry(kListX, kHeaderHeight, std::max(0, width() - kListX), std::min(height() - kHeaderHeight, 120));
  no_result_->raise();
}

void DlgSoftware::ShowGadget() {
  if (SoftwareMgr* manager = Software()) TypeBar()->Build(*manager);
  // The renderings are kept across shows; a catalogue that changed size is indexed again.
  if (Software() != nullptr && index_.Size() != soft_pages::SearchCandidates(Software()->States()).size())
    BuildSearchIndex();
  SelectCategory(category_);
  LayoutChildren();
  show();
}

void DlgSoftware::BuildSearchIndex() {
  index_.Clear();
  candidates_.clear();
  SoftwareMgr* manager = Software();
  if (manager == nullptr) return;
  candidates_ = soft_pages::SearchCandidates(manager->States());
  index_.Reserve(candidates_.size());
  for (SoftwareState* program : candidates_) index_.Add(program->name);
}

void DlgSoftware::SelectCategory(int category) {
  no_result_->hide();
  category_ = category;
  results_ = Software() != nullptr ? soft_pages::CategoryList(Software()->States(), category) : soft_pages::StateList{};
  page_ = 1;
  bar_->Select(category);
  Refill();
  items_->ResetScroll();
  ds::PostMessageTo(main_, kMsgPageChanged, 0, 0);
}

void DlgSoftware::SearchSoftware(const std::string& query) {
  const std::string normalised = soft_pages::NormaliseQuery(query);
  if (normalised.empty()) {
    SelectCategory(category_);
    return;
  }
  // The catalogue may have grown since the index was built (a data packet).
  if (Software() != nullptr && index_.Size() != soft_pages::SearchCandidates(Software()->States()).size())
    BuildSearchIndex();
  results_ = soft_pages::SearchList(candidates_, index_, normalised);
  no_result_->setVisible(results_.empty());
  page_ = 1;
  Refill();
  items_->ResetScroll();
  ds::PostMessageTo(main_, kMsgPageChanged, 0, 0);
}

void DlgSoftware::ShowPage(int page) {
  const int count = PageCount();
  page_ = count == 0 ? 1 : std::clamp(page, 1, count);
  Refill();
  items_->ResetScroll();
}

void DlgSoftware::Refill() { items_->Fill(soft_pages::PageSlice(results_, page_)); }

ds::LResult DlgSoftware::WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  if (message == kMsgSelectCategory) {
    SelectCategory(static_cast<int>(wparam));
    return 1;
  }
  return CSoftPage::WindowProc(message, wparam, lparam);
}
