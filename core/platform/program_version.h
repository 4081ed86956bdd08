// The program's name and version, in one place: the top-level CMakeLists.txt reads the version
// from here for project(VERSION), and the download engine sends both as its User-Agent.
#pragma once

#define CORVANE_PROGRAM_NAME "Corvane"
#define CORVANE_VERSION_TEXT "1.0.0"

constexpr const char kProgramName[] = CORVANE_PROGRAM_NAME;
constexpr const char kProgramVersion[] = CORVANE_VERSION_TEXT;
// "Corvane/1.0.0": some download hosts refuse requests that carry no User-Agent.
constexpr const char kProgramUserAgent[] = CORVANE_PROGRAM_NAME "/" CORVANE_VERSION_TEXT;
