#include "update/update_messages.h"

namespace update {

int ProgressPercent(long long done, long long total) {
  if (total <= 0 || done <= 0) return 0;
  if (done >= total) return 100;
  return static_cast<int>(done * 100.0 / static_cast<double>(total));
}

}  // namespace update
