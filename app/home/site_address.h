// What a click on a web site or an advertisement opens. An address without "://" gets "http://"
// in front; the scheme (and only the scheme: paths are case-sensitive) is compared ignoring
// letter case. Only http and https addresses are opened, so an address from the server can never
// start a local file or another handler.
#pragma once

#include <string>

struct SiteTarget {
  bool ok = false;
  std::string url;    // what to open when ok
  std::string error;  // the popup text when not
};

SiteTarget PrepareSiteAddress(const std::string& address);

// Opens the address with the desktop (xdg-open). The popup text when it was refused or could
// not be opened, "" when it was handed over.
std::string OpenSiteAddress(const std::string& address);
