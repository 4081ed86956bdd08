// The registry store: its text format, damaged files, the file cache and where the files live.
#include "core/registry/registry_store.h"
#include "core/registry/registry_text.h"

#include <cstdlib>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "core/registry/registry.h"
#include "tests/common/privileges.h"
#include "tests/common/temp_dir.h"

namespace {

using corvane_test::ReadWholeFile;
using corvane_test::TempDir;
using corvane_test::WriteWholeFile;
using ds::reg::Key;
using ds::reg::KeyPath;
using ds::reg::Tree;

std::string Sz(const std::string& text) { return text + std::string(1, '\0'); }

// Same keys, spellings, volatility, values (in order) and sub-keys.
void ExpectSameKey(const Key& a, const Key& b) {
  EXPECT_EQ(a.name, b.name);
  EXPECT_EQ(a.is_volatile, b.is_volatile) << a.name;
  ASSERT_EQ(a.values.size(), b.values.size()) << a.name;
  for (std::size_t i = 0; i < a.values.size(); ++i) {
    EXPECT_EQ(a.values[i].name, b.values[i].name);
    EXPECT_EQ(a.values[i].type, b.values[i].type) << a.values[i].name;
    EXPECT_EQ(a.values[i].data, b.values[i].data) << a.values[i].name;
  }
  ASSERT_EQ(a.subkeys.size(), b.subkeys.size()) << a.name;
  for (std::size_t i = 0; i < a.subkeys.size(); ++i) ExpectSameKey(*a.subkeys[i], *b.subkeys[i]);
}

TEST(RegistryTextTest, EveryKindOfValueSurvivesWriteAndRead) {
  Tree tree;
  Key* app = tree.root(ds::reg::kLocalMachine).AddSubkey("Software", false)->AddSubkey("App", false);
  app->SetValue("", REG_SZ, Sz("default"));
  app->SetValue("quote\"and\\slash", REG_SZ, Sz("C:\\dir\\\"x\""));
  app->SetValue("中文", REG_SZ, Sz("软件管家"));
  app->SetValue("count", REG_DWORD, std::string("\x2a\x00\x00\x80", 4));
  app->SetValue("two lines", REG_SZ, Sz("a\r\nb"));      // would break the line: kept as hex
  app->SetValue("gbk", REG_SZ, Sz("\xc8\xed\xbc\xfe"));  // not UTF-8: kept as hex
  app->SetValue("no nul", REG_SZ, "abc");
  app->SetValue("empty", REG_SZ, "");
  app->SetValue("inner nul", REG_SZ, std::string("a\0b\0", 4));
  app->SetValue("expand", REG_EXPAND_SZ, Sz("%TEMP%"));
  std::string blob;
  for (int i = 0; i < 300; ++i) blob.push_back(static_cast<char>(i));
  app->SetValue("blob", REG_BINARY, blob);
  app->SetValue("short dword", REG_DWORD, "\x01");
  app->AddSubkey("Empty Child", false);
  tree.root(ds::reg::kUsers).AddSubkey("S-1-5-18", false)->SetValue("x", REG_SZ, Sz("y"));

  std::string text = ds::reg::FormatTree(tree, false);
  EXPECT_EQ(0u, text.find("Windows Registry Editor Version 5.00\n"));
  EXPECT_NE(std::string::npos, text.find("\n[HKEY_LOCAL_MACHINE\\Software\\App]\n@=\"default\"\n"));
  EXPECT_NE(std::string::npos, text.find("\n\"quote\\\"and\\\\slash\"=\"C:\\\\dir\\\\\\\"x\\\"\"\n"));
  EXPECT_NE(std::string::npos, text.find("\n\"中文\"=\"软件管家\"\n"));
  EXPECT_NE(std::string::npos, text.find("\n\"count\"=dword:8000002a\n"));
  EXPECT_NE(std::string::npos, text.find("\n\"gbk\"=hex(1):c8,ed,bc,fe,00\n"));
  EXPECT_NE(std::string::npos, text.find("\n[HKEY_LOCAL_MACHINE\\Software\\App\\Empty Child]\n"));
  // Long binary data is wrapped in lines under 80 columns.
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    EXPECT_LT(end - pos, 80u) << text.substr(pos, end - pos);
    pos = end + 1;
  }

