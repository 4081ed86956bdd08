// Messages the updater's worker posts to its window (all posted, never sent).
#pragma once

namespace update {

constexpr unsigned kWmUser = 0x0400;
// All packets installed: the window closes with OK. (0, 0)
constexpr unsigned kMsgUpdateDone = kWmUser + 1;
// Overall bar: (packet k, total packets); position k * 100 / total.
constexpr unsigned kMsgOverallProgress = kWmUser + 2;
// Current-download bar: (bytes so far, bytes expected); position so_far * 100 / expected.
constexpr unsigned kMsgDownloadProgress = kWmUser + 3;
// Three verification failures in a row: the error dialog. (0, 0)
constexpr unsigned kMsgDownloadError = kWmUser + 4;
// The tray icon's callback; lParam is the mouse message.
constexpr unsigned kMsgTrayNotify = kWmUser + 13;

// Mouse messages the tray callback carries.
constexpr long kWmLButtonDblClk = 0x0203;
constexpr long kWmRButtonUp = 0x0205;

// Bar position for `done` of `total` (0 when total <= 0), kept within 0..100.
int ProgressPercent(long long done, long long total);

}  // namespace update
