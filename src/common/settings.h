// The run's settings: filled from the options before the first file and
// passed by const reference from then on.
#pragma once

#include <cstdint>

namespace zelvanor {

struct Settings {
  std::int32_t verbosity = 1;          // V=
  std::int32_t quality = 2;            // Q=: 0 linear, 1 quadratic, 3 band-limited, else hyperbolic
  bool copy_unknown_chunks = true;     // X clears it
  bool keep_unused_part = false;       // U
  bool write_tuning_page = false;      // H
  bool update_stated_pitch = true;     // P=0 clears it: smpl keeps the source's unity note and fraction
  std::int32_t dummy_loop_length = 0;  // L=, frames
  std::int32_t key_offset = 0;         // O=, semitones
  double reverb_cut = -1.0;            // R=, seconds; reported, otherwise unused
  bool use_stated_pitch = false;       // S: a pipe's smpl statement instead of measuring it
};

}  // namespace zelvanor
