#include "core/registry/registry.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/text/path.h"
#include "core/platform/file_write.h"
#include "core/registry/registry_store.h"
#include "core/registry/registry_text.h"

// An opened key: where it is and what it may do. The predefined roots are not objects of this
// type; they are recognised by value.
struct ds_hkey__ {
  int root;
  ds::reg::KeyPath path;
  std::size_t base;  // leading names that belong to the root itself (SOFTWARE\Classes for HKCR)
  unsigned long access;
};

namespace ds {

namespace {

using reg::Key;
using reg::KeyPath;
using reg::Tree;
using reg::Value;
using Layers = std::vector<std::shared_ptr<const Tree>>;
using Chain = std::vector<const Key*>;  // one key as each layer has it, ours first

constexpr std::size_t kNoBase = static_cast<std::size_t>(-1);  // no path is taken as existing

constexpr unsigned long kGenericRead = 0x80000000ul;
constexpr unsigned long kGenericWrite = 0x40000000ul;
constexpr unsigned long kGenericAll = 0x10000000ul;
constexpr unsigned long kMaximumAllowed = 0x02000000ul;

reg::RegistryStore& Store() { return reg::RegistryStore::Instance(); }

bool PredefinedRoot(HKEY key, ds_hkey__* ref) {
  ref->path.clear();
  ref->base = 0;
  ref->access = KEY_ALL_ACCESS;
  if (key == HKEY_CLASSES_ROOT) {
    ref->root = reg::kLocalMachine;
    ref->path = {"SOFTWARE", "Classes"};
    ref->base = 2;
  } else if (key == HKEY_CURRENT_USER) {
    ref->root = reg::kCurrentUser;
  } else if (key == HKEY_LOCAL_MACHINE) {
    ref->root = reg::kLocalMachine;
  } else if (key == HKEY_USERS) {
    ref->root = reg::kUsers;
  } else {
    return false;
  }
  return true;
}

// `key` is a predefined root or `own`, the one handle of ours the caller holds.
bool Resolve(HKEY key, HKEY own, ds_hkey__* ref) {
  if (key == nullptr) return false;
  if (PredefinedRoot(key, ref)) return true;
  if (key != own) return false;
  *ref = *key;
  return true;
}

unsigned long MapGenericAccess(unsigned long access) {
  if (access & (kGenericAll | kMaximumAllowed)) access |= KEY_ALL_ACCESS;
  if (access & kGenericRead) access |= KEY_READ;
  if (access & kGenericWrite) access |= KEY_WRITE;
  return access;
}

KeyPath Joined(const KeyPath& a, const KeyPath& b) {
  KeyPath out = a;
  out.insert(out.end(), b.begin(), b.end());
  return out;
}

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

// The 32-bit view of a key under HKEY_LOCAL_MACHINE\SOFTWARE: SOFTWARE\Wow6432Node\X for
// SOFTWARE\X. The program is a 32-bit Windows program by design, and Windows sends such a
// program's reads there; a 64-bit Wine prefix keeps what 32-bit installers wrote there.
bool Wow6432Path(int root, const KeyPath& path, KeyPath* wow) {
  if (root != reg::kLocalMachine || path.size() < 2 || !reg::NamesEqual(path[0], "SOFTWARE") ||
      reg::NamesEqual(path[1], "Wow6432Node")) {
    return false;
  }
  *wow = path;
  wow->insert(wow->begin() + 1, "Wow6432Node");
  return true;
}

// The key at `path` as each layer has it, then as each layer has its 32-bit view: a read finds
// the native value first and falls back to the 32-bit one; enumerations list both. The fixed part
// of a root (`base` names: SOFTWARE\Classes of HKEY_CLASSES_ROOT) exists, empty, even before
// anything was stored there.
Chain FindChain(const Layers& layers, int root, const KeyPath& path, std::size_t base) {
  static const Key kEmpty;
  Chain chain;
  for (const auto& tree : layers) {
    if (const Key* key = tree->Find(root, path)) chain.push_back(key);
  }
  KeyPath wow;
  if (Wow6432Path(root, path, &wow)) {
    for (const auto& tree : layers) {
      if (const Key* key = tree->Find(root, wow)) chain.push_back(key);
    }
  }
  if (chain.empty() && path.size() == base) chain.push_back(&kEmpty);
  return chain;
}

// Whether a lower (read-only) layer has the key, in either view.
bool ExistsBelow(const Layers& layers, int root, const KeyPath& path) {
  KeyPath wow;
  const bool has_wow = Wow6432Path(root, path, &wow);
  for (std::size_t i = 1; i < layers.size(); ++i) {
    if (layers[i]->Find(root, path) != nullptr) return true;
    if (has_wow && layers[i]->Find(root, wow) != nullptr) return true;
  }
  return false;
}

// Sub-keys of a key over all layers, in name order; a name found in several layers once.
std::vector<Chain> MergedSubkeys(const Chain& chain) {
  std::vector<const Key*> all;
  for (const Key* key : chain) {
    for (const auto& sub : key->subkeys) all.push_back(sub.get());
  }
  std::stable_sort(all.begin(), all.end(), [](const Key* a, const Key* b) {
    return reg::CompareNames(a->name, b->name) < 0;
  });
  std::vector<Chain> out;
  for (const Key* key : all) {
    if (!out.empty() && reg::NamesEqual(out.back().front()->name, key->name)) {
      out.back().push_back(key);
    } else {
      out.push_back(Chain{key});
    }
  }
  return out;
}

// Values over all layers: ours in creation order, then those only a lower layer has.
std::vector<const Value*> MergedValues(const Chain& chain) {
  std::vector<const Value*> out;
  for (const Key* key : chain) {
    for (const Value& value : key->values) {
      bool shadowed = std::any_of(out.begin(), out.end(), [&](const Value* v) {
        return reg::NamesEqual(v->name, value.name);
      });
      if (!shadowed) out.push_back(&value);
    }
  }
  return out;
}

std::unique_ptr<Key> MergedCopy(const Chain& chain) {
  auto copy = std::make_unique<Key>(chain.front()->name, chain.front()->is_volatile);
  for (const Value* value : MergedValues(chain)) copy->values.push_back(*value);
  for (const Chain& sub : MergedSubkeys(chain)) copy->subkeys.push_back(MergedCopy(sub));
  return copy;
}

int ChangeFor(const Key* key) { return key->is_volatile ? reg::kVolatileChanged : reg::kMainChanged; }

// Our own copy of the key `ref` names, made when only a lower (read-only) layer has it so far.
Key* EnsureOwnKey(Tree& tree, const ds_hkey__& ref, const Layers& layers, int* changed) {
  if (Key* key = tree.Find(ref.root, ref.path)) return key;
  if (!ExistsBelow(layers, ref.root, ref.path)) return nullptr;
  Key* key = &tree.root(ref.root);
  for (const std::string& name : ref.path) {
    Key* next = key->FindSubkey(name);
    if (next == nullptr) {
      next = key->AddSubkey(name, key->is_volatile);
      *changed |= ChangeFor(next);
    }
    key = next;
  }
  return key;
}

bool IsStringType(std::uint32_t type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Copies a value's data; string data always ends with a NUL in the buffer.
bool CopyData(const Value& value, char* out, unsigned long size) {
  if (value.data.size() > size) return false;
  std::memcpy(out, value.data.data(), value.data.size());
  if (IsStringType(value.type) && (value.data.empty() || value.data.back() != '\0')) {
    if (value.data.size() + 1 > size) return false;
    out[value.data.size()] = '\0';
  }
  return true;
}

bool CopyName(const std::string& name, char* out, unsigned long size) {
  if (out == nullptr || name.size() + 1 > size) return false;
  std::memcpy(out, name.c_str(), name.size() + 1);
  return true;
}

std::string ValueName(const char* name) { return name != nullptr ? name : ""; }

}  // namespace

struct Registry::SubkeyCache {
  Layers layers;  // the snapshots the names came from (held, so they cannot be reused)
  int root = 0;
  reg::KeyPath path;
  std::vector<std::string> names;
};

Registry::Registry(HKEY root) : key_(root), root_(root), style_(REG_OPTION_VOLATILE) {}

Registry::~Registry() { Close(); }

void Registry::SetCurrent(HKEY key) {
  if (key_ != nullptr && key_ != root_ && key_ != key) delete key_;
  key_ = key;
}

int Registry::Open(const char* subkey, unsigned long access) {
  ds_hkey__ ref;
  KeyPath below;
  if (subkey == nullptr || !Resolve(key_, key_ != root_ ? key_ : nullptr, &ref) ||
      !reg::SplitKeyPath(subkey, &below)) {
    return 0;
  }
  KeyPath path = Joined(ref.path, below);
  if (FindChain(Store().ReadLayers(), ref.root, path, ref.base).empty()) return 0;
  SetCurrent(new ds_hkey__{ref.root, std::move(path), ref.base, MapGenericAccess(access)});
  return 1;
}

int Registry::CreateKey(const char* subkey) {
  ds_hkey__ ref;
  KeyPath below;
  if (subkey == nullptr || !Resolve(key_, key_ != root_ ? key_ : nullptr, &ref) ||
      !(ref.access & KEY_CREATE_SUB_KEY) || !reg::SplitKeyPath(subkey, &below)) {
    return 0;
  }
  KeyPath path = Joined(ref.path, below);
  Layers layers = Store().ReadLayers();
  if (FindChain(layers, ref.root, path, kNoBase).empty()) {
    const bool make_volatile = (style_ & REG_OPTION_VOLATILE) != 0;
    bool ok = Store().Modify([&](Tree& tree) {
      int changed = reg::kNothingChanged;
      // The fixed part of a root (SOFTWARE\Classes of HKEY_CLASSES_ROOT) is always there, as
      // ordinary keys, whatever style the first key created through it has.
      Key* key = &tree.root(ref.root);
      for (std::size_t i = 0; i < ref.base; ++i) {
        Key* next = key->FindSubkey(ref.path[i]);
        if (next == nullptr) {
          next = key->AddSubkey(ref.path[i], key->is_volatile);
          changed |= ChangeFor(next);
        }
        key = next;
      }
      key = EnsureOwnKey(tree, ref, layers, &changed);
      if (key == nullptr) return static_cast<int>(reg::kChangeFailed);
      KeyPath partial = ref.path;
      for (const std::string& name : below) {
        partial.push_back(name);
        Key* next = key->FindSubkey(name);
        if (next == nullptr) {
          bool existed = ExistsBelow(layers, ref.root, partial);
          // As on Windows, no ordinary key below a volatile one: it would outlive its parent.
          if (!existed && key->is_volatile && !make_volatile) {
            return static_cast<int>(reg::kChangeFailed);
          }
          next = key->AddSubkey(name, existed ? key->is_volatile : make_volatile);
          changed |= ChangeFor(next);
        }
        key = next;
      }
      return changed;
    });
    if (!ok) return 0;
  }
  SetCurrent(new ds_hkey__{ref.root, std::move(path), ref.base, KEY_ALL_ACCESS});
  return 1;
}

void Registry::Close() {
  SetCurrent(nullptr);
}

void Registry::ResetKey() { SetCurrent(root_); }

int Registry::DeleteKey(HKEY parent, const char* subkey) {
  ds_hkey__ ref;
  KeyPath below;
  if (key_ == nullptr || subkey == nullptr ||
      !Resolve(parent, key_ != root_ ? key_ : nullptr, &ref) ||
      !reg::SplitKeyPath(subkey, &below) || below.empty()) {
    return 0;
  }
  KeyPath path = Joined(ref.path, below);
  // Sub-keys that a read-only layer holds count too: they would stay visible.
  Layers layers = Store().ReadLayers();
  for (std::size_t i = 1; i < layers.size(); ++i) {
    const Key* key = layers[i]->Find(ref.root, path);
    if (key != nullptr && !key->subkeys.empty()) return 0;
  }
  if (layers.front()->Find(ref.root, path) == nullptr) return 0;
  KeyPath parent_path(path.begin(), path.end() - 1);
  bool ok = Store().Modify([&](Tree& tree) {
    Key* parent_key = tree.Find(ref.root, parent_path);
    Key* key = parent_key != nullptr ? parent_key->FindSubkey(path.back()) : nullptr;
    if (key == nullptr || !key->subkeys.empty()) return static_cast<int>(reg::kChangeFailed);
    int changed = ChangeFor(key);
    parent_key->RemoveSubkey(path.back());
    return changed;
  });
  return ok ? 1 : 0;
}

int Registry::DeleteValue(const char* name) {
  ds_hkey__ ref;
  if (!Resolve(key_, key_ != root_ ? key_ : nullptr, &ref) || !(ref.access & KEY_SET_VALUE)) {
    return 0;
  }
  const std::string value_name = ValueName(name);
  // The tree is held while its keys are used: another thread's change replaces the shared one.
  const std::shared_ptr<const Tree> snapshot = Store().Read();
  const Key* own = snapshot->Find(ref.root, ref.path);
  if (own == nullptr || own->FindValue(value_name) == nullptr) return 0;
  bool ok = Store().Modify([&](Tree& tree) {
    Key* key = tree.Find(ref.root, ref.path);
    if (key == nullptr || !key->RemoveValue(value_name)) return static_cast<int>(reg::kChangeFailed);
    return ChangeFor(key);
  });
  return ok ? 1 : 0;
}

int Registry::WriteData(const char* name, std::uint32_t type, const char* data, unsigned long size) {
  ds_hkey__ ref;
  if (!Resolve(key_, key_ != root_ ? key_ : nullptr, &ref) || !(ref.access & KEY_SET_VALUE)) {
    return 0;
  }
  const std::string value_name = ValueName(name);
  if (HasLineBreak(value_name)) return 0;  // the store keeps one value per line
  const std::string bytes(data, size);
  Layers layers = Store().ReadLayers();
  if (const Key* own = layers.front()->Find(ref.root, ref.path)) {
    const Value* current = own->FindValue(value_name);
    if (current != nullptr && current->type == type && current->data == bytes) return 1;
  } else if (!ExistsBelow(layers, ref.root, ref.path)) {
    return 0;
  }
  bool ok = Store().Modify([&](Tree& tree) {
    int changed = reg::kNothingChanged;
    Key* key = EnsureOwnKey(tree, ref, layers, &changed);
    if (key == nullptr) return static_cast<int>(reg::kChangeFailed);
    if (key->SetValue(value_name, type, bytes)) changed |= ChangeFor(key);
    return changed;
  });
  return ok ? 1 : 0;
}

int Registry::Write(const char* name, int value) {
  return Write(name, static_cast<unsigned long>(static_cast<std::uint32_t>(value)));
}

int Registry::Write(const char* name, unsigned long value) {
  const std::uint32_t dword = static_cast<std::uint32_t>(value);
  char bytes[4];
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((dword >> (8 * i)) & 0xFF);
  return WriteData(name, REG_DWORD, bytes, 4);
}

int Registry::Write(const char* name, const char* text) {
  if (text == nullptr) return 0;
  return WriteData(name, REG_SZ, text, static_cast<unsigned long>(std::strlen(text) + 1));
}

namespace {

// Finds a value of the key `ref` names over all layers and copies it out.
bool LookupValue(const ds_hkey__& ref, const char* name, Value* out) {
  if (!(ref.access & KEY_QUERY_VALUE)) return false;
  Layers layers = Store().ReadLayers();
  const std::string value_name = ValueName(name);
  for (const Key* key : FindChain(layers, ref.root, ref.path, ref.base)) {
    if (const Value* value = key->FindValue(value_name)) {
      *out = *value;
      return true;
    }
  }
  return false;
}

}  // namespace

int Registry::Read(const char* name, unsigned long* value) {
  ds_hkey__ ref;
  Value found;
  if (value == nullptr || !Resolve(key_, key_ != root_ ? key_ : nullptr, &ref) ||
      !LookupValue(ref, name, &found) || found.data.size() > 4) {
    return 0;
  }
  std::uint32_t number = 0;
  for (std::size_t i = found.data.size(); i > 0; --i) {
    number = (number << 8) | static_cast<unsigned char>(found.data[i - 1]);
  }
  *value = number;
  return 1;
}

int Registry::Read(const char* name, int* value) {
  unsigned long number = 0;
  if (value == nullptr || !Read(name, &number)) return 0;
  *value = static_cast<int>(static_cast<std::uint32_t>(number));
  return 1;
}

int Registry::Read(const char* name, char* buffer, unsigned long size) {
  ds_hkey__ ref;
  Value found;
  if (buffer == nullptr || !Resolve(key_, key_ != root_ ? key_ : nullptr, &ref) ||
      !LookupValue(ref, name, &found)) {
    return 0;
  }
  return CopyData(found, buffer, size) ? 1 : 0;
}

int Registry::SaveKey(const char* file) {
  ds_hkey__ ref;
  if (file == nullptr || !Resolve(key_, key_ != root_ ? key_ : nullptr, &ref) ||
      (ref.access & (KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS)) !=
          (KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS)) {
    return 0;
  }
  Layers layers = Store().ReadLayers();
  Chain chain = FindChain(layers, ref.root, ref.path, ref.base);
  if (chain.empty()) return 0;
  std::unique_ptr<Key> copy = MergedCopy(chain);
  std::string text = reg::FormatSubtree(ref.root, ref.path, *copy);
  return ReplaceFileAtomically(NativePath(file), text, 0644) ? 1 : 0;
}

int Registry::RestoreKey(const char* file) {
  ds_hkey__ ref;
  if (file == nullptr || !Resolve(key_, key_ != root_ ? key_ : nullptr, &ref) ||
      (ref.access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) != (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) {
    return 0;
  }
  std::string text;
  if (reg::ReadTextFile(NativePath(file), &text) <= 0) return 0;
  Tree loaded;
  reg::ParseReport report = reg::ParseRegText(text, &loaded, false);
  if (!report.has_section) return 0;
  // The file's first key is the one saved; keys outside it are ignored.
  const Key* source = loaded.Find(report.first_root, report.first_path);
  if (source == nullptr) return 0;

  Layers layers = Store().ReadLayers();
  bool ok = Store().Modify([&](Tree& tree) {
    int changed = reg::kNothingChanged;
    Key* key = EnsureOwnKey(tree, ref, layers, &changed);
    if (key == nullptr) return static_cast<int>(reg::kChangeFailed);
    changed |= ChangeFor(key);
    for (const auto& old : key->subkeys) {
      if (old->is_volatile) changed |= reg::kVolatileChanged;
    }
    key->values = source->values;
    key->subkeys.clear();
    // Loaded as a volatile hive: the restored keys vanish when the machine restarts. (The
    // current key itself keeps its kind, and its values with it.)
    for (const auto& sub : source->subkeys) key->subkeys.push_back(sub->CloneAs(true));
    if (!source->subkeys.empty()) changed |= reg::kVolatileChanged;
    return changed;
  });
  return ok ? 1 : 0;
}

void Registry::ModiyStyle(std::uint32_t style) { style_ = style; }

std::uint32_t Registry::ModiyStyle() { return style_; }

int Registry::QueryInfoKey(unsigned long* subkey_count, unsigned long* value_count) {
  ds_hkey__ ref;
  if (!Resolve(key_, key_ != root_ ? key_ : nullptr, &ref) || !(ref.access & KEY_QUERY_VALUE)) {
    return 0;
  }
  Layers layers = Store().ReadLayers();
  Chain chain = FindChain(layers, ref.root, ref.path, ref.base);
  if (chain.empty()) return 0;
  if (subkey_count != nullptr) *subkey_count = MergedSubkeys(chain).size();
  if (value_count != nullptr) *value_count = MergedValues(chain).size();
  return 1;
}

int Registry::EnumKey(unsigned long index, char* name, unsigned long name_size) {
  ds_hkey__ ref;
  if (!Resolve(key_, key_ != root_ ? key_ : nullptr, &ref) ||
      !(ref.access & KEY_ENUMERATE_SUB_KEYS)) {
    return 0;
  }
  Layers layers = Store().ReadLayers();
  if (!subkeys_ || subkeys_->layers != layers || subkeys_->root != ref.root || subkeys_->path != ref.path) {
    Chain chain = FindChain(layers, ref.root, ref.path, ref.base);
    if (chain.empty()) return 0;
    auto cache = std::make_unique<SubkeyCache>();
    for (const Chain& subkey : MergedSubkeys(chain)) cache->names.push_back(subkey.front()->name);
    cache->layers = std::move(layers);
    cache->root = ref.root;
    cache->path = ref.path;
    subkeys_ = std::move(cache);
  }
  if (index >= subkeys_->names.size()) return 0;
  return CopyName(subkeys_->names[index], name, name_size) ? 1 : 0;
}

int Registry::EnumValue(unsigned long index, char* name, unsigned long name_size,
                        unsigned long* type, char* data, unsigned long* data_size) {
  ds_hkey__ ref;
  if (!Resolve(key_, key_ != root_ ? key_ : nullptr, &ref) || !(ref.access & KEY_QUERY_VALUE) ||
      (data != nullptr && data_size == nullptr)) {
    return 0;
  }
  Layers layers = Store().ReadLayers();
  Chain chain = FindChain(layers, ref.root, ref.path, ref.base);
  if (chain.empty()) return 0;
  std::vector<const Value*> values = MergedValues(chain);
  if (index >= values.size()) return 0;
  const Value& value = *values[index];
  if (!CopyName(value.name, name, name_size)) return 0;
  if (data != nullptr && !CopyData(value, data, *data_size)) return 0;
  if (data_size != nullptr) *data_size = value.data.size();
  if (type != nullptr) *type = value.type;
  return 1;
}

int Registry::SetKeySecurity(unsigned long, const void*) {
  ds_hkey__ ref;
  if (!Resolve(key_, key_ != root_ ? key_ : nullptr, &ref)) return 0;
  return FindChain(Store().ReadLayers(), ref.root, ref.path, ref.base).empty() ? 0 : 1;
}

}  // namespace ds