  Tree back;
  ds::reg::ParseReport report = ds::reg::ParseRegText(text, &back, false);
  EXPECT_EQ(0, report.skipped_lines);
  for (int r = 0; r < ds::reg::kRootCount; ++r) ExpectSameKey(tree.root(r), back.root(r));
}

TEST(RegistryTextTest, MainAndVolatileTextsSplitTheTree) {
  Tree tree;
  Key* soft = tree.root(ds::reg::kCurrentUser).AddSubkey("Soft", false);
  soft->SetValue("kept", REG_SZ, Sz("1"));
  Key* run = soft->AddSubkey("Run", true);
  run->SetValue("gone", REG_SZ, Sz("2"));
  run->AddSubkey("Deeper", true);

  std::string main_text = ds::reg::FormatTree(tree, false);
  std::string volatile_text = ds::reg::FormatTree(tree, true);
  EXPECT_EQ(std::string::npos, main_text.find("Run"));
  EXPECT_EQ(std::string::npos, volatile_text.find("kept"));
  EXPECT_NE(std::string::npos, volatile_text.find("[HKEY_CURRENT_USER\\Soft\\Run\\Deeper]"));

  Tree back;
  ds::reg::ParseRegText(main_text, &back, false);
  ds::reg::ParseRegText(volatile_text, &back, true);
  for (int r = 0; r < ds::reg::kRootCount; ++r) ExpectSameKey(tree.root(r), back.root(r));
}

TEST(RegistryTextTest, ForeignAndDamagedTextIsReadAsFarAsItMakesSense) {
  std::string text =
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
      "\"orphan\"=\"before any key\"\r\n"
      "[HKEY_CLASSES_ROOT\\.txt]\r\n"
      "@=\"txtfile\"\r\n"
      "\"path\"=\"C:\\Program Files\\x\"\r\n"  // unescaped backslashes stand for themselves
      "garbage line\r\n"
      "\"bad dword\"=dword:xyz\r\n"
      "\"unterminated\"=\"abc\r\n"
      "\"bad hex\"=hex:1,2g\r\n"
      "\"wrapped\"=hex(7):61,00,\\\r\n"
      "  62,00,00,00\r\n"
      "\"gone\"=-\r\n"
      "[HKEY_NOWHERE\\x]\r\n"
      "\"lost\"=\"1\"\r\n"
      "[-HKEY_CURRENT_USER\\Removed]\r\n"
      "[HKEY_CURRENT_USER\\Unclosed\r\n"
      "[HKCU\\Short]\r\n"
      "\"n\"=dword:7\r\n";
  Tree tree;
  ds::reg::ParseReport report = ds::reg::ParseRegText(text, &tree, false);
  EXPECT_EQ(8, report.skipped_lines);  // orphan, garbage, 3 bad values, bad root + its value, unclosed
  ASSERT_TRUE(report.has_section);
  EXPECT_EQ(ds::reg::kLocalMachine, report.first_root);
  EXPECT_EQ((KeyPath{"SOFTWARE", "Classes", ".txt"}), report.first_path);

  const Key* txt = tree.Find(ds::reg::kLocalMachine, {"software", "classes", ".TXT"});
  ASSERT_NE(nullptr, txt);
  ASSERT_EQ(3u, txt->values.size());
  EXPECT_EQ(Sz("txtfile"), txt->values[0].data);
  EXPECT_EQ(Sz("C:\\Program Files\\x"), txt->values[1].data);
  EXPECT_EQ(7u, txt->values[2].type);
  EXPECT_EQ(std::string("a\0b\0\0\0", 6), txt->values[2].data);
  const Key* short_key = tree.Find(ds::reg::kCurrentUser, {"Short"});
  ASSERT_NE(nullptr, short_key);
  EXPECT_EQ(std::string("\x07\0\0\0", 4), short_key->values.at(0).data);
  EXPECT_EQ(nullptr, tree.Find(ds::reg::kCurrentUser, {"Removed"}));
}

