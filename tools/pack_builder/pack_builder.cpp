// Builds the data pack: every file under the given folders becomes a deflated zip entry named by
// its path relative to its folder ('/' separators), encrypted with the traditional password
// cipher. A later folder's file replaces an earlier one of the same name. Entries are written in
// name order. README files at the top of a folder describe the sources and are left out.
//
//   pack_builder [--password TEXT] OUTPUT FOLDER [FOLDER...]
#include <zip.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>

#include "vexo/ui/resources/pack_password.h"

namespace fs = std::filesystem;

namespace {

int Usage() {
  std::fprintf(stderr, "usage: pack_builder [--password TEXT] OUTPUT FOLDER [FOLDER...]\n");
  return 2;
}

bool IsTopLevelReadme(const fs::path& relative) {
  return !relative.has_parent_path() && relative.filename().string().rfind("README", 0) == 0;
}

// Adds name -> file for every regular file under `root`.
bool Collect(const fs::path& root, std::map<std::string, fs::path>& files) {
  std::error_code ec;
  if (!fs::is_directory(root, ec)) {
    std::fprintf(stderr, "pack_builder: %s is not a folder\n", root.c_str());
    return false;
  }
  for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    const fs::path relative = it->path().lexically_relative(root);
    if (IsTopLevelReadme(relative)) continue;
    files[relative.generic_string()] = it->path();
  }
  if (ec) {
    std::fprintf(stderr, "pack_builder: cannot list %s: %s\n", root.c_str(), ec.message().c_str());
    return false;
  }
  return true;
}

// libzip writes no file at all for an archive without entries: write the bare end record.
bool WriteEmpty(const std::string& output) {
  static const unsigned char kEndRecord[22] = {0x50, 0x4B, 0x05, 0x06};
  std::FILE* f = std::fopen(output.c_str(), "wbe");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(kEndRecord, 1, sizeof kEndRecord, f) == sizeof kEndRecord;
  return std::fclose(f) == 0 && ok;
}

bool Write(const std::string& output, const std::map<std::string, fs::path>& files,
           const char* password) {
  if (files.empty()) return WriteEmpty(output);
  int error = 0;
  zip_t* archive = zip_open(output.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (archive == nullptr) {
    std::fprintf(stderr, "pack_builder: cannot create %s (libzip error %d)\n", output.c_str(), error);
    return false;
  }
  for (const auto& entry : files) {
    zip_source_t* source = zip_source_file(archive, entry.second.c_str(), 0, 0);
    if (source == nullptr) {
      std::fprintf(stderr, "pack_builder: cannot read %s\n", entry.second.c_str());
      zip_discard(archive);
      return false;
    }
    const zip_int64_t index = zip_file_add(archive, entry.first.c_str(), source,
                                           ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (index < 0) {
      zip_source_free(source);
      std::fprintf(stderr, "pack_builder: cannot add %s: %s\n", entry.first.c_str(),
                   zip_strerror(archive));
      zip_discard(archive);
      return false;
    }
    const zip_uint64_t i = static_cast<zip_uint64_t>(index);
    // The entry keeps its file's time: libzip 1.7 encrypts with the check byte of the
    // original time, so changing it here would make every entry fail the password check.
    if (zip_set_file_compression(archive, i, ZIP_CM_DEFLATE, 9) != 0 ||
        zip_file_set_encryption(archive, i, ZIP_EM_TRAD_PKWARE, password) != 0) {
      std::fprintf(stderr, "pack_builder: cannot set up %s: %s\n", entry.first.c_str(),
                   zip_strerror(archive));
      zip_discard(archive);
      return false;
    }
  }
  if (zip_close(archive) != 0) {
    std::fprintf(stderr, "pack_builder: cannot write %s: %s\n", output.c_str(), zip_strerror(archive));
    zip_discard(archive);
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const char* password = kVexoPackPassword;
  int arg = 1;
  if (arg < argc && std::strcmp(argv[arg], "--password") == 0) {
    if (arg + 1 >= argc) return Usage();
    password = argv[arg + 1];
    arg += 2;
  }
  if (argc - arg < 2) return Usage();
  const fs::path output = argv[arg++];

  std::map<std::string, fs::path> files;
  for (; arg < argc; ++arg) {
    if (!Collect(argv[arg], files)) return 1;
  }

  // Written beside the target and renamed over it, so a failed run never leaves half a pack.
  std::error_code ec;
  if (output.has_parent_path()) fs::create_directories(output.parent_path(), ec);
  const fs::path temp = output.string() + ".part";
  fs::remove(temp, ec);
  if (!Write(temp.string(), files, password)) {
    fs::remove(temp, ec);
    return 1;
  }
  fs::rename(temp, output, ec);
  if (ec) {
    std::fprintf(stderr, "pack_builder: cannot replace %s: %s\n", output.c_str(), ec.message().c_str());
    fs::remove(temp, ec);
    return 1;
  }
  return 0;
}
