#include "platform/windows/interrupt_cleanup.h"

#include <map>
#include <mutex>

#include "platform/windows/windows_api.h"

namespace zelvanor::platform::windows {
namespace {

struct Table {
  std::mutex lock;
  std::map<int, std::string> paths;
  int next_ticket = 0;
  bool handler_installed = false;
};

// Process-wide by necessity: the console handler has no other way in. Never
// destroyed, so a handler running while the process exits finds it intact.
Table& TheTable() {
  static Table* const table = new Table;
  return *table;
}

BOOL WINAPI DeleteOnConsoleEvent(DWORD /*event*/) {
  DeleteRememberedFiles();
  return FALSE;  // the default handler then ends the process
}

}  // namespace

int RememberForInterrupt(const std::string& path) {
  Table& table = TheTable();
  const std::lock_guard<std::mutex> hold(table.lock);
  if (!table.handler_installed) {
    table.handler_installed = ::SetConsoleCtrlHandler(DeleteOnConsoleEvent, TRUE) != 0;
  }
  const int ticket = table.next_ticket++;
  table.paths.emplace(ticket, path);
  return ticket;
}

void ForgetForInterrupt(int ticket) {
  Table& table = TheTable();
  const std::lock_guard<std::mutex> hold(table.lock);
  table.paths.erase(ticket);
}

void DeleteRememberedFiles() {
  Table& table = TheTable();
  const std::lock_guard<std::mutex> hold(table.lock);
  for (const auto& [ticket, path] : table.paths) ::DeleteFileA(path.c_str());
  table.paths.clear();
}

}  // namespace zelvanor::platform::windows
