// The real text behind a password box. The box shows one '*' per GBK byte of the password, so
// star positions are byte positions here. Edits never split a double-byte character: a range
// that starts or ends inside one is widened to the whole character, and a backspace removes the
// whole character before the caret (removing one byte would leave half a character behind and
// corrupt the password).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "vexo/export.h"

class VEXO_API VEXO_PasswordText {
 public:
  // Replaces the whole password (GBK bytes).
  void Set(const std::string& gbk);
  const std::string& Real() const { return real_; }
  std::size_t Length() const { return real_.size(); }

  // Maximum length in bytes; 0 = no limit. A longer password already held is kept.
  void SetLimit(std::size_t bytes) { limit_ = bytes; }
  std::size_t Limit() const { return limit_; }

  // Replaces the bytes [start, end) with `gbk` (either order; clamped to the text and widened
  // to character boundaries; an empty range inside a character moves to the character's end).
  // Text that does not fit the limit is cut at a character boundary.
  // Returns the caret position after the inserted text.
  std::size_t Replace(std::size_t start, std::size_t end, const std::string& gbk);

  // Backspace: removes the selection [start, end) when it is not empty, else the character
  // before `caret`. Returns the new caret position.
  std::size_t Backspace(std::size_t start, std::size_t end, std::size_t caret);
  // Delete: removes the selection when it is not empty, else the character at `caret`.
  std::size_t Delete(std::size_t start, std::size_t end, std::size_t caret);

  // Start of the character that holds byte `pos`, and the position after it (pos <= Length()).
  std::size_t CharStart(std::size_t pos) const;
  std::size_t CharEnd(std::size_t pos) const;

  // Byte offsets at which characters start (GBK lead bytes above 0x80 take two bytes; a
  // four-byte GB18030 code, lead + digit + lead + digit, takes four).
  static std::vector<std::size_t> CharStarts(const std::string& gbk);

 private:
  std::string real_;
  std::size_t limit_ = 0;
};
