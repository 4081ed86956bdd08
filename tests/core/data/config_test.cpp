#include "core/data/config.h"

#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>

#include <cfloat>
#include <cmath>
#include <string>
#include <vector>

#include "core/files/file_system.h"
#include "core/log/logger.h"
#include "core/zip/unzip_file.h"
#include "tests/common/temp_dir.h"

using corvane_test::ReadWholeFile;
using corvane_test::RunCommand;
using corvane_test::TempDir;
using corvane_test::WriteWholeFile;

namespace {

struct Capture : ds::LogOutBase {
  void Print(const char* line) override { lines.push_back(line); }
  bool IsInMe(const char*) override { return true; }
  std::vector<std::string> lines;
};

class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override { ds::LoggerHolder::Instance()->AddAppender(&log_); }
  void TearDown() override { ds::LoggerHolder::Instance()->RemoveAppender(&log_); }

  // Writes `entries` inside a "config" root and loads the file into config_.
  int LoadEntries(const std::string& entries) {
    WriteWholeFile(dir_.File("c.xml"), "<?xml version=\"1.0\"?>\n<config>" + entries + "</config>");
    return config_.Load(dir_.File("c.xml").c_str());
  }
  bool Logged(const std::string& text) const {
    for (const std::string& line : log_.lines) {
      if (line.find(text) != std::string::npos) return true;
    }
    return false;
  }
  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    DIR* dir = ::opendir(dir_.path().c_str());
    while (dirent* entry = ::readdir(dir)) {
      if (entry->d_name[0] != '.') names.push_back(entry->d_name);
    }
    ::closedir(dir);
    return names;
  }

  TempDir dir_;
  Capture log_;
  ds::Config config_;
};

TEST_F(ConfigTest, SavedFileIsGbkInTheFixedLayoutAndReadsBack) {
  config_.SetInteger("b", -5);
  config_.SetInteger("a", 7);
  config_.SetInteger("a", 8);  // replaces
  config_.SetFloat("ratio", 0.1f);
  config_.SetString("名称", "中文设置");
  config_.SetString("esc", "a&b<c>\"d'");
  config_.SetString("lines", "1\r\n2\t3");
  config_.SetString("empty", "");
  config_.SetString("a", "text");  // same key in another map
  const std::string path = dir_.File("MgrSet.xml");
  ASSERT_EQ(config_.Save(path.c_str()), 1);

  const std::string expected =
      "<?xml version=\"1.0\" encoding=\"gb2312\" ?>\n"
      "<config>\n"
      "    <integer name=\"a\" value=\"8\"/>\n"
      "    <integer name=\"b\" value=\"-5\"/>\n"
      "    <float name=\"ratio\" value=\"0.100000\"/>\n"
      "    <string name=\"a\" value=\"text\"/>\n"
      "    <string name=\"empty\" value=\"\"/>\n"
      "    <string name=\"esc\" value=\"a&amp;b&lt;c&gt;&quot;d&apos;\"/>\n"
      "    <string name=\"lines\" value=\"1&#x0D;&#x0A;2&#x09;3\"/>\n"
      "    <string name=\"\xC3\xFB\xB3\xC6\" value=\"\xD6\xD0\xCE\xC4\xC9\xE8\xD6\xC3\"/>\n"
      "</config>\n";
  EXPECT_EQ(ReadWholeFile(path), expected);

  ds::Config loaded;
  loaded.SetInteger("stale", 1);
  ASSERT_EQ(loaded.Load(path.c_str()), 1);
  int stale = 0;
  EXPECT_EQ(loaded.GetInteger("stale", stale), 0);
  EXPECT_EQ(loaded.GetInteger("a"), 8);
  EXPECT_EQ(loaded.GetInteger("b"), -5);
  EXPECT_EQ(loaded.GetFloat("ratio"), 0.1f);
  EXPECT_STREQ(loaded.GetString("a"), "text");
  EXPECT_STREQ(loaded.GetString("名称"), "中文设置");
  EXPECT_STREQ(loaded.GetString("esc"), "a&b<c>\"d'");
  EXPECT_STREQ(loaded.GetString("lines"), "1\r\n2\t3");
  std::string empty = "x";
  EXPECT_EQ(loaded.GetString("empty", empty), 1);
  EXPECT_EQ(empty, "");

  ds::Config nothing;
  ASSERT_EQ(nothing.Save(path.c_str()), 1);
  EXPECT_EQ(ReadWholeFile(path), "<?xml version=\"1.0\" encoding=\"gb2312\" ?>\n<config/>\n");
  EXPECT_EQ(loaded.Load(path.c_str()), 1);
  EXPECT_STREQ(loaded.GetString("a"), "");
  EXPECT_TRUE(log_.lines.empty());
}

