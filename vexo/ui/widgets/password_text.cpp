#include "vexo/ui/widgets/password_text.h"

#include <algorithm>

namespace {

bool IsLead(unsigned char c) { return c >= 0x81 && c != 0xFF; }
bool IsDigit(unsigned char c) { return c >= 0x30 && c <= 0x39; }

// Length of the character starting at `pos`.
std::size_t CharLength(const std::string& text, std::size_t pos) {
  const std::size_t left = text.size() - pos;
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
  if (!IsLead(at(0)) || left < 2) return 1;
  if (IsDigit(at(1))) {
    // Four-byte GB18030 code; a broken one counts byte by byte.
    if (left >= 4 && IsLead(at(2)) && IsDigit(at(3))) return 4;
    return 1;
  }
  return 2;
}

}  // namespace

std::vector<std::size_t> VEXO_PasswordText::CharStarts(const std::string& gbk) {
  std::vector<std::size_t> starts;
  for (std::size_t pos = 0; pos < gbk.size(); pos += CharLength(gbk, pos)) starts.push_back(pos);
  return starts;
}

void VEXO_PasswordText::Set(const std::string& gbk) { real_ = gbk; }

std::size_t VEXO_PasswordText::CharStart(std::size_t pos) const {
  if (pos >= real_.size()) return real_.size();
  std::size_t at = 0;
  for (;;) {
    const std::size_t next = at + CharLength(real_, at);
    if (next > pos) return at;
    at = next;
  }
}

std::size_t VEXO_PasswordText::CharEnd(std::size_t pos) const {
  if (pos >= real_.size()) return real_.size();
  const std::size_t start = CharStart(pos);
  return start + CharLength(real_, start);
}

std::size_t VEXO_PasswordText::Replace(std::size_t start, std::size_t end, const std::string& gbk) {
  if (start > end) std::swap(start, end);
  start = std::min(start, real_.size());
  end = std::min(end, real_.size());
  if (start == end) {
    // A caret between the bytes of a character inserts after it; the character stays.
    if (CharStart(start) < start) start = CharEnd(start);
    end = start;
  } else {
    // A range that starts or ends inside a character takes the whole character.
    start = CharStart(start);
    if (CharStart(end) < end) end = CharEnd(end);
  }
  const std::string tail = real_.substr(end);
  std::string insert = gbk;
  if (limit_ != 0) {
    const std::size_t kept = start + tail.size();
    const std::size_t room = kept >= limit_ ? 0 : limit_ - kept;
    if (insert.size() > room) {
      // Cut at the last character boundary that still fits.
      std::size_t cut = 0;
      for (std::size_t at : CharStarts(insert)) {
        if (at > room) break;
        cut = at;
      }
      insert.resize(cut);
    }
  }
  real_ = real_.substr(0, start) + insert + tail;
  return start + insert.size();
}

std::size_t VEXO_PasswordText::Backspace(std::size_t start, std::size_t end, std::size_t caret) {
  if (start != end) return Replace(start, end, std::string());
  caret = std::min(caret, real_.size());
  if (caret == 0) return 0;
  return Replace(CharStart(caret - 1), caret, std::string());
}

std::size_t VEXO_PasswordText::Delete(std::size_t start, std::size_t end, std::size_t caret) {
  if (start != end) return Replace(start, end, std::string());
  caret = std::min(caret, real_.size());
  if (caret == real_.size()) return caret;
  return Replace(caret, CharEnd(caret), std::string());
}