// Damage found by mutating a valid store: a long run of hex digits (overflowed the byte parser)
// and a hex line whose continuation mark has no continuation (it swallowed the next section,
// whose values then landed in the key before it).
TEST(RegistryTextTest, DamagedHexLinesStayInTheirOwnKey) {
  std::string text =
      "[HKEY_CURRENT_USER\\A]\r\n"
      "\"long\"=hex:0123456789abcdef0123,01\r\n"
      "\"cut\"=hex:01,02,\\\r\n"
      "[HKEY_CURRENT_USER\\B]\r\n"
      "\"b\"=\"in b\"\r\n";
  Tree tree;
  ds::reg::ParseReport report = ds::reg::ParseRegText(text, &tree, false);
  EXPECT_EQ(2, report.skipped_lines);
  const Key* a = tree.Find(ds::reg::kCurrentUser, {"A"});
  ASSERT_NE(nullptr, a);
  EXPECT_TRUE(a->values.empty());
  const Key* b = tree.Find(ds::reg::kCurrentUser, {"B"});
  ASSERT_NE(nullptr, b);
  ASSERT_EQ(1u, b->values.size());
  EXPECT_EQ(Sz("in b"), b->values[0].data);
}

TEST(RegistryTextTest, Utf16ExportOfTheRegistryEditorIsConverted) {
  std::string utf8 = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Demo]\r\n"
                     "\"名\"=\"値\xF0\x9F\x98\x80\"\r\n";
  std::string utf16 = "\xFF\xFE";
  // Hand-encode: every character here is BMP except the emoji (a surrogate pair).
  std::u16string wide = u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Demo]\r\n"
                        u"\"名\"=\"値\U0001F600\"\r\n";
  for (char16_t c : wide) {
    utf16.push_back(static_cast<char>(c & 0xFF));
    utf16.push_back(static_cast<char>(c >> 8));
  }
  Tree from16, from8;
  ds::reg::ParseRegText(utf16, &from16, false);
  ds::reg::ParseRegText(utf8, &from8, false);
  ExpectSameKey(from8.root(ds::reg::kCurrentUser), from16.root(ds::reg::kCurrentUser));
  EXPECT_EQ(Sz("値\xF0\x9F\x98\x80"), from16.Find(ds::reg::kCurrentUser, {"Demo"})->values.at(0).data);
}

TEST(RegistryKeyPathTest, SplitsOnBackslashAndRejectsEmptyNames) {
  KeyPath path;
  EXPECT_TRUE(ds::reg::SplitKeyPath("a\\b/c\\", &path));
  EXPECT_EQ((KeyPath{"a", "b/c"}), path);
  EXPECT_TRUE(ds::reg::SplitKeyPath("", &path));
  EXPECT_TRUE(path.empty());
  EXPECT_FALSE(ds::reg::SplitKeyPath("\\a", &path));
  EXPECT_FALSE(ds::reg::SplitKeyPath("a\\\\b", &path));
  EXPECT_FALSE(ds::reg::SplitKeyPath("\\", &path));
  EXPECT_FALSE(ds::reg::SplitKeyPath("a\nb", &path));
}

class RegistryStoreFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store_ = dir_.File("registry.reg");
    setenv("CORVANE_REGISTRY", store_.c_str(), 1);
  }
  void TearDown() override { unsetenv("CORVANE_REGISTRY"); }

  std::string ReadText(HKEY root, const char* key, const char* name) {
    ds::Registry reg(root);
    char buffer[260];
    if (!reg.Open(key, KEY_READ) || !reg.Read(name, buffer, sizeof buffer)) return "<missing>";
    return buffer;
  }

  TempDir dir_;
  std::string store_;
};

TEST_F(RegistryStoreFileTest, MissingStoreIsEmptyAndFirstWriteCreatesItsDirectory) {
  store_ = dir_.File("deep/er/registry.reg");
  setenv("CORVANE_REGISTRY", store_.c_str(), 1);
  EXPECT_EQ("<missing>", ReadText(HKEY_CURRENT_USER, "A", "v"));
  ds::Registry reg(HKEY_CURRENT_USER);
  reg.ModiyStyle(REG_OPTION_NON_VOLATILE);
  ASSERT_EQ(1, reg.CreateKey("A"));
  ASSERT_EQ(1, reg.Write("v", "1"));
  EXPECT_EQ("1", ReadText(HKEY_CURRENT_USER, "A", "v"));
  struct stat st;
  ASSERT_EQ(0, stat(store_.c_str(), &st));
  EXPECT_EQ(0600u, st.st_mode & 0777);
}

