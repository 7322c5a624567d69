// Temporary output files that Ctrl-C (SIGINT), SIGTERM or SIGHUP must not leave
// behind. The signal handler can only reach process-wide state, so the
// names live in a fixed table; registering is rare (once per output) and
// the table is small because at most a few outputs are open at a time.
#pragma once

#include <signal.h>

namespace zelvanor::platform::posix {

// Holds those signals back while it lives: a temporary file is created
// and registered under one, so that no signal falls between the two and
// leaves a file the handler does not know of. A signal that came meanwhile
// is delivered (and cleans up) when the object goes.
class InterruptDeferral {
 public:
  InterruptDeferral();
  InterruptDeferral(const InterruptDeferral&) = delete;
  InterruptDeferral& operator=(const InterruptDeferral&) = delete;
  ~InterruptDeferral();

 private:
  sigset_t previous_;
};

// Remembers `path` for removal on those signals and installs the handlers
// the first time (only where the signal still has its default action, so a
// shell's "ignore" stays in force). Returns a ticket for Forget, or -1 when
// the table is full or the path too long (the file then is not cleaned up
// on a signal, which is no worse than without the table).
int RememberForInterrupt(const char* path);

// Stops watching the ticket's file (it was renamed into place or deleted).
void ForgetForInterrupt(int ticket);

}  // namespace zelvanor::platform::posix
