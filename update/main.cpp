// The updater: brings the installation in its own folder from version c to version s
// ("update -c<c> -s<s>") and starts the main program again.
#include "update/update_app.h"

int main(int argc, char** argv) {
  update::CUpdateApp app;
  return app.Run(argc, argv);
}
