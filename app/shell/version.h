// The program's own version, from the build (the project's version in CMake).
#pragma once

constexpr const char kCorvaneVersion[] = CORVANE_VERSION;
