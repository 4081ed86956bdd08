// Number text for the stored formats, independent of the process locale: the GUI programs set
// the C locale from the environment, and a settings file must read the same everywhere.
#pragma once

#include <string>

#include "core/export.h"

namespace ds {

// Value of the decimal prefix of `text`: leading white space, an optional sign, then digits up
// to the first other character. No digits (or null) gives 0; values outside int are clamped.
DS_API int ParseIntPrefix(const char* text);

// Value of the decimal prefix of `text` read as a double: leading white space, an optional sign,
// digits with an optional '.' and fraction, an optional exponent. Nothing numeric gives 0;
// overflow gives an infinity, underflow 0. Hexadecimal, "inf" and "nan" are not numbers here.
DS_API double ParseDoublePrefix(const char* text);

// ParseDoublePrefix narrowed to float.
DS_API float ParseFloatPrefix(const char* text);

// The value as "%d" writes it.
DS_API std::string FormatInt(int value);

// The value as "%f" writes it in the C locale: fixed notation, six decimals.
DS_API std::string FormatFloatFixed(double value);

}  // namespace ds
