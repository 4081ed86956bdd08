#include "app/home/site_address.h"

#include "core/log/logger.h"
#include "core/net/account_wire.h"
#include "core/platform/process.h"
#include "core/text/ascii.h"
#include "core/text/text_codec.h"

namespace {
constexpr char kRefused[] = "只能打开 http 或 https 网址";
constexpr char kTooLong[] = "网址太长，无法打开";
constexpr char kOpenFailed[] = "无法打开网址";
}  // namespace

SiteTarget PrepareSiteAddress(const std::string& address) {
  SiteTarget target;
  if (ds::GbkByteLength(address) > ds::kSiteAddressMaxBytes) {
    target.error = kTooLong;
    return target;
  }
  for (unsigned char c : address) {
    if (c < 0x20 || c == 0x7F) {
      target.error = kRefused;
      return target;
    }
  }
  const std::size_t mark = address.find("://");
  if (mark == std::string::npos) {
    target.url = "http://" + address;
  } else {
    const std::string scheme = ds::AsciiLower(address.substr(0, mark));
    if (scheme != "http" && scheme != "https") {
      target.error = kRefused;
      return target;
    }
    target.url = scheme + address.substr(mark);
  }
  target.ok = true;
  return target;
}

std::string OpenSiteAddress(const std::string& address) {
  const SiteTarget target = PrepareSiteAddress(address);
  if (!target.ok) {
    ds::LogWarn("OpenSiteAddress")("refused to open %s.", address.c_str());
    return target.error;
  }
  if (ds::OpenWithShell(target.url.c_str()) <= 32) {
    ds::LogWarn("OpenSiteAddress")("can't open %s.", target.url.c_str());
    return kOpenFailed;
  }
  return std::string();
}