TEST_F(RegistryStoreFileTest, DamagedStoreKeepsItsGoodPartsAndTheOriginal) {
  std::string damaged =
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_CURRENT_USER\\Good]\n\"a\"=\"1\"\n"
      "\x01\x02\xff binary junk ]]]\n"
      "[HKEY_CURRENT_USER\\Good\\Sub\n"
      "\"half\"=hex:0\n"
      "[HKEY_CURRENT_USER\\Also]\n\"b\"=dword:00000002\n";
  WriteWholeFile(store_, damaged);
  EXPECT_EQ("1", ReadText(HKEY_CURRENT_USER, "Good", "a"));

  ds::Registry reg(HKEY_CURRENT_USER);
  reg.ModiyStyle(REG_OPTION_NON_VOLATILE);
  ASSERT_EQ(1, reg.CreateKey("New"));
  ASSERT_EQ(1, reg.Write("c", 3));
  EXPECT_EQ(damaged, ReadWholeFile(store_ + ".bad"));
  EXPECT_EQ("1", ReadText(HKEY_CURRENT_USER, "Good", "a"));
  ds::Registry check(HKEY_CURRENT_USER);
  int number = 0;
  ASSERT_EQ(1, check.Open("Also", KEY_READ));
  EXPECT_EQ(1, check.Read("b", &number));
  EXPECT_EQ(2, number);

  // Pure noise, or a directory in the store's place, never crashes a reader.
  std::string noise;
  for (int i = 0; i < 4096; ++i) noise.push_back(static_cast<char>((i * 7919) % 251));
  WriteWholeFile(store_, noise);
  EXPECT_EQ("<missing>", ReadText(HKEY_CURRENT_USER, "Good", "a"));
  ASSERT_EQ(0, unlink(store_.c_str()));
  ASSERT_EQ(0, mkdir(store_.c_str(), 0700));
  EXPECT_EQ("<missing>", ReadText(HKEY_CURRENT_USER, "Good", "a"));
  EXPECT_EQ(0, reg.CreateKey("Newer"));
}

TEST_F(RegistryStoreFileTest, UnreadableStoreIsNeverOverwritten) {
  WriteWholeFile(store_, "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\K]\n\"a\"=\"1\"\n");
  chmod(store_.c_str(), 0200);
  // Root would read the file anyway: the change is tried as an ordinary user meets it.
  EXPECT_EQ(0, corvane_test::RunWithoutFileModeOverride([] {
    ds::Registry reg(HKEY_CURRENT_USER);
    reg.ModiyStyle(REG_OPTION_NON_VOLATILE);
    return reg.CreateKey("Other") == 0;
  })) << "the change was written over an unreadable store";
  chmod(store_.c_str(), 0600);
  EXPECT_EQ("1", ReadText(HKEY_CURRENT_USER, "K", "a"));
}

TEST_F(RegistryStoreFileTest, CacheNoticesAnOutsideEditOfTheSameSize) {
  // Rewritten in place: same inode, same size. Where time stamps are coarse the times can be
  // equal too, and only the time of the read tells that the cached copy may be stale.
  for (int round = 0; round < 20; ++round) {
    std::string value = std::to_string(round % 10);
    WriteWholeFile(store_, "[HKEY_CURRENT_USER\\K]\n\"a\"=\"" + value + "\"\n");
    ASSERT_EQ(value, ReadText(HKEY_CURRENT_USER, "K", "a")) << round;
  }
}

TEST_F(RegistryStoreFileTest, ReadsOfAnUnchangedStoreShareOneParse) {
  WriteWholeFile(store_, "[HKEY_CURRENT_USER\\K]\n\"a\"=\"1\"\n");
  // Make the file old enough that its times identify it.
  struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(0, utimensat(AT_FDCWD, store_.c_str(), times, 0));
  auto first = ds::reg::RegistryStore::Instance().Read();
  auto second = ds::reg::RegistryStore::Instance().Read();
  EXPECT_EQ(first.get(), second.get());
  ASSERT_NE(nullptr, first->Find(ds::reg::kCurrentUser, {"K"}));
}

