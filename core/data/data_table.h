// A read-only view of an XML document as one list of rows: every child element of the root
// element is a row, its attributes are the columns. A loose file under the work directory wins
// over the data pack entry of the same name.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "core/export.h"

namespace tinyxml2 {
class XMLDocument;
class XMLElement;
}  // namespace tinyxml2

namespace ds {

class UnzipFile;

class DS_API IDataTable {
 public:
  virtual ~IDataTable();
  // Reads the document; 1 when it has a root element. The cursor is empty afterwards.
  virtual int Load(const char* name, UnzipFile* pack) = 0;
  // Cursor to the first child element of the root (any element name); the row or null.
  virtual tinyxml2::XMLElement* MoveFirst() = 0;
  // Cursor to the next sibling element (any element name); the row or null.
  virtual tinyxml2::XMLElement* MoveNext() = 0;
  // 1 when the cursor is empty.
  virtual int IsEnd() = 0;

  // Attributes of the current row. The out-parameter forms return 1 and set `out` when the row
  // has the attribute, else 0 with `out` untouched; the others give 0 or "" when absent. With no
  // current row every attribute counts as absent.
  virtual int GetFloat(const char* name, float& out) = 0;
  virtual float GetFloat(const char* name) = 0;
  virtual int GetString(const char* name, std::string& out) = 0;
  // The text stays valid until the table loads again or is destroyed.
  virtual const char* GetString(const char* name) = 0;
  virtual int GetInteger(const char* name, int& out) = 0;
  virtual int GetInteger(const char* name) = 0;

 protected:
  IDataTable() = default;
  IDataTable(const IDataTable&) = delete;
  IDataTable& operator=(const IDataTable&) = delete;
};

class DS_API XMLDataTable : public IDataTable {
 public:
  XMLDataTable();
  ~XMLDataTable() override;

  // Tries work path + name (joined as FileSystem::CombineWorkPath does), then, when that file
  // cannot be read or parsed and `pack` is given, the pack entry `name` if its size is above 0.
  int Load(const char* name, UnzipFile* pack) override;
  tinyxml2::XMLElement* MoveFirst() override;
  tinyxml2::XMLElement* MoveNext() override;
  int IsEnd() override;
  int GetFloat(const char* name, float& out) override;
  float GetFloat(const char* name) override;
  int GetString(const char* name, std::string& out) override;
  const char* GetString(const char* name) override;
  int GetInteger(const char* name, int& out) override;
  int GetInteger(const char* name) override;

  // Called by Load before it reads; does nothing here.
  virtual void BeforeLoad();
  // The parsed document, for callers that walk it directly.
  virtual tinyxml2::XMLDocument* GetDocument();

 private:
  const char* Attribute(const char* name) const;

  std::unique_ptr<tinyxml2::XMLDocument> document_;
  tinyxml2::XMLElement* root_ = nullptr;
  tinyxml2::XMLElement* row_ = nullptr;
};

// Tables are made and destroyed inside core, never with new/delete by callers.
DS_API IDataTable* CreateXMLDataTable();
// Accepts null.
DS_API void DestroyXMLDataTable(IDataTable* table);

// Shared XML reading. Bytes are made ready for the parser first: a document declared gb2312,
// gbk or gb18030 is decoded to UTF-8; any other document is parsed as it is.
// 1 when the document parsed (it may still have no root element).
DS_API int ParseXmlDocument(tinyxml2::XMLDocument& document, const char* bytes, std::size_t size);
// Reads the file at `path` (through NativePath) whole and parses it as ParseXmlDocument does.
DS_API int LoadXmlFile(tinyxml2::XMLDocument& document, const char* path);

}  // namespace ds
