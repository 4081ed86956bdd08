#include "core/files/file.h"

#include <string>

#include "core/files/file_system.h"
#include "core/text/path.h"

namespace ds {

File::File() = default;

File::~File() { CloseFile(); }

int File::Open(const char* name, const char* mode) {
  CloseFile();
  if (name == nullptr) return 0;
  std::string path = std::string(FileSystem::Instance()->GetWorkPath()) + "/" + name;
  if (path.size() >= static_cast<std::size_t>(kMaxPath)) return 0;
  stream_ = std::fopen(NativePath(path).c_str(), mode);
  return stream_ != nullptr ? 1 : 0;
}

int File::Create(const char* name) { return Open(name, "wbe"); }

int File::Load(const char* name) { return Open(name, "rbe"); }

int File::Read(void* buffer, unsigned length) {
  if (stream_ == nullptr) return 0;
  unsigned char* out = static_cast<unsigned char*>(buffer);
  for (unsigned i = 0; i < length; ++i) {
    int c = std::getc(stream_);
    if (c == EOF) return 0;
    if (c == 0x0D) {
      int next = std::getc(stream_);
      if (next == 0x0A) {
        c = 0x0A;
      } else if (next != EOF) {
        std::ungetc(next, stream_);
      }
    }
    out[i] = static_cast<unsigned char>(c);
  }
  return 1;
}

int File::Write(const void* buffer, unsigned length) {
  if (stream_ == nullptr) return 0;
  const unsigned char* in = static_cast<const unsigned char*>(buffer);
  for (unsigned i = 0; i < length; ++i) {
    if (in[i] == 0x0A && std::putc(0x0D, stream_) == EOF) return 0;
    if (std::putc(in[i], stream_) == EOF) return 0;
  }
  return std::fflush(stream_) == 0 ? 1 : 0;
}

int File::GetSize() { return 0; }

void File::CloseFile() {
  if (stream_ != nullptr) {
    std::fclose(stream_);
    stream_ = nullptr;
  }
}

}  // namespace ds