// A read batch sees one snapshot: an outside edit shows only after it ends, while the
// thread's own writes show at once; batches nest.
TEST_F(RegistryStoreFileTest, ReadBatchKeepsOneSnapshotButSeesItsOwnWrites) {
  WriteWholeFile(store_, "[HKEY_CURRENT_USER\\K]\n\"a\"=\"1\"\n");
  {
    const ds::reg::ReadBatch outer;
    EXPECT_EQ("1", ReadText(HKEY_CURRENT_USER, "K", "a"));
    WriteWholeFile(store_, "[HKEY_CURRENT_USER\\K]\n\"a\"=\"2\"\n");
    {
      const ds::reg::ReadBatch inner;
      EXPECT_EQ("1", ReadText(HKEY_CURRENT_USER, "K", "a"));
    }
    EXPECT_EQ("1", ReadText(HKEY_CURRENT_USER, "K", "a"));
    ds::Registry reg(HKEY_CURRENT_USER);
    reg.ModiyStyle(REG_OPTION_NON_VOLATILE);
    ASSERT_EQ(1, reg.CreateKey("K"));
    ASSERT_EQ(1, reg.Write("b", "own"));
    EXPECT_EQ("own", ReadText(HKEY_CURRENT_USER, "K", "b"));
    EXPECT_EQ("2", ReadText(HKEY_CURRENT_USER, "K", "a"));  // the write read the file afresh
    WriteWholeFile(store_, "[HKEY_CURRENT_USER\\K]\n\"a\"=\"3\"\n");
    EXPECT_EQ("2", ReadText(HKEY_CURRENT_USER, "K", "a"));
  }
  EXPECT_EQ("3", ReadText(HKEY_CURRENT_USER, "K", "a"));
}

TEST(RegistryStorePathTest, LocationsFollowTheEnvironment) {
  TempDir config, runtime;
  unsetenv("CORVANE_REGISTRY");
  setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
  setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
  ds::reg::StorePaths paths;
  ASSERT_TRUE(ds::reg::ResolveStorePaths(&paths));
  EXPECT_EQ(config.path() + "/corvane/registry.reg", paths.main);
  EXPECT_EQ(config.path() + "/corvane/registry.reg.lock", paths.lock);
  EXPECT_EQ(runtime.path() + "/corvane/registry.reg.volatile", paths.volatile_file);

  // A volatile key creates the private runtime directory.
  {
    ds::Registry reg(HKEY_CURRENT_USER);
    ASSERT_EQ(1, reg.CreateKey("Session"));
  }
  struct stat st;
  ASSERT_EQ(0, stat((runtime.path() + "/corvane").c_str(), &st));
  EXPECT_EQ(0700u, st.st_mode & 0777);
  EXPECT_NE(std::string::npos, ReadWholeFile(paths.volatile_file).find("[HKEY_CURRENT_USER\\Session]"));

  // A volatile directory others may write into is not used: its keys could be planted.
  const std::string planted = runtime.path() + "/corvane";
  WriteWholeFile(paths.volatile_file,
                 "[HKEY_CLASSES_ROOT\\exefile\\shell\\open\\command]\n@=\"evil\"\n");
  ASSERT_EQ(0, chmod(planted.c_str(), 0777));
  {
    ds::Registry reg(HKEY_CLASSES_ROOT);
    EXPECT_EQ(0, reg.Open("exefile\\shell\\open\\command", KEY_READ));
    EXPECT_EQ(0, reg.CreateKey("Session2"));
    ASSERT_EQ(0, chmod(planted.c_str(), 0700));
    EXPECT_EQ(1, reg.Open("exefile\\shell\\open\\command", KEY_READ));
  }

  unsetenv("XDG_RUNTIME_DIR");
  ASSERT_TRUE(ds::reg::ResolveStorePaths(&paths));
  EXPECT_EQ("/tmp/corvane-" + std::to_string(getuid()) + "/registry.reg.volatile", paths.volatile_file);

  setenv("CORVANE_REGISTRY", "/x/y.reg", 1);
  ASSERT_TRUE(ds::reg::ResolveStorePaths(&paths));
  EXPECT_EQ("/x/y.reg.volatile", paths.volatile_file);
  unsetenv("CORVANE_REGISTRY");
  unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
