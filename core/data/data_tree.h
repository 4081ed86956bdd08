// A read-only view of an XML document as nested elements, reached through reference-counted
// element objects. An element object points into its tree's document: it is valid only while
// the tree exists and has not loaded another document.
#pragma once

#include <memory>
#include <string>

#include "core/thread/auto_ref_object.h"
#include "core/export.h"

namespace tinyxml2 {
class XMLDocument;
class XMLElement;
}  // namespace tinyxml2

namespace ds {

class DS_API IDataTreeElement : public AutoRefObject {
 public:
  ~IDataTreeElement() override;
  // Remembers `name` (null: any element name) and moves the cursor to the first child element
  // of that name; the child or null.
  virtual tinyxml2::XMLElement* FirstChild(const char* name) = 0;
  // Cursor to the next sibling with the remembered name; the child or null.
  virtual tinyxml2::XMLElement* NextChild() = 0;
  // 1 when the cursor is empty.
  virtual int IsEnd() = 0;
  // A new element object for the cursor's element carrying one reference for the caller, or
  // null when the cursor is empty.
  virtual IDataTreeElement* GetChild() = 0;
  // Attributes of this element (not of the cursor): 0, "" or 0 when absent.
  virtual float GetFloat(const char* name) = 0;
  virtual const char* GetString(const char* name) = 0;
  virtual int GetInteger(const char* name) = 0;
  // Binds the object to `element` and empties the cursor.
  virtual void Attach(tinyxml2::XMLElement* element) = 0;
};

class DS_API XMLDataTreeElement : public IDataTreeElement {
 public:
  XMLDataTreeElement();
  explicit XMLDataTreeElement(tinyxml2::XMLElement* element);
  ~XMLDataTreeElement() override;

  tinyxml2::XMLElement* FirstChild(const char* name) override;
  tinyxml2::XMLElement* NextChild() override;
  int IsEnd() override;
  IDataTreeElement* GetChild() override;
  float GetFloat(const char* name) override;
  const char* GetString(const char* name) override;
  int GetInteger(const char* name) override;
  void Attach(tinyxml2::XMLElement* element) override;

 private:
  const char* Attribute(const char* name) const;

  tinyxml2::XMLElement* element_ = nullptr;
  tinyxml2::XMLElement* cursor_ = nullptr;
  std::string child_name_;
  bool any_child_name_ = true;
};

class DS_API IDataTree {
 public:
  virtual ~IDataTree();
  // Reads work path + name (no separator inserted: names start with one); 1 when the document
  // has a root element. No data pack fallback.
  virtual int Load(const char* name) = 0;
  // An element object for the root element carrying one reference for the caller, or null when
  // nothing is loaded.
  virtual IDataTreeElement* GetRoot() = 0;

 protected:
  IDataTree() = default;
  IDataTree(const IDataTree&) = delete;
  IDataTree& operator=(const IDataTree&) = delete;
};

class DS_API XMLDataTree : public IDataTree {
 public:
  XMLDataTree();
  ~XMLDataTree() override;
  int Load(const char* name) override;
  IDataTreeElement* GetRoot() override;

 private:
  std::unique_ptr<tinyxml2::XMLDocument> document_;
  tinyxml2::XMLElement* root_ = nullptr;
};

// Trees are made and destroyed inside core, never with new/delete by callers.
DS_API IDataTree* CreateXMLDataTree();
// Accepts null.
DS_API void DestroyXMLDataTree(IDataTree* tree);

}  // namespace ds
