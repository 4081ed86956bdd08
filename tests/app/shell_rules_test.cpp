// The main program's decisions without a window: the command line (normalising, parsing,
// dispatch), the pager's sliding cells, quick launch by status and the search hint.
#include <vector>

#include <gtest/gtest.h>

#include "app/shell/command_line.h"
#include "app/shell/pager.h"
#include "app/shell/shell_rules.h"
#include "tests/common/temp_dir.h"

namespace {

using corvane_test::TempDir;
using corvane_test::WriteWholeFile;
using shell::DecideStartAction;
using shell::NormalizeCommandLine;
using shell::ParseCommandLine;
using shell::StartAction;

TEST(CommandLineTest, NormalisesAndParsesTheSwitches) {
  TempDir dir;
  const std::string file = dir.File("my file.txt");
  WriteWholeFile(file, "x");

  // A quoted path with spaces after /a comes back without quotes and marks the chooser.
  const std::string forwarded = NormalizeCommandLine("/a \"" + file + "\"");
  EXPECT_EQ("/a \"" + file + "\"", forwarded);
  shell::ParsedCommandLine parsed = ParseCommandLine(forwarded);
  EXPECT_EQ(file, parsed.path);
  EXPECT_EQ(shell::kOpenWithChooser, parsed.flags);

  // A missing file: the long form is empty, which parses as a bad argument.
  const std::string missing = NormalizeCommandLine("/a " + dir.File("gone.txt"));
  EXPECT_EQ("/a \"\"", missing);
  parsed = ParseCommandLine(missing);
  EXPECT_EQ(shell::kOpenWithChooser | shell::kBadArgument, parsed.flags);

  // /r keeps the whole text and stops there.
  EXPECT_EQ("/r", NormalizeCommandLine("/r"));
  parsed = ParseCommandLine("/r /a x");
  EXPECT_EQ(shell::kStartedFromRun, parsed.flags);
  EXPECT_EQ("", parsed.path);

  // No switch, another switch, and an absolute path (which begins with '/') normalise to "".
  EXPECT_EQ("", NormalizeCommandLine(""));
  EXPECT_EQ("", NormalizeCommandLine("/x foo"));
  EXPECT_EQ("", NormalizeCommandLine(file));
  EXPECT_EQ(0u, ParseCommandLine(file).flags);
  // Another switch with an existing file is not the chooser and not bad.
  EXPECT_EQ(0u, ParseCommandLine("/x " + file).flags);
}

TEST(CommandLineTest, DispatchFollowsTheFlagsInOrder) {
  TempDir dir;
  const std::string file = dir.File("a.txt");
  WriteWholeFile(file, "x");
  auto decide = [](const std::string& raw) {
    return DecideStartAction(raw, ParseCommandLine(NormalizeCommandLine(raw)).flags);
  };
  EXPECT_EQ(StartAction::Normal, decide(""));
  EXPECT_EQ(StartAction::Normal, decide("/r"));
  EXPECT_EQ(StartAction::Chooser, decide("/a " + file));
  EXPECT_EQ(StartAction::BadArgument, decide("/a " + dir.File("missing")));
  // A bare file goes to the desktop's Open With, never to the manager.
  EXPECT_EQ(StartAction::OpenWith, decide(file));
  EXPECT_EQ(StartAction::OpenWith, decide("/x"));
  EXPECT_EQ("a b c", shell::JoinArguments(4, std::vector<const char*>{"prog", "a", "b", "c"}.data()));
}

std::vector<int> Cells(const shell::Pager& pager) {
  std::vector<int> cells;
  for (int i = 0; i < shell::Pager::kCells; ++i) cells.push_back(pager.CellValue(i));
  return cells;
}

TEST(PagerTest, FewPagesDisableTheCellsBeyondTheCount) {
  shell::Pager pager;
  pager.Reset(3);
  EXPECT_EQ(shell::Pager::CellState::Current, pager.StateOf(0));
  EXPECT_EQ(shell::Pager::CellState::Disabled, pager.StateOf(3));
  pager.ChooseCell(4);  // disabled: nothing happens
  EXPECT_EQ(1, pager.page());
  pager.ChooseCell(2);
  EXPECT_EQ(3, pager.page());
  EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5}), Cells(pager));
  EXPECT_FALSE(pager.NextEnabled());
  EXPECT_TRUE(pager.PreviousEnabled());
  pager.Last();
  EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5}), Cells(pager));
  pager.Reset(0);
  EXPECT_FALSE(pager.NextEnabled());
  EXPECT_FALSE(pager.FirstEnabled());
}

