#include "core/shell/tray_icon.h"

#include <atomic>
#include <cstring>

namespace ds {
namespace {

std::atomic<ITrayShell*> g_shell{nullptr};

}  // namespace

ITrayShell::~ITrayShell() = default;

void SetTrayShell(ITrayShell* shell) { g_shell.store(shell, std::memory_order_release); }

ITrayShell* GetTrayShell() { return g_shell.load(std::memory_order_acquire); }

void CopyUtf8Truncated(char* dest, std::size_t capacity, const char* text) {
  if (dest == nullptr || capacity == 0) return;
  if (text == nullptr) {
    dest[0] = '\0';
    return;
  }
  std::size_t length = std::strlen(text);
  if (length >= capacity) {
    length = capacity - 1;
    // text[length] is the first byte left out; while it continues a character, that character
    // started inside the copy and is left out whole.
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
  }
  std::memcpy(dest, text, length);
  dest[length] = '\0';
}

TrayIcon::TrayIcon() = default;

TrayIcon::~TrayIcon() {
  // Whatever the shell still shows goes, even when an earlier removal was refused.
  icon = nullptr;
  Delete();
}

int TrayIcon::Init(std::uint32_t new_id, const void* new_icon, const char* new_tip, MsgHandle new_window,
                   std::uint32_t message) {
  id = new_id;
  flags = 0;

  int action;
  if (new_icon != nullptr) {
    // Decided by what the shell holds, not by the stored icon: an add the shell refused
    // (no tray yet) is retried as an add.
    action = added_ ? NIM_MODIFY : NIM_ADD;
    icon = new_icon;
    flags = NIF_ICON;
  } else {
    if (icon == nullptr) return 1;
    icon = nullptr;
    if (!added_) return 1;  // never reached the tray: nothing to remove
    action = NIM_DELETE;
  }

  if (new_tip != nullptr) {
    CopyUtf8Truncated(tip, sizeof(tip), new_tip);
    flags |= NIF_TIP;
  }

  if (new_window != 0) {
    window = new_window;
    callback_message = message;
    if (message != 0 && IsMessageTarget(new_window)) flags |= NIF_MESSAGE;
  }

  return Notify(action);
}

int TrayIcon::ShowTip(const char* text, const char* title, std::uint32_t new_timeout, std::uint32_t new_info_flags) {
  CopyUtf8Truncated(info, sizeof(info), text != nullptr ? text : "");
  CopyUtf8Truncated(info_title, sizeof(info_title), title != nullptr ? title : "");
  timeout = new_timeout;
  info_flags = new_info_flags;
  flags = NIF_INFO;
  if (!added_) return 0;
  return Notify(NIM_MODIFY);
}

void TrayIcon::ClearInfo() {
  static_cast<TrayIconRecord&>(*this) = TrayIconRecord();
  size = kRecordSize;
  added_ = false;
}

int TrayIcon::Delete() {
  if (!added_) return 1;
  return Notify(NIM_DELETE);
}

int TrayIcon::Notify(int action) {
  ITrayShell* shell = GetTrayShell();
  if (shell == nullptr) return 0;  // no tray
  int result = shell->NotifyIcon(action, *this);
  if (result != 0) added_ = (action != NIM_DELETE);
  return result;
}

}  // namespace ds
