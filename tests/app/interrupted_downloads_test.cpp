// Start-up restore: downloads a previous run left unfinished are found from the record files the
// download engine wrote, with their progress; stale upgrade installers and hidden programs follow
// their own rules.
#include <gtest/gtest.h>

#include <thread>

#include "app/catalogue/software_mgr.h"
#include "tests/app/catalogue_fixture.h"
#include "tests/common/http_server.h"
#include "tests/vexo/download/download4_test_support.h"
#include "vexo/download/record_file.h"

namespace {

using corvane_test::CatalogueFixture;
using corvane_test::PatternBytes;

class InterruptedDownloadsTest : public CatalogueFixture {
 protected:
  std::string setup() { return dir_.File("setup"); }

  // A record as the engine leaves it when a transfer stops: `done` bytes of each block stored.
  void WriteRecord(const std::string& name, std::int64_t length, std::int64_t blocks, std::int64_t done) {
    const std::string target = setup() + "/Temp/" + name;
    ASSERT_TRUE(ds::MakeDirectories(setup() + "/Temp"));
    ASSERT_EQ(1, CreateRecordPair("http://h/x", target, blocks));
    std::vector<BlockHeader4> layout = MakeBlockLayout(length, blocks);
    for (BlockHeader4& block : layout) block.completedSize = done;
    ASSERT_EQ(1, WriteRecordLayout(RecordPathOf(target), "http://h/x", length, layout));
  }

  SoftwareMgr mgr_;
};

TEST_F(InterruptedDownloadsTest, APausedEngineDownloadIsFoundWithItsProgress) {
  const std::string data = PatternBytes(3 << 20);
  corvane_test::HttpServer server([&](const corvane_test::HttpRequest& request, corvane_test::HttpConnection& connection) {
    download4_test::ServeSlowly(request, connection, data, 32 << 10, 20);
  });
  ASSERT_TRUE(server.Start());
  // A versioned installer name: the record is looked for under the engine's own name.
  const std::string name = "npp.8.6.9.Installer.x64.exe";
  const std::string url = server.Url("/dl/" + name);
  ASSERT_TRUE(ds::MakeDirectories(setup() + "/Temp"));
  {
    download4_test::Events events;
    HttpDownloader4 downloader;
    ASSERT_EQ(1, downloader.Init(&events, 5000, 1, 3));
    ASSERT_EQ(1, downloader.Download(url.c_str(), (setup() + "/Temp/" + name).c_str()));
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    downloader.Pause();
    EXPECT_NE(events.Wait(downloader), download4_test::kFinished);
  }
  RecordFileHeader4 header;
  std::vector<BlockHeader4> blocks;
  ASSERT_EQ(1, ReadRecordFile(setup() + "/Temp/" + name + ".rd2", &header, &blocks));
  std::int64_t stored = 0;
  for (const BlockHeader4& block : blocks) stored += block.completedSize;
  ASSERT_GT(stored, 0);
  ASSERT_LT(stored, static_cast<std::int64_t>(data.size()));

  WriteCatalogue("software/software.xml",
                 "<s id=\"1\" name=\"Notepad++\" url=\"" + url + "\"/>"
                 "<s id=\"2\" name=\"other\" url=\"http://h/other.msi\"/>");
  mgr_.BuildStates();
  mgr_.ScanInterruptedDownloads(setup());
  const SoftwareState& state = *mgr_.FindState(1);
  EXPECT_EQ(state.status, StatusPaused);
  EXPECT_EQ(state.keepTemp, 1);
  EXPECT_EQ(state.downloadedBytes, stored);
  EXPECT_EQ(state.totalBytes, static_cast<std::int64_t>(data.size()));
  EXPECT_EQ(state.downloadDir, setup());
  EXPECT_EQ(mgr_.FindState(2)->status, StatusNotInstalled);
  EXPECT_EQ(mgr_.FindState(2)->keepTemp, 0);
}

TEST_F(InterruptedDownloadsTest, StaleUpgradesHiddenProgramsAndDamagedRecords) {
  CUpdateInfo info;
  SetUpdateInfo(&info);
  info.RecordVersion("old", "1.0");
  info.RecordVersion("current", "2.0");
  WriteRecord("old-2.0.exe", 1000, 2, 100);          // stale upgrade: installer for 1.0 present
  MakeFile("setup/old-2.0.exe");
  WriteRecord("current-2.0.exe", 1000, 2, 100);      // its installer is current: nothing to resume
  MakeFile("setup/current-2.0.exe");
  WriteRecord("hidden.exe", 1000, 2, 100);           // type -1 never resumes
  WriteRecord("unknown.msi", 0, 0, 0);               // length not known yet
  WriteRecord("cut.exe", 4000, 4, 500);
  ASSERT_EQ(0, truncate((setup() + "/Temp/cut.exe.rd2").c_str(), kRecordHeader4Size + kBlockHeader4Size * 2 + 3));
  corvane_test::WriteWholeFile(setup() + "/Temp/short.exe.rd2", "too short");
  WriteRecord("", 1000, 2, 100);  // a download of a url without file name

  WriteCatalogue("software/software.xml",
                 "<s id=\"1\" name=\"old\" verinfo=\"2.0\" url=\"http://h/old-2.0.exe\"/>"
                 "<s id=\"2\" name=\"current\" verinfo=\"2.0\" url=\"http://h/current-2.0.exe\"/>"
                 "<s id=\"3\" name=\"hidden\" type=\"-1\" url=\"http://h/hidden.exe\"/>"
                 "<s id=\"4\" name=\"unknown\" url=\"http://h/unknown.msi\"/>"
                 "<s id=\"5\" name=\"cut\" url=\"http://h/cut.exe\"/>"
                 "<s id=\"6\" name=\"short\" url=\"http://h/short.exe\"/>"
                 "<s id=\"7\" name=\"no url\" type=\"-2\"/>"
                 "<s id=\"8\" name=\"folder url\" url=\"http://h/d/\"/>");
  mgr_.BuildStates();
  mgr_.ScanInterruptedDownloads(setup());

  const SoftwareState& old = *mgr_.FindState(1);
  EXPECT_EQ(old.usesUpdateStatus, 1);
  EXPECT_EQ(old.updateStatus, StatusPaused);
  EXPECT_EQ(old.status, StatusNotInstalled);
  EXPECT_EQ(old.downloadedBytes, 200);
  EXPECT_EQ(mgr_.FindState(2)->keepTemp, 0);
  EXPECT_EQ(mgr_.FindState(2)->status, StatusNotInstalled);
  EXPECT_EQ(mgr_.FindState(3)->status, StatusNotInstalled);
  const SoftwareState& unknown = *mgr_.FindState(4);
  EXPECT_EQ(unknown.status, StatusPaused);
  EXPECT_EQ(unknown.totalBytes, 1) << "a total of 0 would divide by zero in the rows";
  const SoftwareState& cut = *mgr_.FindState(5);
  EXPECT_EQ(cut.downloadedBytes, 1000) << "the block records the file still holds";
  EXPECT_EQ(cut.totalBytes, 4000);
  const SoftwareState& shortRecord = *mgr_.FindState(6);
  EXPECT_EQ(shortRecord.status, StatusPaused);
  EXPECT_EQ(shortRecord.downloadedBytes, 0);
  EXPECT_EQ(shortRecord.totalBytes, 1);
  for (int id : {7, 8}) {
    EXPECT_EQ(mgr_.FindState(id)->status, StatusNotInstalled) << "no installer name, nothing to resume";
    EXPECT_EQ(mgr_.FindState(id)->keepTemp, 0);
  }
}

}  // namespace
