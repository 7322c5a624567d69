// libwavpack reads through callbacks; these serve a file held in memory,
// so a source is read from disk once, by the loader, like a WAVE file, and
// libwavpack never sees a byte outside it.
#pragma once

#include <wavpack/wavpack.h>

#include <cstdint>
#include <span>

namespace zelvanor::wavpack_library {

struct MemoryStream {
  std::span<const std::uint8_t> bytes;
  // May lie beyond the end, as a file position may; reads there find nothing.
  std::int64_t position = 0;
};

// The callbacks; each `id` is a MemoryStream.
WavpackStreamReader64 MemoryStreamReader();

}  // namespace zelvanor::wavpack_library
