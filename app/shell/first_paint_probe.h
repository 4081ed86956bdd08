// Start-up benchmark hook, off unless $CORVANE_FIRST_PAINT_EXIT is set: after the window's first
// paint has been flushed, prints "first-paint <CLOCK_MONOTONIC ns> rss <VmRSS kB>" on stdout
// and ends the process at once. Header only and Qt only, so the toolkit floor in bench/startup
// measures itself with the same code.
#pragma once

#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace shell {

class FirstPaintProbe : public QObject {
 public:
  // Watches `window` when the variable is set; does nothing otherwise.
  static void Install(QWidget* window) {
    if (!std::getenv("CORVANE_FIRST_PAINT_EXIT")) return;
    window->installEventFilter(new FirstPaintProbe(window));
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !seen_) {
      seen_ = true;
      // The repaint that delivers this event flushes the frame before the event loop runs
      // again: the zero timer fires once the frame has gone out.
      QTimer::singleShot(0, [] { Report(); });
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  explicit FirstPaintProbe(QObject* parent) : QObject(parent) {}

  static void Report() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    long rss_kb = -1;
    if (FILE* status = std::fopen("/proc/self/status", "r")) {
      char line[256];
      while (std::fgets(line, sizeof(line), status))
        if (std::strncmp(line, "VmRSS:", 6) == 0) rss_kb = std::strtol(line + 6, nullptr, 10);
      std::fclose(status);
    }
    std::printf("first-paint %lld rss %ld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec,
                rss_kb);
    std::fflush(stdout);
    ::_exit(0);
  }

  bool seen_ = false;
};

}  // namespace shell
