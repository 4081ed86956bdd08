// The wave reader behind the resource manager's sounds, and sounds that cannot play being
// dropped without leaving anything behind.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <string>

#include "core/files/file_system.h"
#include "tests/common/temp_dir.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/resources/sound_window.h"
#include "vexo/ui/resources/wave_file.h"

namespace {

void EnsureApp() {
  static int argc = 1;
  static char name[] = "ui_resource_sound_test";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance() == nullptr) new QApplication(argc, argv);
}

void Put16(std::string& b, unsigned v) {
  b.push_back(static_cast<char>(v & 255));
  b.push_back(static_cast<char>((v >> 8) & 255));
}
void Put32(std::string& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

std::string Chunk(const std::string& id, const std::string& body, std::uint32_t claimed = 0xFFFFFFFF) {
  std::string b = id;
  Put32(b, claimed == 0xFFFFFFFF ? static_cast<std::uint32_t>(body.size()) : claimed);
  b += body;
  if (body.size() % 2 == 1) b.push_back('\0');
  return b;
}

std::string Fmt(unsigned channels, std::uint32_t rate, unsigned bits) {
  std::string f;
  const unsigned align = channels * bits / 8;
  Put16(f, 1);
  Put16(f, channels);
  Put32(f, rate);
  Put32(f, rate * align);
  Put16(f, align);
  Put16(f, bits);
  return f;
}

std::string Riff(const std::string& chunks) {
  std::string b = "RIFF";
  Put32(b, static_cast<std::uint32_t>(4 + chunks.size()));
  return b + "WAVE" + chunks;
}

TEST(WaveFileTest, ReadsFormatAndDataPastOtherChunks) {
  // An odd-sized chunk before "fmt " is padded to even length.
  const std::string bytes =
      Riff(Chunk("LIST", "abc") + Chunk("fmt ", Fmt(2, 22050, 16)) + Chunk("data", std::string(8, 'x')));
  VEXO_WaveFile wave;
  std::string error;
  ASSERT_EQ(wave.Parse(bytes, "a.wav", &error), 1) << error;
  EXPECT_EQ(wave.format_tag, 1u);
  EXPECT_EQ(wave.channels, 2u);
  EXPECT_EQ(wave.samples_per_sec, 22050u);
  EXPECT_EQ(wave.block_align, 4u);
  EXPECT_EQ(wave.bits_per_sample, 16u);
  EXPECT_EQ(wave.data, std::string(8, 'x'));
}

TEST(WaveFileTest, FailuresNameTheFile) {
  VEXO_WaveFile wave;
  std::string error;
  EXPECT_EQ(wave.Parse("RIFX0000WAVE", "a.wav", &error), 0);
  EXPECT_EQ(error, "a.wav is an invalid wave file!");
  EXPECT_EQ(wave.Parse("", "e.wav", &error), 0);
  EXPECT_EQ(error, "e.wav is an invalid wave file!");
  EXPECT_EQ(wave.Parse(Riff(Chunk("data", "1234")), "b.wav", &error), 0);
  EXPECT_EQ(error, "Cannot find fmt chunk in b.wav!");
  EXPECT_EQ(wave.Parse(Riff(Chunk("fmt ", Fmt(1, 8000, 8))), "c.wav", &error), 0);
  EXPECT_EQ(error, "Cannot find data chunk in: c.wav");
  // A "fmt " chunk too short for its fields, or claiming more than the file holds.
  EXPECT_EQ(wave.Parse(Riff(Chunk("fmt ", "short")), "d.wav", &error), 0);
  EXPECT_EQ(error, "d.wav is an invalid wave file!");
  EXPECT_EQ(wave.Parse(Riff(Chunk("fmt ", Fmt(1, 8000, 8), 1000)), "f.wav", &error), 0);
  EXPECT_EQ(error, "f.wav is an invalid wave file!");
}

TEST(WaveFileTest, TruncatedDataKeepsWholeFrames) {
  // The data chunk claims 1000 bytes; 6 are there; frames are 4 bytes.
  const std::string bytes = Riff(Chunk("fmt ", Fmt(2, 8000, 16)) + Chunk("data", "123456", 1000));
  VEXO_WaveFile wave;
  std::string error;
  ASSERT_EQ(wave.Parse(bytes, "t.wav", &error), 1);
  EXPECT_EQ(wave.data, "1234");
}

TEST(SoundTest, UnplayableSoundsAreDroppedAndFreed) {
  EnsureApp();
  corvane_test::TempDir dir;
  ds::FileSystem::Instance()->SetWorkPath(dir.path().c_str());
  corvane_test::WriteWholeFile(dir.File("bad.wav"), "RIFF....WAVEjunk");
  corvane_test::WriteWholeFile(
      dir.File("ok.wav"), Riff(Chunk("fmt ", Fmt(1, 8000, 8)) + Chunk("data", std::string(80, '\x80'))));

  CSoundWnd window;
  EXPECT_EQ(window.Play(dir.File("missing.wav").c_str()), 0);
  EXPECT_NE(window.LastError().find("invalid wave file"), std::string::npos);
  EXPECT_EQ(window.Play(dir.File("bad.wav").c_str()), 0);
  EXPECT_EQ(window.ActiveCount(), 0);

  // A valid sound plays where an output exists, or is dropped when none opens; either way its
  // player is collected when done.
  if (window.Play(dir.File("ok.wav").c_str()) == 1) {
    EXPECT_EQ(window.ActiveCount(), 1);
  }
  QElapsedTimer timer;
  timer.start();
  while (window.ActiveCount() > 0 && timer.elapsed() < 10000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(window.ActiveCount(), 0);

  // Through the manager: the name follows the work directory text directly.
  VEXO_ResourceMgr* mgr = VEXO_ResourceMgr::Instance();
  mgr->Init("none.dat", nullptr);
  mgr->Sound("/bad.wav");
  mgr->Sound("/missing.wav");
  mgr->Fini();
}

}  // namespace
