// A cursor over the registry: it starts at a root key, walks down by relative sub-key paths and
// reads and writes the values of the key it stands on. Paths use '\' between names; names and
// texts are UTF-8. Results are 1 for success and 0 for failure; nothing logs or throws.
#pragma once

#include <cstdint>
#include <memory>

#include "core/export.h"
#include "core/registry/registry_types.h"

namespace ds {

class DS_API Registry {
 public:
  explicit Registry(HKEY root = HKEY_LOCAL_MACHINE);
  virtual ~Registry();

  // Opens `subkey` below the current key with the access rights given (KEY_READ,
  // KEY_ALL_ACCESS, ...); it becomes the current key. Fails for a missing key.
  int Open(const char* subkey, unsigned long access);
  // Creates (or opens) `subkey` below the current key with the current style and full access;
  // it becomes the current key.
  int CreateKey(const char* subkey);
  // Closes the current key; every operation then fails until ResetKey().
  void Close();
  // Makes the root the current key again.
  void ResetKey();
  // Deletes `subkey` below `parent` (a predefined root). A key with sub-keys is not deleted.
  int DeleteKey(HKEY parent, const char* subkey);
  int DeleteValue(const char* name);

  // A 4-byte DWORD value.
  int Write(const char* name, int value);
  int Write(const char* name, unsigned long value);
  // A string value: the text and its terminating NUL. Fails on a null text.
  int Write(const char* name, const char* text);

  // A value of at most 4 bytes, of any type, as a little-endian number (shorter data is
  // zero-extended).
  int Read(const char* name, unsigned long* value);
  int Read(const char* name, int* value);
  // A value of at most `size` bytes, of any type. String values always end up terminated: one
  // stored without its NUL fails when there is no room to add it.
  int Read(const char* name, char* buffer, unsigned long size);

  // Exports the current key and everything beneath it to `file` as regedit text.
  int SaveKey(const char* file);
  // Replaces the values and sub-keys of the current key by those of the first key in `file`
  // (an export made by SaveKey or the registry editor) and the keys beneath it. The restored
  // sub-keys are volatile (they vanish when the machine restarts), whatever the style.
  int RestoreKey(const char* file);

  // The options for keys created later: REG_OPTION_VOLATILE (1, the default at construction) or
  // REG_OPTION_NON_VOLATILE (0). Volatile keys vanish when the machine restarts.
  void ModiyStyle(std::uint32_t style);
  std::uint32_t ModiyStyle();

  // Enumeration of the current key, as the platform's query and enumerate calls give it:
  // sub-keys in name order (ignoring case), values in creation order.
  int QueryInfoKey(unsigned long* subkey_count, unsigned long* value_count);
  // Copies the name of sub-key `index` with its NUL; fails past the end or when it does not fit.
  int EnumKey(unsigned long index, char* name, unsigned long name_size);
  // Value `index`: its name (with NUL) into `name`, its type into `type` (may be null), its data
  // into `data` (may be null) whose capacity `*data_size` gives and receives the length. String
  // data is terminated as in Read().
  int EnumValue(unsigned long index, char* name, unsigned long name_size, unsigned long* type,
                char* data, unsigned long* data_size);

  // Key security has no meaning in this store: keys belong to the user who owns the store file.
  // Succeeds (changing nothing) whenever a current key exists.
  int SetKeySecurity(unsigned long information, const void* descriptor);

  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;

 private:
  void SetCurrent(HKEY key);
  int WriteData(const char* name, std::uint32_t type, const char* data, unsigned long size);

  HKEY key_;
  HKEY root_;
  std::uint32_t style_;
  // The sub-key names of the key last enumerated, while the store is unchanged: enumerating a
  // key index by index then merges its sub-keys once, not once per index.
  struct SubkeyCache;
  std::unique_ptr<SubkeyCache> subkeys_;
};

}  // namespace ds
