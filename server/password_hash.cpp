#include "server/password_hash.h"

#include <sodium.h>

namespace corvane_server {

bool InitPasswordHashing() { return sodium_init() >= 0; }

std::string HashPassword(const std::string& md5Text, HashCost cost) {
  char out[crypto_pwhash_STRBYTES];
  unsigned long long ops = cost == HashCost::kMinimal ? crypto_pwhash_argon2id_OPSLIMIT_MIN
                                                      : crypto_pwhash_argon2id_OPSLIMIT_INTERACTIVE;
  size_t memory = cost == HashCost::kMinimal ? crypto_pwhash_argon2id_MEMLIMIT_MIN
                                             : crypto_pwhash_argon2id_MEMLIMIT_INTERACTIVE;
  if (crypto_pwhash_str_alg(out, md5Text.data(), md5Text.size(), ops, memory, crypto_pwhash_ALG_ARGON2ID13) != 0) {
    return std::string();
  }
  return std::string(out);
}

bool VerifyPassword(const std::string& hash, const std::string& md5Text) {
  // Only Argon2id strings count: a stored value of any other form never matches.
  if (hash.rfind("$argon2id$", 0) != 0 || hash.size() >= crypto_pwhash_STRBYTES) return false;
  return crypto_pwhash_str_verify(hash.c_str(), md5Text.data(), md5Text.size()) == 0;
}

}  // namespace corvane_server
