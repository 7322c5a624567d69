#include "wave/source_file.h"

#include "wave/wavpack_source.h"

namespace zelvanor {

std::optional<LoadedSource> LoadSource(const std::string& path, SourceBuffers& buffers) {
  if (LoadSourceImage(path, buffers.file) == 0) return std::nullopt;
  if (!IsWavPackFile(buffers.file.bytes())) return LoadedSource{buffers.file.bytes(), std::nullopt};
  std::optional<WavPackFormat> wavpack = UnpackWavPackSource(path, buffers.file.bytes(), buffers.unpacked);
  if (!wavpack) return std::nullopt;
  return LoadedSource{buffers.unpacked.bytes(), wavpack};
}

}  // namespace zelvanor
