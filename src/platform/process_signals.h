// How the process meets the signals its surroundings send, settled once at
// start, before the first output file is created and before any thread.
#pragma once

namespace zelvanor::platform {

// POSIX: SIGXFSZ is ignored, so that a write past a file-size limit
// (`ulimit -f`) fails with EFBIG and ends the run like any failed write
// (message, exit code 99, temporary removed) instead of killing it
// silently. SIGINT, SIGTERM, SIGHUP and SIGPIPE, where they have their
// default action, remove every temporary output of the run and then end
// the process by that signal; a SIGPIPE ignored by whoever started the
// program stays ignored, so a run whose reader went away finishes its
// files.
//
// Windows has neither signal: a write past a quota or onto a full disk
// fails as an error, and writing to a closed pipe fails without stopping
// the process, so the run finishes its files there, as with an ignored
// SIGPIPE. Ctrl+C, Ctrl+Break and closing the console are handled when the
// first output is created.
void SetUpProcessSignals();

}  // namespace zelvanor::platform
