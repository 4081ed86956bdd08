// CMgrConfig: the settings file rules, the round trip of MgrSet.xml, the recently-used list, the
// start-with-session entries (Run value and desktop autostart file) and the association
// templates.
#include "app/assoc/mgr_config.h"

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include "app/assoc/autostart_entry.h"
#include "app/catalogue/dict_mgr.h"
#include "core/files/file_system.h"
#include "core/text/path.h"
#include "core/platform/process.h"
#include "core/registry/registry.h"
#include "core/text/text_codec.h"
#include "tests/common/temp_dir.h"
#include "vexo/ui/resources/resource_mgr.h"

namespace {

using corvane_test::ReadWholeFile;
using corvane_test::RunCommand;
using corvane_test::TempDir;
using corvane_test::WriteWholeFile;

constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\windows\\currentversion\\run";

// The registry store is chosen at its first use, so one store serves the whole program.
class RegistryEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    dir_ = new TempDir;
    setenv("CORVANE_REGISTRY", dir_->File("registry.reg").c_str(), 1);
  }
  void TearDown() override { delete dir_; }

 private:
  TempDir* dir_ = nullptr;
};
const auto* const kRegistryEnvironment =
    ::testing::AddGlobalTestEnvironment(new RegistryEnvironment);

std::string RunValue() {
  ds::Registry reg(HKEY_LOCAL_MACHINE);
  char buffer[512];
  if (!reg.Open(kRunKey, KEY_READ) || !reg.Read("RURUZOV", buffer, sizeof buffer)) return "<none>";
  return buffer;
}

void SetRunValue(const std::string& text) {
  ds::Registry reg(HKEY_LOCAL_MACHINE);
  reg.ModiyStyle(REG_OPTION_NON_VOLATILE);
  ASSERT_EQ(1, reg.CreateKey(kRunKey));
  ASSERT_EQ(1, reg.Write("RURUZOV", text.c_str()));
}

class MgrConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ds::FileSystem::Instance()->SetWorkPath(work_.path().c_str());
    setenv("XDG_CONFIG_HOME", work_.File("xdg").c_str(), 1);
    DictMgrHolder::DeInstance();
    Put("software/Associate.xml",
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><root>"
        "<AssociateFile name=\"txt\" ico=\"txt.ico\" assroot=\"N\"/>"
        "<AssociateFile name=\"jpg\" ico=\"jpg.ico\" assroot=\"N\"/>"
        "<AssociateFile name=\"mp3\" ico=\"mp3.ico\" assroot=\"N\"/></root>");
    ds::Registry reg(HKEY_LOCAL_MACHINE);
    if (reg.Open(kRunKey, KEY_ALL_ACCESS)) reg.DeleteValue("RURUZOV");
  }
  void TearDown() override { DictMgrHolder::DeInstance(); }

  void Put(const std::string& name, const std::string& bytes) {
    ASSERT_TRUE(ds::MakeDirectories(ds::DirectoryOf(work_.File(name))));
    WriteWholeFile(work_.File(name), bytes);
  }
  // A settings file holding `entries` inside its "config" root.
  void PutSettings(const std::string& entries) {
    Put("Config/MgrSet.xml",
        "<?xml version=\"1.0\" encoding=\"gb2312\"?>\n<config>" + entries + "</config>\n");
  }
  std::string SettingsBytes() { return ReadWholeFile(work_.File("Config/MgrSet.xml")); }
  static std::string Int(const std::string& name, int value) {
    return "<integer name=\"" + name + "\" value=\"" + std::to_string(value) + "\"/>";
  }
  static std::string Str(const std::string& name, const std::string& value) {
    return "<string name=\"" + name + "\" value=\"" + value + "\"/>";
  }
  // What the settings file holds now.
  ds::Config Saved() {
    ds::Config saved;
    EXPECT_EQ(1, saved.Load(work_.File("Config/MgrSet.xml").c_str()));
    return saved;
  }
  std::string AutostartFile() { return work_.File("xdg/autostart/corvane.desktop"); }

  // The "LastUseSoft%d" slots of the saved file; -1 for a missing slot.
  std::vector<int> SavedRecent() {
    const ds::Config saved = Saved();
    std::vector<int> slots;
    for (int i = 0; i < 10; ++i) {
      int value = -1;
      saved.GetInteger(("LastUseSoft" + std::to_string(i)).c_str(), value);
      slots.push_back(value);
    }
    return slots;
  }
  static std::string Recent(const std::vector<int>& ids) {
    std::string entries;
    for (std::size_t i = 0; i < ids.size(); ++i) entries += Int("LastUseSoft" + std::to_string(i), ids[i]);
    return entries;
  }

  TempDir work_;
};

