#include "platform/process_signals.h"

namespace zelvanor::platform {

// Nothing to settle: see the header. The console handler that removes
// temporary outputs is installed with the first of them.
void SetUpProcessSignals() {}

}  // namespace zelvanor::platform
