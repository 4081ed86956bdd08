// Wine's registry files: the parser on hand-written files in Wine's format, and a prefix's files
// as read-only layers beneath our store (views, precedence, changes, a file replaced while read).
#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "core/registry/registry.h"
#include "core/registry/registry_store.h"
#include "core/registry/wine_layer.h"
#include "core/registry/wine_registry_text.h"
#include "tests/common/temp_dir.h"

namespace {

using corvane_test::ReadWholeFile;
using corvane_test::TempDir;
using corvane_test::WriteWholeFile;
using ds::reg::Key;

const char kHeader[] = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n";

// A string value's data: the text and its terminator.
std::string Sz(const std::string& text) { return text + std::string(1, '\0'); }

std::string Data(const Key* key, const char* name, std::uint32_t* type = nullptr) {
  if (key == nullptr) return "<no key>";
  const ds::reg::Value* value = key->FindValue(name);
  if (value == nullptr) return "<no value>";
  if (type != nullptr) *type = value->type;
  return value->data;
}

// Parses `text` as system.reg: keys below HKEY_LOCAL_MACHINE of `tree`.
ds::reg::WineParseReport Parse(const std::string& text, ds::reg::Tree* tree) {
  return ds::reg::ParseWineRegistry(text, &tree->root(ds::reg::kLocalMachine));
}

const Key* Find(const ds::reg::Tree& tree, const ds::reg::KeyPath& path) {
  return tree.Find(ds::reg::kLocalMachine, path);
}

TEST(WineRegistryTextTest, EveryValueTypeAndEscape) {
  const std::string text = std::string(kHeader) +
      "[Software\\\\Corvane\\\\Types] 1700000000\n"
      "#time=1da2b3c4d5e6f70\n"
      "@=\"default\"\n"
      "\"Sz\"=\"C:\\\\Program Files\\\\A \\\"quoted\\\" name\"\n"
      "\"Expand\"=str(2):\"%ProgramFiles%\\\\App\"\n"
      "\"MultiStr\"=str(7):\"one\\0two\\0\"\n"
      "\"Multi\"=hex(7):6f,00,6e,00,65,00,00,00,74,00,77,00,6f,00,00,00,00,00\n"
      "\"ExpandHex\"=hex(2):25,00,41,00,25,00,00,00\n"
      "\"Bin\"=hex:01,02,ff,\\\n  10,20\n"
      "\"Empty\"=hex:\n"
      "\"Dword\"=dword:0000002a\n"
      "\"Qword\"=hex(b):01,00,00,00,00,00,00,80\n"
      "\"Controls\"=\"tab\\there\\nline\\\\end\"\n"
      "\"Emoji\"=\"\\xd83d\\xde00!\"\n"
      "\"\\x4e2d\\x6587\"=\"\\x4e2d\\x6587\\x503c\"\n"
      "\n"
      "[Software\\\\\\x8f6f\\x4ef6\\\\Odd\\]Name] 1700000001\n"
      "\"A\"=dword:00000001\n";
  ds::reg::Tree tree;
  const ds::reg::WineParseReport report = Parse(text, &tree);
  EXPECT_TRUE(report.recognised);
  EXPECT_EQ(0, report.damaged_line);
  EXPECT_EQ(2, report.keys);

  const Key* key = Find(tree, {"SOFTWARE", "corvane", "TYPES"});
  ASSERT_NE(nullptr, key);
  std::uint32_t type = 0;
  EXPECT_EQ(std::string("default\0", 8), Data(key, ""));
  EXPECT_EQ(Sz("C:\\Program Files\\A \"quoted\" name"), Data(key, "Sz", &type));
  EXPECT_EQ(1u, type);
  EXPECT_EQ(std::string("%ProgramFiles%\\App\0", 19), Data(key, "Expand", &type));
  EXPECT_EQ(2u, type);
  EXPECT_EQ(std::string("one\0two\0\0", 9), Data(key, "MultiStr", &type));
  EXPECT_EQ(7u, type);
  EXPECT_EQ(std::string("one\0two\0\0", 9), Data(key, "Multi", &type)) << "UTF-16 hex as UTF-8";
  EXPECT_EQ(7u, type);
  EXPECT_EQ(std::string("%A%\0", 4), Data(key, "ExpandHex"));
  EXPECT_EQ(std::string("\x01\x02\xff\x10\x20", 5), Data(key, "Bin", &type));
  EXPECT_EQ(3u, type);
  EXPECT_EQ("", Data(key, "Empty"));
  EXPECT_EQ(std::string("\x2a\0\0\0", 4), Data(key, "Dword", &type));
  EXPECT_EQ(4u, type);
  EXPECT_EQ(std::string("\x01\0\0\0\0\0\0\x80", 8), Data(key, "Qword", &type));
  EXPECT_EQ(11u, type);
  EXPECT_EQ(Sz("tab\there\nline\\end"), Data(key, "Controls"));
  EXPECT_EQ(std::string("\xF0\x9F\x98\x80!\0", 6), Data(key, "Emoji")) << "a surrogate pair";
  EXPECT_EQ(std::string("中文值\0", 10), Data(key, "中文"));

  EXPECT_NE(nullptr, Find(tree, {"Software", "软件", "Odd]Name"})) << "escaped key names: Chinese and ']'";
}

TEST(WineRegistryTextTest, DamageStopsTheReadAndForeignTextIsNotRead) {
  const std::string good = std::string(kHeader) +
      "[Software\\\\Before] 1700000000\n\"A\"=\"1\"\n\"B\"=dword:00000002\n";
  // Each damage, then a key that must not be read.
  const char* damages[] = {
      "\"C\"=\"unterminated\n",
      "\"C\"=dword:xyz\n",
      "\"C\"=hex:01,0\n",
      "[Software\\\\Cut\n",
      "garbage line\n",
      "\"C\"=hex:01,02,\\\n",  // data cut off at the end of the file
  };
  for (const char* damage : damages) {
    ds::reg::Tree tree;
    const ds::reg::WineParseReport report =
        Parse(good + damage + "[Software\\\\After] 1700000000\n\"Z\"=\"z\"\n", &tree);
    EXPECT_TRUE(report.recognised && report.damaged_line == 9) << damage;
    const Key* before = Find(tree, {"Software", "Before"});
    ASSERT_NE(nullptr, before) << damage;
    EXPECT_EQ(2u, before->values.size()) << damage;
    EXPECT_EQ(nullptr, Find(tree, {"Software", "After"})) << damage;
    EXPECT_EQ(nullptr, Find(tree, {"Software", "Cut"})) << damage;
  }

  // Without Wine's header nothing is read: a regedit export, an empty or binary file.
  for (const std::string& text : {std::string("Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\x]\n"),
                                 std::string(), std::string("\0\xff\xfe[x]\n", 6),
                                 std::string("WINE REGISTRY Version 3\n[x] 1\n")}) {
    ds::reg::Tree tree;
    EXPECT_FALSE(Parse(text, &tree).recognised);
    EXPECT_TRUE(tree.root(ds::reg::kLocalMachine).subkeys.empty());
  }
}

// A prefix of our own beneath a store of our own; the layers follow $WINEPREFIX.
class WineLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("CORVANE_REGISTRY", dir_.File("registry.reg").c_str(), 1);
    setenv("WINEPREFIX", dir_.File("prefix").c_str(), 1);
    ds::reg::RegistryStore::Instance().ClearLowerLayers();
    ds::reg::AttachWineRegistry();
  }
  void TearDown() override {
    ds::reg::RegistryStore::Instance().ClearLowerLayers();
    unsetenv("CORVANE_REGISTRY");
    unsetenv("WINEPREFIX");
  }

  // Writes a prefix file the way Wine saves it: a new file renamed over the old one.
  void WriteHive(const char* name, const std::string& body) {
    corvane_test::RunCommand("mkdir -p '" + dir_.File("prefix") + "'");
    const std::string path = dir_.File(std::string("prefix/") + name);
    WriteWholeFile(path + ".tmp", std::string(kHeader) + body);
    ASSERT_EQ(0, std::rename((path + ".tmp").c_str(), path.c_str()));
  }

  static std::string Get(HKEY root, const char* key, const char* name) {
    ds::Registry reg(root);
    char buffer[260];
    if (!reg.Open(key, KEY_READ)) return "<no key>";
    if (!reg.Read(name, buffer, sizeof buffer)) return "<no value>";
    return buffer;
  }

  static std::string SubkeysOf(HKEY root, const char* key) {
    ds::Registry reg(root);
    if (!reg.Open(key, KEY_READ)) return "<no key>";
    std::string names;
    char name[256];
    for (unsigned long i = 0; reg.EnumKey(i, name, sizeof name); ++i) names += std::string(name) + ",";
    return names;
  }

  TempDir dir_;
};

