// The history of accounts that logged in on this computer, newest first: "cacheU.dat" in the
// work folder, and its predecessor "cache.dat", read once and migrated. Entries hold UTF-8 here
// and GBK bytes in the files. The file keeps a remembered password in plain text (its layout
// requires it), so it is only ever readable by its owner, and a password not to be remembered is
// written as an empty field.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct AccountEntry {
  std::string account;
  std::string password;
  std::uint8_t keepFlag = 0;  // carried unchanged
  std::uint8_t rememberPassword = 0;
};

class AccountHistory {
 public:
  static constexpr const char* kFileName = "cacheU.dat";
  static constexpr const char* kOldFileName = "cache.dat";
  static constexpr int kFieldBytes = 50;
  static constexpr int kEntryBytes = 102;

  explicit AccountHistory(std::string work_dir) : dir_(std::move(work_dir)) {}

  // Reads "cacheU.dat", then appends the entries of "cache.dat" when that file is there,
  // writes the whole history as "cacheU.dat" and deletes "cache.dat". A short or unreadable
  // "cacheU.dat" leaves the history empty and "cache.dat" unread.
  void Load();
  // Writes "cacheU.dat" (mode 0600). False when it could not be written.
  bool Save() const;

  const std::vector<AccountEntry>& Entries() const { return entries_; }
  const AccountEntry* Find(const std::string& account) const;
  // A successful login: the account's old entry goes, a new one comes first with the old
  // keepFlag (0 for a new account).
  void Remember(const std::string& account, const std::string& password, bool remember_password);
  void Clear() { entries_.clear(); }

  std::string FilePath() const;
  std::string OldFilePath() const;

 private:
  bool ReadOldFile();
  std::string dir_;
  std::vector<AccountEntry> entries_;
};
