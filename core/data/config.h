// A small typed key/value store with an XML file behind it: three independent maps (integers,
// floats, strings), keys and string values in UTF-8. The file is written in GBK and declares
// "gb2312":
//   <config>
//     <integer name=".." value="%d"/>...  <float name=".." value="%f"/>...  <string .../>...
//   </config>
// No locking inside: callers that share a store between threads serialise access themselves.
#pragma once

#include <map>
#include <string>

#include "core/export.h"
#include "core/thread/singleton.h"

namespace tinyxml2 {
class XMLDocument;
}  // namespace tinyxml2

namespace ds {

class UnzipFile;

class DS_API Config : public SingletonBase {
 public:
  Config();
  Config(const Config& other);
  Config& operator=(const Config& other);
  ~Config() override;

  // Empties the store, then reads the file at `path`. 0 (with a Warn line) when the file cannot
  // be read, has no "config" root or holds an entry without "name" or "value"; entries read
  // before such an entry remain.
  int Load(const char* path);
  // The same for the entry `path` of an open archive, read through a data table (a loose file
  // of that name under the work directory wins, as for every data table).
  int Load(const char* path, UnzipFile* archive);
  // Writes the whole store to `path`, replacing the file atomically. 0 on failure.
  int Save(const char* path) const;

  // Out-parameter getters: 1 and `out` set when present, 0 and `out` untouched when absent.
  int GetInteger(const char* name, int& out) const;
  int GetFloat(const char* name, float& out) const;
  int GetString(const char* name, std::string& out) const;
  // The value; a missing key writes a Fatal line and ends the process.
  int GetInteger(const char* name) const;
  float GetFloat(const char* name) const;
  // The stored text, or "" when absent. Valid until the key is set again, the store loads again
  // or is destroyed.
  const char* GetString(const char* name) const;

  // Insert or replace. A null name is ignored; a null text is stored as "".
  void SetInteger(const char* name, int value);
  void SetFloat(const char* name, float value);
  void SetString(const char* name, const char* text);

 private:
  void Clear();
  // Reads the entries of the document's "config" root; 0 when there is no such root or an entry
  // lacks "name" or "value" (entries before it stay).
  int ReadDocument(const tinyxml2::XMLDocument& document);

  // Ordered maps, so that a saved file lists each group sorted by key.
  std::map<std::string, int> integers_;
  std::map<std::string, float> floats_;
  std::map<std::string, std::string> strings_;
};

extern template class DS_API Singleton<Config, 10>;
using ConfigHolder = Singleton<Config, 10>;

}  // namespace ds
