// How src/platform keeps an open file in its classes without showing an
// operating-system header to the rest of the program: the POSIX descriptor
// or the Windows HANDLE as an integer. -1 means "no file" on both systems
// (INVALID_HANDLE_VALUE is -1).
#pragma once

#include <cstdint>

namespace zelvanor::platform {

using OsHandle = std::intptr_t;
inline constexpr OsHandle kNoOsHandle = -1;

}  // namespace zelvanor::platform
