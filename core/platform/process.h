// Processes: finding running programs by name, starting programs and installers, waiting for
// them, and handing documents or URLs to the desktop.
//
// Start results keep the Windows shell's codes: above 32 when a process was spawned, 32 or less
// on failure (the kSpawn* values below; 0 for any other error). Every child inherits only descriptors 0, 1 and 2 (all
// others are closed in the child before exec, whether or not they carry O_CLOEXEC), starts with
// no blocked signals and with every signal at its default action (we ignore SIGPIPE; an
// installer or browser must not inherit that).
//
// A child is reaped by whoever waits for it. The start functions that do not hand out the pid
// reap it themselves on a helper thread; a caller that takes the pid must call WaitProcess or
// WatchProcess, or the ended child stays a zombie.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/export.h"

namespace ds {

using ProcessId = int;

constexpr int kSpawnFileNotFound = 2;    // the program (or document) does not exist
constexpr int kSpawnPathNotFound = 3;    // the working directory does not exist
constexpr int kSpawnAccessDenied = 5;    // not executable, or a folder
constexpr int kSpawnOutOfMemory = 8;     // no memory or process slots
constexpr int kSpawnBadFormat = 11;      // the file is not a program this system runs
constexpr int kSpawnSharingViolation = 26;  // the program file is still open for writing
constexpr int kSpawnNoAssociation = 31;  // a Windows program without wine; no xdg-open
constexpr int kSpawnStarted = 33;        // the value returned on success

// Pids of the running processes whose executable is called `name` (a file name, compared
// ignoring ASCII letter case as the Windows process snapshot does). The executable is the
// target of /proc/<pid>/exe (a " (deleted)" mark of a replaced binary ignored); only when that
// cannot be read (another user's process) are argv[0]'s file name and the kernel's short
// process name consulted. Ended processes not yet reaped (zombies) are not running and are left
// out; so is this process unless `include_self`. A Windows program running under Wine (whose
// executable is Wine's loader) is found by the file name of its Windows path in argv[0].
DS_API std::vector<ProcessId> FindProcessByName(std::string_view name, bool include_self = false);

// The full path of process `pid`'s executable (0: this process), a " (deleted)" mark of a binary
// replaced while it runs left out; "" when it cannot be read (another user's process, ended).
DS_API std::string GetProcessExecutable(ProcessId pid);

// True while the process exists and has not ended (a zombie counts as ended).
DS_API bool IsProcessAlive(ProcessId pid);

// The full path of the program `name` found on $PATH (executable regular files only; empty
// entries of $PATH are skipped, the current directory is never searched), or "".
DS_API std::string FindOnPath(std::string_view name);

// Starts the program `path` with `parameters` (one text, split with Windows quoting rules,
// see SplitParameters) in `working_dir` (null or "" keeps ours).
//  - `path` and `working_dir` pass ResolveWindowsPath (a "C:\..." path names a file in the Wine
//    prefix); a name without '/' is looked up on $PATH (a .exe name that is not there is left to
//    wine, which finds msiexec.exe and its kin itself); a relative path is taken from our current
//    directory.
//  - A .exe runs as "wine <path> <parameters>", a .msi as "wine msiexec /i <path> <parameters>"
//    (extensions compared ignoring case), with WINEPREFIX set to WinePrefix() and WINEDEBUG=-all.
// Returns kSpawnStarted, or kSpawnFileNotFound when the file is missing (checked first),
// kSpawnPathNotFound when the working directory is missing, kSpawnNoAssociation for a Windows
// program when wine is not installed, kSpawnBadFormat for a 32-bit program when Wine has no
// 32-bit part (both logged with the message of WineStatusMessage, which a window shows the user),
// or another kSpawn* code for the spawn error.
// `pid` receives the child's id (see the note on reaping above); with a null `pid` the child is
// reaped in the background.
DS_API int StartProcess(const char* path, const char* parameters, const char* working_dir,
                        ProcessId* pid);

// The same with the arguments already split (argv[1]...).
DS_API int StartProcessArgs(const char* path, const std::vector<std::string>& args,
                            const char* working_dir, ProcessId* pid);

// Waits for our child `pid` to end and reaps it. `timeout_ms` < 0 waits without limit.
// Returns 1 when it has ended (*exit_code = its exit status, or 128 + signal number when a
// signal ended it), 0 when the time ran out (the child is left running and unreaped), and -1
// when `pid` is not a child of ours or was already reaped.
DS_API int WaitProcess(ProcessId pid, int timeout_ms, int* exit_code);

// Called on the helper thread once the watched child has ended, with its exit code as
// WaitProcess gives it (-1 when it could not be waited for: not our child, or reaped elsewhere).
using ProcessCallback = std::function<void(ProcessId pid, int exit_code)>;

// Waits for our child `pid` on a helper thread of its own, reaps it, then calls `callback`
// (which may be empty). Returns 1 when the thread started, 0 otherwise.
DS_API int WatchProcess(ProcessId pid, ProcessCallback callback);

// Splits a command line as Windows programs do (CommandLineToArgvW):
//  - the first item is the program: when it starts with '"' it runs to the next '"' with no
//    escapes ("C:\dir\" stays C:\dir\), else to the next blank;
//  - the others are separated by blanks (space, tab) outside quotes; '"' opens and closes
//    quoting; 2n backslashes before '"' give n backslashes and the quote acts, 2n+1 give n
//    backslashes and a literal '"'; other backslashes are literal; "" inside quotes gives a
//    literal '"' and ends the quoting; "" on its own is an empty item.
// Leading blanks are skipped; an empty or blank text gives no items.
DS_API std::vector<std::string> SplitCommandLine(std::string_view text);

// Splits a parameter text (no program name in front) with the rules for the later items above.
DS_API std::vector<std::string> SplitParameters(std::string_view text);

// Runs a whole command line the way WinExec does: the program is the first item; when it is not
// quoted and contains blanks, the shortest prefix ending before a blank that names an existing
// file is the program (C:\Program Files\x\uninst.exe /S), as Windows tries them. Then as
// StartProcessArgs, in our working directory. `pid` as for StartProcess.
DS_API int RunCommandLine(const char* command_line, ProcessId* pid = nullptr);

// Waits, at most `timeout_ms`, until Wine's server for the prefix in use has ended, which is
// when Wine writes the prefix's registry files (it keeps changes in memory until then, or until
// its next periodic save): after a Windows installer ends, its keys are readable once this
// returns 1. 0 when the time ran out (the server goes on), -1 when wineserver is not installed.
DS_API int WaitForWineServer(int timeout_ms);

// Opens a document, folder or URL with the desktop's handler (xdg-open), without waiting.
// A text of the form "scheme:..." (a scheme of two or more letters) is a URL and passed as it
// is; anything else is a path (NativePath) and must exist, else kSpawnFileNotFound. Returns
// kSpawnStarted when xdg-open was spawned, kSpawnNoAssociation when it is not installed.
DS_API int OpenWithShell(const char* path_or_url);

}  // namespace ds