TEST_F(MgrConfigTest, MissingFileKeepsDefaults) {
  CMgrConfig config;
  EXPECT_EQ(0, config.LoadSettings());
  EXPECT_EQ(5, config.GetDownloadCount());
  EXPECT_EQ(work_.path() + "/setup", config.GetDownloadDir());
  EXPECT_EQ(kDefaultLoginServer, config.GetServer());
  // Programs run through wine here: the engine must take the Vista-and-later branch.
  EXPECT_GT(config.GetOsVersion().dwMajorVersion, 5u);
  ASSERT_EQ(3u, config.Associations().size());
  EXPECT_EQ("mp3", config.Associations()[2]->name);
}

TEST_F(MgrConfigTest, ADamagedFileIsKeptAsideBeforeTheSaveReplacesIt) {
  const std::string file = work_.File("Config/MgrSet.xml");
  ds::MakeDirectories(work_.File("Config"));
  const std::string damaged = "<config><integer name=\"DownloadCount\" value=\"3\"/><integer name=";
  WriteWholeFile(file, damaged);
  CMgrConfig config;
  EXPECT_EQ(0, config.LoadSettings());
  EXPECT_EQ(5, config.GetDownloadCount());
  ASSERT_EQ(1, config.SaveSettings());
  EXPECT_EQ(damaged, ReadWholeFile(file + ".bad"));
  EXPECT_NE(damaged, ReadWholeFile(file));
}

TEST_F(MgrConfigTest, KeyRulesAtLoad) {
  const std::string setup = work_.path() + "/setup";
  struct Case {
    std::string entries;
    int count;
    std::string dir;
    std::string server;
    unsigned port;
  };
  const Case cases[] = {
      {Int("DownloadCount", 0) + Str("server", ""), 5, setup, kDefaultLoginServer, 3055},
      {Int("DownloadCount", -2) + Int("port", 4000), 5, setup, kDefaultLoginServer, 4000},
      {Int("DownloadCount", 8) + Str("server", "s.example"), 8, setup, "s.example", 3055},
      {Str("Downloadadd", "/x"), 5, setup, kDefaultLoginServer, 3055},
      {Int("UserDowloaddir", 0) + Str("Downloadadd", "/x"), 5, setup, kDefaultLoginServer, 3055},
      {Int("UserDowloaddir", 1) + Str("Downloadadd", ""), 5, setup, kDefaultLoginServer, 3055},
      {Int("UserDowloaddir", 1) + Str("Downloadadd", "/x"), 5, "/x", kDefaultLoginServer, 3055},
      // A port no socket can use falls back to the default instead of being truncated.
      {Int("port", 0), 5, setup, kDefaultLoginServer, 3055},
      {Int("port", 70000), 5, setup, kDefaultLoginServer, 3055},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entries);
    PutSettings(c.entries);
    CMgrConfig config;
    ASSERT_EQ(1, config.LoadSettings());
    EXPECT_EQ(c.count, config.GetDownloadCount());
    EXPECT_EQ(c.dir, config.GetDownloadDir());
    EXPECT_EQ(c.server, config.GetServer());
    EXPECT_EQ(c.port, config.GetPort());
    EXPECT_EQ(kDefaultUpdateAddress, config.GetUpdateAddress());
  }
  PutSettings(Str("Updateadd", "http://u.example/p") + Str("Softdata", "kept"));
  CMgrConfig config;
  ASSERT_EQ(1, config.LoadSettings());
  EXPECT_EQ("http://u.example/p", config.GetUpdateAddress());
  EXPECT_EQ("kept", config.GetSoftData());
}

TEST_F(MgrConfigTest, AssociationFlagsFollowTheirKeys) {
  PutSettings(Int("txtSet", 1) + Int("jpgSet", 0));
  CMgrConfig config;
  ASSERT_EQ(1, config.LoadSettings());
  auto& list = config.Associations();
  ASSERT_EQ(3u, list.size());
  EXPECT_EQ(std::make_pair(1, 1), std::make_pair(list[0]->bound, list[0]->chosen));
  EXPECT_EQ(std::make_pair(0, 0), std::make_pair(list[1]->bound, list[1]->chosen));
  // No "mp3Set": unbound, but shown ticked in the settings dialog.
  EXPECT_EQ(std::make_pair(0, 1), std::make_pair(list[2]->bound, list[2]->chosen));
  // Loading again rebuilds the list rather than appending to it.
  config.LoadSettings();
  EXPECT_EQ(3u, config.Associations().size());
}

