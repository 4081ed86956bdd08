#include "app/assoc/open_with_choice.h"

#include <strings.h>

#include <cstdlib>

#include "app/catalogue/dict_mgr.h"
#include "app/catalogue/software_mgr.h"
#include "core/platform/process.h"
#include "core/text/path.h"

namespace open_with {

std::vector<int> SplitSoftIds(const std::string& softid) {
  std::vector<int> ids;
  std::size_t i = 0;
  while (i < softid.size()) {
    const std::size_t start = softid.find_first_not_of(" ,", i);
    if (start == std::string::npos) break;
    std::size_t end = softid.find_first_of(" ,", start);
    if (end == std::string::npos) end = softid.size();
    const std::string item = softid.substr(start, end - start);
    char* rest = nullptr;
    const long id = std::strtol(item.c_str(), &rest, 10);
    if (rest != item.c_str()) ids.push_back(static_cast<int>(id));
    i = end;
  }
  return ids;
}

std::string ExtensionOf(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  const std::size_t separator = ds::LastSeparator(path);
  if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return "";
  return path.substr(dot + 1);
}

Choice CollectCandidates(SoftwareMgr& software, const std::string& path,
                         const std::function<bool(int, const std::string&)>& isHandler) {
  Choice choice;
  const std::string ext = ExtensionOf(path);
  if (ext.empty()) return choice;
  const AssociateFile* record = nullptr;
  ds::VecDict<AssociateFile>& files = CDictMgr::Instance()->AssociateFiles();
  for (int i = 0; i < files.Count() && record == nullptr; ++i)
    if (files.At(i) != nullptr && strcasecmp(files.At(i)->name.c_str(), ext.c_str()) == 0) record = files.At(i);
  if (record == nullptr) return choice;

  std::string dotExt = "." + ext;
  for (const int id : SplitSoftIds(record->softid)) {
    SoftwareState* state = software.FindState(id);
    if (state == nullptr) continue;
    const Candidate candidate{id, state->name, state->icon, state->status == StatusDownloaded};
    if (state->status == StatusInstalled) {
      // Two catalogue programs with one download address are one program: the later stays,
      // unless the earlier is hidden from the catalogue (type -1).
      bool skip = false;
      for (std::size_t i = 0; i < choice.installed.size(); ++i) {
        SoftwareState* earlier = software.FindState(choice.installed[i].id);
        if (earlier == nullptr || earlier->url != state->url) continue;
        if (earlier->type == -1) {
          skip = true;
        } else {
          choice.installed.erase(choice.installed.begin() + static_cast<long>(i));
        }
        break;
      }
      if (!skip) choice.installed.push_back(candidate);
    } else if (state->status == StatusDownloaded && state->type > 0) {
      choice.available.push_back(candidate);
    } else if (!state->url.empty() && state->type >= 1) {
      choice.available.push_back(candidate);
    }
  }
  if (!choice.installed.empty()) choice.selected = 0;
  for (std::size_t i = 0; i < choice.installed.size(); ++i) {
    if (isHandler && isHandler(choice.installed[i].id, dotExt)) {
      choice.selected = static_cast<int>(i);
      break;
    }
  }
  return choice;
}

std::vector<std::string> OpenArguments(const std::string& param, const std::string& file) {
  std::vector<std::string> args = ds::SplitParameters(param);
  args.push_back(file);
  return args;
}

}  // namespace open_with
