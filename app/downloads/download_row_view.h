// What the download list shows, decided without a window: the buttons of a row by status, the
// progress and speed texts, the time left, why a download stopped, the list's total line, and
// how many rows the list holds and how each is framed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct SoftwareState;

namespace download_view {

constexpr int kRowHeight = 30;

// The three row buttons: start / resume (501), pause (502), cancel (503).
struct ButtonLook {
  bool shown = true;
  bool enabled = true;
};
struct RowButtons {
  bool change = false;  // false: the status leaves the buttons as they are
  ButtonLook start, pause, cancel;
};
RowButtons ButtonsForStatus(int status);

// Rows the list holds: those that fit `clientHeight` (rounded up), or the queue's length when
// that is larger.
int RowsNeeded(int clientHeight, std::size_t queueLength);
// Background of a row: 0 for the first, 2 for the last of several, 1 between.
int RowPosition(int index, int rowCount);

// The last progress a row could measure: both counts are remembered only when both are nonzero,
// so a program whose length is not known yet keeps its last fraction (0 at first).
class RowProgress {
 public:
  void Take(std::int64_t downloaded, std::int64_t total);
  void Reset() { downloaded_ = 0, total_ = 1; }
  // Remembered downloaded / remembered total, at most 1.
  double Fraction() const;
  std::int64_t downloaded() const { return downloaded_; }
  std::int64_t total() const { return total_; }

 private:
  std::int64_t downloaded_ = 0;
  std::int64_t total_ = 1;
};

// "%.2f%%" of fraction x 100.
std::string ProgressText(double fraction);
// "%.1fKB/s"; "" unless the program downloads with a speed above 0.
std::string SpeedText(const SoftwareState& program);
// "剩余 1小时02分", "剩余 3分05秒", "剩余 12秒"; "" when the speed or what remains is unknown.
std::string TimeLeftText(std::int64_t remainingBytes, double kbPerSecond);
// "%.1f MB" of the catalogue size (given in MB).
std::string SizeText(float megabytes);

// Why a download stopped (or started again), in the row's words: disk full, certificate not
// trusted, the server refused, the file changed on the server, a failed integrity check. "" when
// there is nothing to tell.
std::string ReasonText(const std::string& note);

// The list's top line over the programs of the queue: how many download, their total speed and
// the time left until all of them are done.
std::string TotalLine(const std::vector<SoftwareState*>& queue);

}  // namespace download_view
