#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "core/files/file.h"
#include "core/files/file_system.h"
#include "core/text/path.h"
#include "core/text/text_codec.h"
#include "tests/common/temp_dir.h"

namespace {

using corvane_test::ReadWholeFile;
using corvane_test::TempDir;
using corvane_test::WriteWholeFile;

TEST(TextCodec, GbkRoundTripAndByteLengths) {
  const std::string utf8 = "未安装 abc";
  const std::string gbk = ds::Utf8ToGbk(utf8);
  EXPECT_EQ(gbk, std::string("\xCE\xB4\xB0\xB2\xD7\xB0 abc"));
  EXPECT_EQ(ds::GbkToUtf8(gbk), utf8);
  // Eight Chinese characters are 16 bytes once stored.
  EXPECT_EQ(ds::GbkByteLength("软件管理软件管理"), 16u);
  EXPECT_EQ(ds::GbkByteLength("ascii"), 5u);
  // A character outside GBK survives through GB18030's four-byte codes.
  const std::string emoji = "\xF0\x9F\x98\x80";
  EXPECT_EQ(ds::Utf8ToGbk(emoji).size(), 4u);
  EXPECT_EQ(ds::GbkToUtf8(ds::Utf8ToGbk(emoji)), emoji);
}

TEST(TextCodec, MalformedInputBecomesQuestionMarksNotLoss) {
  // A lone lead byte at the end and a broken UTF-8 sequence.
  EXPECT_EQ(ds::GbkToUtf8("ab\xB0"), "ab?");
  EXPECT_EQ(ds::Utf8ToGbk("a\xE4\xB8z"), "a??z");
  EXPECT_FALSE(ds::IsValidUtf8("a\xE4\xB8"));
  EXPECT_FALSE(ds::IsValidUtf8("\xC0\x80"));  // overlong
  EXPECT_TRUE(ds::IsValidUtf8("中文 text"));
}

TEST(TextCodec, XmlDeclarationsDecideTheDecoding) {
  EXPECT_EQ(ds::XmlDeclaredEncoding("<?xml version=\"1.0\" encoding=\"GB2312\" ?><a/>"), "gb2312");
  EXPECT_EQ(ds::XmlDeclaredEncoding("\xEF\xBB\xBF  <?xml version='1.0' encoding = 'utf-8'?>"), "utf-8");
  EXPECT_EQ(ds::XmlDeclaredEncoding("<?xml version=\"1.0\"?><a/>"), "");
  EXPECT_EQ(ds::XmlDeclaredEncoding("<a encoding=\"gbk\"/>"), "");
  std::string gbk_doc = "<?xml version=\"1.0\" encoding=\"gb2312\"?><a n=\"" + ds::Utf8ToGbk("中文") + "\"/>";
  EXPECT_EQ(ds::XmlDocumentToUtf8(gbk_doc), "<?xml version=\"1.0\" encoding=\"gb2312\"?><a n=\"中文\"/>");
  std::string utf8_doc = "<?xml version=\"1.0\" encoding=\"utf-8\"?><a n=\"中文\"/>";
  EXPECT_EQ(ds::XmlDocumentToUtf8(utf8_doc), utf8_doc);
}

TEST(Path, SeparatorsOfBothKinds) {
  EXPECT_EQ(ds::NativePath("C:\\app\\Temp\\x.rd2"), "C:/app/Temp/x.rd2");
  EXPECT_EQ(ds::FileNameOf("/a\\b/c\\setup.exe"), "setup.exe");
  EXPECT_EQ(ds::DirectoryOf("/a\\b/c\\setup.exe"), "/a\\b/c");
  EXPECT_EQ(ds::FileNameOf("plain"), "plain");
  EXPECT_EQ(ds::DirectoryOf("plain"), "");
}

TEST(Path, MakeDirectoriesAndCaseInsensitiveLookup) {
  TempDir dir;
  EXPECT_TRUE(ds::MakeDirectories(dir.path() + "\\x\\y/z"));
  EXPECT_TRUE(ds::IsDirectory(dir.path() + "/x/y/z"));
  EXPECT_TRUE(ds::MakeDirectories(dir.path() + "/x/y/z/"));  // already there
  WriteWholeFile(dir.File("Soft.dat"), "pack");
  EXPECT_EQ(ds::FindCaseInsensitive(dir.path(), "soft.dat"), dir.File("Soft.dat"));
  EXPECT_EQ(ds::FindCaseInsensitive(dir.path(), "missing.dat"), dir.File("missing.dat"));
  WriteWholeFile(dir.File("blocker"), "");
  EXPECT_FALSE(ds::MakeDirectories(dir.path() + "/blocker/sub"));
}

TEST(FileSystem, CombinesNamesOntoTheWorkPath) {
  ds::FileSystem* fs = ds::FileSystem::Instance();
  const std::string saved = fs->GetWorkPath();
  char out[ds::kMaxPath];
  fs->SetWorkPath("C:\\app\\");
  fs->CombineWorkPath("img/a.png", out);
  EXPECT_STREQ(out, "C:\\app\\/img/a.png");
  fs->CombineWorkPath("/img/a.png", out);
  EXPECT_STREQ(out, "C:\\app\\/img/a.png");
  fs->SetWorkPath("C:\\app");
  fs->CombineWorkPath("\\x.xml", out);
  EXPECT_STREQ(out, "C:\\app\\x.xml");
  EXPECT_EQ(fs->CombineWorkPath(std::string(300, 'n').c_str(), out), 0);
  EXPECT_EQ(std::string(out).size(), 259u);
  fs->SetWorkPath(saved.c_str());
}

// The work path is the whole current directory, however deep (Linux paths run to 4096 bytes).
TEST(FileSystem, InitKeepsALongCurrentDirectoryWhole) {
  corvane_test::TempDir dir;
  std::string deep = dir.path();
  for (int i = 0; i < 6; ++i) {
    deep += "/" + std::string(60, static_cast<char>('a' + i));
    ASSERT_EQ(0, ::mkdir(deep.c_str(), 0755));
  }
  char* saved_cwd = ::getcwd(nullptr, 0);
  ds::FileSystem* fs = ds::FileSystem::Instance();
  const std::string saved_work = fs->GetWorkPath(), saved_app = fs->GetAppPath();
  ASSERT_EQ(0, ::chdir(deep.c_str()));
  EXPECT_EQ(1, fs->Init("/opt/app"));
  const std::string work = fs->GetWorkPath();
  ASSERT_EQ(0, ::chdir(saved_cwd));
  std::free(saved_cwd);
  fs->Init(saved_app.c_str());
  fs->SetWorkPath(saved_work.c_str());
  EXPECT_GT(deep.size(), 360u);
  EXPECT_EQ(deep, work);
}

class TextFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = ds::FileSystem::Instance()->GetWorkPath();
    ds::FileSystem::Instance()->SetWorkPath(dir_.path().c_str());
  }
  void TearDown() override { ds::FileSystem::Instance()->SetWorkPath(saved_.c_str()); }
  TempDir dir_;
  std::string saved_;
};

