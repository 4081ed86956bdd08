// Reader of zip archives (stored or deflated entries, optionally with the traditional PKWARE
// password), indexed by entry name.
#pragma once

#include <map>
#include <string>

#include "core/export.h"

struct zip;
struct zip_file;

namespace ds {

struct DS_API ZipEntryInfo {
  int index = -1;    // position in the central directory
  int size = 0;      // uncompressed size
  std::string name;  // entry name as indexed (UTF-8)
};

class DS_API UnzipFile {
 public:
  UnzipFile();
  virtual ~UnzipFile();

  // Opens dir + "/" + name (dir null: the work path) with `password` (null: none).
  int Open(const char* name, const char* password, const char* dir = nullptr);
  int OpenFile(const char* path, const char* password);
  void Close();
  bool IsOpen() const;

  // Number of distinct names in the index.
  int GetEntryCount() const;
  int GetEntryInfo(int index, ZipEntryInfo& info);
  // Looks the name up after dropping one leading '/' or '\'.
  int GetEntryInfo(const char* name, ZipEntryInfo& info);

  int Unzip2File(int index, const char* path);
  int Unzip2File(const char* name, const char* path);
  // Reads up to `size` bytes of the entry. 1 when the end of the entry was reached; 0 when the
  // buffer filled first (the next call for the same entry goes on from there) or on failure.
  int Unzip2Buffer(int index, void* buffer, int size);
  int Unzip2Buffer(const char* name, void* buffer, int size);
  // Reads a whole entry from its first byte, whatever partial read was left open before.
  // 1 when the entry was read and checked completely.
  int ReadEntry(const char* name, std::string& out);

  UnzipFile(const UnzipFile&) = delete;
  UnzipFile& operator=(const UnzipFile&) = delete;

 private:
  struct OpenEntry;
  void CloseEntry();
  bool ValidIndex(int index) const;
  zip_file* OpenEntryData(int index);
  int WriteEntry(int index, const std::string& path);

  zip* archive_ = nullptr;
  std::string password_;
  bool has_password_ = false;
  std::string open_dir_;  // current directory at open: base of relative extraction paths
  std::map<std::string, ZipEntryInfo> index_;
  OpenEntry* entry_ = nullptr;  // the entry open for reading into memory
};

}  // namespace ds