const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

TEST_F(WineLayerTest, HivesViewsAndOurStoreOnTop) {
  WriteHive("system.reg",
            "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\App64] 1700000000\n"
            "\"DisplayName\"=\"App 64\"\n\"DisplayVersion\"=\"1.0\"\n"
            "[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\App32] 1700000000\n"
            "\"DisplayName\"=\"App 32\"\n"
            "[Software\\\\Wow6432Node\\\\Vendor\\\\Tool] 1700000000\n\"Path\"=\"C:\\\\Tool32\"\n\"Only32\"=\"yes\"\n"
            "[Software\\\\Vendor\\\\Tool] 1700000000\n\"Path\"=\"C:\\\\Tool64\"\n");
  WriteHive("user.reg",
            "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\UserApp] 1700000000\n"
            "\"DisplayName\"=\"\\x7528\\x6237\\x7a0b\\x5e8f\"\n");
  WriteHive("userdef.reg", "[Control Panel\\\\Desktop] 1700000000\n\"Wallpaper\"=\"none\"\n");

  // The uninstall page enumerates three places; each shows what the prefix holds.
  EXPECT_EQ("App32,App64,", SubkeysOf(HKEY_LOCAL_MACHINE, kUninstall)) << "native view, 32-bit keys beneath";
  EXPECT_EQ("App32,", SubkeysOf(HKEY_LOCAL_MACHINE,
                                "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
  EXPECT_EQ("UserApp,", SubkeysOf(HKEY_CURRENT_USER, kUninstall));
  EXPECT_EQ("App 32", Get(HKEY_LOCAL_MACHINE, (std::string(kUninstall) + "\\App32").c_str(), "DisplayName"));
  EXPECT_EQ("用户程序", Get(HKEY_CURRENT_USER, (std::string(kUninstall) + "\\UserApp").c_str(), "DisplayName"));
  EXPECT_EQ("none", Get(HKEY_USERS, ".Default\\Control Panel\\Desktop", "Wallpaper"));

  // A read finds the native value first and falls back to the 32-bit view.
  EXPECT_EQ("C:\\Tool64", Get(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\Tool", "Path"));
  EXPECT_EQ("yes", Get(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\Tool", "Only32"));
  EXPECT_EQ("<no key>", Get(HKEY_CURRENT_USER, "SOFTWARE\\Wow6432Node\\Vendor\\Tool", "Path"));

  // Our store wins where both have a value, and writes never reach Wine's file.
  const std::string system_before = ReadWholeFile(dir_.File("prefix/system.reg"));
  ds::Registry reg(HKEY_LOCAL_MACHINE);
  ASSERT_EQ(1, reg.Open((std::string(kUninstall) + "\\App64").c_str(), KEY_ALL_ACCESS));
  ASSERT_EQ(1, reg.Write("DisplayVersion", "2.0"));
  EXPECT_EQ("2.0", Get(HKEY_LOCAL_MACHINE, (std::string(kUninstall) + "\\App64").c_str(), "DisplayVersion"));
  EXPECT_EQ("App 64", Get(HKEY_LOCAL_MACHINE, (std::string(kUninstall) + "\\App64").c_str(), "DisplayName"));
  EXPECT_EQ(0, reg.DeleteValue("DisplayName")) << "only Wine has it";
  EXPECT_EQ(system_before, ReadWholeFile(dir_.File("prefix/system.reg")));
  EXPECT_NE(std::string::npos, ReadWholeFile(dir_.File("registry.reg")).find("\"DisplayVersion\"=\"2.0\""));

  // Another prefix named by the environment is read at the next call.
  setenv("WINEPREFIX", dir_.File("elsewhere").c_str(), 1);
  EXPECT_EQ("<no key>", Get(HKEY_LOCAL_MACHINE, (std::string(kUninstall) + "\\App32").c_str(), "DisplayName"));
}

TEST_F(WineLayerTest, ChangedAndReplacedFilesAreReadAgain) {
  auto body = [](int generation) {
    const std::string g = std::to_string(generation);
    // The same generation at the start and at the end of a sizeable file.
    std::string text = "[Software\\\\First] 1700000000\n\"Gen\"=\"" + g + "\"\n";
    for (int i = 0; i < 300; ++i) text += "[Software\\\\Filler\\\\K" + std::to_string(i) + "] 1\n\"V\"=\"x\"\n";
    return text + "[Software\\\\Last] 1700000000\n\"Gen\"=\"" + g + "\"\n";
  };
  WriteHive("system.reg", body(0));
  EXPECT_EQ("0", Get(HKEY_LOCAL_MACHINE, "Software\\Last", "Gen"));
  WriteHive("system.reg", body(1));
  EXPECT_EQ("1", Get(HKEY_LOCAL_MACHINE, "Software\\Last", "Gen")) << "a changed file is read again";

  // Wine replaces the file while we read: every read sees one whole version.
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    for (int g = 2; !stop; ++g) WriteHive("system.reg", body(g));
  });
  ds::reg::WineRegistryLayer layer(ds::reg::WineRegistryLayer::Hive::kMachine);
  int mixed = 0;
  for (int i = 0; i < 300; ++i) {
    const auto tree = layer.Snapshot();
    const Key* first = tree ? Find(*tree, {"Software", "First"}) : nullptr;
    const Key* last = tree ? Find(*tree, {"Software", "Last"}) : nullptr;
    if (first == nullptr || last == nullptr || Data(first, "Gen") != Data(last, "Gen")) ++mixed;
  }
  stop = true;
  writer.join();
  EXPECT_EQ(0, mixed);
}

}  // namespace
