// Messages the updater's worker posts to its window (all posted, never sent).
#pragma once

#include "vexo/ui/dialog/window_messages.h"

namespace update {

constexpr unsigned kWmUser = vexo_msg::WM_USER;
// All packets installed: the window closes with OK. (0, 0)
constexpr unsigned kMsgUpdateDone = kWmUser + 1;
// Overall bar: (packet k, total packets); position k * 100 / total.
constexpr unsigned kMsgOverallProgress = kWmUser + 2;
// Current-download bar: (bytes so far, bytes expected); position so_far * 100 / expected.
constexpr unsigned kMsgDownloadProgress = kWmUser + 3;
// The error dialog: three verification failures in a row, downloads that kept failing, a
// packet the manifest does not list, a packet that could not be installed, an unreadable
// manifest. (0, 0)
constexpr unsigned kMsgDownloadError = kWmUser + 4;
// The tray icon's callback; lParam is the mouse message.
constexpr unsigned kMsgTrayNotify = kWmUser + 13;

// Bar position for `done` of `total` (0 when total <= 0), kept within 0..100.
int ProgressPercent(long long done, long long total);

}  // namespace update
