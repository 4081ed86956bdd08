// The records of the catalogue files under "software/" in the data pack, one struct per file
// kind. Fields carry the names of the XML attributes they come from. Texts are UTF-8 (the files
// are GBK and decoded on load), so names compare byte for byte as stored once decoded.
#pragma once
#include <string>

namespace ds {
class IDataTable;
}  // namespace ds

// A category ("software/type.xml") or common category ("software/TypeReq.xml").
struct SoftwareTypeInfo {
  static constexpr const char* kRecordName = "SoftwareTypeInfo";
  int id = 0;
  std::string name;
  int Num = 0;  // row id 0 of type.xml: the number of category buttons
};

// One program of "software/software.xml".
struct SoftwareInfo {
  static constexpr const char* kRecordName = "SoftwareInfo";
  int id = 0;
  int InstallId = -1;
  int kind = 0;  // bit n set: listed in common category n
  int type = 0;  // category id; -1 hidden and never upgraded, -2 counts as installed without a file
  int default_ = 0;  // attribute "default" (a C++ keyword, hence the underscore)
  std::string name;
  std::string desc;
  std::string icon;
  std::string installedExe;  // detected executable; not read from the file
  std::string url;
  int RegRootIndex = 0;  // 0 HKLM, 1 HKCU, 2 HKCR, 3 HKU, 4 regapp is the path, 5 portable
  std::string regapp;
  std::string regname;
  std::string exe;
  std::string Defaultexe;
  float size = 0;  // installer size in MB
  int enableuse = 1;
  int disable = 0;
  int PerformStyle = 0;
  int free = 1;
  std::string verinfo;
  std::string verinfoshow;
  int vertype = 0;  // 0 "FileVersion", 1 "ProductVersion"
  int verRegRootIndex = 0;
  std::string regappver;
  std::string regnamever;
  // SHA-256 of the installer (64 hexadecimal digits, any case); "" when the catalogue gives none.
  std::string sha256;
};

// One file extension that can be associated ("software/Associate.xml").
struct AssociateFile {
  static constexpr const char* kRecordName = "AssociateFile";
  std::string name;    // extension without the dot
  std::string softid;  // candidate program ids, separated by blanks or commas
  int typeid_ = 0;     // attribute "typeid" (a C++ keyword, hence the underscore): the group id
  std::string ico;
  std::string assroot;
};

// A group of extensions ("software/Associatetype.xml").
struct AssociateFileType {
  static constexpr const char* kRecordName = "AssociateFileType";
  std::string name;
  int id = 0;
};

// A default web site of the home page ("software/WID.xml").
struct Webaddressdefault {
  static constexpr const char* kRecordName = "Webaddressdefault";
  std::string name;
  std::string value;
};

// An advertisement slot ("software/advertInfo.xml").
struct AdvertInfo {
  static constexpr const char* kRecordName = "AdvertInfo";
  std::string name;
  std::string value;
  int xad = 0;
  int yad = 0;
  std::string imgad;
};

// Home-page links ("software/FunctionInfo.xml"); only the first row is used.
struct FunctionInfo {
  static constexpr const char* kRecordName = "FunctionInfo";
  std::string morebt;
  std::string regbt;
  std::string forgetpassword;
};

// Row parsers: read the current row of `table` into `out`, every absent attribute taking its
// default. They never reject a row and return 1.
int ParseSoftwareTypeInfo(ds::IDataTable* table, SoftwareTypeInfo& out);
int ParseSoftwareInfo(ds::IDataTable* table, SoftwareInfo& out);
int ParseAssociateFile(ds::IDataTable* table, AssociateFile& out);
int ParseAssociateFileType(ds::IDataTable* table, AssociateFileType& out);
int ParseWebaddressdefault(ds::IDataTable* table, Webaddressdefault& out);
int ParseAdvertInfo(ds::IDataTable* table, AdvertInfo& out);
int ParseFunctionInfo(ds::IDataTable* table, FunctionInfo& out);
