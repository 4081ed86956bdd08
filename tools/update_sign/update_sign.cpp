// update_sign: the publisher's side of signed updates.
//
//   update_sign keygen NAME          writes NAME.pub (the public key, for the build) and NAME.key
//                                    (the secret key, mode 0600; never leaves the publisher)
//   update_sign sign NAME.key FILE...  writes FILE.sig beside each FILE
//   update_sign verify NAME.pub FILE...  checks FILE against FILE.sig
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "core/crypto/update_signature.h"
#include "core/platform/file_write.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: update_sign keygen NAME\n"
               "       update_sign sign NAME.key FILE...\n"
               "       update_sign verify NAME.pub FILE...\n");
  return 2;
}

// Creates `path` with `mode`, refusing to overwrite a key that exists.
bool WriteNew(const std::string& path, const std::string& text, unsigned mode) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) {
    std::fprintf(stderr, "update_sign: can't create %s: %s\n", path.c_str(), std::strerror(errno));
    return false;
  }
  const bool written = ds::WriteAll(fd, text.data(), text.size());
  return ::close(fd) == 0 && written;
}

int KeyGen(const std::string& name) {
  std::string public_hex;
  std::string secret_hex;
  if (!ds::MakeSigningKeyPair(&public_hex, &secret_hex)) {
    std::fprintf(stderr, "update_sign: can't make a key pair\n");
    return 1;
  }
  if (!WriteNew(name + ".key", secret_hex + "\n", 0600) || !WriteNew(name + ".pub", public_hex + "\n", 0644))
    return 1;
  std::printf("%s.pub: %s\n", name.c_str(), public_hex.c_str());
  return 0;
}

std::string FirstLine(const std::string& path) {
  std::string line;
  if (FILE* file = std::fopen(path.c_str(), "re")) {
    int c;
    while ((c = std::fgetc(file)) != EOF && c != '\n' && c != '\r') line += static_cast<char>(c);
    std::fclose(file);
  }
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "keygen") == 0) return KeyGen(argv[2]);
  if (argc < 4) return Usage();
  int failed = 0;
  if (std::strcmp(argv[1], "sign") == 0) {
    const std::string secret = FirstLine(argv[2]);
    for (int i = 3; i < argc; ++i) {
      if (!ds::SignFile(secret, argv[i], ds::SignatureFileOf(argv[i]))) {
        std::fprintf(stderr, "update_sign: can't sign %s with %s\n", argv[i], argv[2]);
        failed = 1;
      }
    }
    return failed;
  }
  if (std::strcmp(argv[1], "verify") == 0) {
    const std::string key = ds::ReadPublicKeyFile(argv[2]);
    if (key.empty()) {
      std::fprintf(stderr, "update_sign: %s holds no public key\n", argv[2]);
      return 1;
    }
    const ds::UpdateVerifier verifier(key);
    for (int i = 3; i < argc; ++i) {
      const bool good = verifier.Check(argv[i], ds::SignatureFileOf(argv[i])) == ds::SignatureCheck::kValid;
      std::printf("%s: %s\n", argv[i], good ? "good signature" : "NOT signed by this key");
      failed |= good ? 0 : 1;
    }
    return failed;
  }
  return Usage();
}
