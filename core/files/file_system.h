// The process's two base directories and the joining of relative names onto them.
#pragma once

#include <string>

#include "core/export.h"

namespace ds {

class DS_API FileSystem {
 public:
  static FileSystem* Instance();

  virtual ~FileSystem();
  // Work path = the current directory, application path = `path`. Returns 1.
  virtual int Init(const char* path);
  virtual const char* GetWorkPath() const;
  virtual const char* GetAppPath() const;
  virtual void SetWorkPath(const char* path);

  // out = work path + name when name starts with '/' or '\', else work path + "/" + name.
  // `out` holds kMaxPath bytes; a longer result is cut and terminated. Returns 1 when it fitted.
  int CombineWorkPath(const char* name, char* out) const;
  int CombineAppPath(const char* name, char* out) const;
  std::string CombineWorkPath(const std::string& name) const;
  std::string CombineAppPath(const std::string& name) const;

 private:
  FileSystem();
  std::string work_path_;
  std::string app_path_;
};

}  // namespace ds
