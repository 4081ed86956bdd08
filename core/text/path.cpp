#include "core/text/path.h"

#include <cerrno>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

namespace ds {

std::string NativePath(std::string_view path) {
  std::string out(path);
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
}

std::size_t LastSeparator(std::string_view path) { return path.find_last_of("/\\"); }

std::string FileNameOf(std::string_view path) {
  std::size_t pos = LastSeparator(path);
  return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string DirectoryOf(std::string_view path) {
  std::size_t pos = LastSeparator(path);
  return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos));
}

std::string JoinPath(std::string_view dir, std::string_view name) {
  std::string out(dir);
  out += '/';
  out += name;
  return out;
}

bool PathExists(std::string_view path) {
  struct stat st;
  return ::stat(NativePath(path).c_str(), &st) == 0;
}

bool IsDirectory(std::string_view path) {
  struct stat st;
  return ::stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(std::string_view path) {
  struct stat st;
  return ::stat(NativePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool MakeDirectories(std::string_view path, unsigned mode) {
  std::string native = NativePath(path);
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  if (native.empty()) return false;
  if (IsDirectory(native)) return true;
  // Create each level from the top; levels that exist already are passed over.
  for (std::size_t pos = native.find('/', 1); ; pos = native.find('/', pos + 1)) {
    std::string part = native.substr(0, pos);
    if (::mkdir(part.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST) return false;
    if (pos == std::string::npos) break;
  }
  return IsDirectory(native);
}

std::string FindCaseInsensitive(std::string_view dir, std::string_view name) {
  std::string exact = JoinPath(dir, name);
  if (PathExists(exact)) return exact;
  std::string wanted(name);
  std::string found;
  if (DIR* d = ::opendir(NativePath(dir).c_str())) {
    while (dirent* e = ::readdir(d)) {
      if (::strcasecmp(e->d_name, wanted.c_str()) == 0) {
        found = JoinPath(dir, e->d_name);
        break;
      }
    }
    ::closedir(d);
  }
  return found.empty() ? exact : found;
}

}  // namespace ds
