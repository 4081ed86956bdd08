// Detached signatures of update files: a file signed by the key verifies; another key's
// signature, a changed file, a missing or cut signature are refused; a build without a key
// accepts everything and a malformed key nothing.
#include "core/crypto/update_signature.h"

#include <gtest/gtest.h>

#include "tests/common/temp_dir.h"

namespace {

using corvane_test::ReadWholeFile;
using corvane_test::WriteWholeFile;
using ds::SignatureCheck;

class UpdateSignatureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ds::MakeSigningKeyPair(&public_, &secret_));
    ASSERT_TRUE(ds::MakeSigningKeyPair(&other_public_, &other_secret_));
    file_ = dir_.File("soft15.pkg");
    WriteWholeFile(file_, "PK packet bytes");
  }
  corvane_test::TempDir dir_;
  std::string public_, secret_, other_public_, other_secret_, file_;
};

TEST_F(UpdateSignatureTest, OnlyTheKeysSignatureOverTheSameBytesVerifies) {
  const ds::UpdateVerifier verifier(public_);
  EXPECT_EQ(SignatureCheck::kMissing, verifier.Check(file_, ds::SignatureFileOf(file_)));
  EXPECT_FALSE(verifier.Accepts(file_, "test"));

  ASSERT_TRUE(ds::SignFile(secret_, file_, ds::SignatureFileOf(file_)));
  EXPECT_EQ(64u, ReadWholeFile(file_ + ".sig").size());
  EXPECT_EQ(SignatureCheck::kValid, verifier.Check(file_, file_ + ".sig"));
  EXPECT_TRUE(verifier.Accepts(file_, "test"));
  EXPECT_EQ(SignatureCheck::kInvalid, ds::UpdateVerifier(other_public_).Check(file_, file_ + ".sig"));

  const std::string signature = ReadWholeFile(file_ + ".sig");
  WriteWholeFile(file_ + ".sig", signature.substr(0, 63));
  EXPECT_EQ(SignatureCheck::kMissing, verifier.Check(file_, file_ + ".sig"));
  WriteWholeFile(file_ + ".sig", signature);
  WriteWholeFile(file_, ReadWholeFile(file_) + "!");
  EXPECT_EQ(SignatureCheck::kInvalid, verifier.Check(file_, file_ + ".sig"));

  // Signed by another key: refused however well-formed.
  ASSERT_TRUE(ds::SignFile(other_secret_, file_, file_ + ".sig"));
  EXPECT_FALSE(verifier.Accepts(file_, "test"));
}

TEST_F(UpdateSignatureTest, NoKeyAcceptsAllAndABadKeyNothing) {
  EXPECT_EQ(SignatureCheck::kNoKey, ds::UpdateVerifier("").Check(file_, file_ + ".sig"));
  EXPECT_TRUE(ds::UpdateVerifier("").Accepts(file_, "test"));
  ASSERT_TRUE(ds::SignFile(secret_, file_, file_ + ".sig"));
  EXPECT_FALSE(ds::UpdateVerifier(public_.substr(2)).Accepts(file_, "test"));
  EXPECT_FALSE(ds::UpdateVerifier(std::string(64, 'g')).Accepts(file_, "test"));
  EXPECT_FALSE(ds::SignFile(public_, file_, file_ + ".sig"));  // a public key signs nothing

  WriteWholeFile(dir_.File("key.pub"), public_ + "\r\n");
  EXPECT_EQ(public_, ds::ReadPublicKeyFile(dir_.File("key.pub")));
  WriteWholeFile(dir_.File("key.pub"), public_.substr(1) + "\n");
  EXPECT_EQ("", ds::ReadPublicKeyFile(dir_.File("key.pub")));
}

}  // namespace
