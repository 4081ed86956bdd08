// Signatures of update files: the manifest and every packet are signed with an Ed25519 key, and
// the signature lies beside the file as "<file>.sig" (64 raw bytes, a detached signature over the
// whole file). The public key is built into the programs; a build without one accepts every file
// as before.
#pragma once

#include <string>
#include <string_view>

#include "core/export.h"

namespace ds {

constexpr int kSignatureSize = 64;
constexpr int kSigningPublicKeySize = 32;
constexpr int kSigningSecretKeySize = 64;

// "<path>.sig".
DS_API std::string SignatureFileOf(const std::string& path);

enum class SignatureCheck {
  kNoKey,    // no key built in: the file is accepted unchecked
  kValid,    // the signature is the key's, over exactly this file
  kMissing,  // no signature file, or one of the wrong size
  kInvalid,  // a signature of another key or of other bytes, or a file that cannot be read
};

class DS_API UpdateVerifier {
 public:
  // `public_key_hex`: the key as 64 hexadecimal characters, or "" for a build without a key. A
  // key given but malformed refuses every file.
  explicit UpdateVerifier(std::string_view public_key_hex);

  bool HasKey() const { return has_key_; }
  SignatureCheck Check(const std::string& file, const std::string& signature_file) const;
  // Check() with the signature beside the file; a refusal is logged under `module`.
  bool Accepts(const std::string& file, const char* module) const;

 private:
  bool has_key_ = false;
  bool key_usable_ = false;
  unsigned char key_[kSigningPublicKeySize] = {};
};

// A new key pair as hexadecimal text (64 and 128 characters). False when none could be made.
DS_API bool MakeSigningKeyPair(std::string* public_hex, std::string* secret_hex);
// Signs the file `file` with `secret_hex` into `signature_file`. False when the key is malformed
// or a file cannot be read or written.
DS_API bool SignFile(std::string_view secret_hex, const std::string& file, const std::string& signature_file);
// The 64 hexadecimal characters of a public key file's first line (as the signing tool writes
// it), or "" when the file is missing or holds no such key.
DS_API std::string ReadPublicKeyFile(const std::string& path);

}  // namespace ds
