// Small stateless helpers shared by the program and the download engine: dotted version
// comparison, the free-space check made before a download, and a running-process test.
#pragma once

#include <cstdint>
#include <string_view>

#include "vexo/export.h"

// Compares two dotted version strings component by component.
// Returns 1 when `first` is newer, 0 when it is older, -1 when both are equal or when either
// string is empty (undecidable). Callers test "> 0" for newer.
// The last component of `second` is cut to its leading digits when it starts with a digit
// ("5 beta" and "5b" read as 5); components of `first` are never cut. Components compare by
// their full value, however many digits they have (a 14-digit build number too).
VEXO_API int VEXO_CompareVersion(std::string_view first, std::string_view second);

// The value of one version component: every character counts as one decimal digit, a non-digit
// as 0 ("1a2" is 102, "007" is 7, "" is 0). A value beyond the int range saturates at INT_MAX.
VEXO_API int VEXO_GetVersionInt(std::string_view component);

// 1 when the file system holding `root` has strictly more than `needed` bytes available to
// this user, 0 when not or when it cannot be asked.
VEXO_API int VEXO_CheckDiskSpaceEnough(const char* root, std::uint64_t needed);

// True when a running process (this one included) has the executable file name `name`,
// compared ignoring letter case.
VEXO_API bool VEXO_CheckProcess(const char* name);
