// Entry point of every test program: SIGPIPE is ignored before any thread starts, as in the
// programs themselves, and windows are drawn offscreen unless the caller chose a platform.
#include <csignal>
#include <cstdlib>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
