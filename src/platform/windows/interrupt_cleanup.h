// Temporary output files that Ctrl+C, Ctrl+Break or closing the console
// window must not leave behind. Windows runs console control handlers on a
// thread of their own, so the names sit in a locked table.
#pragma once

#include <string>

namespace zelvanor::platform::windows {

// Remembers `path` for deletion when the console asks the process to stop,
// and installs the handler the first time. Returns a ticket for Forget.
int RememberForInterrupt(const std::string& path);

// Stops watching the ticket's file (it was renamed into place or deleted).
void ForgetForInterrupt(int ticket);

// What the handler does before the process ends: deletes every remembered
// file. Files still open are deleted when their handle closes, which the
// end of the process does.
void DeleteRememberedFiles();

}  // namespace zelvanor::platform::windows
