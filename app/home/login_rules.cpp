#include "app/home/login_rules.h"

#include "core/net/account_wire.h"
#include "core/text/text_codec.h"

namespace login {

InputVerdict CheckInput(const std::string& account, const std::string& password) {
  if (account.empty() || password.empty()) return InputVerdict::kEmpty;
  if (ds::GbkByteLength(account) > ds::kAccountMaxBytes) return InputVerdict::kAccountTooLong;
  // The history keeps 50 bytes with the terminator: a longer password is refused, never cut.
  if (ds::GbkByteLength(password) > ds::kPasswordMaxBytes) return InputVerdict::kPasswordTooLong;
  return InputVerdict::kOk;
}

const char* InputText(InputVerdict verdict) {
  switch (verdict) {
    case InputVerdict::kEmpty: return kEmptyInput;
    case InputVerdict::kAccountTooLong: return kAccountTooLong;
    case InputVerdict::kPasswordTooLong: return kPasswordTooLong;
    case InputVerdict::kOk: break;
  }
  return "";
}

const char* RefusalText(std::int32_t code) {
  switch (code) {
    case 2: return "找不到此帐号";
    case 3: return "密码错误，请查证后再次登录 ";
    case 4: return "此帐号已被禁止登录！";
    case 5: return "你所在的 IP 地址被禁止登陆！";
    case 6: return "很抱歉，这个用户名已经有人注册了！";
    case 7: return "输入的密码错误！";
    case 8: return "你需要在指定的 IP 地址的系统登陆！";
    case 12: return "服务器维护中，请稍后登陆！";
    case 16: return "系统繁忙，请稍后再试！";
    default: return "系统登录错误";
  }
}

const char* FaceImage(int sex) { return sex == 2 ? "img/face/00.gif" : "img/face/01.gif"; }
const char* HairImage(int sex) { return sex == 2 ? "img/face/gHair00.gif" : "img/face/bHair00.gif"; }
const char* SexText(int sex) { return sex == 2 ? "女" : "男"; }
const char* MemberText(int member) { return member == 0 ? "普通会员" : ""; }

}  // namespace login
