// A clean world for catalogue tests: a temporary work path with loose catalogue files, a private
// registry store, a fresh catalogue and no settings or bookkeeping unless a test sets them.
#pragma once
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "app/assoc/mgr_config.h"
#include "app/catalogue/dict_mgr.h"
#include "app/shell/update_info.h"
#include "core/files/file_system.h"
#include "core/text/path.h"
#include "core/registry/registry.h"
#include "core/text/text_codec.h"
#include "tests/common/temp_dir.h"

namespace corvane_test {

class CatalogueFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    previousWorkPath_ = ds::FileSystem::Instance()->GetWorkPath();
    ds::FileSystem::Instance()->SetWorkPath(dir_.path().c_str());
    setenv("CORVANE_REGISTRY", dir_.File("registry.reg").c_str(), 1);
    // The manager reads the Wine prefix's registry too: an empty one of the test's own.
    setenv("WINEPREFIX", dir_.File("wine").c_str(), 1);
    ds::Singleton<CDictMgr, 1>::DeInstance();
    SetMgrConfig(nullptr);
    SetUpdateInfo(nullptr);
  }

  void TearDown() override {
    ds::Singleton<CDictMgr, 1>::DeInstance();
    SetMgrConfig(nullptr);
    SetUpdateInfo(nullptr);
    unsetenv("CORVANE_REGISTRY");
    unsetenv("WINEPREFIX");
    ds::FileSystem::Instance()->SetWorkPath(previousWorkPath_.c_str());
  }

  // Writes a loose catalogue file under the work path: `rows` (UTF-8 XML elements) inside a
  // root element, stored in GBK and declared gb2312 as the shipped files are.
  void WriteCatalogue(const std::string& name, const std::string& rows) {
    ds::MakeDirectories(ds::DirectoryOf(dir_.File(name)));
    WriteWholeFile(dir_.File(name),
                   ds::Utf8ToGbk("<?xml version=\"1.0\" encoding=\"gb2312\"?>\n<root>\n" + rows + "</root>\n"));
  }

  // A file with the given bytes, parents created.
  std::string MakeFile(const std::string& relative, const std::string& bytes = "x") {
    const std::string path = dir_.File(relative);
    ds::MakeDirectories(ds::DirectoryOf(path));
    WriteWholeFile(path, bytes);
    return path;
  }

  static void PutRegistry(HKEY root, const std::string& key, const std::string& name,
                          const std::string& text) {
    ds::Registry registry(root);
    registry.ModiyStyle(REG_OPTION_NON_VOLATILE);
    ASSERT_EQ(1, registry.CreateKey(key.c_str())) << key;
    ASSERT_EQ(1, registry.Write(name.c_str(), text.c_str())) << key;
  }

  TempDir dir_;

 private:
  std::string previousWorkPath_;
};

}  // namespace corvane_test
