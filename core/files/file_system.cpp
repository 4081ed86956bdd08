#include "core/files/file_system.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "core/text/path.h"

namespace ds {

FileSystem* FileSystem::Instance() {
  // Created on first use and destroyed at process exit.
  static FileSystem instance;
  return &instance;
}

FileSystem::FileSystem() = default;
FileSystem::~FileSystem() = default;

int FileSystem::Init(const char* path) {
  // The whole current directory, however long: a cut one would resolve names elsewhere.
  char* cwd = ::getcwd(nullptr, 0);
  work_path_ = cwd != nullptr ? cwd : "";
  std::free(cwd);
  app_path_ = path ? path : "";
  return 1;
}

const char* FileSystem::GetWorkPath() const { return work_path_.c_str(); }
const char* FileSystem::GetAppPath() const { return app_path_.c_str(); }
void FileSystem::SetWorkPath(const char* path) { work_path_ = path ? path : ""; }

namespace {

std::string Combine(const std::string& base, const char* name) {
  if (name == nullptr) name = "";
  if (name[0] == '/' || name[0] == '\\') return base + name;
  return base + "/" + name;
}

int CopyOut(const std::string& text, char* out) {
  const bool fits = text.size() < static_cast<std::size_t>(kMaxPath);
  const std::size_t n = fits ? text.size() : kMaxPath - 1;
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
  return fits ? 1 : 0;
}

}  // namespace

int FileSystem::CombineWorkPath(const char* name, char* out) const {
  return CopyOut(Combine(work_path_, name), out);
}

int FileSystem::CombineAppPath(const char* name, char* out) const {
  return CopyOut(Combine(app_path_, name), out);
}

std::string FileSystem::CombineWorkPath(const std::string& name) const {
  return Combine(work_path_, name.c_str());
}

std::string FileSystem::CombineAppPath(const std::string& name) const {
  return Combine(app_path_, name.c_str());
}

}  // namespace ds
