// What the open-with chooser lists for a file and what its accept button starts: the catalogue
// programs an extension names, split into installed ones (which open the file now) and ones that
// can be downloaded or installed, with the current handler preselected.
#pragma once
#include <functional>
#include <string>
#include <vector>

class SoftwareMgr;

namespace open_with {

// The program ids of an association record's "softid": separated by any mix of blanks and
// commas, in their order.
std::vector<int> SplitSoftIds(const std::string& softid);

// The extension of a path: the text after its last '.' (after its last separator); "" for none.
std::string ExtensionOf(const std::string& path);

struct Candidate {
  int id = 0;
  std::string name;
  std::string icon;    // the catalogue's icon value
  bool install = false;  // not installed: its installer is here (else it is to be downloaded)
};

struct Choice {
  std::vector<Candidate> installed;
  std::vector<Candidate> available;
  int selected = -1;  // the installed row chosen at first; -1 when the list is empty
};

// The candidates for the file `path`. `isHandler(id, ".ext")` tells whether a program handles
// the extension now; that one is selected, else the first installed program.
Choice CollectCandidates(SoftwareMgr& software, const std::string& path,
                         const std::function<bool(int, const std::string&)>& isHandler);

// The arguments that open `file` with a program whose parameter template for the extension is
// `param`: the template's own arguments, then the file as one argument of its own (whatever
// quotes or blanks its name holds).
std::vector<std::string> OpenArguments(const std::string& param, const std::string& file);

}  // namespace open_with
