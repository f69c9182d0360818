#include "base/timing.h"

namespace vlm {

Timing& timing() {
  static Timing table;
  return table;
}

}  // namespace vlm