TEST_F(MgrConfigTest, SaveWritesItsKeysAndKeepsTheRest) {
  PutSettings(Int("port", 4000) + Int("Soft12", 1) + Int("LastUseSoft0", 9) +
              Str("server", "s.example") + Str("Updateadd", "http://u") + Str("Softdata", "a&amp;b"));
  const std::string before = SettingsBytes();
  {
    CMgrConfig config;
    ASSERT_EQ(1, config.LoadSettings());
    config.SetSoftAttention(12, 0);
    config.SetUserDownloadDir(1);
    config.SetDownloadDir("/elsewhere");
    EXPECT_EQ(before, SettingsBytes());  // in memory only, until the next save
    config.Associations()[0]->bound = 1;
    ASSERT_EQ(1, config.SaveSettings());
  }
  const ds::Config saved = Saved();
  EXPECT_EQ(4000, saved.GetInteger("port"));
  EXPECT_EQ(9, saved.GetInteger("LastUseSoft0"));
  EXPECT_STREQ("s.example", saved.GetString("server"));
  EXPECT_STREQ("http://u", saved.GetString("Updateadd"));
  EXPECT_STREQ("a&b", saved.GetString("Softdata"));
  EXPECT_EQ(0, saved.GetInteger("Soft12"));
  EXPECT_STREQ("/elsewhere", saved.GetString("Downloadadd"));
  EXPECT_EQ(5, saved.GetInteger("DownloadCount"));
  EXPECT_EQ(0, saved.GetInteger("Startup"));
  EXPECT_EQ(1, saved.GetInteger("txtSet"));
  EXPECT_EQ(0, saved.GetInteger("mp3Set"));

  // Saving what was loaded changes no byte.
  const std::string first = SettingsBytes();
  CMgrConfig config;
  ASSERT_EQ(1, config.LoadSettings());
  ASSERT_EQ(1, config.SaveSettings());
  EXPECT_EQ(first, SettingsBytes());
}

TEST_F(MgrConfigTest, WriteSettingsFileReportsFailures) {
  CMgrConfig config;
  ASSERT_EQ(1, config.WriteSettingsFile());  // creates the Config folder
  EXPECT_TRUE(ds::PathExists(work_.File("Config/MgrSet.xml")));

  ds::FileSystem::Instance()->SetWorkPath(work_.File("missing").c_str());
  EXPECT_EQ(0, config.WriteSettingsFile());
  EXPECT_FALSE(ds::PathExists(work_.File("missing")));

  // "Config" is a file: the folder "exists", but the save itself fails and says so.
  TempDir other;
  WriteWholeFile(other.File("Config"), "x");
  ds::FileSystem::Instance()->SetWorkPath(other.path().c_str());
  EXPECT_EQ(0, config.WriteSettingsFile());
  EXPECT_EQ("x", ReadWholeFile(other.File("Config")));
}

