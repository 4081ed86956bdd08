#include "app/home/common_lists.h"

#include "app/catalogue/dict_mgr.h"
#include "app/catalogue/software_mgr.h"

void ListPages::SetItemCount(int count) {
  count_ = count <= 0 ? 1 : (count + per_page_ - 1) / per_page_;
  if (page_ > count_) page_ = count_;
  if (page_ < 1) page_ = 1;
}

int ListPages::End(int size) const { return std::min(size, First() + per_page_); }

// ---------------------------------------------------------------------------------------------

void CommonPrograms::ResetDefaults(SoftwareMgr& software) {
  items_.clear();
  for (auto& entry : software.States())
    if (entry.second.default_ == 1) items_.push_back(&entry.second);
  pages_ = ListPages(kPerPage);
  pages_.SetItemCount(static_cast<int>(items_.size()));
}

bool CommonPrograms::ApplyServerIds(const ds::CommonSoftIds& ids, SoftwareMgr& software) {
  if (ids[0] == -1) return false;
  std::vector<SoftwareState*> programs;
  for (std::int32_t id : ids)
    if (SoftwareState* state = software.FindState(id)) programs.push_back(state);
  SetList(std::move(programs));
  return true;
}

void CommonPrograms::SetList(std::vector<SoftwareState*> programs) {
  items_ = std::move(programs);
  pages_.SetItemCount(static_cast<int>(items_.size()));
}

ds::CommonSoftIds CommonPrograms::Ids() const {
  ds::CommonSoftIds ids;
  ids.fill(-1);
  for (std::size_t i = 0; i < items_.size() && i < ids.size(); ++i) ids[i] = items_[i]->id;
  return ids;
}

std::vector<SoftwareState*> CommonPrograms::PageItems() const {
  const int size = static_cast<int>(items_.size());
  return std::vector<SoftwareState*>(items_.begin() + std::min(size, pages_.First()),
                                     items_.begin() + pages_.End(size));
}

// ---------------------------------------------------------------------------------------------

void CommonSites::ResetDefaults(std::vector<ds::Site> defaults) {
  items_ = std::move(defaults);
  defaults_ = valid_ = static_cast<int>(items_.size());
  pages_ = ListPages(kPerPage);
  pages_.SetItemCount(valid_);
  reader_.Reset();
  taken_ = 0;
}

void CommonSites::BeginServerList() {
  items_.resize(static_cast<std::size_t>(defaults_));
  valid_ = defaults_;
  pages_.SetItemCount(valid_);
  reader_.Reset();
  taken_ = 0;
}

bool CommonSites::FeedServerChunk(std::string_view text) {
  if (!reader_.Feed(text)) return false;
  const std::vector<ds::Site>& sites = reader_.sites();
  for (; taken_ < sites.size(); ++taken_) items_.push_back(sites[taken_]);
  if (reader_.finished()) {
    valid_ = static_cast<int>(items_.size());
    pages_.SetItemCount(valid_);
  }
  return true;
}

bool CommonSites::SetUserSites(const std::vector<ds::Site>& sites) {
  for (const ds::Site& site : sites)
    if (!ds::IsValidSite(site)) return false;
  items_.resize(static_cast<std::size_t>(defaults_));
  items_.insert(items_.end(), sites.begin(), sites.end());
  valid_ = static_cast<int>(items_.size());
  pages_.SetItemCount(valid_);
  return true;
}

std::vector<ds::Site> CommonSites::UserSites() const {
  return std::vector<ds::Site>(items_.begin() + std::min<std::size_t>(items_.size(), defaults_), items_.end());
}

bool CommonSites::UploadChunks(std::vector<std::string>* chunks) {
  std::vector<ds::Site> sites;
  for (int i = defaults_; i < static_cast<int>(items_.size()); ++i)
    sites.push_back(i < valid_ ? items_[i] : ds::Site{" ", " "});
  if (static_cast<int>(items_.size()) > valid_) items_.resize(static_cast<std::size_t>(std::max(valid_, defaults_)));
  return ds::ChunkSiteText(sites, chunks);
}

std::vector<ds::Site> CommonSites::PageItems() const {
  const int size = valid_;
  return std::vector<ds::Site>(items_.begin() + std::min(size, pages_.First()), items_.begin() + pages_.End(size));
}

std::vector<ds::Site> DefaultSites() {
  std::vector<ds::Site> sites;
  ds::VecDict<Webaddressdefault>& dict = CDictMgr::Instance()->WebAddresses();
  for (int i = 0; i < dict.Count(); ++i)
    if (const Webaddressdefault* site = dict.At(i)) sites.push_back({site->name, site->value});
  return sites;
}
