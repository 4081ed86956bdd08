#include "core/registry/registry_tree.h"

#include <algorithm>

namespace ds {
namespace reg {

namespace {

const char* const kRootNames[kRootCount] = {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER",
                                           "HKEY_USERS"};

char FoldCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool HasLineBreak(std::string_view s) {
  return s.find('\n') != std::string_view::npos || s.find('\r') != std::string_view::npos;
}

}  // namespace

const char* RootName(int root) {
  return (root >= 0 && root < kRootCount) ? kRootNames[root] : "";
}

int CompareNames(std::string_view a, std::string_view b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(FoldCase(a[i]));
    unsigned char y = static_cast<unsigned char>(FoldCase(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool NamesEqual(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareNames(a, b) == 0;
}

bool SplitKeyPath(std::string_view text, KeyPath* path) {
  path->clear();
  if (text.empty()) return true;
  if (text.back() == '\\') text.remove_suffix(1);
  if (text.empty()) return false;  // a lone "\" names nothing
  std::size_t start = 0;
  while (true) {
    std::size_t end = text.find('\\', start);
    std::string_view part = text.substr(start, end == std::string_view::npos ? end : end - start);
    if (part.empty() || HasLineBreak(part)) return false;
    path->emplace_back(part);
    if (end == std::string_view::npos) return true;
    start = end + 1;
  }
}

Key* Key::FindSubkey(std::string_view key_name) {
  return const_cast<Key*>(static_cast<const Key*>(this)->FindSubkey(key_name));
}

const Key* Key::FindSubkey(std::string_view key_name) const {
  auto it = std::lower_bound(subkeys.begin(), subkeys.end(), key_name,
                             [](const std::unique_ptr<Key>& k, std::string_view n) {
                               return CompareNames(k->name, n) < 0;
                             });
  if (it != subkeys.end() && NamesEqual((*it)->name, key_name)) return it->get();
  return nullptr;
}

Key* Key::AddSubkey(std::string_view key_name, bool volatile_key) {
  auto it = std::lower_bound(subkeys.begin(), subkeys.end(), key_name,
                             [](const std::unique_ptr<Key>& k, std::string_view n) {
                               return CompareNames(k->name, n) < 0;
                             });
  if (it != subkeys.end() && NamesEqual((*it)->name, key_name)) return it->get();
  it = subkeys.insert(it, std::make_unique<Key>(std::string(key_name), volatile_key));
  return it->get();
}

bool Key::RemoveSubkey(std::string_view key_name) {
  for (auto it = subkeys.begin(); it != subkeys.end(); ++it) {
    if (NamesEqual((*it)->name, key_name)) {
      subkeys.erase(it);
      return true;
    }
  }
  return false;
}

Value* Key::FindValue(std::string_view value_name) {
  return const_cast<Value*>(static_cast<const Key*>(this)->FindValue(value_name));
}

const Value* Key::FindValue(std::string_view value_name) const {
  for (const Value& v : values) {
    if (NamesEqual(v.name, value_name)) return &v;
  }
  return nullptr;
}

bool Key::SetValue(std::string_view value_name, std::uint32_t type, std::string_view data) {
  if (Value* v = FindValue(value_name)) {
    if (v->type == type && v->data == data) return false;
    v->type = type;
    v->data.assign(data);
    return true;
  }
  values.push_back(Value{std::string(value_name), type, std::string(data)});
  return true;
}

bool Key::RemoveValue(std::string_view value_name) {
  for (auto it = values.begin(); it != values.end(); ++it) {
    if (NamesEqual(it->name, value_name)) {
      values.erase(it);
      return true;
    }
  }
  return false;
}

std::unique_ptr<Key> Key::CloneAs(bool volatile_key) const {
  auto copy = std::make_unique<Key>(name, volatile_key);
  copy->values = values;
  copy->subkeys.reserve(subkeys.size());
  for (const auto& sub : subkeys) copy->subkeys.push_back(sub->CloneAs(volatile_key));
  return copy;
}

Tree::Tree() {
  for (int i = 0; i < kRootCount; ++i) roots_[i].name = kRootNames[i];
}

Key* Tree::Find(int root, const KeyPath& path) {
  return const_cast<Key*>(static_cast<const Tree*>(this)->Find(root, path));
}

const Key* Tree::Find(int root, const KeyPath& path) const {
  if (root < 0 || root >= kRootCount) return nullptr;
  const Key* key = &roots_[root];
  for (const std::string& name : path) {
    key = key->FindSubkey(name);
    if (key == nullptr) return nullptr;
  }
  return key;
}

}  // namespace reg
}  // namespace ds
