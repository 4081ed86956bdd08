// The base of both downloaders: the process-wide libcurl set-up.
#pragma once

#include "vexo/export.h"

class VEXO_API HttpDownloaderBase {
 public:
  virtual ~HttpDownloaderBase();

  // curl_global_init(CURL_GLOBAL_ALL), and SIGXFSZ ignored (as SIGPIPE is). Called once at
  // program start, before any download. Returns 1.
  static int InitGlobal();
  // curl_global_cleanup(). Called once at program exit, after every downloader can be deleted.
  static void FiniGlobal();
};
