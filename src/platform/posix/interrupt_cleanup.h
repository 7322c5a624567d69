// Temporary output files that Ctrl-C (SIGINT), SIGTERM, SIGHUP or a closed
// standard output (SIGPIPE) must not leave behind. The signal handler can
// only reach process-wide state, so the names live in a fixed table;
// registering is rare (once per output) and the table is small because a
// run keeps one temporary per file in flight (a few per lane, 64 at most).
#pragma once

#include <signal.h>

#include "platform/temporary_file.h"

namespace zelvanor::platform::posix {

inline constexpr int kInterruptSlots = kTemporariesCleanedOnInterrupt;

// Installs the handlers (once; later calls do nothing), only where the
// signal still has its default action, so a shell's "ignore" stays in
// force. Called at start, before any thread exists; creating a temporary
// file calls it too, for programs (tests) that did not.
void InstallInterruptHandlers();

// Lives around the creation and registration of a temporary file. It holds
// those signals back on this thread, so that no handler runs here between
// the two; and it tells a handler running on another thread to wait until
// the file is in the table. Once a handler has begun, may_create() is
// false: the process is ending, and a file made now would be left behind.
// A signal that came meanwhile is delivered (and cleans up) when the
// object goes.
class InterruptDeferral {
 public:
  InterruptDeferral();
  InterruptDeferral(const InterruptDeferral&) = delete;
  InterruptDeferral& operator=(const InterruptDeferral&) = delete;
  ~InterruptDeferral();

  bool may_create() const { return may_create_; }

 private:
  sigset_t previous_;
  bool may_create_;
};

// Remembers `path` for removal on those signals. Returns a ticket for
// Forget, or -1 when the table is full or the path too long (the file then
// is not cleaned up on a signal, which is no worse than without the table).
int RememberForInterrupt(const char* path);

// Stops watching the ticket's file (it was renamed into place or deleted).
void ForgetForInterrupt(int ticket);

}  // namespace zelvanor::platform::posix
