#include "core/data/data_table.h"

#include <cstdio>
#include <new>
#include <string_view>

#include <tinyxml2.h>

#include "core/files/file_system.h"
#include "core/text/number_text.h"
#include "core/text/path.h"
#include "core/text/text_codec.h"
#include "core/zip/unzip_file.h"

namespace ds {

int ParseXmlDocument(tinyxml2::XMLDocument& document, const char* bytes, std::size_t size) {
  if (bytes == nullptr) return 0;
  const std::string text = XmlDocumentToUtf8(std::string_view(bytes, size));
  return document.Parse(text.data(), text.size()) == tinyxml2::XML_SUCCESS ? 1 : 0;
}

int LoadXmlFile(tinyxml2::XMLDocument& document, const char* path) {
  if (path == nullptr) return 0;
  std::FILE* file = std::fopen(NativePath(path).c_str(), "rbe");
  if (file == nullptr) return 0;
  std::string bytes;
  char chunk[16384];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof(chunk), file)) > 0) bytes.append(chunk, got);
  const bool failed = std::ferror(file) != 0;  // a directory, a read error
  std::fclose(file);
  if (failed) return 0;
  return ParseXmlDocument(document, bytes.data(), bytes.size());
}

IDataTable::~IDataTable() = default;

XMLDataTable::XMLDataTable() : document_(new tinyxml2::XMLDocument()) {}

XMLDataTable::~XMLDataTable() = default;

void XMLDataTable::BeforeLoad() {}

tinyxml2::XMLDocument* XMLDataTable::GetDocument() { return document_.get(); }

int XMLDataTable::Load(const char* name, UnzipFile* pack) {
  BeforeLoad();
  // Parsing replaces the document's nodes, so the old root and row must not be kept.
  root_ = nullptr;
  row_ = nullptr;
  if (name == nullptr) return 0;

  const std::string path = FileSystem::Instance()->CombineWorkPath(std::string(name));
  if (LoadXmlFile(*document_, path.c_str())) {
    root_ = document_->RootElement();
    return root_ != nullptr ? 1 : 0;
  }
  if (pack == nullptr) return 0;

  ZipEntryInfo info;
  if (!pack->GetEntryInfo(name, info) || info.size <= 0) return 0;
  // The whole entry from its first byte, even if another caller left it half read.
  std::string text;
  if (!pack->ReadEntry(name, text)) return 0;
  if (!ParseXmlDocument(*document_, text.c_str(), text.size())) return 0;
  root_ = document_->RootElement();
  return root_ != nullptr ? 1 : 0;
}

tinyxml2::XMLElement* XMLDataTable::MoveFirst() {
  row_ = root_ != nullptr ? root_->FirstChildElement() : nullptr;
  return row_;
}

tinyxml2::XMLElement* XMLDataTable::MoveNext() {
  if (row_ != nullptr) row_ = row_->NextSiblingElement();
  return row_;
}

int XMLDataTable::IsEnd() { return row_ == nullptr ? 1 : 0; }

const char* XMLDataTable::Attribute(const char* name) const {
  if (row_ == nullptr || name == nullptr) return nullptr;
  return row_->Attribute(name);
}

int XMLDataTable::GetFloat(const char* name, float& out) {
  const char* text = Attribute(name);
  if (text == nullptr) return 0;
  out = ParseFloatPrefix(text);
  return 1;
}

float XMLDataTable::GetFloat(const char* name) {
  const char* text = Attribute(name);
  return text != nullptr ? ParseFloatPrefix(text) : 0.0f;
}

int XMLDataTable::GetString(const char* name, std::string& out) {
  const char* text = Attribute(name);
  if (text == nullptr) return 0;
  out = text;
  return 1;
}

const char* XMLDataTable::GetString(const char* name) {
  const char* text = Attribute(name);
  return text != nullptr ? text : "";
}

int XMLDataTable::GetInteger(const char* name, int& out) {
  const char* text = Attribute(name);
  if (text == nullptr) return 0;
  out = ParseIntPrefix(text);
  return 1;
}

int XMLDataTable::GetInteger(const char* name) {
  const char* text = Attribute(name);
  return text != nullptr ? ParseIntPrefix(text) : 0;
}

IDataTable* CreateXMLDataTable() { return new XMLDataTable(); }

void DestroyXMLDataTable(IDataTable* table) { delete table; }

}  // namespace ds
