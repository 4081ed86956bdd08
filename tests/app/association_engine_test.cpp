// The association engine against a registry store, work folder and XDG folders of its own: the
// own binding with its backups, the templates of chosen programs, the all-files verb, and the
// desktop following every binding (checked with xdg-mime, as the desktop reads it).
#include "app/assoc/association_engine.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "app/assoc/mgr_config.h"
#include "app/assoc/mime_globs.h"
#include "app/assoc/mimeapps_list.h"
#include "app/catalogue/dict_mgr.h"
#include "core/files/file_system.h"
#include "core/registry/registry.h"
#include "core/text/path.h"
#include "tests/common/temp_dir.h"

namespace {

using corvane_test::ReadWholeFile;
using corvane_test::TempDir;
using corvane_test::WriteWholeFile;

const std::string kUserExts = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";

std::string Value(HKEY root, const std::string& key, const char* name) {
  ds::Registry reg(root);
  char buffer[260];
  if (!reg.Open(key.c_str(), KEY_READ) || !reg.Read(name, buffer, sizeof buffer)) return "<none>";
  return buffer;
}

void Set(HKEY root, const std::string& key, const char* name, const std::string& value) {
  ds::Registry reg(root);
  reg.ModiyStyle(REG_OPTION_NON_VOLATILE);
  ASSERT_TRUE(reg.CreateKey(key.c_str()));
  ASSERT_TRUE(reg.Write(name, value.c_str()));
}

class AssociationEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("CORVANE_REGISTRY", dir_.File("registry.reg").c_str(), 1);
    setenv("HOME", dir_.File("home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", dir_.File("config").c_str(), 1);
    setenv("XDG_DATA_HOME", dir_.File("data").c_str(), 1);
    setenv("XDG_CONFIG_DIRS", dir_.File("etc").c_str(), 1);
    setenv("WINEPREFIX", dir_.File("wine").c_str(), 1);
    ds::FileSystem::Instance()->SetWorkPath(dir_.File("work").c_str());
    DictMgrHolder::DeInstance();
    Put("software/Associate.xml",
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><root>"
        "<AssociateFile name=\"txt\" softid=\"5\" ico=\"txt.ico\" assroot=\"txtfile\"/>"
        "<AssociateFile name=\"ini\" softid=\"5\" ico=\"ini.ico\" assroot=\"inifile\"/>"
        "<AssociateFile name=\"md\" softid=\"9\" ico=\"md.ico\" assroot=\"N\"/>"
        "<AssociateFile name=\"7z\" softid=\"3\" ico=\"7z.ico\" assroot=\"N\"/></root>");
    Put("software/AssociateEx.xml",
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><associate>"
        "<soft softid=\"5\" rootnormal=\"Notepad++_file\" usernormal=\"Notepad++_file\" userchoice=\"Notepad++_file\""
        " txtparam=\"-multiInst -nosession\" normalparam=\"-n\"/>"
        "<soft softid=\"3\" root7z=\"N\" user7z=\"7-Zip.*.*\" userchoice7z=\"7-Zip.*\" set7z=\"1\" rootnormal=\"7-Zip\"/>"
        "<soft softid=\"9\" rootnormal=\"ZEPLO.*\" usernormal=\"ZEPLO.*\" userchoice=\"ZEPLO.*\"/></associate>");
    config_.LoadSettings();
    // An executable of our own, so xdg-mime accepts the entry that starts it.
    program_ = dir_.File("bin/Corvane");
    Put("../bin/Corvane", "#!/bin/sh\n");
    chmod(program_.c_str(), 0755);
    engine_ = std::make_unique<CAssociationEngine>(config_, program_);
  }
  void TearDown() override { DictMgrHolder::DeInstance(); }

