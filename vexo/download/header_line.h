// Reading the few response header lines the block downloader cares about. Pure functions over
// the raw line libcurl hands over (name, colon, value, CR LF); header names match in any case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// "HTTP/1.1 206 Partial Content" or "HTTP/2 200": true with the status code.
bool ParseStatusLine(const char* line, std::size_t size, int* status);

// True when the line is the header `lowerName` (compared ignoring case); *value is the text
// after the colon with blanks and the line end trimmed.
bool MatchHeader(const char* line, std::size_t size, const char* lowerName, std::string* value);

// A plain non-negative decimal number (no sign, no blanks, no overflow): true with the value.
bool ParseLengthValue(const std::string& text, std::int64_t* value);

// "bytes first-last/total" with a known total: true with the three numbers (first <= last < total).
bool ParseContentRange(const std::string& text, std::int64_t* first, std::int64_t* last,
                       std::int64_t* total);