TEST_F(MgrConfigTest, RecentListShiftsUntilTheOldPlace) {
  struct Case {
    const char* what;
    std::vector<int> before;
    std::vector<int> after;
  };
  const Case cases[] = {
      {"empty list", {}, {7, -1, -1, -1, -1, -1, -1, -1, -1, -1}},
      {"already newest", {7, 1, 2, 3, 4, 5, 6, 8, 9, 10}, {7, 1, 2, 3, 4, 5, 6, 8, 9, 10}},
      {"already in slot 3", {1, 2, 3, 7, 4, 5, 6, 8, 9, 10}, {7, 1, 2, 3, 4, 5, 6, 8, 9, 10}},
      {"new id, full list", {1, 2, 3, 4, 5, 6, 8, 9, 10, 11}, {7, 1, 2, 3, 4, 5, 6, 8, 9, 10}},
      {"new id, short list", {1, 2, 3}, {7, 1, 2, 3, -1, -1, -1, -1, -1, -1}},
      {"already oldest", {1, 2, 3, 4, 5, 6, 8, 9, 10, 7}, {7, 1, 2, 3, 4, 5, 6, 8, 9, 10}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PutSettings(Recent(c.before));
    CMgrConfig config;
    config.LoadSettings();
    ASSERT_EQ(1, config.RecordLastUsedSoft(7));
    EXPECT_EQ(c.after, SavedRecent());
  }
}

TEST_F(MgrConfigTest, StartupWritesAndRemovesBothEntries) {
  const std::string self = ds::GetProcessExecutable(0);
  ASSERT_FALSE(self.empty());
  {
    CMgrConfig config;
    config.LoadSettings();
    EXPECT_EQ(0, config.GetStartup());
    config.SetStartup(1);
  }
  EXPECT_EQ(self + " /r", RunValue());
  const autostart::EntryInfo entry = autostart::ReadEntry(AutostartFile());
  EXPECT_TRUE(entry.enabled);
  EXPECT_EQ(self, entry.program);
  EXPECT_FALSE(ds::PathExists(work_.File("Config/MgrSet.xml")));  // no settings write
  // The desktop session reads the entry only when it is a valid desktop entry.
  if (!ds::FindOnPath("desktop-file-validate").empty()) {
    EXPECT_EQ(0, corvane_test::RunCommand("desktop-file-validate '" + AutostartFile() + "'"));
  }
  {
    CMgrConfig config;
    config.LoadSettings();
    EXPECT_EQ(1, config.GetStartup());
    config.SetStartup(0);
  }
  EXPECT_EQ("<none>", RunValue());
  EXPECT_FALSE(ds::PathExists(AutostartFile()));
}

TEST_F(MgrConfigTest, AutostartEntryOfOthers) {
  CMgrConfig config;
  ASSERT_TRUE(autostart::WriteEntry(AutostartFile(), "/bin/sh"));
  config.LoadSettings();
  EXPECT_EQ(0, config.GetStartup());
  // Another installation's entry is not this one's to remove, but enabling takes it over.
  config.SetStartup(0);
  EXPECT_EQ("/bin/sh", autostart::ReadEntry(AutostartFile()).program);
  config.SetStartup(1);
  EXPECT_EQ(ds::GetProcessExecutable(0), autostart::ReadEntry(AutostartFile()).program);
  // An entry whose program is gone is removed when disabling.
  ASSERT_TRUE(autostart::WriteEntry(AutostartFile(), work_.File("gone/Corvane")));
  config.SetStartup(0);
  EXPECT_FALSE(ds::PathExists(AutostartFile()));
  // An entry the session has switched off does not start this program.
  for (const char* line : {"Hidden=true\n", "X-GNOME-Autostart-enabled=false\n"}) {
    WriteWholeFile(AutostartFile(), autostart::EntryText(ds::GetProcessExecutable(0)) + line);
    config.LoadSettings();
    EXPECT_EQ(0, config.GetStartup()) << line;
  }
}

TEST_F(MgrConfigTest, RunValueRule) {
  ASSERT_TRUE(ds::MakeDirectories(work_.File("a.b")));
  WriteWholeFile(work_.File("a.b/Corvane.exe"), "MZ");
  WriteWholeFile(work_.File("prog.exe"), "MZ");
  ASSERT_EQ(std::string::npos, work_.path().find('.'));
  const std::pair<std::string, int> cases[] = {
      {work_.File("prog.exe") + " /r", 1},
      {work_.File("a.b/Corvane.exe") + " /r", 0},  // cut at the directory's '.'
      {work_.File("missing.exe") + " /r", 0},
  };
  for (const auto& [value, startup] : cases) {
    SetRunValue(value);
    CMgrConfig config;
    config.LoadSettings();
    EXPECT_EQ(startup, config.GetStartup()) << value;
  }
}

TEST(AutostartEntryTest, ExecQuotingRoundTrips) {
  TempDir dir;
  for (const std::string program :
       {"/opt/Corvane/Corvane", "/opt/My Apps/Cor\"v`a$ne", "/x\\y/100%/z", "/tab\there/n\nl"}) {
    SCOPED_TRACE(program);
    ASSERT_TRUE(autostart::WriteEntry(dir.File("auto/corvane.desktop"), program));
    EXPECT_EQ(program, autostart::ReadEntry(dir.File("auto/corvane.desktop")).program);
  }
  const std::string text = autostart::EntryText("/opt/My App/100%");
  EXPECT_NE(std::string::npos, text.find("\nExec=\"/opt/My App/100%%\" /r\n")) << text;
  EXPECT_EQ(0u, text.find("[Desktop Entry]\n"));

  EXPECT_EQ("/usr/bin/prog", autostart::ExecProgram("/usr/bin/prog /r"));
  EXPECT_EQ("", autostart::ExecProgram("\"/unclosed /r"));
  EXPECT_EQ("", autostart::ExecProgram("  "));
}

TEST(AutostartEntryTest, EntryPathFollowsXdgRules) {
  const char* old = std::getenv("HOME");
  const std::string home = old ? old : "";
  setenv("HOME", "/home/u", 1);
  setenv("XDG_CONFIG_HOME", "/cfg", 1);
  EXPECT_EQ("/cfg/autostart/corvane.desktop", autostart::EntryPath());
  setenv("XDG_CONFIG_HOME", "relative", 1);
  EXPECT_EQ("/home/u/.config/autostart/corvane.desktop", autostart::EntryPath());
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ("/home/u/.config/autostart/corvane.desktop", autostart::EntryPath());
  if (old != nullptr) setenv("HOME", home.c_str(), 1);
}

class TemplatesTest : public MgrConfigTest {
 protected:
  void PutTemplates() {
    Put("software/AssociateEx.xml",
        "<?xml version=\"1.0\" encoding=\"gb2312\"?><r>"
        "<soft softid=\"3\" roottxt=\"a\"/><note/><soft softid=\"7\" roottxt=\"" +
            ds::Utf8ToGbk("第一") + "\"/><soft softid=\"7\" roottxt=\"second\"/>"
            "<soft softid=\"x\"/></r>");
  }
};

TEST_F(TemplatesTest, LooseFileCursorAndSearch) {
  PutTemplates();
  CMgrConfig config;
  config.LoadSettings();
  AssociationTemplates& templates = config.Templates();
  ASSERT_NE(nullptr, templates.Document());
  tinyxml2::XMLElement* found = templates.FindBySoftId(7);
  ASSERT_NE(nullptr, found);
  EXPECT_STREQ("第一", found->Attribute("roottxt"));
  EXPECT_EQ(nullptr, templates.FindBySoftId(99));
  EXPECT_EQ(nullptr, templates.FindBySoftId(0));  // "x" names no program

  int count = 0;
  for (tinyxml2::XMLElement* e = templates.MoveFirst(); e; e = templates.MoveNext()) ++count;
  EXPECT_EQ(5, count);
  EXPECT_EQ(nullptr, templates.MoveNext());

  // A second load without any source discards the old document.
  std::remove(work_.File("software/AssociateEx.xml").c_str());
  EXPECT_EQ(0, templates.Load(kAssociateExFile));
  EXPECT_EQ(nullptr, templates.Document());
  EXPECT_EQ(nullptr, templates.MoveFirst());
  EXPECT_EQ(nullptr, templates.FindBySoftId(3));
}

TEST_F(TemplatesTest, PackEntryWhenNoLooseFile) {
  TempDir stage;
  ASSERT_TRUE(ds::MakeDirectories(stage.File("software")));
  WriteWholeFile(stage.File("software/AssociateEx.xml"),
                 "<?xml version=\"1.0\"?><r><soft softid=\"5\" rootnormal=\"p\"/></r>");
  ASSERT_EQ(0, RunCommand("cd '" + stage.path() + "' && zip -q -P pw '" + work_.File("soft.dat") +
                          "' software/AssociateEx.xml"));
  VEXO_ResourceMgr* pack = VEXO_ResourceMgr::Instance();
  pack->Init("soft.dat", "pw");
  AssociationTemplates templates;
  EXPECT_EQ(1, templates.Load(kAssociateExFile));
  tinyxml2::XMLElement* found = templates.FindBySoftId(5);
  ASSERT_NE(nullptr, found);
  EXPECT_STREQ("p", found->Attribute("rootnormal"));

  // A loose file wins; a loose file that does not parse gives way to the pack.
  Put("software/AssociateEx.xml", "<r><soft softid=\"6\"/></r>");
  EXPECT_EQ(1, templates.Load(kAssociateExFile));
  EXPECT_EQ(nullptr, templates.FindBySoftId(5));
  EXPECT_NE(nullptr, templates.FindBySoftId(6));
  Put("software/AssociateEx.xml", "<r><soft");
  EXPECT_EQ(1, templates.Load(kAssociateExFile));
  EXPECT_NE(nullptr, templates.FindBySoftId(5));
  pack->Fini();
}

}  // namespace
