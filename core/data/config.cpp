#include "core/data/config.h"

#include <cfloat>
#include <cmath>
#include <cstdio>

#include <tinyxml2.h>

#include "core/data/data_table.h"
#include "core/log/logger.h"
#include "core/text/number_text.h"
#include "core/text/path.h"
#include "core/platform/file_write.h"
#include "core/thread/singleton_impl.h"
#include "core/text/text_codec.h"

namespace ds {

// The header declares this instantiation extern (and exported).
template class Singleton<Config, 10>;

namespace {

// The printer escapes the five XML special characters in attribute values; control characters
// it would write raw, and a parser reads a raw CR back as LF and may turn tabs and line feeds
// into spaces. Attribute text reaches Write only in the runs between special characters, and
// markup never holds control characters, so escaping them here keeps every value intact.
class ConfigPrinter : public tinyxml2::XMLPrinter {
 protected:
  void Write(const char* data, size_t size) override {
    size_t start = 0;
    for (size_t i = 0; i < size; ++i) {
      const unsigned char c = static_cast<unsigned char>(data[i]);
      if (c >= 0x20) continue;
      if (i > start) XMLPrinter::Write(data + start, i - start);
      char reference[8];
      const int n = std::snprintf(reference, sizeof(reference), "&#x%02X;", c);
      XMLPrinter::Write(reference, static_cast<size_t>(n));
      start = i + 1;
    }
    if (size > start) XMLPrinter::Write(data + start, size - start);
  }
};

// Calls store(name, value) for each child of `root` named `kind`, in document order. False at
// the first child without "name" or "value".
template <class Store>
bool ReadEntries(const tinyxml2::XMLElement* root, const char* kind, Store store) {
  for (const tinyxml2::XMLElement* entry = root->FirstChildElement(kind); entry != nullptr;
       entry = entry->NextSiblingElement(kind)) {
    const char* name = entry->Attribute("name");
    const char* value = entry->Attribute("value");
    if (name == nullptr || value == nullptr) return false;
    store(name, value);
  }
  return true;
}

// The text of a float value. "%f" writes an infinity as "inf" and NaN as "nan", which the loader
// reads as 0 (it takes decimal numbers only), while a value too large for a float, such as
// "1e40", loads as an infinity. So an infinity is written as the largest float of its sign and
// NaN as 0: every saved value is a number, and a file saves the same again once loaded.
std::string FloatText(float value) {
  if (std::isnan(value)) return FormatFloatFixed(0.0);
  if (std::isinf(value)) return FormatFloatFixed(value < 0 ? -FLT_MAX : FLT_MAX);
  return FormatFloatFixed(value);
}

// Copies the entry `name` of `entries` to `out`: 1, or 0 (and `out` untouched) when there is
// none.
template <class Map, class T>
int Lookup(const Map& entries, const char* name, T& out) {
  if (name == nullptr) return 0;
  const auto it = entries.find(name);
  if (it == entries.end()) return 0;
  out = it->second;
  return 1;
}

}  // namespace

Config::Config() = default;
Config::Config(const Config& other) = default;
Config& Config::operator=(const Config& other) = default;
Config::~Config() = default;

void Config::Clear() {
  integers_.clear();
  floats_.clear();
  strings_.clear();
}

int Config::ReadDocument(const tinyxml2::XMLDocument& document) {
  const tinyxml2::XMLElement* root = document.FirstChildElement("config");
  if (root == nullptr) return 0;
  const bool complete =
      ReadEntries(root, "integer",
                  [this](const char* name, const char* value) {
                    SetInteger(name, ParseIntPrefix(value));
                  }) &&
      ReadEntries(root, "float",
                  [this](const char* name, const char* value) {
                    SetFloat(name, ParseFloatPrefix(value));
                  }) &&
      ReadEntries(root, "string",
                  [this](const char* name, const char* value) { SetString(name, value); });
  return complete ? 1 : 0;
}

int Config::Load(const char* path) {
  Clear();
  if (path == nullptr) {
    LogWarn("ds::Config::Load")("file name error.");
    return 0;
  }
  tinyxml2::XMLDocument document;
  if (LoadXmlFile(document, path) && ReadDocument(document)) return 1;
  LogWarn("ds::Config::Load")("can't find file %s.", path);
  return 0;
}

int Config::Load(const char* path, UnzipFile* archive) {
  Clear();
  if (path == nullptr) {
    LogWarn("ds::Config::Load")("file name error.");
    return 0;
  }
  XMLDataTable table;
  if (table.Load(path, archive) && ReadDocument(*table.GetDocument())) return 1;
  LogWarn("ds::Config::Load")("can't find file %s.", path);
  return 0;
}

int Config::Save(const char* path) const {
  if (path == nullptr) {
    LogWarn("ds::Config::Save")("pFile error.");
    return 0;
  }
  tinyxml2::XMLDocument document;
  // The printer writes a declaration's text between "<?" and "?>" as it stands.
  document.InsertEndChild(document.NewDeclaration("xml version=\"1.0\" encoding=\"gb2312\" "));
  tinyxml2::XMLElement* root = document.NewElement("config");
  document.InsertEndChild(root);
  auto add = [&](const char* kind, const std::string& name, const std::string& value) {
    tinyxml2::XMLElement* entry = document.NewElement(kind);
    entry->SetAttribute("name", name.c_str());
    entry->SetAttribute("value", value.c_str());
    root->InsertEndChild(entry);
  };
  for (const auto& [name, value] : integers_) add("integer", name, FormatInt(value));
  for (const auto& [name, value] : floats_) add("float", name, FloatText(value));
  for (const auto& [name, value] : strings_) add("string", name, value);

  ConfigPrinter printer;
  document.Print(&printer);
  const std::string text(printer.CStr(), static_cast<size_t>(printer.CStrSize() - 1));
  // A replaced file keeps its permissions; a new one gets what open(2) would give it.
  if (!ReplaceFileAtomically(NativePath(path), Utf8ToGbk(text), CreationMode(0666))) {
    LogWarn("ds::Config::Save")("can't write file %s.", path);
    return 0;
  }
  return 1;
}

int Config::GetInteger(const char* name, int& out) const { return Lookup(integers_, name, out); }

int Config::GetFloat(const char* name, float& out) const { return Lookup(floats_, name, out); }

int Config::GetString(const char* name, std::string& out) const {
  return Lookup(strings_, name, out);
}

int Config::GetInteger(const char* name) const {
  int value = 0;
  if (!GetInteger(name, value)) LogFatal("ds::Config::GetInteger")("can't find %s.", name ? name : "");
  return value;
}

float Config::GetFloat(const char* name) const {
  float value = 0.0f;
  if (!GetFloat(name, value)) LogFatal("ds::Config::GetFloat")("can't find %s.", name ? name : "");
  return value;
}

const char* Config::GetString(const char* name) const {
  if (name == nullptr) return "";
  const auto it = strings_.find(name);
  return it != strings_.end() ? it->second.c_str() : "";
}

void Config::SetInteger(const char* name, int value) {
  if (name != nullptr) integers_[name] = value;
}

void Config::SetFloat(const char* name, float value) {
  if (name != nullptr) floats_[name] = value;
}

void Config::SetString(const char* name, const char* text) {
  if (name != nullptr) strings_[name] = text != nullptr ? text : "";
}

}  // namespace ds