TEST(PagerTest, ManyPagesSlideTheChosenPageToTheMiddle) {
  shell::Pager pager;
  pager.Reset(12);
  pager.ChooseCell(4);  // page 5 moves to the middle
  EXPECT_EQ(5, pager.page());
  EXPECT_EQ((std::vector<int>{3, 4, 5, 6, 7}), Cells(pager));
  EXPECT_EQ(shell::Pager::CellState::Current, pager.StateOf(2));
  pager.ChooseCell(0);  // page 3: back down to 1..5, the chosen cell current where it stops
  EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5}), Cells(pager));
  EXPECT_EQ(shell::Pager::CellState::Current, pager.StateOf(2));
  pager.ChooseCell(0);
  EXPECT_EQ(1, pager.page());
  EXPECT_EQ(shell::Pager::CellState::Current, pager.StateOf(0));
  pager.Last();
  EXPECT_EQ((std::vector<int>{8, 9, 10, 11, 12}), Cells(pager));
  EXPECT_EQ(shell::Pager::CellState::Current, pager.StateOf(4));
  EXPECT_FALSE(pager.LastEnabled());
  pager.Previous();  // 11: the window cannot move further up
  EXPECT_EQ((std::vector<int>{8, 9, 10, 11, 12}), Cells(pager));
  EXPECT_EQ(shell::Pager::CellState::Current, pager.StateOf(3));
  pager.Previous();  // 10: still the last five
  pager.Previous();  // 9: slides
  EXPECT_EQ((std::vector<int>{7, 8, 9, 10, 11}), Cells(pager));
  pager.First();
  EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5}), Cells(pager));
  EXPECT_EQ(1, pager.page());
}

TEST(ShellRulesTest, QuickLaunchAndSearchHint) {
  EXPECT_EQ(shell::QuickLaunch::Run, shell::DecideQuickLaunch(1));
  EXPECT_EQ(shell::QuickLaunch::SayDownloading, shell::DecideQuickLaunch(5));
  EXPECT_EQ(shell::QuickLaunch::AskInstall, shell::DecideQuickLaunch(9));
  EXPECT_EQ(shell::QuickLaunch::AskDownload, shell::DecideQuickLaunch(0));
  EXPECT_EQ(shell::QuickLaunch::Nothing, shell::DecideQuickLaunch(2));
  EXPECT_EQ("您还未安装杀毒软件，是否立即下载", shell::QuickLaunchText(shell::QuickLaunch::AskDownload, "杀毒软件"));
  // The account goes to the product, never a password.
  EXPECT_EQ("-akiv", shell::ProductLaunchParameters(true, "kiv"));
  EXPECT_EQ("", shell::ProductLaunchParameters(false, "kiv"));

  EXPECT_TRUE(shell::OnSearchFocusIn(shell::kSearchHint).change);
  EXPECT_EQ("", shell::OnSearchFocusIn(shell::kSearchHint).text);
  EXPECT_FALSE(shell::OnSearchFocusIn("qq").change);
  const shell::EditLook out = shell::OnSearchFocusOut("");
  EXPECT_TRUE(out.change && out.hint);
  EXPECT_EQ(shell::kSearchHint, out.text);
  EXPECT_FALSE(shell::OnSearchFocusOut(" qq").change);
  EXPECT_EQ("qq", shell::SearchTerm("  qq "));
  EXPECT_EQ("", shell::SearchTerm(shell::kSearchHint));
}

}  // namespace
