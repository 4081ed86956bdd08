// A private copy of the program directory (Corvane, its libraries, the pack) with its own HOME,
// registry and runtime folder, for tests that start the real program.
#pragma once

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "core/text/path.h"
#include "tests/common/temp_dir.h"

namespace corvane_test {

// The program directory of the build: $CORVANE_TEST_BIN/../dist, else beside this test's folder.
inline std::string DistDirectory() {
  if (const char* bin = std::getenv("CORVANE_TEST_BIN")) return std::string(bin) + "/../dist";
  char self[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return "dist";
  return ds::DirectoryOf(ds::DirectoryOf(std::string(self, static_cast<std::size_t>(length)))) + "/dist";
}

class CorvaneCopy {
 public:
  CorvaneCopy() : program_(root_.File("program")) {
    const std::string dist = DistDirectory();
    RunCommand("mkdir -p '" + program_ + "' '" + root_.File("run") + "' '" + root_.File("home") + "' && cp '" +
               dist + "/Corvane' '" + dist + "/libcore.so' '" + dist + "/libvexo.so' '" + dist +
               "/soft.dat' '" + program_ + "/'");
    ::chmod(root_.File("run").c_str(), 0700);
    setenv("HOME", root_.File("home").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", root_.File("run").c_str(), 1);
    setenv("XDG_CONFIG_HOME", root_.File("home/.config").c_str(), 1);
    setenv("XDG_DATA_HOME", root_.File("home/.local/share").c_str(), 1);
    setenv("CORVANE_REGISTRY", root_.File("registry.reg").c_str(), 1);
    // The update check stays on this machine: nothing listens there.
    setenv("CORVANE_UPDATE_URL", "http://127.0.0.1:9/update/packet", 1);
  }
  const std::string& dir() const { return program_; }
  std::string root() const { return root_.path(); }
  std::string program() const { return program_ + "/Corvane"; }
  std::string SocketPath() const { return root_.File("run/corvane/Corvane.sock"); }
  std::string Log() const { return ReadWholeFile(program_ + "/Error.log"); }

  // Waits up to `timeout_ms` for `text` in Error.log.
  bool WaitForLog(const std::string& text, int timeout_ms) const {
    return WaitFor([&] { return Log().find(text) != std::string::npos; }, timeout_ms);
  }
  // Waits up to `timeout_ms` for the running instance's socket.
  bool WaitForSocket(int timeout_ms) const {
    return WaitFor([&] { return ds::PathExists(SocketPath()); }, timeout_ms);
  }

  template <typename Check>
  static bool WaitFor(Check check, int timeout_ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < end) {
      if (check()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return check();
  }

 private:
  TempDir root_;
  std::string program_;
};

}  // namespace corvane_test
