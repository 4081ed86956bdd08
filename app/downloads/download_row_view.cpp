#include "app/downloads/download_row_view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/catalogue/software_state.h"

namespace download_view {

RowButtons ButtonsForStatus(int status) {
  RowButtons buttons;
  switch (status) {
    case StatusWaiting:
    case StatusDownloading:
      buttons.change = true;
      buttons.start.enabled = false;
      break;
    case StatusPausing:
    case StatusPaused:
      buttons.change = true;
      buttons.pause.enabled = false;
      break;
    case StatusCancelling:
      buttons.change = true;
      buttons.start = buttons.pause = buttons.cancel = ButtonLook{false, false};
      break;
    default:
      break;
  }
  return buttons;
}

int RowsNeeded(int clientHeight, std::size_t queueLength) {
  const int fit = clientHeight > 0 ? (clientHeight + kRowHeight - 1) / kRowHeight : 0;
  return std::max(fit, static_cast<int>(queueLength));
}

int RowPosition(int index, int rowCount) {
  if (index <= 0) return 0;
  return index == rowCount - 1 ? 2 : 1;
}

void RowProgress::Take(std::int64_t downloaded, std::int64_t total) {
  if (downloaded == 0 || total == 0) return;
  downloaded_ = downloaded;
  total_ = total;
}

double RowProgress::Fraction() const {
  if (total_ <= 0 || downloaded_ <= 0) return 0;
  return std::min(1.0, static_cast<double>(downloaded_) / static_cast<double>(total_));
}

std::string ProgressText(double fraction) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f%%", fraction * 100.0);
  return text;
}

std::string SpeedText(const SoftwareState& program) {
  if (CurrentStatus(program) != StatusDownloading || !(program.speed > 0)) return {};
  char text[32];
  std::snprintf(text, sizeof text, "%.1fKB/s", static_cast<double>(program.speed));
  return text;
}

std::string TimeLeftText(std::int64_t remainingBytes, double kbPerSecond) {
  if (remainingBytes <= 0 || !(kbPerSecond > 0)) return {};
  const double seconds = static_cast<double>(remainingBytes) / (kbPerSecond * 1024.0);
  if (seconds > 99.0 * 3600.0) return "剩余 超过99小时";
  const long total = static_cast<long>(std::ceil(seconds));
  char text[48];
  if (total >= 3600)
    std::snprintf(text, sizeof text, "剩余 %ld小时%02ld分", total / 3600, (total % 3600) / 60);
  else if (total >= 60)
    std::snprintf(text, sizeof text, "剩余 %ld分%02ld秒", total / 60, total % 60);
  else
    std::snprintf(text, sizeof text, "剩余 %ld秒", total);
  return text;
}

std::string SizeText(float megabytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(megabytes));
  return text;
}

namespace {

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

std::string ReasonText(const std::string& note) {
  if (note.empty()) return {};
  if (StartsWith(note, "disk full")) return "磁盘空间不足";
  if (StartsWith(note, "certificate not trusted")) return "服务器证书不可信";
  if (StartsWith(note, "HTTP ")) {
    const int code = std::atoi(note.c_str() + 5);
    if (code == 404 || code == 410) return "服务器上没有此文件 (" + note + ")";
    return "服务器拒绝下载 (" + note + ")";
  }
  if (StartsWith(note, "no answer within")) return "服务器没有响应";
  // The engine's own notes and the integrity check speak the user's language already.
  if (static_cast<unsigned char>(note[0]) >= 0x80) return note;
  return "下载失败 (" + note + ")";
}

std::string TotalLine(const std::vector<SoftwareState*>& queue) {
  int running = 0;
  double speed = 0;
  std::int64_t remaining = 0;
  bool remainingKnown = true;
  for (const SoftwareState* program : queue) {
    if (program == nullptr || CurrentStatus(*program) != StatusDownloading) continue;
    ++running;
    if (program->speed > 0) speed += program->speed;
    if (program->totalUnknown || program->totalBytes <= 1)
      remainingKnown = false;
    else
      remaining += std::max<std::int64_t>(0, program->totalBytes - program->downloadedBytes);
  }
  char text[96];
  if (running == 0) {
    std::snprintf(text, sizeof text, "共%d个下载任务，没有正在下载的任务", static_cast<int>(queue.size()));
    return text;
  }
  std::snprintf(text, sizeof text, "共%d个下载任务，%d个正在下载，总速度 %.1fKB/s", static_cast<int>(queue.size()),
                running, speed);
  std::string line = text;
  const std::string left = remainingKnown ? TimeLeftText(remaining, speed) : std::string();
  if (!left.empty()) line += "，" + left;
  return line;
}

}  // namespace download_view
