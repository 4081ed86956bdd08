// Colours travel through every interface as 0x00BBGGRR values (red in the low byte); this is the
// one place where they become Qt colours and back.
#pragma once

#include <QColor>
#include <cstdint>

constexpr std::uint32_t VEXO_RGB(unsigned r, unsigned g, unsigned b) {
  return (r & 0xFFu) | ((g & 0xFFu) << 8) | ((b & 0xFFu) << 16);
}
constexpr unsigned VEXO_GetRValue(std::uint32_t c) { return c & 0xFFu; }
constexpr unsigned VEXO_GetGValue(std::uint32_t c) { return (c >> 8) & 0xFFu; }
constexpr unsigned VEXO_GetBValue(std::uint32_t c) { return (c >> 16) & 0xFFu; }

// "No colour" for colour keys.
constexpr std::uint32_t VEXO_CLR_NONE = 0xFFFFFFFFu;

inline QColor VEXO_ToQColor(std::uint32_t c) {
  return QColor(static_cast<int>(VEXO_GetRValue(c)), static_cast<int>(VEXO_GetGValue(c)),
                static_cast<int>(VEXO_GetBValue(c)));
}
inline std::uint32_t VEXO_FromQColor(const QColor& c) {
  return VEXO_RGB(static_cast<unsigned>(c.red()), static_cast<unsigned>(c.green()),
                  static_cast<unsigned>(c.blue()));
}