// A settings file as the original program wrote it: CRLF line ends, GBK text under a gb2312
// declaration, line breaks inside values as character references, " />" element ends.
TEST_F(ConfigTest, ReadsAFileInTheOriginalLayout) {
  const std::string source = __FILE__;
  const std::string fixture = source.substr(0, source.find_last_of('/')) + "/fixtures/MgrSet.xml";
  ASSERT_NE(std::string::npos, ReadWholeFile(fixture).find("\r\n    <integer"));  // CRLF kept in the tree
  ASSERT_EQ(config_.Load(fixture.c_str()), 1);
  EXPECT_EQ(config_.GetInteger("AutoInstall"), 0);
  EXPECT_EQ(config_.GetInteger("DownloadCount"), 3);
  EXPECT_EQ(config_.GetInteger("mp3Set"), 1);
  EXPECT_EQ(config_.GetInteger("Soft12"), 0);
  EXPECT_EQ(config_.GetFloat("ratio"), 0.5f);
  EXPECT_STREQ(config_.GetString("Downloadadd"), "D:\\下载\\软件");
  EXPECT_STREQ(config_.GetString("Softdata"), "第一行\r\n第二行\t完");
  EXPECT_STREQ(config_.GetString("server"), "login.example.com");
  EXPECT_STREQ(config_.GetString("备注"), "\"常用\" & 其他");
  EXPECT_TRUE(log_.lines.empty());

  // Saved again and read back, nothing is lost.
  ASSERT_EQ(config_.Save(dir_.File("again.xml").c_str()), 1);
  ds::Config again;
  ASSERT_EQ(again.Load(dir_.File("again.xml").c_str()), 1);
  EXPECT_STREQ(again.GetString("Softdata"), "第一行\r\n第二行\t完");
  EXPECT_STREQ(again.GetString("Downloadadd"), "D:\\下载\\软件");
}

TEST_F(ConfigTest, SaveReplacesWholeAndReportsFailure) {
  const std::string path = dir_.File("set.xml");
  WriteWholeFile(path, std::string(5000, 'x'));
  ::chmod(path.c_str(), 0640);
  config_.SetInteger("k", 1);
  ASSERT_EQ(config_.Save(path.c_str()), 1);
  EXPECT_EQ(ReadWholeFile(path).find("xxxx"), std::string::npos);
  struct stat state;
  ASSERT_EQ(::stat(path.c_str(), &state), 0);
  EXPECT_EQ(state.st_mode & 0777, 0640u);
  // No temporary file stays behind.
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"set.xml"});

  EXPECT_EQ(config_.Save(dir_.File("missing/set.xml").c_str()), 0);
  EXPECT_TRUE(Logged("[Warn] [ds::Config::Save] can't write file"));
  // A Windows-style name reaches the same file.
  ::mkdir(dir_.File("Config").c_str(), 0755);
  ASSERT_EQ(config_.Save((dir_.path() + "\\Config\\MgrSet.xml").c_str()), 1);
  EXPECT_EQ(ReadWholeFile(dir_.File("Config/MgrSet.xml")), ReadWholeFile(path));

  EXPECT_EQ(config_.Save(nullptr), 0);
  EXPECT_TRUE(Logged("[Warn] [ds::Config::Save] pFile error.\n"));
}

TEST_F(ConfigTest, LoadRules) {
  // Kinds interleaved, other nodes ignored, separate name spaces, later duplicates win.
  ASSERT_EQ(LoadEntries("<string name=\"a\" value=\"x\"/><integer name=\"a\" value=\"7\"/>"
                        "<!-- note -->text<other name=\"o\" value=\"1\"/>"
                        "<float name=\"a\" value=\"2.5\"/><integer name=\"a\" value=\"9\"/>"
                        "<integer name=\"n\" value=\" -12px\"/><integer name=\"z\" value=\"abc\"/>"
                        "<float name=\"e\" value=\"-1.5e2kg\"/><float name=\"y\" value=\"no\"/>"
                        "<group><integer name=\"deep\" value=\"1\"/></group>"),
            1);
  EXPECT_EQ(config_.GetInteger("a"), 9);
  EXPECT_EQ(config_.GetFloat("a"), 2.5f);
  EXPECT_STREQ(config_.GetString("a"), "x");
  EXPECT_EQ(config_.GetInteger("n"), -12);
  EXPECT_EQ(config_.GetInteger("z"), 0);
  EXPECT_EQ(config_.GetFloat("e"), -150.0f);
  EXPECT_EQ(config_.GetFloat("y"), 0.0f);
  int value = 0;
  EXPECT_EQ(config_.GetInteger("o", value), 0);
  EXPECT_EQ(config_.GetInteger("deep", value), 0);
  EXPECT_TRUE(log_.lines.empty());

  ASSERT_EQ(LoadEntries(""), 1);
  EXPECT_EQ(config_.GetInteger("a", value), 0);
  EXPECT_STREQ(config_.GetString("a"), "");
  EXPECT_TRUE(log_.lines.empty());
}

