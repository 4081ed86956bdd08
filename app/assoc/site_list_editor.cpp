#include "app/assoc/site_list_editor.h"

#include <cstdio>
#include <utility>

#include "core/text/text_codec.h"

namespace {

std::size_t CharacterCount(const std::string& utf8) {
  std::size_t count = 0;
  for (const char c : utf8)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  return count;
}

}  // namespace

std::string SiteListEditor::Check(const std::string& name, const std::string& address, int except) const {
  if (name.empty() || address.empty()) return "名称或网址不能为空";
  if (ds::Utf8ToGbk(name).size() > kMaxNameBytes) return "名称不能超过8个汉字!";
  if (CharacterCount(address) < 2 || address[0] == '.' || address.find('.', 1) == std::string::npos)
    return "请输入正确的网址!";
  // A longer address would not fit the upload to the account server, and the list would be lost.
  if (ds::Utf8ToGbk(address).size() > ds::kSiteAddressMaxBytes ||
      !ds::IsValidSite(ds::Site{name, address}))
    return "网址不能超过200个字符!";
  for (std::size_t i = 0; i < sites_.size(); ++i) {
    if (static_cast<int>(i) == except) continue;
    if (sites_[i].address == address) return "你输入的网址已存在!";
    if (sites_[i].name == name) return "你输入的名称已存在!";
  }
  if (except < 0 && static_cast<int>(sites_.size()) >= MaxUserSites()) {
    char text[64];
    std::snprintf(text, sizeof text, "你只能添加%d个常用网址!", MaxUserSites());
    return text;
  }
  return "";
}

std::string SiteListEditor::Add(const std::string& name, const std::string& address) {
  std::string refusal = Check(name, address, -1);
  if (!refusal.empty()) return refusal;
  sites_.push_back(ds::Site{name, address});
  changed_ = true;
  return "";
}

std::string SiteListEditor::Modify(int row, const std::string& name, const std::string& address) {
  if (row < 0 || row >= static_cast<int>(sites_.size())) return Add(name, address);
  std::string refusal = Check(name, address, row);
  if (!refusal.empty()) return refusal;
  sites_[static_cast<std::size_t>(row)] = ds::Site{name, address};
  changed_ = true;
  return "";
}

std::string SiteListEditor::MoveUp(int* row) {
  if (*row < 0 || *row >= static_cast<int>(sites_.size())) return "";
  if (*row == 0) return "已经移动到了最上面!";
  std::swap(sites_[static_cast<std::size_t>(*row)], sites_[static_cast<std::size_t>(*row - 1)]);
  --*row;
  changed_ = true;
  return "";
}

std::string SiteListEditor::MoveDown(int* row) {
  if (*row < 0 || *row >= static_cast<int>(sites_.size())) return "";
  if (*row + 1 == static_cast<int>(sites_.size())) return "已经移动到了最下面!";
  std::swap(sites_[static_cast<std::size_t>(*row)], sites_[static_cast<std::size_t>(*row + 1)]);
  ++*row;
  changed_ = true;
  return "";
}

void SiteListEditor::Remove(int row) {
  if (row < 0 || row >= static_cast<int>(sites_.size())) return;
  sites_.erase(sites_.begin() + row);
  changed_ = true;
}

void SiteListEditor::Clear() {
  if (!sites_.empty()) changed_ = true;
  sites_.clear();
}

bool SiteListEditor::Holds(const std::string& name, const std::string& address) const {
  for (const ds::Site& site : sites_)
    if (site.name == name && site.address == address) return true;
  return false;
}
