// ds::Registry: the cursor, values, volatile keys, the classes view, export and import, other
// processes sharing the store, and read-only layers beneath it.
#include "core/registry/registry.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "core/registry/registry_store.h"
#include "core/registry/registry_text.h"
#include "tests/common/temp_dir.h"

namespace {

using corvane_test::ReadWholeFile;
using corvane_test::TempDir;
using corvane_test::WriteWholeFile;

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store_ = dir_.File("registry.reg");
    setenv("CORVANE_REGISTRY", store_.c_str(), 1);
  }
  void TearDown() override { unsetenv("CORVANE_REGISTRY"); }

  // A key path with ordinary (non-volatile) keys, and a value in its last key.
  static void Put(HKEY root, const char* key, const char* name, const char* text) {
    ds::Registry reg(root);
    reg.ModiyStyle(REG_OPTION_NON_VOLATILE);
    ASSERT_EQ(1, reg.CreateKey(key)) << key;
    ASSERT_EQ(1, reg.Write(name, text)) << key;
  }

  static std::string Get(HKEY root, const char* key, const char* name) {
    ds::Registry reg(root);
    char buffer[260];
    if (!reg.Open(key, KEY_READ)) return "<no key>";
    if (!reg.Read(name, buffer, sizeof buffer)) return "<no value>";
    return buffer;
  }

  TempDir dir_;
  std::string store_;
};