TEST_F(TextFileTest, LineFeedsAreStoredAsCrLfAndReadBack) {
  ds::File file;
  ASSERT_EQ(file.Create("cacheU.dat"), 1);
  ASSERT_EQ(file.Write("A\n", 2), 1);
  file.CloseFile();
  EXPECT_EQ(ReadWholeFile(dir_.File("cacheU.dat")), "A\r\n");
  ASSERT_EQ(file.Load("cacheU.dat"), 1);
  char buf[2];
  ASSERT_EQ(file.Read(buf, 2), 1);
  EXPECT_EQ(std::string(buf, 2), "A\n");
}

TEST_F(TextFileTest, ByteHistoryWithCrAndSubstituteSurvives) {
  // A 0x1A byte is data, and a CR that starts no pair stays a CR.
  const std::string bytes("x\x1Ay\rz\r\n\x00\xFF", 9);
  ds::File file;
  ASSERT_EQ(file.Create("cacheU.dat"), 1);
  ASSERT_EQ(file.Write(bytes.data(), static_cast<unsigned>(bytes.size())), 1);
  file.CloseFile();
  ASSERT_EQ(file.Load("cacheU.dat"), 1);
  std::string back(bytes.size(), '\0');
  ASSERT_EQ(file.Read(back.data(), static_cast<unsigned>(back.size())), 1);
  EXPECT_EQ(back, bytes);
}

TEST_F(TextFileTest, ShortReadFailsAndMissingFileDoesNotOpen) {
  WriteWholeFile(dir_.File("three.dat"), "abc");
  ds::File file;
  ASSERT_EQ(file.Load("three.dat"), 1);
  char buf[4];
  EXPECT_EQ(file.Read(buf, 4), 0);
  EXPECT_EQ(file.Load("nothing-here.dat"), 0);
  EXPECT_EQ(file.Read(buf, 1), 0);
}

}  // namespace
