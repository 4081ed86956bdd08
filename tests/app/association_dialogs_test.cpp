// The open-with chooser, the association settings page, the system settings page and the folder
// picker offscreen, driven with real mouse and key input.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <sys/stat.h>

#include <cstdio>
#include <memory>

#include <gtest/gtest.h>

#include "app/assoc/associate_file_dlg.h"
#include "app/assoc/associate_file_set_dlg.h"
#include "app/assoc/association_engine.h"
#include "app/assoc/bt_list_ctrl.h"
#include "app/assoc/dlg_browse_dir.h"
#include "app/assoc/dlg_mgr_set.h"
#include "app/assoc/dlg_change_html.h"
#include "app/assoc/dlg_set_mgr.h"
#include "app/assoc/dlg_set_soft.h"
#include "app/assoc/site_list_editor.h"
#include "app/assoc/open_with_choice.h"
#include "app/catalogue/software_mgr.h"
#include "app/home/dlg_sys_msg.h"
#include "core/thread/message_target.h"
#include "tests/app/catalogue_fixture.h"
#include "tests/app/corvane_fixture.h"
#include "tests/app/window_fixture.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/button.h"
#include "vexo/ui/widgets/checkbox.h"
#include "vexo/ui/widgets/edit.h"
#include "vexo/ui/widgets/list_ctrl.h"

namespace {

using corvane_test::ReadWholeFile;
using corvane_test::WriteWholeFile;

const std::string kUserExts = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";

void Click(QWidget* widget, QPoint at = QPoint(-1, -1)) {
  ASSERT_NE(nullptr, widget);
  QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at.x() < 0 ? widget->rect().center() : at);
}

// A click on the box itself (its look at the left), as a user aims at it.
void ClickBox(VEXO_Checkbox* box) { Click(box, box->CellRect().center()); }

class AssociationDialogsTest : public corvane_test::CatalogueFixture {
 protected:
  static void SetUpTestSuite() {
    corvane_test::EnsureApplication("association_dialogs_test");
  }

