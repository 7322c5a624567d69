// Sample sets often store their pipes packed with WavPack, usually still
// named *.wav: the RIFF header and every chunk behind the audio are kept in
// the WavPack file byte for byte. Unpacked, such a pipe is the WAVE file it
// was packed from, and goes through the analysis and the output like any.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "wave/source_image.h"
#include "wavpack/wavpack_format.h"

namespace zelvanor {

// A source whose first four bytes are "wvpk" is WavPack, whatever its name.
bool IsWavPackFile(std::span<const std::uint8_t> file);

// Unpacks the WavPack file `file` into `image` as the WAVE file it holds
// and returns how it was packed. Raw WavPack, which stores no RIFF header,
// gets the standard header libwavpack builds from its format (the one
// wvunpack writes). Nothing, after a one-line message naming `path`, when
// the source is to be skipped: a damaged file, lossy (hybrid) WavPack,
// another packed format than RIFF/WAVE, a build without WavPack support, or
// no memory for the image.
std::optional<WavPackFormat> UnpackWavPackSource(const std::string& path, std::span<const std::uint8_t> file,
                                                 SourceImage& image);

}  // namespace zelvanor