// Runs `body` in a child process and returns its exit status.
int RunInChild(const std::function<int()>& body) {
  pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST_F(RegistryTest, CursorWalksDownFromTheCurrentKeyAndBackToTheRoot) {
  ds::Registry reg(HKEY_CURRENT_USER);
  EXPECT_EQ(1u, reg.ModiyStyle());
  reg.ModiyStyle(REG_OPTION_NON_VOLATILE);
  EXPECT_EQ(0u, reg.ModiyStyle());
  ASSERT_EQ(1, reg.CreateKey("a\\b\\c"));
  ASSERT_EQ(1, reg.Write("v", 7));

  reg.ResetKey();
  ASSERT_EQ(1, reg.Open("a\\b", KEY_READ));
  ASSERT_EQ(1, reg.Open("c", KEY_READ));
  int number = 0;
  EXPECT_EQ(1, reg.Read("v", &number));
  EXPECT_EQ(7, number);

  // A failed step leaves the cursor where it was.
  EXPECT_EQ(0, reg.Open("missing", KEY_READ));
  EXPECT_EQ(0, reg.Open(nullptr, KEY_READ));
  EXPECT_EQ(0, reg.CreateKey(nullptr));
  number = 0;
  EXPECT_EQ(1, reg.Read("v", &number));
  EXPECT_EQ(7, number);

  reg.ResetKey();
  EXPECT_EQ(0, reg.Open("\\a", KEY_READ));
  EXPECT_EQ(0, reg.Open("a\\\\b", KEY_READ));
  EXPECT_EQ(1, reg.Open("a\\b\\c\\", KEY_READ));
  EXPECT_EQ(1, reg.Open("", KEY_READ));  // the same key again
  EXPECT_EQ(1, reg.Read("v", &number));

  // The default root is the local machine.
  ds::Registry machine;
  EXPECT_EQ(0, machine.Open("a\\b\\c", KEY_READ));
}

TEST_F(RegistryTest, ReadsCopyAnyValueThatFits) {
  ds::Registry reg(HKEY_CURRENT_USER);
  ASSERT_EQ(1, reg.CreateKey("Values"));
  ASSERT_EQ(1, reg.Write("dword", 0x11223344));
  ASSERT_EQ(1, reg.Write("neg", -5));
  ASSERT_EQ(1, reg.Write("big", 0x1FFFFFFFFul));  // a DWORD keeps the low 32 bits
  ASSERT_EQ(1, reg.Write("text4", "abc"));
  ASSERT_EQ(1, reg.Write("text6", "hello"));
  ASSERT_EQ(1, reg.Write("empty", ""));
  ASSERT_EQ(1, reg.Write(nullptr, "default"));
  EXPECT_EQ(0, reg.Write("null", static_cast<const char*>(nullptr)));

  char buffer[16];
  std::memset(buffer, 'x', sizeof buffer);
  ASSERT_EQ(1, reg.Read("dword", buffer, 4));
  EXPECT_EQ(0, std::memcmp(buffer, "\x44\x33\x22\x11", 4));
  EXPECT_EQ(0, reg.Read("dword", buffer, 3));
  EXPECT_EQ(0, reg.Read("text6", buffer, 5));
  ASSERT_EQ(1, reg.Read("text6", buffer, 6));
  EXPECT_STREQ("hello", buffer);
  ASSERT_EQ(1, reg.Read("", buffer, sizeof buffer));  // "" and null both name the default
  EXPECT_STREQ("default", buffer);

  int number = 0;
  unsigned long wide = 0;
  EXPECT_EQ(0, reg.Read("text6", &number));  // six bytes do not fit an integer
  EXPECT_EQ(1, reg.Read("text4", &number));
  EXPECT_EQ(0x00636261, number);
  EXPECT_EQ(1, reg.Read("neg", &number));
  EXPECT_EQ(-5, number);
  EXPECT_EQ(1, reg.Read("neg", &wide));
  EXPECT_EQ(0xFFFFFFFBul, wide);
  EXPECT_EQ(1, reg.Read("big", &wide));
  EXPECT_EQ(0xFFFFFFFFul, wide);

  // The empty string is its NUL alone; reading it as a number zero-extends that one byte.
  buffer[0] = 'x';
  EXPECT_EQ(0, reg.Read("empty", buffer, 0));
  ASSERT_EQ(1, reg.Read("empty", buffer, 1));
  EXPECT_EQ('\0', buffer[0]);
  wide = ~0ul;
  ASSERT_EQ(1, reg.Read("empty", &wide));
  EXPECT_EQ(0ul, wide);

  EXPECT_EQ(0, reg.Read("absent", buffer, sizeof buffer));
  EXPECT_EQ(0, reg.Read("absent", &number));
  EXPECT_EQ(0, reg.Write("line\nbreak", 1));
}

TEST_F(RegistryTest, AfterCloseEveryOperationFailsUntilReset) {
  Put(HKEY_CURRENT_USER, "K\\Child", "v", "1");
  ds::Registry reg(HKEY_CURRENT_USER);
  ASSERT_EQ(1, reg.Open("K", KEY_ALL_ACCESS));
  reg.Close();
  char buffer[16];
  int number = 0;
  unsigned long count = 0;
  EXPECT_EQ(0, reg.Open("K", KEY_READ));
  EXPECT_EQ(0, reg.CreateKey("New"));
  EXPECT_EQ(0, reg.Write("v", 1));
  EXPECT_EQ(0, reg.Write("v", "x"));
  EXPECT_EQ(0, reg.Read("v", buffer, sizeof buffer));
  EXPECT_EQ(0, reg.Read("v", &number));
  EXPECT_EQ(0, reg.DeleteValue("v"));
  EXPECT_EQ(0, reg.DeleteKey(HKEY_CURRENT_USER, "K\\Child"));
  EXPECT_EQ(0, reg.QueryInfoKey(&count, &count));
  EXPECT_EQ(0, reg.SaveKey(dir_.File("out.reg").c_str()));
  EXPECT_EQ(0, reg.SetKeySecurity(0, nullptr));
  reg.Close();  // closing twice is harmless
  EXPECT_EQ("1", Get(HKEY_CURRENT_USER, "K\\Child", "v"));

  reg.ResetKey();
  EXPECT_EQ(1, reg.Open("K\\Child", KEY_READ));
}

TEST_F(RegistryTest, DeleteKeyRefusesKeysWithSubkeys) {
  Put(HKEY_CURRENT_USER, "P\\C", "v", "1");
  ds::Registry reg(HKEY_CURRENT_USER);
  EXPECT_EQ(0, reg.DeleteKey(HKEY_CURRENT_USER, "P"));
  EXPECT_EQ(0, reg.DeleteKey(HKEY_LOCAL_MACHINE, "P\\C"));  // the parent names the root
  EXPECT_EQ(0, reg.DeleteKey(reinterpret_cast<HKEY>(0x1234), "P\\C"));
  EXPECT_EQ(0, reg.DeleteKey(HKEY_CURRENT_USER, ""));
  EXPECT_EQ(1, reg.DeleteKey(HKEY_CURRENT_USER, "p\\c"));
  EXPECT_EQ("<no key>", Get(HKEY_CURRENT_USER, "P\\C", "v"));
  EXPECT_EQ(0, reg.DeleteKey(HKEY_CURRENT_USER, "P\\C"));
  EXPECT_EQ(1, reg.DeleteKey(HKEY_CURRENT_USER, "P"));
  EXPECT_EQ("<no key>", Get(HKEY_CURRENT_USER, "P", "v"));

  Put(HKEY_CURRENT_USER, "Q", "a", "1");
  ASSERT_EQ(1, reg.Open("Q", KEY_ALL_ACCESS));
  EXPECT_EQ(0, reg.DeleteValue("b"));
  EXPECT_EQ(1, reg.DeleteValue("A"));
  EXPECT_EQ("<no value>", Get(HKEY_CURRENT_USER, "Q", "a"));
  // The cursor may stand on the key being deleted; it then reads nothing.
  EXPECT_EQ(1, reg.DeleteKey(HKEY_CURRENT_USER, "Q"));
  EXPECT_EQ(0, reg.Write("a", "1"));
}

TEST_F(RegistryTest, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
  Put(HKEY_CURRENT_USER, "Software\\MyApp", "InstallPath", "C:\\App");
  Put(HKEY_CURRENT_USER, "SOFTWARE\\myapp\\Sub", "x", "1");
  EXPECT_EQ("C:\\App", Get(HKEY_CURRENT_USER, "software\\MYAPP", "installpath"));

  ds::Registry reg(HKEY_CURRENT_USER);
  ASSERT_EQ(1, reg.Open("SOFTWARE\\MYAPP", KEY_ALL_ACCESS));
  ASSERT_EQ(1, reg.Write("INSTALLPATH", "D:\\App"));
  char name[64];
  unsigned long size = 0;
  ASSERT_EQ(1, reg.EnumValue(0, name, sizeof name, nullptr, nullptr, &size));
  EXPECT_STREQ("InstallPath", name);
  EXPECT_EQ(7ul, size);

  std::string text = ReadWholeFile(store_);
  EXPECT_NE(std::string::npos, text.find("[HKEY_CURRENT_USER\\Software\\MyApp\\Sub]"));
  EXPECT_NE(std::string::npos, text.find("\"InstallPath\"=\"D:\\\\App\""));
  EXPECT_EQ(std::string::npos, text.find("SOFTWARE"));
}

TEST_F(RegistryTest, VolatileKeysGoToTheVolatileFileOnly) {
  Put(HKEY_CURRENT_USER, "Persistent", "p", "1");
  ds::Registry reg(HKEY_CURRENT_USER);  // style 1: volatile
  ASSERT_EQ(1, reg.CreateKey("Persistent\\Session\\Now"));
  ASSERT_EQ(1, reg.Write("s", "2"));
  // No ordinary key below a volatile one.
  reg.ModiyStyle(REG_OPTION_NON_VOLATILE);
  EXPECT_EQ(0, reg.CreateKey("Lasting"));
  EXPECT_EQ(1, reg.Write("s2", "3"));  // a value follows its key, not the style

  std::string main_text = ReadWholeFile(store_);
  std::string volatile_text = ReadWholeFile(store_ + ".volatile");
  EXPECT_NE(std::string::npos, main_text.find("[HKEY_CURRENT_USER\\Persistent]"));
  EXPECT_EQ(std::string::npos, main_text.find("Session"));
  EXPECT_NE(std::string::npos, volatile_text.find("[HKEY_CURRENT_USER\\Persistent\\Session\\Now]"));
  EXPECT_NE(std::string::npos, volatile_text.find("\"s2\"=\"3\""));
  EXPECT_EQ(std::string::npos, volatile_text.find("\"p\""));

  // A restart empties the volatile file: the session keys are gone, the rest stays.
  ASSERT_EQ(0, unlink((store_ + ".volatile").c_str()));
  EXPECT_EQ("<no key>", Get(HKEY_CURRENT_USER, "Persistent\\Session", "s"));
  EXPECT_EQ("1", Get(HKEY_CURRENT_USER, "Persistent", "p"));
}

TEST_F(RegistryTest, ClassesRootIsTheMachineClassesKey) {
  {
    ds::Registry classes(HKEY_CLASSES_ROOT);  // there before anything is stored in it
    unsigned long subkeys = 1;
    EXPECT_EQ(1, classes.QueryInfoKey(&subkeys, nullptr));
    EXPECT_EQ(0ul, subkeys);
    EXPECT_EQ(0, classes.Open(".none", KEY_READ));
  }
  {
    // Volatile keys through the view leave SOFTWARE\Classes itself an ordinary key.
    ds::Registry classes(HKEY_CLASSES_ROOT);
    ASSERT_EQ(1, classes.CreateKey("Session.Type"));
  }
  EXPECT_NE(std::string::npos,
            ReadWholeFile(store_).find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes]"));
  Put(HKEY_CLASSES_ROOT, ".txt", "", "txtfile");
  EXPECT_EQ("txtfile", Get(HKEY_LOCAL_MACHINE, "Software\\Classes\\.TXT", ""));
  Put(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\txtfile\\shell\\open\\command", "", "edit %1");
  EXPECT_EQ("edit %1", Get(HKEY_CLASSES_ROOT, "txtfile\\shell\\open\\command", nullptr));

  ds::Registry reg(HKEY_CLASSES_ROOT);
  EXPECT_EQ(1, reg.DeleteKey(HKEY_CLASSES_ROOT, ".txt"));
  EXPECT_EQ("<no key>", Get(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.txt", ""));
}

TEST_F(RegistryTest, SaveAndRestoreCopyASubtree) {
  Put(HKEY_CURRENT_USER, "Src", "q", "say \"hi\" in C:\\");
  Put(HKEY_CURRENT_USER, "Src\\Deep\\Er", "z", "");
  {
    ds::Registry reg(HKEY_CURRENT_USER);
    ASSERT_EQ(1, reg.Open("Src", KEY_ALL_ACCESS));
    ASSERT_EQ(1, reg.Write("n", 42));
  }
  Put(HKEY_CURRENT_USER, "Dst\\Old", "junk", "1");
  Put(HKEY_CURRENT_USER, "Dst", "junk", "1");

  const std::string file = dir_.File("export.reg");
  ds::Registry src(HKEY_CURRENT_USER);
  ASSERT_EQ(1, src.Open("Src", KEY_READ));
  ASSERT_EQ(1, src.SaveKey(file.c_str()));
  EXPECT_EQ(0u, ReadWholeFile(file).find("Windows Registry Editor Version 5.00\n\n"
                                         "[HKEY_CURRENT_USER\\Src]\n"));

  ds::Registry dst(HKEY_CURRENT_USER);
  ASSERT_EQ(1, dst.Open("Dst", KEY_ALL_ACCESS));
  ASSERT_EQ(1, dst.RestoreKey(file.c_str()));
  EXPECT_EQ("say \"hi\" in C:\\", Get(HKEY_CURRENT_USER, "Dst", "q"));
  EXPECT_EQ("", Get(HKEY_CURRENT_USER, "Dst\\Deep\\Er", "z"));
  EXPECT_EQ("<no value>", Get(HKEY_CURRENT_USER, "Dst", "junk"));
  EXPECT_EQ("<no key>", Get(HKEY_CURRENT_USER, "Dst\\Old", "junk"));
  int number = 0;
  ASSERT_EQ(1, dst.Read("n", &number));
  EXPECT_EQ(42, number);
  EXPECT_EQ("say \"hi\" in C:\\", Get(HKEY_CURRENT_USER, "Src", "q"));  // the source is untouched

  EXPECT_EQ(0, dst.RestoreKey(dir_.File("missing.reg").c_str()));
  WriteWholeFile(dir_.File("nokeys.reg"), "Windows Registry Editor Version 5.00\n\nnonsense\n");
  EXPECT_EQ(0, dst.RestoreKey(dir_.File("nokeys.reg").c_str()));
  EXPECT_EQ("say \"hi\" in C:\\", Get(HKEY_CURRENT_USER, "Dst", "q"));

  ds::Registry reader(HKEY_CURRENT_USER);
  ASSERT_EQ(1, reader.Open("Dst", KEY_READ));
  EXPECT_EQ(0, reader.RestoreKey(file.c_str()));  // needs write access

  // Restored as a volatile hive, whatever the style: the restored keys are gone after a
  // restart, the ordinary key they were restored over stays.
  EXPECT_EQ(std::string::npos, ReadWholeFile(store_).find("Dst\\Deep"));
  EXPECT_NE(std::string::npos, ReadWholeFile(store_ + ".volatile").find("[HKEY_CURRENT_USER\\Dst\\Deep\\Er]"));
  ASSERT_EQ(0, unlink((store_ + ".volatile").c_str()));
  EXPECT_EQ("<no key>", Get(HKEY_CURRENT_USER, "Dst\\Deep", "z"));
  EXPECT_EQ("say \"hi\" in C:\\", Get(HKEY_CURRENT_USER, "Dst", "q"));
  EXPECT_EQ("say \"hi\" in C:\\", Get(HKEY_CURRENT_USER, "Src", "q"));
}

TEST_F(RegistryTest, AccessRightsOfTheOpenedKeyApply) {
  Put(HKEY_CURRENT_USER, "R", "v", "1");
  ds::Registry reg(HKEY_CURRENT_USER);
  ASSERT_EQ(1, reg.Open("R", KEY_READ));
  EXPECT_EQ(0, reg.Write("v", "2"));
  EXPECT_EQ(0, reg.DeleteValue("v"));
  EXPECT_EQ(0, reg.CreateKey("S"));
  char buffer[8];
  EXPECT_EQ(1, reg.Read("v", buffer, sizeof buffer));
  reg.ResetKey();
  ASSERT_EQ(1, reg.Open("R", KEY_WRITE));
  EXPECT_EQ(0, reg.Read("v", buffer, sizeof buffer));
  EXPECT_EQ(1, reg.Write("v", "2"));
  EXPECT_EQ(1, reg.SetKeySecurity(4, nullptr));
}

TEST_F(RegistryTest, EnumerationListsKeysByNameAndValuesByCreation) {
  Put(HKEY_LOCAL_MACHINE, "U\\beta", "DisplayName", "B");
  Put(HKEY_LOCAL_MACHINE, "U\\Alpha", "DisplayName", "A");
  Put(HKEY_LOCAL_MACHINE, "U\\gamma", "DisplayName", "G");
  ds::Registry reg(HKEY_LOCAL_MACHINE);
  ASSERT_EQ(1, reg.Open("U", KEY_ALL_ACCESS));
  ASSERT_EQ(1, reg.Write("z", 1));
  ASSERT_EQ(1, reg.Write("a", "text"));
  unsigned long subkeys = 0, values = 0;
  ASSERT_EQ(1, reg.QueryInfoKey(&subkeys, &values));
  EXPECT_EQ(3ul, subkeys);
  EXPECT_EQ(2ul, values);
  char name[16];
  std::string names;
  for (unsigned long i = 0; reg.EnumKey(i, name, sizeof name); ++i) names += std::string(name) + ",";
  EXPECT_EQ("Alpha,beta,gamma,", names);
  EXPECT_EQ(0, reg.EnumKey(0, name, 5));  // "Alpha" and its NUL need six bytes

  char data[16];
  unsigned long type = 0, size = sizeof data;
  ASSERT_EQ(1, reg.EnumValue(0, name, sizeof name, &type, data, &size));
  EXPECT_STREQ("z", name);
  EXPECT_EQ(static_cast<unsigned long>(REG_DWORD), type);
  EXPECT_EQ(4ul, size);
  size = 4;
  EXPECT_EQ(0, reg.EnumValue(1, name, sizeof name, &type, data, &size));  // "text" needs 5
  size = sizeof data;
  ASSERT_EQ(1, reg.EnumValue(1, name, sizeof name, &type, data, &size));
  EXPECT_STREQ("text", data);
  EXPECT_EQ(0, reg.EnumValue(2, name, sizeof name, &type, data, &size));
}

TEST_F(RegistryTest, ChangesReachOtherProcesses) {
  Put(HKEY_CURRENT_USER, "Shared", "from", "parent");
  EXPECT_EQ(0, RunInChild([] {
              ds::Registry reg(HKEY_CURRENT_USER);
              char buffer[32];
              if (!reg.Open("Shared", KEY_ALL_ACCESS) || !reg.Read("from", buffer, sizeof buffer) ||
                  std::strcmp(buffer, "parent") != 0) {
                return 1;
              }
              return reg.Write("from", "child") ? 0 : 2;
            }));
  // The parent had the store cached; it sees the child's change.
  EXPECT_EQ("child", Get(HKEY_CURRENT_USER, "Shared", "from"));
}

TEST_F(RegistryTest, ConcurrentWritersLoseNothing) {
  constexpr int kRounds = 30;
  auto writer = [](int id) {
    return [id] {
      for (int i = 0; i < kRounds; ++i) {
        ds::Registry reg(HKEY_CURRENT_USER);
        reg.ModiyStyle(REG_OPTION_NON_VOLATILE);
        std::string key = "Writer" + std::to_string(id) + "\\K" + std::to_string(i);
        std::string name = "w" + std::to_string(id) + "_" + std::to_string(i);
        if (!reg.CreateKey(key.c_str()) || !reg.Write("i", i)) return 1;
        reg.ResetKey();
        if (!reg.CreateKey("Both") || !reg.Write(name.c_str(), i)) return 2;
      }
      return 0;
    };
  };
  pid_t pids[2];
  for (int id = 0; id < 2; ++id) {
    pids[id] = fork();
    if (pids[id] == 0) _exit(writer(id)());
    ASSERT_GT(pids[id], 0);
  }
  for (pid_t pid : pids) {
    int status = 0;
    ASSERT_EQ(pid, waitpid(pid, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  for (int id = 0; id < 2; ++id) {
    for (int i = 0; i < kRounds; ++i) {
      ds::Registry reg(HKEY_CURRENT_USER);
      std::string key = "Writer" + std::to_string(id) + "\\K" + std::to_string(i);
      std::string name = "w" + std::to_string(id) + "_" + std::to_string(i);
      int number = -1;
      EXPECT_TRUE(reg.Open(key.c_str(), KEY_READ) && reg.Read("i", &number) && number == i) << key;
      reg.ResetKey();
      number = -1;
      EXPECT_TRUE(reg.Open("Both", KEY_READ) && reg.Read(name.c_str(), &number) && number == i)
          << name;
    }
  }
}

// Cursors on other threads change the store (and so replace the parsed tree every reader
// shares) while one thread counts, exports and deletes: every call must keep the tree it
// works on alive (run under a sanitizer to see a stale one).
TEST_F(RegistryTest, ReadersOnOneThreadWritersOnAnother) {
  constexpr int kValues = 60;
  Put(HKEY_CURRENT_USER, "Busy", "first", "1");
  std::atomic<bool> done{false};
  std::thread writer([&] {
    ds::Registry reg(HKEY_CURRENT_USER);
    if (reg.Open("Busy", KEY_ALL_ACCESS)) {
      for (int i = 0; i < kValues; ++i) reg.Write(("v" + std::to_string(i)).c_str(), i);
    }
    done = true;
  });
  const std::string file = dir_.File("busy.reg");
  ds::Registry reg(HKEY_CURRENT_USER);
  ASSERT_EQ(1, reg.Open("Busy", KEY_ALL_ACCESS));
  unsigned long last = 1, rounds = 0;
  while (!done || rounds < 20) {
    unsigned long subkeys = 0, values = 0;
    ASSERT_EQ(1, reg.QueryInfoKey(&subkeys, &values));
    EXPECT_GE(values, last);
    EXPECT_LE(values, kValues + 2ul);
    last = values;
    EXPECT_EQ(1, reg.SaveKey(file.c_str()));
    EXPECT_EQ(1, reg.Write("mine", 1));
    EXPECT_EQ(1, reg.DeleteValue("mine"));
    ++rounds;
  }
  writer.join();
  ASSERT_EQ(1, reg.SaveKey(file.c_str()));
  EXPECT_NE(std::string::npos, ReadWholeFile(file).find("\"v59\"=dword:0000003b"));
}

// A fixed tree stacked beneath the store, as another program's registry would be.
class FixedLayer : public ds::reg::RegistryLayer {
 public:
  explicit FixedLayer(const std::string& text) {
    auto tree = std::make_shared<ds::reg::Tree>();
    ds::reg::ParseRegText(text, tree.get(), false);
    tree_ = tree;
  }
  std::shared_ptr<const ds::reg::Tree> Snapshot() override { return tree_; }

 private:
  std::shared_ptr<const ds::reg::Tree> tree_;
};

TEST_F(RegistryTest, LowerLayersShowThroughAndStayUntouched) {
  struct Unstack {
    ~Unstack() { ds::reg::RegistryStore::Instance().ClearLowerLayers(); }
  } unstack;
  ds::reg::RegistryStore::Instance().AddLowerLayer(std::make_shared<FixedLayer>(
      "[HKEY_LOCAL_MACHINE\\Software\\Uninstall\\WineApp]\n\"DisplayName\"=\"Wine App\"\n"
      "\"Publisher\"=\"W\"\n[HKEY_LOCAL_MACHINE\\Software\\Uninstall\\Shared]\n\"From\"=\"below\"\n"));
  Put(HKEY_LOCAL_MACHINE, "SOFTWARE\\Uninstall\\Ours", "DisplayName", "Our App");
  Put(HKEY_LOCAL_MACHINE, "SOFTWARE\\Uninstall\\shared", "From", "ours");

  EXPECT_EQ("Wine App", Get(HKEY_LOCAL_MACHINE, "SOFTWARE\\Uninstall\\WineApp", "DisplayName"));
  EXPECT_EQ("ours", Get(HKEY_LOCAL_MACHINE, "SOFTWARE\\Uninstall\\Shared", "From"));
  ds::Registry reg(HKEY_LOCAL_MACHINE);
  ASSERT_EQ(1, reg.Open("Software\\Uninstall", KEY_READ));
  char name[32];
  std::string names;
  for (unsigned long i = 0; reg.EnumKey(i, name, sizeof name); ++i) names += std::string(name) + ",";
  EXPECT_EQ("Ours,shared,WineApp,", names);

  // Writing to a key only the lower layer has makes our own copy of it.
  reg.ResetKey();
  ASSERT_EQ(1, reg.Open("Software\\Uninstall\\WineApp", KEY_ALL_ACCESS));
  ASSERT_EQ(1, reg.Write("DisplayName", "Renamed"));
  EXPECT_EQ("Renamed", Get(HKEY_LOCAL_MACHINE, "Software\\Uninstall\\WineApp", "DisplayName"));
  EXPECT_EQ("W", Get(HKEY_LOCAL_MACHINE, "Software\\Uninstall\\WineApp", "Publisher"));
  EXPECT_EQ(0, reg.DeleteValue("Publisher"));  // only the lower layer has it
  EXPECT_NE(std::string::npos, ReadWholeFile(store_).find("\"DisplayName\"=\"Renamed\""));
  EXPECT_EQ(std::string::npos, ReadWholeFile(store_).find("Publisher"));
  EXPECT_EQ(0, reg.DeleteKey(HKEY_LOCAL_MACHINE, "Software\\Uninstall"));
}

}  // namespace