  void SetUp() override {
    CatalogueFixture::SetUp();
    setenv("HOME", dir_.File("home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", dir_.File("config").c_str(), 1);
    setenv("XDG_DATA_HOME", dir_.File("data").c_str(), 1);
    corvane_test::LoadDistPack();
    WriteCatalogue("software/Associatetype.xml",
                   "<AssociateFileType id=\"1\" name=\"文本\"/><AssociateFileType id=\"2\" name=\"压缩\"/>");
    WriteCatalogue("software/Associate.xml",
                   "<AssociateFile name=\"txt\" softid=\" 5 ,47,  3\" typeid=\"1\" ico=\"txt.ico\" assroot=\"txtfile\"/>"
                   "<AssociateFile name=\"log\" softid=\"5\" typeid=\"1\" ico=\"log.ico\" assroot=\"N\"/>"
                   "<AssociateFile name=\"7z\" softid=\"3\" typeid=\"2\" ico=\"7z.ico\" assroot=\"N\"/>");
    WriteCatalogue("software/AssociateEx.xml",
                   "<soft softid=\"5\" rootnormal=\"Npp_file\" usernormal=\"Npp_file\" userchoice=\"Npp_file\""
                   " txtparam=\"-multiInst\"/>"
                   "<soft softid=\"3\" rootnormal=\"Zip.*\" usernormal=\"Zip.*\" userchoice=\"Zip.*\"/>");
    config_ = std::make_unique<CMgrConfig>();
    config_->LoadSettings();
    SetMgrConfig(config_.get());
    recorder_ = std::make_shared<ds::RecordingTarget>();
    owner_ = ds::RegisterMessageTarget(recorder_);
  }

  void TearDown() override {
    ds::UnregisterMessageTarget(owner_);
    SetMgrConfig(nullptr);
    config_.reset();
    VEXO_ResourceMgr::Instance()->Fini();
    CatalogueFixture::TearDown();
  }

  void AddProgram(SoftwareMgr& software, int id, const std::string& name, int status, const std::string& exe) {
    SoftwareState state;
    state.id = id;
    state.name = name;
    state.status = status;
    state.type = 1;
    state.url = "http://127.0.0.1/" + name + ".exe";
    state.installedExe = exe;
    software.States()[id] = state;
  }

  // A program that writes its arguments, one a line, into `out` once it has them all.
  std::string ArgumentWriter(const std::string& out) {
    const std::string path = MakeFile("bin/writer", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" +
                                                        out + ".part' && mv '" + out + ".part' '" + out + "'\n");
    chmod(path.c_str(), 0755);
    return path;
  }

  std::unique_ptr<CMgrConfig> config_;
  std::shared_ptr<ds::RecordingTarget> recorder_;
  ds::MsgHandle owner_ = 0;
};

TEST_F(AssociationDialogsTest, ChooserListsCandidatesPreselectsTheHandlerAndOpensTheFileAsOneArgument) {
  EXPECT_EQ((std::vector<int>{5, 47, 3}), open_with::SplitSoftIds(" 5 ,47,  3"));
  EXPECT_EQ((std::vector<int>{1, 2, 3}), open_with::SplitSoftIds("1,,2 ,  ,3,"));

  SoftwareMgr software;
  const std::string out = dir_.File("args");
  AddProgram(software, 5, "Npp", StatusInstalled, ArgumentWriter(out));
  AddProgram(software, 47, "Editor", StatusNotInstalled, "");
  AddProgram(software, 3, "Zip", StatusInstalled, "/bin/true");
  // Program 3 handles .txt now, by the user choice its template names.
  PutRegistry(HKEY_CLASSES_ROOT, "Zip.txt", "", "");
  PutRegistry(HKEY_CURRENT_USER, kUserExts + ".txt\\UserChoice", "ProgID", "Zip.txt");
  const std::string before = ReadWholeFile(dir_.File("registry.reg"));

  CAssociateFileDlg chooser(software, *config_, "/bin/true");
  const std::string file = MakeFile("a \"quoted\" name.TXT");
  chooser.ShowForFile(file, owner_);
  EXPECT_EQ("Kiv打开方式", chooser.windowTitle().toStdString());
  ASSERT_EQ(2, chooser.InstalledList()->GetItemCount());
  EXPECT_EQ("Npp", chooser.InstalledList()->GetItemText(0, 0));
  EXPECT_EQ(1, chooser.InstalledList()->GetSelectedRow());  // the current handler
  ASSERT_EQ(1, chooser.AvailableList()->GetItemCount());
  EXPECT_NE(nullptr, chooser.AvailableList()->GetRowButton(0));

  // One program at a time, from either list.
  QWidget* available = chooser.AvailableList()->viewport();
  Click(available, chooser.AvailableList()->GetItemRect(0).center());
  EXPECT_EQ(-1, chooser.InstalledList()->GetSelectedRow());
  QWidget* installed = chooser.InstalledList()->viewport();
  Click(installed, chooser.InstalledList()->GetItemRect(0).center());
  EXPECT_EQ(-1, chooser.AvailableList()->GetSelectedRow());

  // Always-use unticked: the file opens once, the registry stays as it was.
  ClickBox(chooser.AlwaysUse());
  ASSERT_EQ(0, chooser.AlwaysUse()->GetCheck());
  Click(chooser.FindWidget(CAssociateFileDlg::kAccept));
  EXPECT_FALSE(chooser.isVisible());
  for (int i = 0; i < 500 && !ds::PathExists(out); ++i) QTest::qWait(20);
  EXPECT_EQ("-multiInst\n" + file + "\n", ReadWholeFile(out));
  EXPECT_EQ(before, ReadWholeFile(dir_.File("registry.reg")));
  ASSERT_FALSE(recorder_->Messages().empty());
  EXPECT_EQ(CAssociateFileDlg::kMsgClosed, recorder_->Take().back().message);

  // A not-installed pick asks the owner for it; the system chooser gets the file.
  chooser.ShowForFile(file, owner_);
  Click(available, chooser.AvailableList()->GetItemRect(0).center());
  Click(chooser.FindWidget(CAssociateFileDlg::kAccept));
  auto messages = recorder_->Take();
  ASSERT_EQ(2u, messages.size());
  EXPECT_EQ(CAssociateFileDlg::kMsgGetProgram, messages[0].message);
  EXPECT_EQ(47, static_cast<int>(messages[0].wparam));
  std::string handed;
  chooser.SetSystemChooser([&handed](const std::string& path) {
    handed = path;
    return 1;
  });
  chooser.ShowForFile(file, owner_);
  Click(chooser.FindWidget(CAssociateFileDlg::kSystemChooser));
  EXPECT_EQ(file, handed);

  // Accept with always-use ticked binds the type to the chosen program.
  chooser.ShowForFile(file, owner_);
  Click(installed, chooser.InstalledList()->GetItemRect(0).center());
  EXPECT_FALSE(chooser.Engine().IsSoftAssociated(5, ".txt"));
  std::remove(out.c_str());
  Click(chooser.FindWidget(CAssociateFileDlg::kAccept));
  EXPECT_TRUE(chooser.Engine().IsSoftAssociated(5, ".txt"));
  for (int i = 0; i < 500 && !ds::PathExists(out); ++i) QTest::qWait(20);  // the program ran once more
  EXPECT_FALSE(chooser.Engine().IsSoftAssociated(3, ".txt"));
}

TEST_F(AssociationDialogsTest, AssociationPageTicksGroupsAndBindsWhatIsTicked) {
  CAssociateFileSetDlg page(nullptr);
  page.InitAssociationPage(*config_);
  CAssociateInfoShowWnd* info = page.Info();
  ASSERT_EQ(2, info->GroupCount());
  ASSERT_EQ(3u, info->Extensions().size());
  EXPECT_EQ(1, info->GroupBox(0)->GetCheck());  // every entry starts chosen
  page.show();
  info->show();

  ClickBox(info->ExtensionBox(0));
  EXPECT_EQ(0, info->GroupBox(0)->GetCheck());
  ClickBox(info->GroupBox(0));
  EXPECT_EQ(1, info->ExtensionBox(0)->GetCheck());
  EXPECT_EQ(1, info->ExtensionBox(1)->GetCheck());
  ClickBox(info->GroupBox(0));
  EXPECT_EQ(0, info->ExtensionBox(1)->GetCheck());
  // Ticking every extension of the group by hand ticks the group.
  ClickBox(info->ExtensionBox(0));
  EXPECT_EQ(0, info->GroupBox(0)->GetCheck());
  ClickBox(info->ExtensionBox(1));
  EXPECT_EQ(1, info->GroupBox(0)->GetCheck());
  QCoreApplication::processEvents();
  EXPECT_TRUE(page.IsModified());

  Click(page.FindWidget(CAssociateFileSetDlg::kUntickAll));
  EXPECT_EQ(0, info->GroupBox(1)->GetCheck());
  ClickBox(info->ExtensionBox(0));
  page.ApplyAssociationPage();
  EXPECT_EQ("ZEPLO.txt", [] {
    ds::Registry reg(HKEY_CURRENT_USER);
    char buffer[260] = "";
    reg.Open((kUserExts + ".txt\\UserChoice").c_str(), KEY_READ);
    reg.Read("ProgID", buffer, sizeof buffer);
    return std::string(buffer);
  }());
  ds::Config saved;
  ASSERT_EQ(1, saved.Load(dir_.File("Config/MgrSet.xml").c_str()));
  int value = -1;
  EXPECT_TRUE(saved.GetInteger("txtSet", value));
  EXPECT_EQ(1, value);
  EXPECT_TRUE(saved.GetInteger("7zSet", value));
  EXPECT_EQ(0, value);
}

TEST_F(AssociationDialogsTest, SystemPageClampsCountsAndKeepsAFolderThatCannotBeMade) {
  CDlgSetMgr dialog(*config_);
  dialog.OpenSettings(nullptr, CDlgSetMgr::kSystem);
  CDlgMgrSet* page = dialog.SystemPage();
  auto* count = static_cast<VEXO_Edit*>(page->FindWidget(CDlgMgrSet::kCountEdit));
  auto* dir = static_cast<VEXO_Edit*>(page->FindWidget(CDlgMgrSet::kDirEdit));
  count->setFocus();
  QTest::keyClick(count, Qt::Key_End);
  QTest::keyClick(count, Qt::Key_Backspace);
  EXPECT_EQ("", count->GetWindowText());  // an empty edit stays empty
  QTest::keyClicks(count, "0");
  EXPECT_EQ("1", count->GetWindowText());
  QTest::keyClick(count, Qt::Key_Backspace);

  // Cancelling the picker leaves the folder edit alone.
  ClickBox(static_cast<VEXO_Checkbox*>(page->FindWidget(CDlgMgrSet::kOwnDir)));
  ASSERT_TRUE(dir->isEnabled());
  dir->SetWindowText("/proc/no-such/folder");
  page->SetFolderPicker([] { return std::string(); });
  Click(page->FindWidget(CDlgMgrSet::kBrowse));
  EXPECT_EQ("/proc/no-such/folder", dir->GetWindowText());

  const std::string previous = config_->GetDownloadDir();
  Click(dialog.FindWidget(CDlgSetMgr::kSave));
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_TRUE(dialog.MessageBox()->isVisible());
  EXPECT_EQ("下载目录无法找到或创建，请重新选择", dialog.MessageBox()->GetText());
  EXPECT_EQ(previous, config_->GetDownloadDir());

  dir->SetWindowText(dir_.File("mine").c_str());
  Click(dialog.FindWidget(CDlgSetMgr::kSave));
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dir_.File("mine"), config_->GetDownloadDir());
  EXPECT_TRUE(ds::IsDirectory(dir_.File("mine")));
  EXPECT_EQ(0, config_->GetDownloadCount());  // cleared: the next start takes the default
}

