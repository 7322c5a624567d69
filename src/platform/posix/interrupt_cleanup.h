// Temporary output files that Ctrl-C (SIGINT) or SIGTERM must not leave
// behind. The signal handler can only reach process-wide state, so the
// names live in a fixed table; registering is rare (once per output) and
// the table is small because at most a few outputs are open at a time.
#pragma once

namespace zelvanor::platform::posix {

// Remembers `path` for removal on SIGINT/SIGTERM and installs the handlers
// the first time (only where the signal still has its default action, so a
// shell's "ignore" stays in force). Returns a ticket for Forget, or -1 when
// the table is full or the path too long (the file then is not cleaned up
// on a signal, which is no worse than without the table).
int RememberForInterrupt(const char* path);

// Stops watching the ticket's file (it was renamed into place or deleted).
void ForgetForInterrupt(int ticket);

}  // namespace zelvanor::platform::posix
