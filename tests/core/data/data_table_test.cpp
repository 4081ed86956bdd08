#include "core/data/data_table.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "core/thread/auto_ref_object.h"
#include "core/data/data_tree.h"
#include "core/files/file_system.h"
#include "core/zip/unzip_file.h"
#include "tests/common/temp_dir.h"

using corvane_test::RunCommand;
using corvane_test::TempDir;
using corvane_test::WriteWholeFile;

namespace {

// Tables and trees read relative to the work path: each test gets its own folder as work path.
class DataTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_work_path_ = ds::FileSystem::Instance()->GetWorkPath();
    ds::FileSystem::Instance()->SetWorkPath(work_.path().c_str());
    table_ = ds::CreateXMLDataTable();
  }
  void TearDown() override {
    ds::DestroyXMLDataTable(table_);
    ds::FileSystem::Instance()->SetWorkPath(saved_work_path_.c_str());
  }

  void Write(const std::string& name, const std::string& bytes) {
    const std::string path = work_.File(name);
    ::mkdir(path.substr(0, path.rfind('/')).c_str(), 0755);
    WriteWholeFile(path, bytes);
  }

  // Zips the files under `source` (a folder of its own) into work/pack.zip and opens it.
  bool MakePack(const TempDir& source) {
    const std::string command =
        "cd '" + source.path() + "' && zip -q -r '" + work_.File("pack.zip") + "' .";
    return RunCommand(command) == 0 && pack_.OpenFile(work_.File("pack.zip").c_str(), nullptr) == 1;
  }

  TempDir work_;
  std::string saved_work_path_;
  ds::IDataTable* table_ = nullptr;
  ds::UnzipFile pack_;
};

TEST_F(DataTableTest, RowsOfAnyElementNameInDocumentOrder) {
  Write("list.xml",
        "<?xml version=\"1.0\"?>\n<root><!-- c --><a id=\"1\" w=\" 12px\" r=\"-2.5e1x\"/>text"
        "<b id=\"2\"><nested id=\"9\"/></b><a id=\"3\" name=\"x &amp; y\"/></root><other id=\"4\"/>");
  ASSERT_EQ(table_->Load("list.xml", nullptr), 1);
  EXPECT_EQ(table_->IsEnd(), 1) << "the cursor is empty until MoveFirst";

  std::string ids;
  for (table_->MoveFirst(); !table_->IsEnd(); table_->MoveNext()) ids += table_->GetString("id");
  EXPECT_EQ(ids, "123");

  ASSERT_NE(table_->MoveFirst(), nullptr);
  EXPECT_EQ(table_->GetInteger("w"), 12);
  EXPECT_FLOAT_EQ(table_->GetFloat("r"), -25.0f);
  table_->MoveNext();
  table_->MoveNext();
  EXPECT_STREQ(table_->GetString("name"), "x & y");
  EXPECT_EQ(table_->MoveNext(), nullptr);
  EXPECT_EQ(table_->MoveNext(), nullptr);
  EXPECT_EQ(table_->IsEnd(), 1);
}

TEST_F(DataTableTest, MissingAttributesAndEmptyCursor) {
  Write("t.xml", "<r><row n=\"5\" f=\"abc\"/></r>");
  ASSERT_EQ(table_->Load("t.xml", nullptr), 1);
  // No current row: every attribute is absent rather than a crash.
  EXPECT_STREQ(table_->GetString("n"), "");
  EXPECT_EQ(table_->GetInteger("n"), 0);

  table_->MoveFirst();
  int i = -7;
  float f = -7.0f;
  std::string s = "kept";
  EXPECT_EQ(table_->GetInteger("missing", i), 0);
  EXPECT_EQ(table_->GetFloat("missing", f), 0);
  EXPECT_EQ(table_->GetString("missing", s), 0);
  EXPECT_EQ(i, -7);
  EXPECT_EQ(f, -7.0f);
  EXPECT_EQ(s, "kept");
  EXPECT_STREQ(table_->GetString("missing"), "");
  EXPECT_EQ(table_->GetInteger("missing"), 0);
  EXPECT_EQ(table_->GetFloat("missing"), 0.0f);
  EXPECT_STREQ(table_->GetString(nullptr), "");

  EXPECT_EQ(table_->GetInteger("n", i), 1);
  EXPECT_EQ(i, 5);
  EXPECT_EQ(table_->GetFloat("f", f), 1);  // present but not a number
  EXPECT_EQ(f, 0.0f);
  EXPECT_EQ(table_->GetString("n", s), 1);
  EXPECT_EQ(s, "5");
}