TEST_F(AssociationDialogsTest, FolderPickerLoadsOnExpandAndNumbersNewFolders) {
  ASSERT_TRUE(ds::MakeDirectories(dir_.File("root/新建文件夹")));
  CDlgBrowseDir picker;
  picker.show();
  VEXO_TreeCtrl* tree = picker.Tree();
  VEXO_HTREEITEM root = picker.AddRoot("temp", dir_.File("root"));
  tree->EnsureVisible(root);
  ASSERT_EQ(CDlgBrowseDir::kLoading, tree->GetItemText(tree->GetChildItem(root)));
  QTest::mouseDClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, tree->GetItemRect(root, true).center());
  ASSERT_TRUE(tree->IsExpanded(root));
  EXPECT_EQ("新建文件夹", tree->GetItemText(tree->GetChildItem(root)));

  Click(tree->viewport(), tree->GetItemRect(root, true).center());
  ASSERT_EQ(root, tree->GetSelectedItem());
  Click(picker.NewFolderButton());
  EXPECT_TRUE(ds::IsDirectory(dir_.File("root/新建文件夹 (2)")));
  EXPECT_EQ("新建文件夹 (2)", tree->GetItemText(tree->GetSelectedItem()));
  EXPECT_NE(nullptr, tree->GetEditControl());
  QTest::keyClick(tree->GetEditControl(), Qt::Key_Escape);

  Click(picker.OkButton());
  EXPECT_EQ(dir_.File("root/新建文件夹 (2)"), picker.Chosen());
}

