// The rules of logging in, apart from any window: what the account and password boxes may hold,
// the texts of the server's refusals, the faces of a user, and the state a login leaves.
#pragma once

#include <cstdint>
#include <string>

namespace login {

constexpr char kEmptyInput[] = "  帐号/密码不能为空！";
constexpr char kAccountTooLong[] = "  帐号不能超过20个字符(10个汉字)！";
constexpr char kPasswordTooLong[] = "  密码不能超过49个字符！";
constexpr char kConnectFailed[] = "连接登陆服务器失败";

enum class InputVerdict { kOk, kEmpty, kAccountTooLong, kPasswordTooLong };
// Checked before connecting; lengths count GBK bytes.
InputVerdict CheckInput(const std::string& account, const std::string& password);
// The popup text of a verdict other than kOk.
const char* InputText(InputVerdict verdict);

// The text shown for a refusal code of message 185.
const char* RefusalText(std::int32_t code);

// Face and hair images for a sex code (2 female, anything else male).
const char* FaceImage(int sex);
const char* HairImage(int sex);
// "女" for 2, else "男".
const char* SexText(int sex);
// "普通会员" for member flag 0, else "".
const char* MemberText(int member);

// What the page knows of the account.
struct LoginState {
  bool loggedIn = false;
  std::string account;   // of the last attempt
  std::string password;  // of the last attempt, kept for the uploads' login
  int sex = 1;
  int member = 0;
  std::string nickname;
  // Back to the logged-out defaults.
  void Reset() { *this = LoginState(); }
};

}  // namespace login
