// Tests that need an ordinary user's view of file modes while CI runs as root.
#pragma once

#include <functional>

namespace corvane_test {

// Drops the capabilities that let root ignore file modes (this process only). True on success,
// and true when there was nothing to drop.
bool DropFileModeOverride();

// Runs `body` in a forked child that has dropped those capabilities. Returns 0 when `body`
// returned true, 1 when it returned false, another value when the child could not run it.
int RunWithoutFileModeOverride(const std::function<bool()>& body);

}  // namespace corvane_test