TEST(SiteListEditorTest, EntriesPassTheChecksInOrder) {
  std::vector<ds::Site> sites;
  for (int i = 0; i < 19; ++i) sites.push_back({"s" + std::to_string(i), "s" + std::to_string(i) + ".cn"});
  SiteListEditor editor(sites, 4);
  EXPECT_EQ("名称或网址不能为空", editor.Add("", "a.cn"));
  EXPECT_EQ("名称不能超过8个汉字!", editor.Add("一二三四五六七八九", "a.cn"));
  EXPECT_EQ("请输入正确的网址!", editor.Add("点", ".a"));
  EXPECT_EQ("请输入正确的网址!", editor.Add("点", "ab"));
  EXPECT_EQ("网址不能超过200个字符!", editor.Add("长", "a." + std::string(199, 'b')));
  EXPECT_EQ("你输入的网址已存在!", editor.Add("s1", "s0.cn"));  // the address is checked first
  EXPECT_EQ("你输入的名称已存在!", editor.Add("s1", "new.cn"));
  EXPECT_FALSE(editor.Changed());
  EXPECT_EQ("", editor.Add("一二三四五六七八", "a."));  // 16 bytes, and a two-character address
  EXPECT_EQ("你只能添加20个常用网址!", editor.Add("x", "x.cn"));
  EXPECT_EQ("", editor.Modify(0, "s0", "s0.com"));  // its own old values do not count
  int row = 0;
  EXPECT_EQ("已经移动到了最上面!", editor.MoveUp(&row));
  row = 19;
  EXPECT_EQ("已经移动到了最下面!", editor.MoveDown(&row));
  EXPECT_EQ("", editor.MoveUp(&row));
  EXPECT_EQ(18, row);
  EXPECT_EQ("一二三四五六七八", editor.Sites()[18].name);
}

