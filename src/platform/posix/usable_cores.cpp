#include "platform/usable_cores.h"

#if defined(__linux__)
#include <sched.h>
#endif

#include <thread>

namespace zelvanor::platform {

int UsableCores() {
#if defined(__linux__)
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (::sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
    const int count = CPU_COUNT(&allowed);
    if (count > 0) return count;
  }
#endif
  const unsigned reported = std::thread::hardware_concurrency();
  return reported > 0 ? static_cast<int>(reported) : 1;
}

}  // namespace zelvanor::platform
