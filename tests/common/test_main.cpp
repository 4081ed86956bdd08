// Entry point of every test program: SIGPIPE is ignored before any thread starts, as in the
// programs themselves.
#include <csignal>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
