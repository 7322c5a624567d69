#include "platform/usable_cores.h"

#include <bit>
#include <cstdint>
#include <thread>

#include "platform/windows/windows_api.h"

namespace zelvanor::platform {

int UsableCores() {
  DWORD_PTR process_mask = 0;
  DWORD_PTR system_mask = 0;
  if (::GetProcessAffinityMask(::GetCurrentProcess(), &process_mask, &system_mask) && process_mask != 0) {
    return std::popcount(static_cast<std::uintptr_t>(process_mask));
  }
  const unsigned reported = std::thread::hardware_concurrency();
  return reported > 0 ? static_cast<int>(reported) : 1;
}

}  // namespace zelvanor::platform
