// The file work of start-up that needs no window: the per-run log, the crash handler, replacing
// the data pack and the updater with newer copies.
#pragma once

#include <string>

namespace ds {
class LogOut2File;
}

namespace shell {

// The data pack version this build expects; a self-update leaves the next one as "Soft15.dat".
constexpr int kDataPackVersion = 14;
constexpr const char kDataPackName[] = "soft.dat";
constexpr const char kDataPackPassword[] = "kfqe~rmt@zp!4821~vcn";
constexpr const char kMutexName[] = "Corvane";
constexpr const char kLogName[] = "Error.log";

// The program folder and the work path come from ds::ProgramDirectory and ds::ChooseWorkPath
// (core/platform/program_paths.h).

// Deletes "<work>/Error.log" and opens `log` on it afresh. 1 when the file could be opened.
int StartFreshLog(const std::string& work_path, ds::LogOut2File& log);

// "Soft<version+1>.dat" in `work_path` (any letter case) replaces "soft.dat" with one rename,
// so a crash in between never leaves the folder without a pack. 1 when swapped, 0 when there was
// nothing to swap, -1 when the rename failed (the old pack stays).
int SwapDataPack(const std::string& work_path, int pack_version);

// "update2" beside the program replaces "update" with one rename (a failed rename keeps the old
// updater). 1 swapped, 0 nothing to do, -1 failure.
int ReplaceUpdater(const std::string& program_dir);

// Writes "<work>/Errors/YYYYMMDD-HHMMSS.dmp" (signal, faulting address, backtrace) on a fatal
// signal and ends the process with a non-zero exit code. Call once, early.
void InstallCrashHandler(const std::string& work_path);

}  // namespace shell
