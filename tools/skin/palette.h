// The skin's one palette: every colour the generator draws with is named here.
#pragma once

#include <QColor>

namespace skin {
namespace palette {

inline QColor Rgb(int r, int g, int b, int a = 255) { return QColor(r, g, b, a); }

// Accent (blue): title bars, primary buttons, selection.
inline QColor Accent() { return Rgb(0x2D, 0x7F, 0xD3); }
inline QColor AccentLight() { return Rgb(0x4B, 0x9B, 0xEA); }
inline QColor AccentHot() { return Rgb(0x64, 0xAE, 0xF2); }
inline QColor AccentDark() { return Rgb(0x1F, 0x5F, 0xA8); }
inline QColor AccentPale() { return Rgb(0xE8, 0xF1, 0xFB); }
inline QColor AccentPaleHot() { return Rgb(0xD6, 0xE8, 0xFA); }

// Title bar and tool bar bands.
inline QColor TitleTop() { return Rgb(0x3B, 0x8F, 0xE0); }
inline QColor TitleBottom() { return Rgb(0x24, 0x68, 0xB8); }
inline QColor ToolbarTop() { return Rgb(0xF2, 0xF8, 0xFE); }
inline QColor ToolbarBottom() { return Rgb(0xD5, 0xE6, 0xF7); }

// Surfaces.
inline QColor Body() { return Rgb(0xF5, 0xF8, 0xFC); }
inline QColor Panel() { return Rgb(0xFF, 0xFF, 0xFF); }
inline QColor Band() { return Rgb(0xE9, 0xF0, 0xF7); }
inline QColor Border() { return Rgb(0xC3, 0xD3, 0xE4); }
inline QColor BorderStrong() { return Rgb(0x9D, 0xB5, 0xD0); }
inline QColor Separator() { return Rgb(0xE4, 0xEA, 0xF1); }
inline QColor Track() { return Rgb(0xEE, 0xF2, 0xF6); }

// Text.
inline QColor Text() { return Rgb(0x2B, 0x2B, 0x2B); }
inline QColor TextMuted() { return Rgb(0x64, 0x64, 0x64); }  // the toolkit's disabled text colour
inline QColor TextOnAccent() { return Rgb(0xFF, 0xFF, 0xFF); }

// Signal colours: success (install), warning (pause, update), danger (cancel, uninstall).
inline QColor Success() { return Rgb(0x22, 0xA0, 0x5A); }
inline QColor SuccessLight() { return Rgb(0x4C, 0xC0, 0x7A); }
inline QColor SuccessDark() { return Rgb(0x17, 0x80, 0x4A); }
inline QColor Warning() { return Rgb(0xF1, 0x91, 0x49); }
inline QColor WarningLight() { return Rgb(0xF7, 0xAD, 0x6E); }
inline QColor WarningDark() { return Rgb(0xD2, 0x6E, 0x28); }
inline QColor Danger() { return Rgb(0xE0, 0x51, 0x3F); }
inline QColor DangerLight() { return Rgb(0xEE, 0x72, 0x62); }
inline QColor DangerDark() { return Rgb(0xB9, 0x3A, 0x2B); }

// Disabled controls.
inline QColor DisabledFill() { return Rgb(0xEC, 0xEE, 0xF1); }
inline QColor DisabledBorder() { return Rgb(0xCD, 0xD2, 0xD8); }
inline QColor DisabledText() { return Rgb(0xA0, 0xA6, 0xAD); }

// Faces and pictures.
inline QColor Skin() { return Rgb(0xF8, 0xD9, 0xBC); }
inline QColor SkinShade() { return Rgb(0xE8, 0xB8, 0x96); }
inline QColor HairDark() { return Rgb(0x3E, 0x2A, 0x20); }
inline QColor HairBrown() { return Rgb(0x6B, 0x43, 0x2C); }
inline QColor ClothMale() { return Rgb(0x3D, 0x7E, 0xC9); }
inline QColor ClothFemale() { return Rgb(0xE9, 0x6F, 0x9A); }

// Colour that keyed images (GIF, colour-key draws) leave out.
inline QColor Key() { return Rgb(0xFF, 0x00, 0xFF); }

}  // namespace palette
}  // namespace skin
