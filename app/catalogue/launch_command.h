// The command line and working directory a program of the catalogue is started with by name.
#pragma once
#include <string>

// A double quote, the executable path without trailing blanks, a closing quote after its first
// ".exe"; when a ".dll" follows (a host program with its library, "rundll32.exe x.dll,Entry"),
// the library is quoted too. A path without ".exe" is quoted whole. Parameters follow without a separator; parameters holding a ','
// lose their double quotes. Letter case is kept: paths here are case-sensitive.
std::string BuildLaunchCommandLine(const std::string& installedExe, const char* parameters);

// The folder of the executable. For type -2 programs, whose path may carry arguments after the
// executable, the folder is taken from the part before ".exe" (Windows major 6 and later) or
// trimmed to start two characters before the first separator (older versions).
std::string LaunchWorkingDirectory(const std::string& installedExe, int type, unsigned osMajorVersion);
