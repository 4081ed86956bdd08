// The registry's key tree: the three roots, keys with their values and sub-keys, and the
// rules for names (compared ignoring ASCII letter case).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/export.h"

namespace ds {
namespace reg {

// The three real roots. HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
enum RootIndex { kLocalMachine = 0, kCurrentUser = 1, kUsers = 2, kRootCount = 3 };

// "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_USERS".
DS_API const char* RootName(int root);

// Key and value names compare ignoring ASCII letter case (other bytes compare exactly).
DS_API int CompareNames(std::string_view a, std::string_view b);
DS_API bool NamesEqual(std::string_view a, std::string_view b);

using KeyPath = std::vector<std::string>;

// Splits "a\b\c" into its names. "" is the key itself and one trailing '\' is allowed; a leading
// '\', an empty name inside the path or a line break in a name makes the path invalid (false).
DS_API bool SplitKeyPath(std::string_view text, KeyPath* path);

struct Value {
  std::string name;  // "" is the key's default value
  std::uint32_t type = 0;
  std::string data;  // raw bytes; a string value includes its terminating NUL
};

class DS_API Key {
 public:
  Key() = default;
  explicit Key(std::string key_name, bool volatile_key = false)
      : name(std::move(key_name)), is_volatile(volatile_key) {}

  std::string name;  // spelling as created
  bool is_volatile = false;
  std::vector<Value> values;                   // in creation order
  std::vector<std::unique_ptr<Key>> subkeys;  // ordered by CompareNames

  Key* FindSubkey(std::string_view key_name);
  const Key* FindSubkey(std::string_view key_name) const;
  // The existing sub-key of that name, or a new one.
  Key* AddSubkey(std::string_view key_name, bool volatile_key);
  bool RemoveSubkey(std::string_view key_name);

  Value* FindValue(std::string_view value_name);
  const Value* FindValue(std::string_view value_name) const;
  // Replaces the data of an existing value (keeping its spelling) or appends a new one.
  // Returns false when the value already held exactly this type and data.
  bool SetValue(std::string_view value_name, std::uint32_t type, std::string_view data);
  bool RemoveValue(std::string_view value_name);

  // A deep copy whose keys all get the volatility given.
  std::unique_ptr<Key> CloneAs(bool volatile_key) const;
};

class DS_API Tree {
 public:
  Tree();
  Key& root(int index) { return roots_[index]; }
  const Key& root(int index) const { return roots_[index]; }
  Key* Find(int root, const KeyPath& path);
  const Key* Find(int root, const KeyPath& path) const;

 private:
  Key roots_[kRootCount];
};

}  // namespace reg
}  // namespace ds
