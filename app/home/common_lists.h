// The home page's two lists of often-used things: common programs (15 to a page) and common
// web sites (12 to a page; the catalogue's default sites first, then the user's own). The
// settings dialogs replace them through SetList, and the home page uploads them for a
// logged-in user.
#pragma once

#include <vector>

#include "core/net/account_wire.h"

class SoftwareMgr;
struct SoftwareState;

// Page arithmetic shared by both lists: the current page (1-based), clamped to 1..count.
class ListPages {
 public:
  explicit ListPages(int per_page) : per_page_(per_page) {}
  void SetItemCount(int count);
  int per_page() const { return per_page_; }
  int page() const { return page_; }
  int page_count() const { return count_; }
  void Previous() { if (page_ > 1) --page_; }
  void Next() { if (page_ < count_) ++page_; }
  // Index range [first, end) of the current page within `size` items.
  int First() const { return (page_ - 1) * per_page_; }
  int End(int size) const;

 private:
  int per_page_;
  int page_ = 1;
  int count_ = 1;
};

class CommonPrograms {
 public:
  static constexpr int kPerPage = 15;
  // Every catalogue program whose "default" is 1, in ascending id order; page 1.
  void ResetDefaults(SoftwareMgr& software);
  // A 186 from the server: the programs of the ids the catalogue knows, in order. False (the
  // list untouched) when the first id is -1, "no list".
  bool ApplyServerIds(const ds::CommonSoftIds& ids, SoftwareMgr& software);
  void SetList(std::vector<SoftwareState*> programs);
  // The first 30 programs' ids, -1 for the rest.
  ds::CommonSoftIds Ids() const;

  const std::vector<SoftwareState*>& Items() const { return items_; }
  std::vector<SoftwareState*> PageItems() const;
  ListPages& Pages() { return pages_; }
  const ListPages& Pages() const { return pages_; }

 private:
  std::vector<SoftwareState*> items_;
  ListPages pages_{kPerPage};
};

class CommonSites {
 public:
  static constexpr int kPerPage = 12;
  // The catalogue's default sites alone; page 1.
  void ResetDefaults(std::vector<ds::Site> defaults);
  // A new list from the server begins (after a login was accepted).
  void BeginServerList();
  // One 187 chunk's text; its sites are appended after those listed. False for a malformed
  // chunk (it adds nothing).
  bool FeedServerChunk(std::string_view text);
  bool ServerListFinished() const { return reader_.finished(); }
  // The user's own sites (those after the defaults) replaced. False, and nothing changed, when
  // a site is not valid (an address or name over 200 bytes, a line break).
  bool SetUserSites(const std::vector<ds::Site>& sites);
  // The upload's chunks of the user's sites; slots beyond the valid count go as " " / " " and
  // leave the list.
  bool UploadChunks(std::vector<std::string>* chunks);

  const std::vector<ds::Site>& Items() const { return items_; }
  std::vector<ds::Site> UserSites() const;
  int DefaultCount() const { return defaults_; }
  int ValidCount() const { return valid_; }
  std::vector<ds::Site> PageItems() const;
  ListPages& Pages() { return pages_; }
  const ListPages& Pages() const { return pages_; }

 private:
  std::vector<ds::Site> items_;
  int defaults_ = 0;
  int valid_ = 0;
  ds::SiteTextReader reader_;
  std::size_t taken_ = 0;  // sites of the reader already appended
  ListPages pages_{kPerPage};
};

// The catalogue's default sites.
std::vector<ds::Site> DefaultSites();
