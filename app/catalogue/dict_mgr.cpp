#include "app/catalogue/dict_mgr.h"

#include "core/thread/singleton_impl.h"
#include "vexo/ui/resources/resource_mgr.h"

template class ds::Singleton<CDictMgr, 1>;

namespace {

ds::UnzipFile* Pack() { return VEXO_ResourceMgr::Instance()->GetUnzipFile(); }

template <class T>
ds::FunctorPtr<int(ds::IDataTable*, T&)> Parser(int (*parse)(ds::IDataTable*, T&)) {
  return ds::MakeFunctor<int(ds::IDataTable*, T&)>(parse);
}

}  // namespace

CDictMgr* CDictMgr::Instance() { return DictMgrHolder::Instance(); }

CDictMgr::CDictMgr()
    : commonTypes_("software/TypeReq.xml", Parser(&ParseSoftwareTypeInfo), Pack()),
      types_("software/type.xml", Parser(&ParseSoftwareTypeInfo), Pack()),
      softwares_("software/software.xml", Parser(&ParseSoftwareInfo), Pack()),
      associateFiles_("software/Associate.xml", Parser(&ParseAssociateFile), Pack()),
      associateFileTypes_("software/Associatetype.xml", Parser(&ParseAssociateFileType), Pack()),
      webAddresses_("software/WID.xml", Parser(&ParseWebaddressdefault), Pack()),
      adverts_("software/advertInfo.xml", Parser(&ParseAdvertInfo), Pack()),
      functions_("software/FunctionInfo.xml", Parser(&ParseFunctionInfo), Pack()) {}

CDictMgr::~CDictMgr() = default;
