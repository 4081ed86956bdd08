#include "core/zip/update_manifest.h"

#include <tinyxml2.h>

#include "core/data/data_table.h"
#include "core/text/number_text.h"
#include "core/text/path.h"

namespace ds {
namespace {

// Appends one entry per "string" child of the root. 0 when the document has no root.
int ReadEntries(const tinyxml2::XMLDocument& document, std::vector<UpdateManifestEntry>& out) {
  const tinyxml2::XMLElement* root = document.RootElement();
  if (root == nullptr) return 0;
  for (const tinyxml2::XMLElement* item = root->FirstChildElement("string"); item != nullptr;
       item = item->NextSiblingElement("string")) {
    UpdateManifestEntry entry;
    entry.number = ParseIntPrefix(item->Attribute("name"));
    if (const char* value = item->Attribute("value")) entry.checksum = value;
    out.push_back(std::move(entry));
  }
  return 1;
}

}  // namespace

UpdateManifest::UpdateManifest() = default;
UpdateManifest::~UpdateManifest() = default;

int UpdateManifest::Load(const char* path) {
  Clear();
  tinyxml2::XMLDocument document;
  if (path == nullptr || !LoadXmlFile(document, path)) return 0;
  return ReadEntries(document, entries_);
}

int UpdateManifest::Parse(std::string_view text) {
  Clear();
  tinyxml2::XMLDocument document;
  if (!ParseXmlDocument(document, text.data(), text.size())) return 0;
  return ReadEntries(document, entries_);
}

void UpdateManifest::Clear() { entries_.clear(); }

std::string UpdateManifest::ChecksumOf(int number) const {
  for (const UpdateManifestEntry& entry : entries_)
    if (entry.number == number) return entry.checksum;
  return std::string();
}

int UpdateManifest::LatestVersion() const { return entries_.empty() ? 0 : entries_.front().number; }

std::string UpdateManifestPath(const std::string& dir) {
  return FindCaseInsensitive(dir, kUpdateManifestName);
}

}  // namespace ds
