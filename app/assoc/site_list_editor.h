// The rules of the often-used web sites page, without a window: the user's sites (the
// catalogue's default sites precede them on the home page and are not edited here), with the
// checks an added or changed entry must pass and the moves of the list.
#pragma once
#include <string>
#include <vector>

#include "core/net/account_wire.h"

class SiteListEditor {
 public:
  // The home page shows at most this many sites, default ones included.
  static constexpr int kMaxSites = 24;
  static constexpr std::size_t kMaxNameBytes = 16;  // 8 Chinese characters

  SiteListEditor(std::vector<ds::Site> sites, int defaultCount)
      : sites_(std::move(sites)), defaults_(defaultCount) {}

  // Each returns "" when it was done, else the message for the user (the list is unchanged).
  std::string Add(const std::string& name, const std::string& address);
  std::string Modify(int row, const std::string& name, const std::string& address);
  // The row moves one up or down; `row` follows it.
  std::string MoveUp(int* row);
  std::string MoveDown(int* row);
  void Remove(int row);
  void Clear();

  // Whether (name, address) is an entry of the list already.
  bool Holds(const std::string& name, const std::string& address) const;
  int MaxUserSites() const { return kMaxSites - defaults_; }
  const std::vector<ds::Site>& Sites() const { return sites_; }
  bool Changed() const { return changed_; }

 private:
  // The checks of an entry; `except` is the row being changed (-1 when adding).
  std::string Check(const std::string& name, const std::string& address, int except) const;

  std::vector<ds::Site> sites_;
  int defaults_;
  bool changed_ = false;
};
