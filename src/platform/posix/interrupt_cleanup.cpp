#include "platform/posix/interrupt_cleanup.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>

namespace zelvanor::platform::posix {
namespace {

// Ctrl-C, kill, a terminal closed under a running batch, and a reader of
// standard output that went away (`zelvanor ... | head -1`).
constexpr int kCleanedUpSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

struct Slot {
  std::atomic<bool> taken{false};  // owned by an output file
  std::atomic<bool> armed{false};  // path is complete and may be removed
  char path[PATH_MAX] = {};
};

// Process-wide by necessity: a signal handler has no other way in. Set up
// at compile time (all zero), so that its pages stay untouched, and cost
// no memory, until a temporary file takes a slot.
constinit Slot g_slots[kInterruptSlots];
// Threads inside an InterruptDeferral, and whether a handler has begun.
// The two form a handshake (each side writes its own flag, then reads the
// other's, all sequentially consistent): either the handler sees the
// thread and waits for its file to be in the table, or the thread sees the
// handler and creates nothing.
std::atomic<int> g_registering{0};
std::atomic<bool> g_ending{false};

static_assert(std::atomic<bool>::is_always_lock_free, "the handler reads these flags");
static_assert(std::atomic<int>::is_always_lock_free, "the handler reads this counter");

extern "C" void RemoveTemporariesAndDie(int signal_number) {
  g_ending.store(true);
  // A thread between creating a file and entering it is a few system
  // calls from done, and cannot be this thread (it holds these signals).
  while (g_registering.load() != 0) {
  }
  const int interrupted_errno = errno;  // a file renamed meanwhile fails to unlink
  for (Slot& slot : g_slots) {
    if (slot.armed.load()) ::unlink(slot.path);
  }
  errno = interrupted_errno;
  // SA_RESETHAND restored the default action; raising again ends the
  // process the way the signal would have, so the parent sees it.
  ::raise(signal_number);
}

void InstallHandlersNow() {
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

void InstallInterruptHandlers() {
  // Initialised once, and any other thread that comes meanwhile waits for
  // it to be done before it creates a file.
  static const bool installed = (InstallHandlersNow(), true);
  (void)installed;
}

InterruptDeferral::InterruptDeferral() {
  InstallInterruptHandlers();
  sigset_t held;
  sigemptyset(&held);
  for (int signal_number : kCleanedUpSignals) sigaddset(&held, signal_number);
  ::pthread_sigmask(SIG_BLOCK, &held, &previous_);
  g_registering.fetch_add(1);
  may_create_ = !g_ending.load();
}

InterruptDeferral::~InterruptDeferral() {
  g_registering.fetch_sub(1);
  ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

int RememberForInterrupt(const char* path) {
  const std::size_t length = std::strlen(path);
  if (length >= PATH_MAX) return -1;
  for (int ticket = 0; ticket < kInterruptSlots; ++ticket) {
    Slot& slot = g_slots[ticket];
    if (slot.taken.exchange(true)) continue;
    std::memcpy(slot.path, path, length + 1);
    slot.armed.store(true);
    return ticket;
  }
  return -1;
}

void ForgetForInterrupt(int ticket) {
  if (ticket < 0 || ticket >= kInterruptSlots) return;
  g_slots[ticket].armed.store(false);
  g_slots[ticket].taken.store(false);
}

}  // namespace zelvanor::platform::posix
