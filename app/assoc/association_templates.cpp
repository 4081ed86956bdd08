// The association templates document: a loose file under the work path wins over the data pack.
#include <cstdlib>
#include <string>

#include <tinyxml2.h>

#include "app/assoc/mgr_config.h"
#include "core/data/data_table.h"
#include "core/files/file_system.h"
#include "core/text/path.h"
#include "vexo/ui/resources/resource_mgr.h"

AssociationTemplates::AssociationTemplates() = default;
AssociationTemplates::~AssociationTemplates() = default;

void AssociationTemplates::Clear() {
  document_.reset();
  cursor_ = nullptr;
}

int AssociationTemplates::Load(const char* name) {
  Clear();
  if (name == nullptr) return 0;
  auto document = std::make_unique<tinyxml2::XMLDocument>();
  const std::string loose = ds::NativePath(ds::FileSystem::Instance()->CombineWorkPath(name));
  bool loaded = ds::LoadXmlFile(*document, loose.c_str()) && document->RootElement() != nullptr;
  if (!loaded) {
    std::string bytes;
    if (VEXO_ResourceMgr::Instance()->ReadEntry(name, bytes) && !bytes.empty()) {
      document->Clear();
      loaded = ds::ParseXmlDocument(*document, bytes.data(), bytes.size()) &&
               document->RootElement() != nullptr;
    }
  }
  if (!loaded) return 0;
  document_ = std::move(document);
  return 1;
}

tinyxml2::XMLElement* AssociationTemplates::MoveFirst() {
  tinyxml2::XMLElement* root = document_ ? document_->RootElement() : nullptr;
  cursor_ = root ? root->FirstChildElement() : nullptr;
  return cursor_;
}

tinyxml2::XMLElement* AssociationTemplates::MoveNext() {
  if (cursor_ != nullptr) cursor_ = cursor_->NextSiblingElement();
  return cursor_;
}

tinyxml2::XMLElement* AssociationTemplates::FindBySoftId(int softid) {
  tinyxml2::XMLElement* root = document_ ? document_->RootElement() : nullptr;
  if (root == nullptr) return nullptr;
  for (tinyxml2::XMLElement* e = root->FirstChildElement(); e; e = e->NextSiblingElement()) {
    const char* value = e->Attribute("softid");
    if (value == nullptr) continue;
    // The decimal prefix, blanks before it skipped; a value without digits names no program.
    char* end = nullptr;
    const long id = std::strtol(value, &end, 10);
    if (end != value && id == softid) return e;
  }
  return nullptr;
}