TEST_F(DataTableTest, DocumentsWithoutRootOrUnreadable) {
  Write("decl.xml", "<?xml version=\"1.0\" encoding=\"gb2312\"?>\n");
  Write("comment.xml", "<!-- nothing -->");
  Write("broken.xml", "<r><row></r>");
  EXPECT_EQ(table_->Load("decl.xml", nullptr), 0);
  EXPECT_EQ(table_->Load("comment.xml", nullptr), 0);
  EXPECT_EQ(table_->Load("broken.xml", nullptr), 0);
  EXPECT_EQ(table_->Load("absent.xml", nullptr), 0);
  EXPECT_EQ(table_->Load("", nullptr), 0);  // the work folder itself
  EXPECT_EQ(table_->Load(nullptr, nullptr), 0);
  EXPECT_EQ(table_->MoveFirst(), nullptr);
}

TEST_F(DataTableTest, ReloadEmptiesTheCursor) {
  Write("one.xml", "<r><a v=\"1\"/><a v=\"2\"/></r>");
  Write("two.xml", "<r><b v=\"3\"/></r>");
  ASSERT_EQ(table_->Load("one.xml", nullptr), 1);
  table_->MoveFirst();
  ASSERT_EQ(table_->Load("two.xml", nullptr), 1);
  // The old row belonged to the replaced document.
  EXPECT_EQ(table_->IsEnd(), 1);
  EXPECT_EQ(table_->MoveNext(), nullptr);
  table_->MoveFirst();
  EXPECT_EQ(table_->GetInteger("v"), 3);
}

TEST_F(DataTableTest, EncodingsAndPathForms) {
  // 中文 in GBK, declared in the three spellings of the family.
  const std::string gbk = "\xD6\xD0\xCE\xC4";
  for (const char* encoding : {"gb2312", "GBK", "gb18030"}) {
    Write("sub/g.xml", std::string("<?xml version=\"1.0\" encoding=\"") + encoding +
                           "\"?><r><row name=\"" + gbk + "\"/></r>");
    ASSERT_EQ(table_->Load("sub\\g.xml", nullptr), 1) << encoding;
    table_->MoveFirst();
    EXPECT_STREQ(table_->GetString("name"), "中文") << encoding;
  }
  // UTF-8 documents are read as they are, with or without a declaration.
  Write("u.xml", "<r><row name=\"中文\"/></r>");
  ASSERT_EQ(table_->Load("/u.xml", nullptr), 1);
  table_->MoveFirst();
  EXPECT_STREQ(table_->GetString("name"), "中文");
}

TEST_F(DataTableTest, PackEntriesAndLooseFiles) {
  TempDir source;
  ::mkdir(source.File("software").c_str(), 0755);
  WriteWholeFile(source.File("software/type.xml"), "<r><row from=\"pack\"/></r>");
  WriteWholeFile(source.File("software/gbk.xml"),
                 "<?xml version=\"1.0\" encoding=\"gb2312\"?><r><row name=\"\xD6\xD0\"/></r>");
  WriteWholeFile(source.File("software/empty.xml"), "");
  WriteWholeFile(source.File("software/decl.xml"), "<?xml version=\"1.0\"?>");
  WriteWholeFile(source.File("software/over.xml"), "<r><row from=\"pack\"/></r>");
  ASSERT_TRUE(MakePack(source));

  ASSERT_EQ(table_->Load("software/type.xml", &pack_), 1);
  table_->MoveFirst();
  EXPECT_STREQ(table_->GetString("from"), "pack");
  ASSERT_EQ(table_->Load("/software/gbk.xml", &pack_), 1);
  table_->MoveFirst();
  EXPECT_STREQ(table_->GetString("name"), "中");

  // An entry someone else left half read is still read from its first byte.
  char head[4];
  EXPECT_EQ(pack_.Unzip2Buffer("software/type.xml", head, sizeof(head)), 0);
  ASSERT_EQ(table_->Load("software/type.xml", &pack_), 1);
  table_->MoveFirst();
  EXPECT_STREQ(table_->GetString("from"), "pack");

  EXPECT_EQ(table_->Load("software/empty.xml", &pack_), 0);
  EXPECT_EQ(table_->Load("software/decl.xml", &pack_), 0);
  EXPECT_EQ(table_->Load("software/none.xml", &pack_), 0);

  // A loose file wins over the entry; one that cannot be parsed leaves the entry to be read.
  Write("software/type.xml", "<r><row from=\"disk\"/></r>");
  Write("software/over.xml", "<r><row");
  ASSERT_EQ(table_->Load("software/type.xml", &pack_), 1);
  table_->MoveFirst();
  EXPECT_STREQ(table_->GetString("from"), "disk");
  ASSERT_EQ(table_->Load("software/over.xml", &pack_), 1);
  table_->MoveFirst();
  EXPECT_STREQ(table_->GetString("from"), "pack");
  // Without a pack only the loose file counts.
  EXPECT_EQ(table_->Load("software/over.xml", nullptr), 0);
}

