#include "app/home/account_history.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "core/log/logger.h"
#include "core/platform/file_write.h"
#include "core/text/path.h"
#include "core/text/text_codec.h"

namespace {

bool ReadWhole(const std::string& path, std::string* out) {
  FILE* file = std::fopen(path.c_str(), "rbe");
  if (!file) return false;
  out->clear();
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0) out->append(buffer, n);
  std::fclose(file);
  return true;
}

std::uint32_t ReadU32(const std::string& bytes, std::size_t at) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data() + at);
  return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
         static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

// A 50-byte field: the text up to its terminator, never past the field.
std::string Field(const std::string& bytes, std::size_t at) {
  const char* start = bytes.data() + at;
  const void* end = std::memchr(start, '\0', AccountHistory::kFieldBytes);
  const std::size_t length = end ? static_cast<const char*>(end) - start : AccountHistory::kFieldBytes - 1;
  return ds::GbkToUtf8(std::string_view(start, length));
}

// Entries of `count` records of `size` bytes (101: one flag byte for both flags) from `at`.
void ReadEntries(const std::string& bytes, std::size_t at, std::uint32_t count, int size,
                 std::vector<AccountEntry>* out) {
  for (std::uint32_t i = 0; i < count; ++i, at += size) {
    AccountEntry entry;
    entry.rememberPassword = static_cast<std::uint8_t>(bytes[at]);
    entry.keepFlag = static_cast<std::uint8_t>(bytes[at + size - 101]);
    const std::size_t fields = at + size - 100;
    entry.account = Field(bytes, fields);
    entry.password = Field(bytes, fields + AccountHistory::kFieldBytes);
    out->push_back(std::move(entry));
  }
}

void PutField(std::string* out, const std::string& utf8) {
  std::string gbk = ds::Utf8ToGbk(utf8);
  // A field keeps its terminator: longer texts never reach here (the login refuses them), and
  // anything that would is cut rather than written past its 50 bytes.
  if (gbk.size() > AccountHistory::kFieldBytes - 1) gbk.resize(AccountHistory::kFieldBytes - 1);
  gbk.resize(AccountHistory::kFieldBytes, '\0');
  out->append(gbk);
}

}  // namespace

std::string AccountHistory::FilePath() const { return ds::JoinPath(ds::NativePath(dir_), kFileName); }
std::string AccountHistory::OldFilePath() const { return ds::JoinPath(ds::NativePath(dir_), kOldFileName); }

void AccountHistory::Load() {
  entries_.clear();
  std::string bytes;
  if (ReadWhole(FilePath(), &bytes)) {
    if (bytes.size() < 8) return;
    const std::uint32_t count = ReadU32(bytes, 4);
    if ((bytes.size() - 8) / kEntryBytes < count) return;
    if (bytes[0] == '0' && bytes[1] == '\0') ReadEntries(bytes, 8, count, kEntryBytes, &entries_);
  }
  if (ReadOldFile()) {
    if (!Save()) return;  // keep the old file until its entries are safe in the new one
    if (::unlink(OldFilePath().c_str()) != 0)
      ds::LogWarn("AccountHistory::Load")("can't delete %s.", OldFilePath().c_str());
  }
}

bool AccountHistory::ReadOldFile() {
  std::string bytes;
  if (!ReadWhole(OldFilePath(), &bytes) || bytes.size() < 4) return false;
  const std::uint32_t count = ReadU32(bytes, 0);
  const std::size_t rest = bytes.size() - 4;
  if (rest / kEntryBytes >= count) {
    ReadEntries(bytes, 4, count, kEntryBytes, &entries_);
    return true;
  }
  if (rest / (kEntryBytes - 1) >= count) {
    ReadEntries(bytes, 4, count, kEntryBytes - 1, &entries_);
    return true;
  }
  return false;
}

bool AccountHistory::Save() const {
  std::string bytes("0\0\0\0", 4);
  const std::uint32_t count = static_cast<std::uint32_t>(entries_.size());
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((count >> (8 * i)) & 0xFF));
  for (const AccountEntry& entry : entries_) {
    bytes.push_back(static_cast<char>(entry.rememberPassword));
    bytes.push_back(static_cast<char>(entry.keepFlag));
    PutField(&bytes, entry.account);
    PutField(&bytes, entry.rememberPassword ? entry.password : std::string());
  }
  // The replacement is created with mode 0600, so a file that was readable by others before is
  // tightened by the rename.
  ds::FileReplacement file(FilePath());
  if (file.fd() < 0 || !ds::WriteAll(file.fd(), bytes.data(), bytes.size()) || !file.Commit()) {
    ds::LogWarn("AccountHistory::Save")("can't write %s.", FilePath().c_str());
    return false;
  }
  return true;
}

const AccountEntry* AccountHistory::Find(const std::string& account) const {
  for (const AccountEntry& entry : entries_)
    if (entry.account == account) return &entry;
  return nullptr;
}

void AccountHistory::Remember(const std::string& account, const std::string& password, bool remember_password) {
  AccountEntry entry;
  entry.account = account;
  entry.password = remember_password ? password : std::string();
  entry.rememberPassword = remember_password ? 1 : 0;
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->account == account) {
      entry.keepFlag = it->keepFlag;
      entries_.erase(it);
      break;
    }
  }
  entries_.insert(entries_.begin(), std::move(entry));
}
