#include "core/crypto/update_signature.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <sodium.h>

#include "core/log/logger.h"
#include "core/platform/file_write.h"
#include "core/text/path.h"

namespace ds {
namespace {

bool SodiumReady() { return sodium_init() >= 0; }

// The whole file, or false when it cannot be read to its end.
bool ReadAll(const std::string& path, std::string* bytes) {
  const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bytes->clear();
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ::close(fd);
      return got == 0;
    }
    bytes->append(buffer, static_cast<std::size_t>(got));
  }
}

// Exactly `size` bytes from `hex` (no separators, either letter case).
bool FromHex(std::string_view hex, unsigned char* out, std::size_t size) {
  std::size_t written = 0;
  const char* end = nullptr;
  return hex.size() == size * 2 &&
         sodium_hex2bin(out, size, hex.data(), hex.size(), nullptr, &written, &end) == 0 && written == size &&
         end == hex.data() + hex.size();
}

std::string ToHex(const unsigned char* bytes, std::size_t size) {
  std::string hex(size * 2 + 1, '\0');
  sodium_bin2hex(hex.data(), hex.size(), bytes, size);
  hex.pop_back();
  return hex;
}

const char* Describe(SignatureCheck check) {
  return check == SignatureCheck::kMissing ? "has no signature" : "has a signature that does not verify";
}

}  // namespace

std::string SignatureFileOf(const std::string& path) { return path + ".sig"; }

UpdateVerifier::UpdateVerifier(std::string_view public_key_hex) {
  has_key_ = !public_key_hex.empty();
  key_usable_ = has_key_ && FromHex(public_key_hex, key_, sizeof key_);
}

SignatureCheck UpdateVerifier::Check(const std::string& file, const std::string& signature_file) const {
  if (!has_key_) return SignatureCheck::kNoKey;
  std::string signature;
  if (!ReadAll(signature_file, &signature) || signature.size() != kSignatureSize) return SignatureCheck::kMissing;
  std::string bytes;
  if (!key_usable_ || !SodiumReady() || !ReadAll(file, &bytes)) return SignatureCheck::kInvalid;
  const int verified = crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature.data()),
                                                   reinterpret_cast<const unsigned char*>(bytes.data()),
                                                   bytes.size(), key_);
  return verified == 0 ? SignatureCheck::kValid : SignatureCheck::kInvalid;
}

bool UpdateVerifier::Accepts(const std::string& file, const char* module) const {
  const SignatureCheck check = Check(file, SignatureFileOf(file));
  if (check == SignatureCheck::kNoKey || check == SignatureCheck::kValid) return true;
  LogWarn{module}("%s %s; refused.", file.c_str(), Describe(check));
  return false;
}

bool MakeSigningKeyPair(std::string* public_hex, std::string* secret_hex) {
  unsigned char public_key[kSigningPublicKeySize];
  unsigned char secret_key[kSigningSecretKeySize];
  if (!SodiumReady() || crypto_sign_keypair(public_key, secret_key) != 0) return false;
  *public_hex = ToHex(public_key, sizeof public_key);
  *secret_hex = ToHex(secret_key, sizeof secret_key);
  sodium_memzero(secret_key, sizeof secret_key);
  return true;
}

bool SignFile(std::string_view secret_hex, const std::string& file, const std::string& signature_file) {
  unsigned char secret_key[kSigningSecretKeySize];
  std::string bytes;
  bool signed_ok = false;
  if (SodiumReady() && FromHex(secret_hex, secret_key, sizeof secret_key) && ReadAll(file, &bytes)) {
    unsigned char signature[kSignatureSize];
    signed_ok = crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(bytes.data()),
                                     bytes.size(), secret_key) == 0 &&
                ReplaceFileAtomically(NativePath(signature_file),
                                      std::string_view(reinterpret_cast<const char*>(signature), sizeof signature),
                                      CreationMode(0644));
  }
  sodium_memzero(secret_key, sizeof secret_key);
  return signed_ok;
}

std::string ReadPublicKeyFile(const std::string& path) {
  std::string text;
  if (!ReadAll(path, &text)) return std::string();
  const std::size_t end = text.find_first_of("\r\n");
  std::string line = text.substr(0, end);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
  unsigned char key[kSigningPublicKeySize];
  return FromHex(line, key, sizeof key) ? line : std::string();
}

}  // namespace ds
