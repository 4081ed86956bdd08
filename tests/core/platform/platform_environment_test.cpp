#include "core/platform/environment.h"

#include <cstdlib>

#include <gtest/gtest.h>

namespace {

class ExpandEnvironmentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("CORVANE_T_DIR", "/opt/Program Files", 1);
    setenv("CORVANE_T_EMPTY", "", 1);
    unsetenv("CORVANE_T_UNSET");
  }
  void TearDown() override {
    unsetenv("CORVANE_T_DIR");
    unsetenv("CORVANE_T_EMPTY");
  }
};

TEST_F(ExpandEnvironmentTest, KnownVariables) {
  EXPECT_EQ("/opt/Program Files\\x", ds::ExpandEnvironmentStrings("%CORVANE_T_DIR%\\x"));
  EXPECT_EQ("a/opt/Program Files/opt/Program Filesb",
            ds::ExpandEnvironmentStrings("a%CORVANE_T_DIR%%CORVANE_T_DIR%b"));
  EXPECT_EQ("/opt/Program Files", ds::ExpandEnvironmentStrings("%corvane_t_dir%"))
      << "names are case-insensitive, as on Windows";
  EXPECT_EQ("[]", ds::ExpandEnvironmentStrings("[%CORVANE_T_EMPTY%]"))
      << "set but empty is not unknown";
  EXPECT_EQ("plain text", ds::ExpandEnvironmentStrings("plain text"));
  EXPECT_EQ("", ds::ExpandEnvironmentStrings(""));
}

TEST_F(ExpandEnvironmentTest, UnknownNamesAndStrayPercentsStayAsWritten) {
  EXPECT_EQ("%CORVANE_T_UNSET%\\x", ds::ExpandEnvironmentStrings("%CORVANE_T_UNSET%\\x"));
  // The scan resumes after the closing '%' of an unknown name.
  EXPECT_EQ("%CORVANE_T_UNSET%CORVANE_T_DIR%",
            ds::ExpandEnvironmentStrings("%CORVANE_T_UNSET%CORVANE_T_DIR%"));
  EXPECT_EQ("%CORVANE_T_UNSET%x/opt/Program Files",
            ds::ExpandEnvironmentStrings("%CORVANE_T_UNSET%x%CORVANE_T_DIR%"));
  EXPECT_EQ("100%%", ds::ExpandEnvironmentStrings("100%%"));
  EXPECT_EQ("%%CORVANE_T_DIR%", ds::ExpandEnvironmentStrings("%%CORVANE_T_DIR%"));
  EXPECT_EQ("50% done", ds::ExpandEnvironmentStrings("50% done"));
  EXPECT_EQ("%A=B%", ds::ExpandEnvironmentStrings("%A=B%"));
}

}  // namespace
