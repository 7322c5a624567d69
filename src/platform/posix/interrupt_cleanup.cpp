#include "platform/posix/interrupt_cleanup.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstring>

namespace zelvanor::platform::posix {
namespace {

constexpr int kSlots = 16;
// Ctrl-C, kill, and a terminal closed under a running batch.
constexpr int kCleanedUpSignals[] = {SIGINT, SIGTERM, SIGHUP};

struct Slot {
  std::atomic<bool> taken{false};  // owned by an output file
  std::atomic<bool> armed{false};  // path is complete and may be removed
  char path[PATH_MAX];
};

// Process-wide by necessity: a signal handler has no other way in.
Slot g_slots[kSlots];
std::atomic<bool> g_handlers_installed{false};

static_assert(std::atomic<bool>::is_always_lock_free, "the handler reads these flags");

extern "C" void RemoveTemporariesAndDie(int signal_number) {
  for (Slot& slot : g_slots) {
    if (slot.armed.load()) ::unlink(slot.path);
  }
  // SA_RESETHAND restored the default action; raising again ends the
  // process the way the signal would have, so the parent sees it.
  ::raise(signal_number);
}

void InstallHandlers() {
  if (g_handlers_installed.exchange(true)) return;
  for (int signal_number : kCleanedUpSignals) {
    struct sigaction current {};
    if (::sigaction(signal_number, nullptr, &current) != 0) continue;
    if (current.sa_handler != SIG_DFL) continue;
    struct sigaction action {};
    action.sa_handler = RemoveTemporariesAndDie;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    ::sigaction(signal_number, &action, nullptr);
  }
}

}  // namespace

InterruptDeferral::InterruptDeferral() {
  sigset_t held;
  sigemptyset(&held);
  for (int signal_number : kCleanedUpSignals) sigaddset(&held, signal_number);
  ::sigprocmask(SIG_BLOCK, &held, &previous_);
}

InterruptDeferral::~InterruptDeferral() { ::sigprocmask(SIG_SETMASK, &previous_, nullptr); }

int RememberForInterrupt(const char* path) {
  const std::size_t length = std::strlen(path);
  if (length >= PATH_MAX) return -1;
  InstallHandlers();
  for (int ticket = 0; ticket < kSlots; ++ticket) {
    Slot& slot = g_slots[ticket];
    if (slot.taken.exchange(true)) continue;
    std::memcpy(slot.path, path, length + 1);
    slot.armed.store(true);
    return ticket;
  }
  return -1;
}

void ForgetForInterrupt(int ticket) {
  if (ticket < 0 || ticket >= kSlots) return;
  g_slots[ticket].armed.store(false);
  g_slots[ticket].taken.store(false);
}

}  // namespace zelvanor::platform::posix