TEST_F(ConfigTest, FloatsWithoutAFiniteValueSaveAsNumbersThatLoadBack) {
  // Too large for a float: loads as an infinity, as the C conversion gives it.
  ASSERT_EQ(LoadEntries("<float name=\"big\" value=\"1e40\"/><float name=\"low\" value=\"-1e400\"/>"), 1);
  EXPECT_EQ(config_.GetFloat("big"), HUGE_VALF);
  EXPECT_EQ(config_.GetFloat("low"), -HUGE_VALF);
  config_.SetFloat("nan", NAN);
  const std::string first = dir_.File("first.xml");
  ASSERT_EQ(config_.Save(first.c_str()), 1);
  const std::string text = ReadWholeFile(first);
  EXPECT_EQ(text.find("inf"), std::string::npos) << text;
  EXPECT_NE(text.find("<float name=\"nan\" value=\"0.000000\"/>"), std::string::npos) << text;

  ds::Config loaded;
  ASSERT_EQ(loaded.Load(first.c_str()), 1);
  EXPECT_EQ(loaded.GetFloat("big"), FLT_MAX);
  EXPECT_EQ(loaded.GetFloat("low"), -FLT_MAX);
  EXPECT_EQ(loaded.GetFloat("nan"), 0.0f);
  const std::string second = dir_.File("second.xml");
  ASSERT_EQ(loaded.Save(second.c_str()), 1);
  EXPECT_EQ(ReadWholeFile(second), text);
}

TEST_F(ConfigTest, FailedLoadsKeepWhatWasReadBefore) {
  config_.SetString("old", "value");
  // The float without "value" stops the load: integers and the float before it stay.
  EXPECT_EQ(LoadEntries("<integer name=\"i\" value=\"1\"/><float name=\"f\" value=\"1\"/>"
                        "<float name=\"g\"/><float name=\"h\" value=\"2\"/>"
                        "<string name=\"s\" value=\"x\"/>"),
            0);
  const std::string path = dir_.File("c.xml");
  EXPECT_TRUE(Logged("[Warn] [ds::Config::Load] can't find file " + path + ".\n"));
  int i = 0;
  float f = 0;
  std::string s;
  EXPECT_EQ(config_.GetInteger("i", i), 1);
  EXPECT_EQ(config_.GetFloat("f", f), 1);
  EXPECT_EQ(config_.GetFloat("h", f), 0);
  EXPECT_EQ(config_.GetString("s", s), 0);
  EXPECT_EQ(config_.GetString("old", s), 0);

  EXPECT_EQ(LoadEntries("<integer value=\"1\"/>"), 0);
  EXPECT_EQ(LoadEntries("<string name=\"s\"/>"), 0);

  WriteWholeFile(path, "<settings><integer name=\"i\" value=\"1\"/></settings>");
  EXPECT_EQ(config_.Load(path.c_str()), 0);
  EXPECT_EQ(config_.GetInteger("i", i), 0);
  WriteWholeFile(path, "<config><integer name=\"i\" value=\"1\"/>");
  EXPECT_EQ(config_.Load(path.c_str()), 0);
  EXPECT_EQ(config_.Load(dir_.File("absent.xml").c_str()), 0);
  EXPECT_TRUE(Logged("can't find file " + dir_.File("absent.xml") + ".\n"));

  log_.lines.clear();
  config_.SetInteger("i", 1);
  EXPECT_EQ(config_.Load(nullptr), 0);
  EXPECT_EQ(config_.GetInteger("i", i), 0);
  ASSERT_EQ(log_.lines.size(), 1u);
  EXPECT_NE(log_.lines[0].find("[Warn] [ds::Config::Load] file name error.\n"), std::string::npos);
}