  void Put(const std::string& name, const std::string& bytes) {
    const std::string path = dir_.File("work/" + name);
    ASSERT_TRUE(ds::MakeDirectories(ds::DirectoryOf(path)));
    WriteWholeFile(path, bytes);
  }
  void Bind(const std::string& ext, int bound) {
    for (AssociationSetting* entry : config_.Associations())
      if (entry->name == ext) entry->bound = bound;
  }
  int Bound(const std::string& ext) {
    for (AssociationSetting* entry : config_.Associations())
      if (entry->name == ext) return entry->bound;
    return -1;
  }
  ino_t StoreInode() {
    struct stat st {};
    stat(dir_.File("registry.reg").c_str(), &st);
    return st.st_ino;
  }
  std::string QueryDefault(const std::string& type) {
    const std::string command = "env -u DISPLAY -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u KDE_FULL_SESSION "
                                "-u GNOME_DESKTOP_SESSION_ID xdg-mime query default " + type + " 2>/dev/null";
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char buffer[256];
      while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
      pclose(pipe);
    }
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
  }
  void PutDesktopEntry(const std::string& id) {
    const std::string path = dir_.File("data/applications/" + id);
    ds::MakeDirectories(ds::DirectoryOf(path));
    WriteWholeFile(path, "[Desktop Entry]\nType=Application\nName=" + id + "\nExec=/bin/true %f\n");
  }

  TempDir dir_;
  CMgrConfig config_;
  std::string program_;
  std::unique_ptr<CAssociationEngine> engine_;
};

TEST_F(AssociationEngineTest, OwnBindingKeepsTheFirstBackupAndRestoresIt) {
  for (const unsigned major : {10u, 5u}) {
    SCOPED_TRACE(major);
    engine_->SetWindowsMajor(major);
    const std::string perUser = major > 5 ? kUserExts + ".txt\\UserChoice" : kUserExts + ".txt";
    Set(HKEY_CLASSES_ROOT, ".txt", "", "foreignfile");
    Set(HKEY_CURRENT_USER, perUser, "ProgID", "Foreign.Choice");
    Bind("txt", 1);
    engine_->ApplyZeploAssociations();
    engine_->ApplyZeploAssociations();  // the second bind sees our own values: no new backup
    EXPECT_EQ("txtfile", Value(HKEY_CLASSES_ROOT, ".txt", ""));
    EXPECT_EQ("foreignfile", Value(HKEY_CLASSES_ROOT, ".txt", "ZEPLO.backup"));
    EXPECT_EQ("ZEPLO.txt", Value(HKEY_CURRENT_USER, perUser, "ProgID"));
    EXPECT_EQ("Foreign.Choice", Value(HKEY_CURRENT_USER, perUser, "ZEPLO.backup"));
    EXPECT_EQ(program_ + " /a  %1", Value(HKEY_CLASSES_ROOT, "ZEPLO.txt\\shell\\Open\\command", ""));
    EXPECT_EQ(dir_.File("work/img/SoftAssociate/Ico/txt.ico"), Value(HKEY_CLASSES_ROOT, "ZEPLO.txt\\DefaultIcon", ""));
    Bind("txt", 0);
    engine_->RefreshAssociationStates();
    EXPECT_EQ(1, Bound("txt"));  // read back from the registry, whichever key binds it

    Bind("txt", 0);
    engine_->ApplyZeploAssociations();
    EXPECT_EQ("foreignfile", Value(HKEY_CLASSES_ROOT, ".txt", ""));
    EXPECT_EQ("Foreign.Choice", Value(HKEY_CURRENT_USER, perUser, "ProgID"));
    engine_->RefreshAssociationStates();
    EXPECT_EQ(0, Bound("txt"));
  }
}

TEST_F(AssociationEngineTest, UnbindingNeverWritesAnEmptyBackupOverAValue) {
  // Never bound, default already the template's root value: nothing to give back.
  Set(HKEY_CLASSES_ROOT, ".ini", "", "inifile");
  engine_->ApplyZeploAssociations();
  EXPECT_EQ("inifile", Value(HKEY_CLASSES_ROOT, ".ini", ""));

  // Bound from nothing: the per-user value is removed, not emptied; "N" leaves .md alone.
  for (const unsigned major : {5u, 10u}) {
    SCOPED_TRACE(major);
    engine_->SetWindowsMajor(major);
    const std::string perUser = major > 5 ? kUserExts + ".md\\UserChoice" : kUserExts + ".md";
    Bind("md", 1);
    engine_->ApplyZeploAssociations();
    EXPECT_EQ("ZEPLO.md", Value(HKEY_CURRENT_USER, perUser, "ProgID"));
    Bind("md", 0);
    engine_->ApplyZeploAssociations();
    EXPECT_EQ("<none>", Value(HKEY_CURRENT_USER, perUser, "ProgID"));
    EXPECT_EQ("<none>", Value(HKEY_CLASSES_ROOT, ".md", ""));
  }
}

