// The process's catalogue: one dictionary per catalogue file. Every other part reads the
// catalogue through it; nothing writes it. The data pack must be open (VEXO_ResourceMgr::Init)
// before the first Instance() call, since each dictionary keeps the pack reader it was given.
#pragma once
#include "app/catalogue/catalogue_records.h"
#include "app/catalogue/vec_dict.h"
#include "core/thread/singleton.h"

class CDictMgr : public ds::SingletonBase {
 public:
  static CDictMgr* Instance();
  CDictMgr();
  ~CDictMgr() override;

  ds::VecDict<SoftwareTypeInfo>& CommonTypes() { return commonTypes_; }  // software/TypeReq.xml
  ds::VecDict<SoftwareTypeInfo>& Types() { return types_; }              // software/type.xml
  ds::VecDict<SoftwareInfo>& Softwares() { return softwares_; }          // software/software.xml
  ds::VecDict<AssociateFile>& AssociateFiles() { return associateFiles_; }
  ds::VecDict<AssociateFileType>& AssociateFileTypes() { return associateFileTypes_; }
  ds::VecDict<Webaddressdefault>& WebAddresses() { return webAddresses_; }
  ds::VecDict<AdvertInfo>& Adverts() { return adverts_; }
  ds::VecDict<FunctionInfo>& Functions() { return functions_; }

  CDictMgr(const CDictMgr&) = delete;
  CDictMgr& operator=(const CDictMgr&) = delete;

 private:
  ds::VecDict<SoftwareTypeInfo> commonTypes_;
  ds::VecDict<SoftwareTypeInfo> types_;
  ds::VecDict<SoftwareInfo> softwares_;
  ds::VecDict<AssociateFile> associateFiles_;
  ds::VecDict<AssociateFileType> associateFileTypes_;
  ds::VecDict<Webaddressdefault> webAddresses_;
  ds::VecDict<AdvertInfo> adverts_;
  ds::VecDict<FunctionInfo> functions_;
};

using DictMgrHolder = ds::Singleton<CDictMgr, 1>;

// The association templates file, read whole by the association engine (not a dictionary).
constexpr const char* kAssociateExFile = "software/AssociateEx.xml";
