// The catalogue the build packs into dist/soft.dat: it opens with the pack password, and its
// files agree with each other and with the skin (categories, common categories, references
// between files). The listing tool reads it and detects every program.
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "app/catalogue/dict_mgr.h"
#include "app/catalogue/software_state.h"
#include "tests/app/catalogue_fixture.h"
#include "vexo/ui/resources/pack_password.h"
#include "vexo/ui/resources/resource_mgr.h"

namespace {

using corvane_test::CatalogueFixture;

std::string BinDir() {
  const char* bin = std::getenv("CORVANE_TEST_BIN");
  return bin != nullptr ? bin : "";
}

std::string DistDir() { return BinDir() + "/../dist"; }

// Program ids named in a list separated by blanks and commas.
std::vector<int> Ids(const std::string& list) {
  std::vector<int> ids;
  std::string token;
  std::istringstream in(list);
  while (std::getline(in, token, ',')) {
    std::istringstream words(token);
    int id = 0;
    while (words >> id) ids.push_back(id);
  }
  return ids;
}

class CataloguePackTest : public CatalogueFixture {
 protected:
  void SetUp() override {
    CatalogueFixture::SetUp();
    ASSERT_FALSE(BinDir().empty()) << "run through ctest";
    // The program folder is the work path, against which the pack name is resolved.
    ds::FileSystem::Instance()->SetWorkPath(DistDir().c_str());
    VEXO_ResourceMgr::Instance()->Init(kVexoPackFileName, kVexoPackPassword);
    ASSERT_TRUE(VEXO_ResourceMgr::Instance()->GetUnzipFile()->IsOpen());
  }
  void TearDown() override {
    VEXO_ResourceMgr::Instance()->Fini();
    CatalogueFixture::TearDown();
  }
};

TEST_F(CataloguePackTest, EveryCatalogueFileIsPackedInGbk) {
  for (const char* name : {"software/TypeReq.xml", "software/type.xml", "software/software.xml",
                           "software/Associate.xml", "software/Associatetype.xml", "software/WID.xml",
                           "software/advertInfo.xml", "software/FunctionInfo.xml", kAssociateExFile}) {
    std::string bytes;
    ASSERT_EQ(1, VEXO_ResourceMgr::Instance()->ReadEntry(name, bytes)) << name;
    EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"gb2312\"?>", 0), 0u) << name;
    EXPECT_FALSE(ds::IsValidUtf8(bytes) && bytes.find('\xB5') != std::string::npos) << name;
  }
}

TEST_F(CataloguePackTest, ProgramsCategoriesAndReferencesAgree) {
  CDictMgr* dict = CDictMgr::Instance();
  std::set<int> categories;
  for (int i = 0; i < dict->Types().Count(); ++i) categories.insert(dict->Types().At(i)->id);
  ASSERT_TRUE(categories.count(0));
  EXPECT_EQ(dict->Types().At(0)->Num, 13) << "thirteen buttons after the heading in the skin";
  for (int id = 1; id <= 12; ++id) EXPECT_TRUE(categories.count(id)) << id;
  EXPECT_TRUE(categories.count(108)) << "the last button stands for category 108";
  EXPECT_EQ(dict->CommonTypes().Count(), 13) << "common categories 1 to 12 after row 0";

  std::set<int> ids;
  std::set<std::string> urls;
  ds::VecDict<SoftwareInfo>& programs = dict->Softwares();
  EXPECT_GE(programs.Count(), 60);
  for (int i = 0; i < programs.Count(); ++i) {
    const SoftwareInfo& p = *programs.At(i);
    SCOPED_TRACE(p.name);
    EXPECT_GT(p.id, 0);
    EXPECT_TRUE(ids.insert(p.id).second) << "duplicate id " << p.id;
    EXPECT_FALSE(p.name.empty());
    EXPECT_FALSE(p.desc.empty());
    EXPECT_TRUE(p.type == -1 || p.type == -2 || categories.count(p.type)) << p.type;
    EXPECT_EQ(p.kind & ~0x1FFE, 0) << "kind bits 1 to 12 only";
    EXPECT_TRUE(p.url.rfind("https://", 0) == 0 || p.url.rfind("http://", 0) == 0) << p.url;
    EXPECT_EQ(p.url.find(' '), std::string::npos) << p.url;
    EXPECT_FALSE(InstallerFileName(p.url).empty()) << p.url;
    EXPECT_TRUE(urls.insert(p.url).second) << "two programs share " << p.url;
    EXPECT_GT(p.size, 0.0f);
    EXPECT_TRUE(p.RegRootIndex >= 0 && p.RegRootIndex <= 5);
    if (p.RegRootIndex != 5) {
      EXPECT_FALSE(p.regapp.empty());
    }
    EXPECT_TRUE(p.PerformStyle >= 0 && p.PerformStyle <= 5);
  }

  std::set<int> groups;
  for (int i = 0; i < dict->AssociateFileTypes().Count(); ++i) groups.insert(dict->AssociateFileTypes().At(i)->id);
  EXPECT_GE(dict->AssociateFiles().Count(), 25);
  for (int i = 0; i < dict->AssociateFiles().Count(); ++i) {
    const AssociateFile& ext = *dict->AssociateFiles().At(i);
    SCOPED_TRACE(ext.name);
    EXPECT_TRUE(groups.count(ext.typeid_));
    EXPECT_FALSE(Ids(ext.softid).empty());
    for (int id : Ids(ext.softid)) EXPECT_TRUE(ids.count(id)) << id;
  }
  EXPECT_GE(dict->WebAddresses().Count(), 1);
  EXPECT_GE(dict->Adverts().Count(), 3) << "the main window shows the third slot";
  ASSERT_NE(dict->Functions().First(), nullptr);
  EXPECT_FALSE(dict->Functions().First()->regbt.empty());
}

TEST_F(CataloguePackTest, TheListingToolDetectsEveryProgram) {
  const std::string command = BinDir() + "/catalogue_list " + DistDir();
  FILE* pipe = popen(command.c_str(), "re");
  ASSERT_NE(pipe, nullptr);
  int lines = 0;
  std::string last;
  char line[2048];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    ++lines;
    last = line;
  }
  EXPECT_EQ(pclose(pipe), 0);
  const int programs = CDictMgr::Instance()->Softwares().Count();
  EXPECT_EQ(lines, programs + 1);
  EXPECT_EQ(last.rfind(std::to_string(programs) + " programs", 0), 0u) << last;
}

}  // namespace