TEST_F(AssociationDialogsTest, SitesPageAddsAndMovesWithItsMessages) {
  CDlgChangeHtml page(nullptr);
  std::vector<std::string> told;
  page.InitPage({{"甲", "a.cn"}, {"乙", "b.cn"}}, 4, [&told](const std::string& text) { told.push_back(text); });
  page.show();
  auto* name = static_cast<VEXO_Edit*>(page.FindWidget(CDlgChangeHtml::kName));
  auto* address = static_cast<VEXO_Edit*>(page.FindWidget(CDlgChangeHtml::kAddress));
  // Text outside ASCII arrives as a key event carrying it, as an input method delivers it.
  QTest::sendKeyEvent(QTest::Click, name, Qt::Key_unknown, QString::fromUtf8("丙"), Qt::NoModifier);
  QTest::keyClicks(address, "a.cn");
  Click(page.FindWidget(CDlgChangeHtml::kAdd));
  ASSERT_EQ(1u, told.size());
  EXPECT_EQ("你输入的网址已存在!", told[0]);
  address->clear();
  QTest::keyClicks(address, "c.cn");
  Click(page.FindWidget(CDlgChangeHtml::kAdd));
  ASSERT_EQ(3, page.List()->GetItemCount());
  EXPECT_EQ(2, page.List()->GetSelectedRow());
  Click(page.FindWidget(CDlgChangeHtml::kDown));
  EXPECT_EQ("已经移动到了最下面!", told.back());
  Click(page.FindWidget(CDlgChangeHtml::kUp));
  EXPECT_EQ("丙", page.Sites()[1].name);
  EXPECT_EQ(1, page.List()->GetSelectedRow());
  // A click on a row puts it into the edits.
  Click(page.List()->viewport(), page.List()->GetItemRect(0).center());
  EXPECT_EQ("甲", name->GetWindowText());
  EXPECT_TRUE(page.HasPendingChange());
}

TEST_F(AssociationDialogsTest, ProgramsPageShowsTwelveAPageAndKeepsTheOrderShown) {
  std::vector<SoftwareState> states(26);
  std::vector<SoftwareState*> all;
  for (int i = 0; i < 26; ++i) {
    states[static_cast<std::size_t>(i)].id = i;
    states[static_cast<std::size_t>(i)].name = "P" + std::to_string(i);
    all.push_back(&states[static_cast<std::size_t>(i)]);
  }
  CDlgSetSoft page(nullptr);
  page.InitPage({all[20], all[3]}, all);
  page.show();
  EXPECT_EQ(3, page.Picker().Pager().page_count());
  EXPECT_EQ("P20", page.Box(0)->text().toStdString());
  EXPECT_EQ(1, page.Box(1)->GetCheck());
  EXPECT_EQ("P1", page.Box(3)->text().toStdString());  // then the catalogue, without repeats
  Click(page.FindWidget(CDlgSetSoft::kLastPage));
  EXPECT_EQ(3, page.Picker().Pager().page());
  EXPECT_TRUE(page.Box(1)->isVisible());
  EXPECT_FALSE(page.Box(2)->isVisible());  // 26 programs: two on the last page
  ClickBox(page.Box(1));  // P25, ticked
  Click(page.FindWidget(CDlgSetSoft::kMoveTop));
  EXPECT_EQ(1, page.Picker().Pager().page());
  EXPECT_EQ("P25", page.Box(0)->text().toStdString());
  Click(page.FindWidget(CDlgSetSoft::kMoveDown));
  ClickBox(page.Box(0));  // P20 unticked
  const std::vector<SoftwareState*> ticked = page.Picker().Ticked();
  ASSERT_EQ(2u, ticked.size());
  EXPECT_EQ(25, ticked[0]->id);
  EXPECT_EQ(3, ticked[1]->id);
  Click(page.Cell(1));
  EXPECT_EQ("P10", page.Box(0)->text().toStdString());
}

}  // namespace
