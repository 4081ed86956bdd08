// Numeric window messages and notification codes shared by every window of the toolkit and the
// program. The values are the classic window-system ones, so message numbers the program builds
// on (WM_USER + n, 2524, ...) keep their meaning.
#pragma once

namespace vexo_msg {

constexpr unsigned WM_NULL = 0x0000;
constexpr unsigned WM_CLOSE = 0x0010;
constexpr unsigned WM_SETFONT = 0x0030;
constexpr unsigned WM_NOTIFY = 0x004E;
constexpr unsigned WM_COMMAND = 0x0111;
constexpr unsigned WM_TIMER = 0x0113;
constexpr unsigned WM_HSCROLL = 0x0114;
constexpr unsigned WM_VSCROLL = 0x0115;
constexpr unsigned WM_MOUSEMOVE = 0x0200;
constexpr unsigned WM_LBUTTONDOWN = 0x0201;
constexpr unsigned WM_LBUTTONUP = 0x0202;
constexpr unsigned WM_LBUTTONDBLCLK = 0x0203;
constexpr unsigned WM_RBUTTONDOWN = 0x0204;
constexpr unsigned WM_RBUTTONUP = 0x0205;
constexpr unsigned WM_RBUTTONDBLCLK = 0x0206;
constexpr unsigned WM_MOUSEWHEEL = 0x020A;
constexpr unsigned WM_USER = 0x0400;
// The tray adapter's "taskbar created": posted to a window that added (or tried to add) a tray
// icon once a tray host has appeared; the window adds its icon again.
constexpr unsigned kMsgTrayHostBack = 0xC0F1;

// Control notifications carried in the high word of WM_COMMAND's wParam.
constexpr int BN_CLICKED = 0;
constexpr int CBN_SELCHANGE = 1;
constexpr int EN_SETFOCUS = 0x0100;
constexpr int EN_KILLFOCUS = 0x0200;
constexpr int EN_CHANGE = 0x0300;
constexpr int EN_UPDATE = 0x0400;

// WM_NOTIFY codes.
constexpr int NM_CLICK = -2;
constexpr int NM_DBLCLK = -3;

// Scroll-bar codes of WM_VSCROLL / WM_HSCROLL.
constexpr int SB_LINEUP = 0;
constexpr int SB_LINEDOWN = 1;
constexpr int SB_PAGEUP = 2;
constexpr int SB_PAGEDOWN = 3;
constexpr int SB_THUMBPOSITION = 4;
constexpr int SB_THUMBTRACK = 5;
constexpr int SB_TOP = 6;
constexpr int SB_BOTTOM = 7;
constexpr int SB_ENDSCROLL = 8;

// MAKEWPARAM / LOWORD / HIWORD for WM_COMMAND's (id, code) pair.
constexpr unsigned long MakeWParam(unsigned low, unsigned high) {
  return static_cast<unsigned long>((low & 0xFFFFu) | ((high & 0xFFFFu) << 16));
}
constexpr unsigned LowWord(unsigned long value) { return static_cast<unsigned>(value & 0xFFFFu); }
constexpr unsigned HighWord(unsigned long value) { return static_cast<unsigned>((value >> 16) & 0xFFFFu); }

}  // namespace vexo_msg
