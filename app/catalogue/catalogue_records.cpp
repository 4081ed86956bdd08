#include "app/catalogue/catalogue_records.h"

#include "core/data/data_table.h"

namespace {

// An integer attribute whose default is not 0: the default applies only when it is absent.
int IntegerOr(ds::IDataTable* table, const char* name, int fallback) {
  int value = 0;
  return table->GetInteger(name, value) ? value : fallback;
}

}  // namespace

int ParseSoftwareTypeInfo(ds::IDataTable* table, SoftwareTypeInfo& out) {
  out.id = table->GetInteger("id");
  out.name = table->GetString("name");
  out.Num = table->GetInteger("Num");
  return 1;
}

int ParseSoftwareInfo(ds::IDataTable* table, SoftwareInfo& out) {
  out.id = table->GetInteger("id");
  out.InstallId = IntegerOr(table, "InstallId", -1);
  out.kind = table->GetInteger("kind");
  out.type = table->GetInteger("type");
  out.default_ = table->GetInteger("default");
  out.name = table->GetString("name");
  out.desc = table->GetString("desc");
  out.icon = table->GetString("icon");
  out.installedExe.clear();
  out.url = table->GetString("url");
  out.RegRootIndex = table->GetInteger("RegRootIndex");
  out.regapp = table->GetString("regapp");
  out.regname = table->GetString("regname");
  out.exe = table->GetString("exe");
  out.Defaultexe = table->GetString("Defaultexe");
  out.size = table->GetFloat("size");
  out.enableuse = IntegerOr(table, "enableuse", 1);
  out.disable = table->GetInteger("disable");
  out.PerformStyle = table->GetInteger("PerformStyle");
  out.free = IntegerOr(table, "free", 1);
  out.verinfo = table->GetString("verinfo");
  out.verinfoshow = table->GetString("verinfoshow");
  out.sha256 = table->GetString("sha256");
  out.vertype = table->GetInteger("vertype");
  out.verRegRootIndex = table->GetInteger("verRegRootIndex");
  out.regappver = table->GetString("regappver");
  out.regnamever = table->GetString("regnamever");
  return 1;
}

int ParseAssociateFile(ds::IDataTable* table, AssociateFile& out) {
  out.name = table->GetString("name");
  out.softid = table->GetString("softid");
  out.typeid_ = table->GetInteger("typeid");
  out.ico = table->GetString("ico");
  out.assroot = table->GetString("assroot");
  return 1;
}

int ParseAssociateFileType(ds::IDataTable* table, AssociateFileType& out) {
  out.name = table->GetString("name");
  out.id = table->GetInteger("id");
  return 1;
}

int ParseWebaddressdefault(ds::IDataTable* table, Webaddressdefault& out) {
  out.name = table->GetString("name");
  out.value = table->GetString("value");
  return 1;
}

int ParseAdvertInfo(ds::IDataTable* table, AdvertInfo& out) {
  out.name = table->GetString("name");
  out.value = table->GetString("value");
  out.xad = table->GetInteger("xad");
  out.yad = table->GetInteger("yad");
  out.imgad = table->GetString("imgad");
  return 1;
}

int ParseFunctionInfo(ds::IDataTable* table, FunctionInfo& out) {
  out.morebt = table->GetString("morebt");
  out.regbt = table->GetString("regbt");
  out.forgetpassword = table->GetString("forgetpassword");
  return 1;
}