struct Counted : ds::AutoRefObject {
  explicit Counted(bool* destroyed) : destroyed_(destroyed) {}
  ~Counted() override { *destroyed_ = true; }
  bool* destroyed_;
};

TEST(AutoRefObjectTest, DestroyedWhenTheLastReferenceGoes) {
  bool destroyed = false;
  auto* object = new Counted(&destroyed);
  EXPECT_EQ(object->RefCount(), 1);
  EXPECT_EQ(object->Acquire(), 2);
  EXPECT_EQ(object->Release(), 1);
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(object->Release(), 0);
  EXPECT_TRUE(destroyed);
}

TEST_F(DataTableTest, TreeWalksNamedChildren) {
  Write("dlg.xml",
        "<dialog w=\"300\" title=\"设置\">"
        "<ctrl id=\"1\" x=\"1.5\"><item n=\"a\"/><item n=\"b\"/></ctrl>"
        "<font id=\"f\"/><ctrl id=\"2\"/></dialog>");
  ds::IDataTree* tree = ds::CreateXMLDataTree();
  EXPECT_EQ(tree->GetRoot(), nullptr);
  // The name is appended to the work path as it stands.
  EXPECT_EQ(tree->Load("dlg.xml"), 0);
  ASSERT_EQ(tree->Load("/dlg.xml"), 1);

  ds::IDataTreeElement* root = tree->GetRoot();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->RefCount(), 1);
  EXPECT_EQ(root->GetInteger("w"), 300);
  EXPECT_STREQ(root->GetString("title"), "设置");
  EXPECT_EQ(root->IsEnd(), 1);
  EXPECT_EQ(root->GetChild(), nullptr);

  std::string ids;
  for (root->FirstChild("ctrl"); !root->IsEnd(); root->NextChild()) {
    ds::IDataTreeElement* child = root->GetChild();
    ASSERT_NE(child, nullptr);
    ids += child->GetString("id");
    // Getters read the element itself, not its cursor.
    if (child->FirstChild("item") != nullptr) {
      EXPECT_FLOAT_EQ(child->GetFloat("x"), 1.5f);
      EXPECT_STREQ(child->GetString("n"), "");
      ds::IDataTreeElement* item = child->GetChild();
      EXPECT_STREQ(item->GetString("n"), "a");
      EXPECT_EQ(item->Release(), 0);
      EXPECT_NE(child->NextChild(), nullptr);
      EXPECT_EQ(child->NextChild(), nullptr);
    }
    EXPECT_EQ(child->Release(), 0);
  }
  EXPECT_EQ(ids, "12");

  // A null name walks every child element.
  int count = 0;
  for (root->FirstChild(nullptr); !root->IsEnd(); root->NextChild()) ++count;
  EXPECT_EQ(count, 3);
  EXPECT_EQ(root->FirstChild("none"), nullptr);

  // Attach rebinds and empties the cursor.
  root->FirstChild("ctrl");
  root->Attach(nullptr);
  EXPECT_EQ(root->IsEnd(), 1);
  EXPECT_STREQ(root->GetString("title"), "");

  EXPECT_EQ(root->Acquire(), 2);
  EXPECT_EQ(root->Release(), 1);
  EXPECT_EQ(root->Release(), 0);

  Write("empty.xml", "<?xml version=\"1.0\"?>");
  EXPECT_EQ(tree->Load("/empty.xml"), 0);
  EXPECT_EQ(tree->GetRoot(), nullptr);
  ds::DestroyXMLDataTree(tree);
  ds::DestroyXMLDataTree(nullptr);
  ds::DestroyXMLDataTable(nullptr);
}

}  // namespace
