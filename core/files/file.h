// A minimal file object for small files under the work directory, in text mode: a line feed is
// stored as CR LF and CR LF reads back as a line feed. A 0x1A byte is ordinary data.
#pragma once

#include <cstdio>

#include "core/export.h"

namespace ds {

class DS_API File {
 public:
  File();
  virtual ~File();
  // Opens work path + "/" + name for writing (created or truncated). 1 when open.
  virtual int Create(const char* name);
  // Opens work path + "/" + name for reading. 1 when open.
  virtual int Load(const char* name);
  // Reads exactly `length` bytes; 1 when the whole block was read.
  virtual int Read(void* buffer, unsigned length);
  // Writes `length` bytes; 1 when written.
  virtual int Write(const void* buffer, unsigned length);
  // Nothing asks a file for its size; kept for the interface and always 0.
  virtual int GetSize();
  virtual void CloseFile();

  File(const File&) = delete;
  File& operator=(const File&) = delete;

 private:
  int Open(const char* name, const char* mode);
  std::FILE* stream_ = nullptr;
};

}  // namespace ds
