// Hexadecimal helpers for the cipher tests: vectors are written as the published hex strings.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/crypto/crypt.h"

namespace crypt_test {

using Bytes = std::vector<unsigned char>;

inline Bytes FromHex(const std::string& hex) {
  Bytes bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<unsigned char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

inline std::string ToHex(const Bytes& bytes) {
  std::string hex;
  char digits[3];
  for (unsigned char b : bytes) {
    std::snprintf(digits, sizeof digits, "%02X", b);
    hex += digits;
  }
  return hex;
}

struct ToolDeleter {
  void operator()(ds::ICrypt* tool) const { ds::CryptFactory::DestoryCryptTool(tool); }
};
using Tool = std::unique_ptr<ds::ICrypt, ToolDeleter>;

inline Tool MakeTool(ds::CRYPT_MODE mode, const Bytes& key) {
  return Tool(ds::CryptFactory::CreateCryptTool(mode, key.data(), static_cast<int>(key.size())));
}

// Enciphers (or deciphers) the hex text with a fresh tool; "rejected" when the tool returns -1.
inline std::string Cipher(ds::CRYPT_MODE mode, const std::string& key, const std::string& text,
                          bool encrypt) {
  Tool tool = MakeTool(mode, FromHex(key));
  Bytes data = FromHex(text);
  int result = encrypt ? tool->Encrypt(data.data(), static_cast<int>(data.size()))
                       : tool->Decrypt(data.data(), static_cast<int>(data.size()));
  return result == 0 ? ToHex(data) : "rejected";
}

}  // namespace crypt_test
