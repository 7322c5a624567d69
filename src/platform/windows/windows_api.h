// The Windows headers, without the min/max macros and the rarely used parts
// that slow every compile down.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstddef>

#include "platform/os_handle.h"

namespace zelvanor::platform {

inline HANDLE AsHandle(OsHandle handle) { return reinterpret_cast<HANDLE>(handle); }

// ReadFile and WriteFile take 32-bit counts; larger transfers go in pieces
// of this size.
inline constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;

}  // namespace zelvanor::platform
