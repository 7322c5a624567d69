#include "output/output_limits.h"

#include "common/run_error.h"

namespace zelvanor {

void ThrowOutputTooLarge() {
  ThrowFatal("fatal error: output would exceed the 4 GB size limit of a WAVE file\n");
}

}  // namespace zelvanor
