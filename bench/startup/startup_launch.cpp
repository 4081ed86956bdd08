// startup_launch PROGRAM [ARGS...]: prints "exec <CLOCK_MONOTONIC ns>" on stdout, then execs the
// program in this same process, so nothing but exec itself lies between the stamp and the start.
#include <cstdio>
#include <ctime>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: startup_launch PROGRAM [ARGS...]\n");
    return 2;
  }
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  std::printf("exec %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
  std::fflush(stdout);
  execv(argv[1], argv + 1);
  std::perror("execv");
  return 127;
}
