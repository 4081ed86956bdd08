#include "core/data/data_tree.h"

#include <tinyxml2.h>

#include "core/data/data_table.h"
#include "core/files/file_system.h"
#include "core/text/number_text.h"

namespace ds {

IDataTreeElement::~IDataTreeElement() = default;

XMLDataTreeElement::XMLDataTreeElement() = default;

XMLDataTreeElement::XMLDataTreeElement(tinyxml2::XMLElement* element) : element_(element) {}

XMLDataTreeElement::~XMLDataTreeElement() = default;

tinyxml2::XMLElement* XMLDataTreeElement::FirstChild(const char* name) {
  any_child_name_ = name == nullptr;
  child_name_ = name != nullptr ? name : "";
  cursor_ = element_ != nullptr
                ? element_->FirstChildElement(any_child_name_ ? nullptr : child_name_.c_str())
                : nullptr;
  return cursor_;
}

tinyxml2::XMLElement* XMLDataTreeElement::NextChild() {
  if (cursor_ != nullptr) {
    cursor_ = cursor_->NextSiblingElement(any_child_name_ ? nullptr : child_name_.c_str());
  }
  return cursor_;
}

int XMLDataTreeElement::IsEnd() { return cursor_ == nullptr ? 1 : 0; }

IDataTreeElement* XMLDataTreeElement::GetChild() {
  if (cursor_ == nullptr) return nullptr;
  return new XMLDataTreeElement(cursor_);
}

const char* XMLDataTreeElement::Attribute(const char* name) const {
  if (element_ == nullptr || name == nullptr) return nullptr;
  return element_->Attribute(name);
}

float XMLDataTreeElement::GetFloat(const char* name) {
  const char* text = Attribute(name);
  return text != nullptr ? ParseFloatPrefix(text) : 0.0f;
}

const char* XMLDataTreeElement::GetString(const char* name) {
  const char* text = Attribute(name);
  return text != nullptr ? text : "";
}

int XMLDataTreeElement::GetInteger(const char* name) {
  const char* text = Attribute(name);
  return text != nullptr ? ParseIntPrefix(text) : 0;
}

void XMLDataTreeElement::Attach(tinyxml2::XMLElement* element) {
  element_ = element;
  cursor_ = nullptr;
}

IDataTree::~IDataTree() = default;

XMLDataTree::XMLDataTree() : document_(new tinyxml2::XMLDocument()) {}

XMLDataTree::~XMLDataTree() = default;

int XMLDataTree::Load(const char* name) {
  root_ = nullptr;
  if (name == nullptr) return 0;
  const std::string path = std::string(FileSystem::Instance()->GetWorkPath()) + name;
  if (!LoadXmlFile(*document_, path.c_str())) return 0;
  root_ = document_->RootElement();
  return root_ != nullptr ? 1 : 0;
}

IDataTreeElement* XMLDataTree::GetRoot() {
  if (root_ == nullptr) return nullptr;
  return new XMLDataTreeElement(root_);
}

IDataTree* CreateXMLDataTree() { return new XMLDataTree(); }

void DestroyXMLDataTree(IDataTree* tree) { delete tree; }

}  // namespace ds
