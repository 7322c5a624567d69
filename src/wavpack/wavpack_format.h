// What a WavPack file says about its audio and about how it was packed.
// Zelvanor packs a retuned pipe the way its source was packed, so a set
// keeps its compression mode; the header names no libwavpack type, so the
// layers above compile the same with or without the library.
#pragma once

#include <cstdint>

namespace zelvanor {

enum class WavPackCompression { kFast, kNormal, kHigh, kVeryHigh };

struct WavPackFormat {
  int bytes_per_sample = 2;  // 1 to 4: the width of a value in the WAVE data
  int bits_per_sample = 16;  // the valid bits of a value
  int channels = 1;
  std::uint32_t channel_mask = 0;
  std::uint32_t sample_rate = 44100;
  bool float_samples = false;  // 32-bit IEEE floats, which Zelvanor does not retune
  WavPackCompression compression = WavPackCompression::kNormal;
  bool extra = false;   // extra processing (-x)
  int extra_level = 0;  // 1 to 6; 0 when the file does not record it
  bool md5 = false;     // an MD5 sum of the audio is stored
  int qualify_mode = 0;  // libwavpack's qualify bits, kept as they were

  int frame_bytes() const { return bytes_per_sample * channels; }
};

// False in a build without libwavpack (-DZELVANOR_WAVPACK=OFF, or where the
// library is missing, as in the Windows cross build).
bool WavPackAvailable();

}  // namespace zelvanor
