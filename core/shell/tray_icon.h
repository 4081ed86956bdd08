// The notification-area icon of a window: the notify-icon record (icon, tooltip, callback
// message, balloon tip) and the add / modify / delete actions on it. The actions go to a tray
// shell installed by the window layer; without one there is no tray and every action fails.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/export.h"
#include "core/thread/message_target.h"

namespace ds {

// Flags: which fields of the record are valid.
constexpr std::uint32_t NIF_MESSAGE = 0x01;
constexpr std::uint32_t NIF_ICON = 0x02;
constexpr std::uint32_t NIF_TIP = 0x04;
constexpr std::uint32_t NIF_STATE = 0x08;
constexpr std::uint32_t NIF_INFO = 0x10;

// Balloon icon flags.
constexpr std::uint32_t NIIF_NONE = 0x00;
constexpr std::uint32_t NIIF_INFO = 0x01;
constexpr std::uint32_t NIIF_WARNING = 0x02;
constexpr std::uint32_t NIIF_ERROR = 0x03;
constexpr std::uint32_t NIIF_USER = 0x04;
constexpr std::uint32_t NIIF_NOSOUND = 0x10;

// Shell actions.
constexpr int NIM_ADD = 0;
constexpr int NIM_MODIFY = 1;
constexpr int NIM_DELETE = 2;

// The notify-icon record in its 488-byte form. Texts are UTF-8, NUL-terminated.
struct TrayIconRecord {
  static constexpr std::uint32_t kRecordSize = 488;

  std::uint32_t size = kRecordSize;
  MsgHandle window = 0;  // receives the callback message
  std::uint32_t id = 0;
  std::uint32_t flags = 0;
  std::uint32_t callback_message = 0;
  const void* icon = nullptr;  // opaque icon of the window layer
  char tip[128] = {0};
  std::uint32_t state = 0;
  std::uint32_t state_mask = 0;
  char info[256] = {0};  // balloon text
  std::uint32_t timeout = 0;  // balloon time-out in milliseconds
  char info_title[64] = {0};
  std::uint32_t info_flags = 0;
};

class TrayIcon;

// Carries out the actions on the real notification area.
class DS_API ITrayShell {
 public:
  virtual ~ITrayShell();
  // action: NIM_ADD, NIM_MODIFY or NIM_DELETE. Non-zero on success.
  virtual int NotifyIcon(int action, const TrayIcon& record) = 0;
};

// Installs the process-wide shell (null removes it). The caller keeps it alive while set.
DS_API void SetTrayShell(ITrayShell* shell);
DS_API ITrayShell* GetTrayShell();

class DS_API TrayIcon : public TrayIconRecord {
 public:
  TrayIcon();
  // Removes an icon that is still shown.
  ~TrayIcon();

  // Adds the icon (or modifies it once added); a null icon removes a shown icon. `tip` is kept
  // to 127 bytes; the callback message is registered only when `message` is non-zero and
  // `window` is a live message target. Returns the shell's result, or 1 when there was
  // nothing to do.
  int Init(std::uint32_t id, const void* icon, const char* tip, MsgHandle window, std::uint32_t message);
  // Shows a balloon over the added icon: text up to 255 bytes, title up to 63 bytes (empty when
  // null), time-out in milliseconds, NIIF_* icon flags. Returns the shell's result; 0 when the
  // icon is not in the tray.
  int ShowTip(const char* text, const char* title, std::uint32_t timeout, std::uint32_t info_flags);
  // Zeroes the record (size field kept at 488) and forgets that the icon was added, as after a
  // restart of the shell.
  void ClearInfo();
  // Removes the icon from the notification area. Returns the shell's result, or 1 when it was
  // not there.
  int Delete();
  // Whether the shell accepted the icon and it has not been removed since.
  bool IsAdded() const { return added_; }

  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

 private:
  int Notify(int action);

  bool added_ = false;
};

// Copies `text` into `dest` of `capacity` bytes, NUL-terminated, cutting at a UTF-8 character
// boundary when it does not fit.
DS_API void CopyUtf8Truncated(char* dest, std::size_t capacity, const char* text);

}  // namespace ds