TEST_F(AssociationEngineTest, TheAllFilesVerbIsWrittenOnce) {
  engine_->RegisterZeploVerb();
  EXPECT_EQ(program_ + " /a  %1", Value(HKEY_CLASSES_ROOT, "*\\shell\\ZEPLO\\command", ""));
  EXPECT_EQ("&ZEPLO打开方式", Value(HKEY_CLASSES_ROOT, "*\\shell\\ZEPLO", ""));
  const std::string entry = ReadWholeFile(dir_.File("data/applications/corvane-open.desktop"));
  EXPECT_NE(std::string::npos, entry.find("Exec=" + program_ + " /a %f\n"));
  EXPECT_NE(std::string::npos, entry.find("NoDisplay=true\n"));
  const ino_t before = StoreInode();
  engine_->RegisterZeploVerb();
  EXPECT_EQ(before, StoreInode());
}

TEST_F(AssociationEngineTest, ChosenProgramsFollowTheirTemplates) {
  const std::string command = "C:\\Program Files\\7-Zip\\7zFM.exe %1";
  // Variant A with root "N": the extension's default stays; only the first "*" is the extension.
  Set(HKEY_CLASSES_ROOT, ".7z", "", "old7z");
  engine_->AssociateSoft("用  7-Zip 打开", ".7z", 3, command);
  EXPECT_EQ("old7z", Value(HKEY_CLASSES_ROOT, ".7z", ""));
  EXPECT_EQ("7-Zip.7z.*", Value(HKEY_CURRENT_USER, kUserExts + ".7z", "ProgID"));
  EXPECT_EQ("7-Zip.7z", Value(HKEY_CURRENT_USER, kUserExts + ".7z\\UserChoice", "ProgID"));
  EXPECT_EQ("<none>", Value(HKEY_CLASSES_ROOT, "7-Zip.7z.*\\DefaultIcon", ""));  // flag 1
  EXPECT_EQ(command, Value(HKEY_CLASSES_ROOT, "7-Zip.7z.*\\shell\\Open\\command", ""));

  // Variant B: the program's own keys are never overwritten; the first backup survives our root.
  Set(HKEY_CLASSES_ROOT, ".txt", "", "foreignfile");
  Bind("txt", 1);
  engine_->ApplyZeploAssociations();
  Set(HKEY_CLASSES_ROOT, "Notepad++_file\\shell\\Open\\command", "", "kept");
  engine_->AssociateSoft("用  Notepad++ 打开", ".txt", 5, "C:\\npp\\notepad++.exe %1");
  EXPECT_EQ("Notepad++_file", Value(HKEY_CLASSES_ROOT, ".txt", ""));
  EXPECT_EQ("foreignfile", Value(HKEY_CLASSES_ROOT, ".txt", "ZEPLO.backup"));
  EXPECT_EQ("kept", Value(HKEY_CLASSES_ROOT, "Notepad++_file\\shell\\Open\\command", ""));
  EXPECT_TRUE(engine_->IsSoftAssociated(5, ".txt"));
  // On later Windows versions the user choice alone decides.
  Set(HKEY_CURRENT_USER, kUserExts + ".txt\\UserChoice", "ProgID", "7-Zip.7z.*");
  EXPECT_FALSE(engine_->IsSoftAssociated(5, ".txt"));
  engine_->SetWindowsMajor(5);
  EXPECT_TRUE(engine_->IsSoftAssociated(5, ".txt"));  // the per-user ProgID names it

  // Variant B naming our own ProgID: it now opens the chosen program.
  engine_->AssociateSoft("用  Typora 打开", ".md", 9, "/opt/typora/typora %1");
  EXPECT_EQ("/opt/typora/typora %1", Value(HKEY_CLASSES_ROOT, "ZEPLO.md\\shell\\Open\\command", ""));
  EXPECT_EQ("ZEPLO.md", Value(HKEY_CLASSES_ROOT, ".md", ""));

  // No template: nothing is written.
  const ino_t before = StoreInode();
  engine_->AssociateSoft("x", ".txt", 77, "x %1");
  EXPECT_EQ(before, StoreInode());
  EXPECT_FALSE(engine_->IsSoftAssociated(77, ".txt"));

  std::string param = "unchanged";
  engine_->GetAssociateParam(77, ".txt", param);
  EXPECT_EQ("unchanged", param);
  engine_->GetAssociateParam(5, ".txt", param);
  EXPECT_EQ("-multiInst -nosession", param);
  engine_->GetAssociateParam(5, ".log", param);
  EXPECT_EQ("-n", param);
}

