// The catalogue dictionaries: row defaults, order, bounds, lazy loading and re-reading, the loose
// file winning over the pack, GBK texts, and the fatal line for a rejected row.
#include <zip.h>

#include <gtest/gtest.h>

#include "app/catalogue/dict_mgr.h"
#include "tests/app/catalogue_fixture.h"
#include "vexo/ui/resources/pack_password.h"
#include "vexo/ui/resources/resource_mgr.h"

namespace {

using corvane_test::CatalogueFixture;

class CatalogueDictTest : public CatalogueFixture {};

TEST_F(CatalogueDictTest, ProgramRowsTakeTheirDefaultsOnlyWhenAbsent) {
  WriteCatalogue("software/software.xml",
                 "<s id=\"7\" name=\"七\" size=\"12.5\" kind=\"6\"/>\n"
                 "<s id=\"8\" InstallId=\"0\" enableuse=\"0\" free=\"0\" PerformStyle=\"3\" "
                 "RegRootIndex=\"5\" vertype=\"1\" verRegRootIndex=\"2\" type=\"12abc\" disable=\"x\"/>\n");
  ds::VecDict<SoftwareInfo>& programs = CDictMgr::Instance()->Softwares();
  ASSERT_EQ(programs.Count(), 2);
  const SoftwareInfo* first = programs.At(0);
  EXPECT_EQ(first->id, 7);
  EXPECT_EQ(first->name, "七");
  EXPECT_EQ(first->InstallId, -1);
  EXPECT_EQ(first->enableuse, 1);
  EXPECT_EQ(first->free, 1);
  EXPECT_EQ(first->PerformStyle, 0);
  EXPECT_EQ(first->RegRootIndex, 0);
  EXPECT_EQ(first->vertype, 0);
  EXPECT_EQ(first->verRegRootIndex, 0);
  EXPECT_FLOAT_EQ(first->size, 12.5f);
  EXPECT_EQ(first->kind, 6);
  EXPECT_EQ(first->installedExe, "");

  const SoftwareInfo* second = programs.At(1);
  EXPECT_EQ(second->InstallId, 0);
  EXPECT_EQ(second->enableuse, 0);
  EXPECT_EQ(second->free, 0);
  EXPECT_EQ(second->PerformStyle, 3);
  EXPECT_EQ(second->RegRootIndex, 5);
  EXPECT_EQ(second->vertype, 1);
  EXPECT_EQ(second->verRegRootIndex, 2);
  EXPECT_EQ(second->type, 12) << "leading digits count";
  EXPECT_EQ(second->disable, 0) << "no digits read as 0";

  EXPECT_EQ(programs.At(-1), nullptr);
  EXPECT_EQ(programs.At(2), nullptr);
}

TEST_F(CatalogueDictTest, RecordsKeepFileOrderAndEveryFileHasItsDictionary) {
  WriteCatalogue("software/type.xml", "<t id=\"3\" name=\"c\"/><t id=\"1\" name=\"a\"/><x id=\"2\" name=\"b\"/>");
  WriteCatalogue("software/Associate.xml", "<a name=\"txt\" softid=\"1, 2\" typeid=\"4\" ico=\"t.ico\" assroot=\"N\"/>");
  WriteCatalogue("software/WID.xml", "<w name=\"百度\" value=\"https://www.baidu.com/\"/>");
  WriteCatalogue("software/advertInfo.xml", "<a name=\"a\" value=\"v\" xad=\"3\" yad=\"4\" imgad=\"img/advert0.png\"/>");
  WriteCatalogue("software/FunctionInfo.xml", "<f morebt=\"m\" regbt=\"r\" forgetpassword=\"p\"/><f morebt=\"2\"/>");
  CDictMgr* dict = CDictMgr::Instance();
  ASSERT_EQ(dict->Types().Count(), 3);
  EXPECT_EQ(dict->Types().At(0)->id, 3);
  EXPECT_EQ(dict->Types().At(2)->name, "b") << "element names are free";
  const AssociateFile* ext = dict->AssociateFiles().At(0);
  ASSERT_NE(ext, nullptr);
  EXPECT_EQ(ext->softid, "1, 2");
  EXPECT_EQ(ext->typeid_, 4);
  EXPECT_EQ(ext->assroot, "N");
  EXPECT_EQ(dict->WebAddresses().At(0)->name, "百度");
  EXPECT_EQ(dict->Adverts().At(0)->yad, 4);
  EXPECT_EQ(dict->Functions().First()->forgetpassword, "p");
  EXPECT_EQ(dict->AssociateFileTypes().Count(), 0) << "a missing file leaves its dictionary empty";
  EXPECT_EQ(dict->CommonTypes().First(), nullptr);
}

TEST_F(CatalogueDictTest, AnEmptyFileIsLookedForAgainButALoadedOneIsReadOnce) {
  WriteCatalogue("software/TypeReq.xml", "");
  ds::VecDict<SoftwareTypeInfo>& common = CDictMgr::Instance()->CommonTypes();
  EXPECT_EQ(common.Count(), 0);
  WriteCatalogue("software/TypeReq.xml", "<t id=\"1\" name=\"装机必备\"/>");
  ASSERT_EQ(common.Count(), 1);
  const SoftwareTypeInfo* row = common.At(0);
  WriteCatalogue("software/TypeReq.xml", "<t id=\"1\"/><t id=\"2\"/>");
  EXPECT_EQ(common.Count(), 1) << "no reload once rows are in";
  EXPECT_EQ(common.At(0), row) << "records stay where they are";
}

TEST_F(CatalogueDictTest, ALooseFileWinsOverThePackAndThePackServesTheRest) {
  {
    int error = 0;
    zip_t* archive = zip_open(dir_.File(kVexoPackFileName).c_str(), ZIP_CREATE, &error);
    ASSERT_NE(archive, nullptr);
    const std::string types = ds::Utf8ToGbk(
        "<?xml version=\"1.0\" encoding=\"gb2312\"?><r><t id=\"0\" name=\"全部软件\" Num=\"13\"/></r>");
    const std::string programs = "<r><s id=\"5\" name=\"packed\"/></r>";
    for (const auto& [name, bytes] : {std::pair<const char*, const std::string&>{"software/type.xml", types},
                                      {"software/software.xml", programs}}) {
      zip_int64_t index = zip_file_add(archive, name, zip_source_buffer(archive, bytes.data(), bytes.size(), 0), 0);
      ASSERT_GE(index, 0);
      zip_file_set_encryption(archive, static_cast<zip_uint64_t>(index), ZIP_EM_TRAD_PKWARE, kVexoPackPassword);
    }
    ASSERT_EQ(zip_close(archive), 0);
  }
  ASSERT_EQ(VEXO_ResourceMgr::Instance()->Init(kVexoPackFileName, kVexoPackPassword), 1);
  WriteCatalogue("software/software.xml", "<s id=\"6\" name=\"loose\"/>");

  CDictMgr* dict = CDictMgr::Instance();
  ASSERT_EQ(dict->Types().Count(), 1);
  EXPECT_EQ(dict->Types().At(0)->name, "全部软件");
  EXPECT_EQ(dict->Types().At(0)->Num, 13);
  ASSERT_EQ(dict->Softwares().Count(), 1);
  EXPECT_EQ(dict->Softwares().At(0)->name, "loose");
  VEXO_ResourceMgr::Instance()->Fini();
}

int RejectRow(ds::IDataTable*, SoftwareTypeInfo&) { return 0; }

TEST_F(CatalogueDictTest, ARejectedRowEndsTheProcessWithAFatalLine) {
  WriteCatalogue("software/type.xml", "<t id=\"1\"/>");
  ds::VecDict<SoftwareTypeInfo> types("software/type.xml", ds::MakeFunctor<int(ds::IDataTable*, SoftwareTypeInfo&)>(&RejectRow), nullptr);
  ds::VecDict<SoftwareTypeInfo> noParser("software/type.xml", nullptr, nullptr);
  EXPECT_EXIT(types.Count(), ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(noParser.Count(), ::testing::ExitedWithCode(0), "");
  WriteCatalogue("software/empty.xml", "");
  ds::VecDict<SoftwareTypeInfo> empty("software/empty.xml", nullptr, nullptr);
  EXPECT_EQ(empty.Count(), 0) << "no rows, no parser call";
}

}  // namespace
