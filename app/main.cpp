// Corvane, the software manager.
#include "app/shell/corvane_app.h"

int main(int argc, char** argv) {
  CCorvaneApp app;
  return app.Run(argc, argv);
}