TEST_F(ConfigTest, GettersAndCopies) {
  config_.SetInteger("i", 3);
  config_.SetFloat("f", 1.25f);
  config_.SetString("s", "one");
  config_.SetString(nullptr, "ignored");
  config_.SetString("null", nullptr);

  int i = 42;
  float f = 4.2f;
  std::string s = "kept";
  EXPECT_EQ(config_.GetInteger("I", i), 0);  // keys are case-sensitive
  EXPECT_EQ(config_.GetFloat("i", f), 0);
  EXPECT_EQ(config_.GetString("missing", s), 0);
  EXPECT_EQ(i, 42);
  EXPECT_EQ(f, 4.2f);
  EXPECT_EQ(s, "kept");
  EXPECT_STREQ(config_.GetString("missing"), "");
  EXPECT_STREQ(config_.GetString("null"), "");
  EXPECT_TRUE(log_.lines.empty());

  ds::Config copy(config_);
  config_.SetString("s", "two");
  EXPECT_STREQ(copy.GetString("s"), "one");
  copy = config_;
  EXPECT_STREQ(copy.GetString("s"), "two");
  EXPECT_EQ(copy.GetFloat("f"), 1.25f);
  EXPECT_EQ(copy.GetInteger("i"), 3);
}

TEST_F(ConfigTest, MissingKeyIsFatal) {
  config_.SetInteger("present", 1);
  // The Fatal line ends the process with exit code 0 after reaching the outputs.
  EXPECT_EXIT(
      {
        ds::LogOut2Debug to_stderr;
        ds::LoggerHolder::Instance()->AddAppender(&to_stderr);
        config_.GetInteger("absent");
      },
      ::testing::ExitedWithCode(0), R"(\[Fatal\] \[ds::Config::GetInteger\] can't find absent\.)");
  EXPECT_EXIT(
      {
        ds::LogOut2Debug to_stderr;
        ds::LoggerHolder::Instance()->AddAppender(&to_stderr);
        config_.GetFloat("present");
      },
      ::testing::ExitedWithCode(0), R"(\[Fatal\] \[ds::Config::GetFloat\] can't find present\.)");
}

TEST_F(ConfigTest, LoadFromPack) {
  TempDir source;
  ::mkdir(source.File("cfg").c_str(), 0755);
  WriteWholeFile(source.File("cfg/set.xml"),
                 "<?xml version=\"1.0\" encoding=\"gb2312\" ?><config>"
                 "<string name=\"t\" value=\"\xD6\xD0\xCE\xC4\"/><integer name=\"i\" value=\"4\"/>"
                 "</config>");
  WriteWholeFile(source.File("cfg/other.xml"), "<other><integer name=\"i\" value=\"4\"/></other>");
  ASSERT_EQ(RunCommand("cd '" + source.path() + "' && zip -q -r '" + dir_.File("p.zip") + "' cfg"), 0);
  ds::UnzipFile pack;
  ASSERT_EQ(pack.OpenFile(dir_.File("p.zip").c_str(), nullptr), 1);

  const std::string saved_work_path = ds::FileSystem::Instance()->GetWorkPath();
  ds::FileSystem::Instance()->SetWorkPath(dir_.path().c_str());
  EXPECT_EQ(config_.Load("cfg/set.xml", &pack), 1);
  EXPECT_STREQ(config_.GetString("t"), "中文");
  EXPECT_EQ(config_.GetInteger("i"), 4);

  EXPECT_EQ(config_.Load("cfg/other.xml", &pack), 0);
  EXPECT_TRUE(Logged("[Warn] [ds::Config::Load] can't find file cfg/other.xml.\n"));
  int i = 0;
  EXPECT_EQ(config_.Load("cfg/none.xml", &pack), 0);
  EXPECT_EQ(config_.GetInteger("i", i), 0);

  // As for every data table, a loose file of the same name wins.
  ::mkdir(dir_.File("cfg").c_str(), 0755);
  WriteWholeFile(dir_.File("cfg/set.xml"), "<config><integer name=\"i\" value=\"5\"/></config>");
  EXPECT_EQ(config_.Load("cfg/set.xml", &pack), 1);
  EXPECT_EQ(config_.GetInteger("i"), 5);
  ds::FileSystem::Instance()->SetWorkPath(saved_work_path.c_str());
}

}  // namespace
