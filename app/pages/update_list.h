// What the upgrade page lists: the installed catalogue programs the catalogue has a newer
// version of, all of them (mode 1) or only those whose updates the user attends to (mode 0,
// settings key "Soft<id>" missing or 1), and what a row's action button does. Plain logic.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/catalogue/software_mgr.h"

class UpdateList {
 public:
  // The settings key "Soft<id>": true with its value when it exists.
  using AttentionReader = std::function<bool(int id, int& value)>;
  static AttentionReader SettingsReader();

  UpdateList(SoftwareMgr& manager, AttentionReader attention = SettingsReader());

  enum Mode { kAttended = 0, kAll = 1 };
  // Lists again in `mode`; with `force` every upgradeable program is listed in mode 1 and stays
  // listed there. True when the listed count changed.
  bool Rebuild(int mode, bool force);
  // Forgets the listed records (the page is hidden); the count is kept for the next change.
  void Clear() { listed_.clear(); }
  // An ignored program leaves the list; its `listed` field is cleared. True when it was listed.
  bool Remove(int id);

  int mode() const { return mode_; }
  const std::vector<SoftwareState*>& Listed() const { return listed_; }
  SoftwareState* Find(int id) const;

 private:
  SoftwareMgr& manager_;
  AttentionReader attention_;
  std::vector<SoftwareState*> listed_;
  int mode_ = kAttended;
  int count_ = 0;
};

// What the action button of a row does for the record's upgrade status.
enum class UpdateAction {
  kDownload,  // "/img/BtUpdate.png": start the upgrade download
  kInstall,   // "/img/BtInstall.png": run the downloaded installer
  kBusy,      // disabled while the upgrade downloads, waits or pauses
};
UpdateAction ActionFor(int updateStatus);
// The status the action button follows: the upgrade status while the record stands for an
// upgrade download; otherwise a plain download in progress keeps the button busy, and anything
// else leaves the installed program ready for an upgrade.
int UpgradeActionStatus(const SoftwareState& state);

// The installer file a finished download left: download directory + "\" + the last segment of
// the record's url.
std::string UpgradeInstallerPath(const SoftwareMgr& manager, const SoftwareState& state);

// Starts an upgrade download: the record's status writes go to its upgrade status, which
// becomes "downloading", under the state lock; then the queue takes it.
void MarkUpgradeDownloading(SoftwareMgr& manager, SoftwareState& state);
