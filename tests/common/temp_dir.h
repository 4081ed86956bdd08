// A fresh directory under the system temporary folder, removed with everything in it.
#pragma once

#include <string>
#include <vector>

namespace corvane_test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string File(const std::string& name) const;

  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

 private:
  std::string path_;
};

// Whole-file helpers for checking bytes on disk.
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);

// Names in `dir` (hidden ones included, "." and ".." left out), sorted.
std::vector<std::string> ListDirectory(const std::string& dir);

// Runs a shell command; returns its exit status (or -1).
int RunCommand(const std::string& command);

}  // namespace corvane_test
