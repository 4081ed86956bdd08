// Icons of Windows executables, read by our own parser: the first icon group of a PE image
// (PE32 or PE32+) put back together as the bytes of an .ico file, which any icon decoder reads.
// Never throws; a file that is not a PE image, or has no usable icon group, has no icon.
#pragma once

#include <cstddef>
#include <string>

#include "core/export.h"

namespace ds {

// The first icon group of the image `image` of `size` bytes as an .ico file: its header, one
// directory entry per icon of the group that the image really holds (in the group's order), and
// those icons' bytes. 1 with `ico` set; 0 when the image is not a PE image, has no icon group,
// the group's directory is damaged, or none of its icons is present.
DS_API int ExtractIconGroup(const unsigned char* image, std::size_t size, std::string& ico);

// The icon group `index` as the window system numbers a file's icons: 0, 1, ... the groups in
// directory order; a negative index -n the group whose resource id is n. 0 as above, and when no
// such group exists.
DS_API int ExtractIconGroupAt(const unsigned char* image, std::size_t size, long index, std::string& ico);

// The same for the executable at `path` (passed through NativePath).
DS_API int GetFileIconGroup(const char* path, std::string& ico);
DS_API int GetFileIconGroupAt(const char* path, long index, std::string& ico);

}  // namespace ds
