// Set-up shared by the tests of the program's windows: one QApplication per test program and
// the skin and catalogue read from the build's own pack.
#pragma once

#include <string>

#include <QApplication>

#include "core/files/file_system.h"
#include "tests/app/corvane_fixture.h"
#include "vexo/ui/resources/resource_mgr.h"

namespace corvane_test {

// Makes the test program's application once (named `name`); closing the last window never quits.
inline void EnsureApplication(const char* name) {
  static std::string stored;
  static int argc = 1;
  static char* argv[] = {nullptr, nullptr};
  if (QApplication::instance() == nullptr) {
    stored = name;
    argv[0] = stored.data();
    new QApplication(argc, argv);
  }
  QApplication::setQuitOnLastWindowClosed(false);
}

// Loads build/dist/soft.dat as the resource pack, keeping the current work path.
inline void LoadDistPack() {
  const std::string work = ds::FileSystem::Instance()->GetWorkPath();
  ds::FileSystem::Instance()->SetWorkPath(DistDirectory().c_str());
  VEXO_ResourceMgr::Instance()->Fini();
  VEXO_ResourceMgr::Instance()->Init("soft.dat", "kfqe~rmt@zp!4821~vcn");
  ds::FileSystem::Instance()->SetWorkPath(work.c_str());
}

}  // namespace corvane_test
