// The MIME type of a file extension, from the shared MIME database's "mime/globs2" files (the
// data xdg-mime and the desktop's file managers read): the user's data folder first, then the
// system's.
#pragma once
#include <string>
#include <vector>

namespace mime {

// The MIME type whose simple glob "*.<ext>" matches `ext` (without the dot) with the highest
// weight; among equal weights the first folder, then the first line wins. Case is ignored unless
// the glob is marked case-sensitive. "" when no glob names the extension.
std::string TypeForExtension(const std::string& ext);

// The "globs2" texts of the user's and the system's data folders, most important first.
std::vector<std::string> LoadGlobs();

// The same over the given "globs2" texts, most important first.
std::string TypeForExtension(const std::string& ext, const std::vector<std::string>& globs2Texts);

}  // namespace mime
