// Path helpers. Code composes paths the way the Windows design writes them ("%s\Temp\%s");
// every path handed to the file system passes NativePath first.
#pragma once

#include <string>
#include <string_view>

#include "core/export.h"

namespace ds {

constexpr int kMaxPath = 260;

// Turns each '\' into '/'.
DS_API std::string NativePath(std::string_view path);

// Position of the last '/' or '\', or std::string_view::npos.
DS_API std::size_t LastSeparator(std::string_view path);

// The part after the last separator (the whole text when there is none).
DS_API std::string FileNameOf(std::string_view path);

// The part before the last separator ("" when there is none).
DS_API std::string DirectoryOf(std::string_view path);

// dir + "/" + name, as the format "%s/%s" does.
DS_API std::string JoinPath(std::string_view dir, std::string_view name);

DS_API bool PathExists(std::string_view path);
DS_API bool IsDirectory(std::string_view path);
// True for an existing regular file (a link is followed).
DS_API bool IsRegularFile(std::string_view path);

// Creates `path` and every missing parent with `mode`. True when the directory exists afterwards.
DS_API bool MakeDirectories(std::string_view path, unsigned mode = 0755);

// Looks `name` up in `dir` ignoring ASCII letter case. Returns the existing entry's full path,
// or JoinPath(dir, name) when no entry matches.
DS_API std::string FindCaseInsensitive(std::string_view dir, std::string_view name);

}  // namespace ds
