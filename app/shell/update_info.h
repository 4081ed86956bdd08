// The update bookkeeping "Config/UpdateInfo.xml": for each program name, the catalogue version
// of the upgrade installer downloaded last. Detection uses it to tell a current upgrade installer
// from a stale one.
#pragma once
#include <string>

#include "core/data/config.h"

class CUpdateInfo : public ds::Config {
 public:
  // Loads work path + "\Config\UpdateInfo.xml"; 1 when it loaded (else the store is empty).
  int LoadUpdateInfo();
  // Saves it there, creating the Config folder when missing. 1 on success.
  int SaveUpdateInfo() const;
  // The version recorded for `name`, or "" when none.
  std::string RecordedVersion(const std::string& name) const;
  void RecordVersion(const std::string& name, const std::string& version);
};

// The process's bookkeeping, set by start-up (null before and after).
CUpdateInfo* GetUpdateInfo();
void SetUpdateInfo(CUpdateInfo* info);
