// Loading one source: the file read whole, and a WavPack file unpacked into
// the WAVE file it holds.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "wave/source_image.h"
#include "wavpack/wavpack_format.h"

namespace zelvanor {

// The buffers a batch of sources is loaded into, each grown only when a
// larger file comes: the file as read and, for a WavPack source, the WAVE
// file unpacked from it.
struct SourceBuffers {
  SourceImage file;
  SourceImage unpacked;
};

struct LoadedSource {
  std::span<const std::uint8_t> wave;    // the WAVE file, inside the buffers
  std::optional<WavPackFormat> wavpack;  // how a WavPack source was packed
};

// Reads the source at `path`; nothing when it is to be skipped (after a
// message, or silently for an empty file). A file that cannot be stat'ed or
// opened ends the run (exit code 1).
std::optional<LoadedSource> LoadSource(const std::string& path, SourceBuffers& buffers);

}  // namespace zelvanor
