// Passwords are kept only as Argon2id (libsodium) of the MD5 text the client sends, never the MD5
// itself: a stolen store does not let anyone log in.
#pragma once

#include <string>

namespace corvane_server {

// The cost of new hashes. Interactive is libsodium's recommendation for logins (64 MiB, 2 passes);
// Minimal exists for fuzzing and for filling test stores quickly. Verifying uses the cost recorded
// in the hash itself.
enum class HashCost { kInteractive, kMinimal };

// False when libsodium cannot start; call once before hashing.
bool InitPasswordHashing();

// The Argon2id string of `md5Text`, or "" when hashing failed (out of memory).
std::string HashPassword(const std::string& md5Text, HashCost cost = HashCost::kInteractive);

bool VerifyPassword(const std::string& hash, const std::string& md5Text);

}  // namespace corvane_server