TEST_F(AssociationEngineTest, TheDesktopFollowsBindingsAndGetsItsDefaultBack) {
  ASSERT_EQ("text/plain", mime::TypeForExtension("txt"));
  ASSERT_EQ("application/x-7z-compressed", mime::TypeForExtension("7Z"));
  PutDesktopEntry("foreign-editor.desktop");
  PutDesktopEntry("other-archiver.desktop");
  const std::string list = dir_.File("config/mimeapps.list");
  const std::string original =
      "# kept as it is\n[Added Associations]\ntext/plain=foreign-editor.desktop;\n\n"
      "[Default Applications]\ntext/plain=foreign-editor.desktop;\nimage/png=viewer.desktop;\n\n"
      "[Removed Associations]\ntext/x-c=foreign-editor.desktop;\n";
  ds::MakeDirectories(dir_.File("config"));
  WriteWholeFile(list, original);
  ASSERT_EQ("foreign-editor.desktop", QueryDefault("text/plain"));

  Bind("txt", 1);
  Bind("7z", 1);
  engine_->ApplyZeploAssociations();
  engine_->ApplyZeploAssociations();
  EXPECT_EQ("corvane-open.desktop", QueryDefault("text/plain"));
  EXPECT_EQ("corvane-open.desktop", QueryDefault("application/x-7z-compressed"));
  const std::string entry = ReadWholeFile(dir_.File("data/applications/corvane-open.desktop"));
  EXPECT_NE(std::string::npos, entry.find("MimeType=text/plain;application/x-7z-compressed;\n"));

  Bind("txt", 0);
  Bind("7z", 0);
  engine_->ApplyZeploAssociations();
  EXPECT_EQ("foreign-editor.desktop", QueryDefault("text/plain"));
  EXPECT_EQ(original, ReadWholeFile(list));  // every other byte as it was

  // A default chosen elsewhere while bound is left alone on unbinding.
  Bind("7z", 1);
  engine_->ApplyZeploAssociations();
  WriteWholeFile(list, mimeapps::SetDefault(ReadWholeFile(list), "application/x-7z-compressed",
                                            "other-archiver.desktop;"));
  Bind("7z", 0);
  engine_->ApplyZeploAssociations();
  EXPECT_EQ("other-archiver.desktop", QueryDefault("application/x-7z-compressed"));

  // A chosen catalogue program gets an entry of its own (through wine) and the default.
  Bind("txt", 1);
  engine_->ApplyZeploAssociations();
  engine_->AssociateSoft("用  Notepad++ 打开", ".txt", 5, "/opt/npp/notepad++.exe %1");
  EXPECT_EQ("corvane-soft-5.desktop", QueryDefault("text/plain"));
  const std::string soft = ReadWholeFile(dir_.File("data/applications/corvane-soft-5.desktop"));
  EXPECT_NE(std::string::npos, soft.find("wine /opt/npp/notepad++.exe %f\n"));
  // Unbinding our own entry does not take the type from the program chosen since.
  Bind("txt", 0);
  engine_->ApplyZeploAssociations();
  EXPECT_EQ("corvane-soft-5.desktop", QueryDefault("text/plain"));
}

TEST(MimeAppsListTest, NewLinesJoinTheirSectionAndMissingSectionsAreAppended) {
  const std::string text = "[Default Applications]\r\na/b=x.desktop;\r\n\r\n[Other]\nk=v";
  EXPECT_EQ("[Default Applications]\r\na/b=y.desktop;\r\n\r\n[Other]\nk=v",
            mimeapps::SetDefault(text, "a/b", "y.desktop;"));
  EXPECT_EQ("[Default Applications]\r\na/b=x.desktop;\r\nc/d=z;\n\r\n[Other]\nk=v",
            mimeapps::SetDefault(text, "c/d", "z;"));
  EXPECT_EQ("[Other]\nk=v\n\n[Default Applications]\nc/d=z;\n", mimeapps::SetDefault("[Other]\nk=v", "c/d", "z;"));
  std::string value;
  EXPECT_FALSE(mimeapps::GetDefault("[Other]\nc/d=z;\n", "c/d", &value));
  // The highest weight wins; a case-sensitive glob matches its own case only.
  EXPECT_EQ("text/x-c", mime::TypeForExtension("A", {"50:text/x-a:*.a\n", "80:text/x-b:*.a:cs\n60:text/x-c:*.A\n"}));
}

}  // namespace
