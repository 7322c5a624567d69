#include "platform/process_signals.h"

#include <signal.h>

#include "platform/posix/interrupt_cleanup.h"

namespace zelvanor::platform {

void SetUpProcessSignals() {
  ::signal(SIGXFSZ, SIG_IGN);
  posix::InstallInterruptHandlers();
}

}  // namespace zelvanor::platform
