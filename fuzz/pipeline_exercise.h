// One fuzz input through the whole per-file pipeline: analysis, then the
// output into memory and, for some inputs, into a real file through the
// atomic writer. The first bytes of the input choose the options that change
// the path taken (verbosity, U, X, Q=, L=, the factor, a full disk); the rest
// is the source image.
//
// Shared by the libFuzzer target and the tests that replay the seed and
// regression corpora, so a crash found once stays a test for good.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "common/settings.h"
#include "wavpack/wavpack_format.h"

namespace zelvanor::fuzzing {

inline constexpr std::size_t kOptionBytes = 4;

struct ExerciseOptions {
  Settings settings;
  double tuning_factor = 1.0;
  bool through_file = false;  // also write through the real file writer
  bool disk_full = false;     // also write into a sink that fails part way
  std::uint64_t fail_seed = 0;  // where the failing sink gives up
};

// 64-bit FNV-1a: where a failing sink gives up, and the tests' recorded
// digests (one hash for both).
std::uint64_t Fnv1a(std::span<const std::uint8_t> bytes);

// The options an input's first bytes select (all defaults for a shorter
// input). Every option value the program treats specially is reachable.
ExerciseOptions DecodeOptions(std::span<const std::uint8_t> input);

// The option bytes that select `options`' nearest equivalent; the seed
// generator prefixes its images with them.
struct OptionChoice {
  int verbosity_index = 1;  // into {0, 1, 2, 3, 4, 5, -1}
  bool keep_unused_part = false;
  bool skip_unknown_chunks = false;
  int quality_index = 2;  // into {0, 1, 2, 3}
  bool through_file = false;
  bool disk_full = false;
  int factor_index = 5;  // < 16: the table of special factors (5 is 1.0)
  int dummy_loop_index = 0;  // into the table of L= values
};
std::array<std::uint8_t, kOptionBytes> EncodeOptions(const OptionChoice& choice);

// A finished output must be a WAVE file that this program reads back
// without a doubt: true RIFF size, chunks that end where the file says (no
// cut chunk, no stray bytes), and an analysis that accepts it. Returns an
// empty string, or what is wrong.
std::string CheckRetunedFile(std::span<const std::uint8_t> file);

// The WAVE image packed with WavPack as `format` says, header and trailer
// stored as the wavpack tool stores them (for seeds and tests). Empty when
// the image has no data chunk or cannot be packed (a build without WavPack).
std::vector<std::uint8_t> PackWithWavPack(std::span<const std::uint8_t> wave, const WavPackFormat& format);

// Runs the input and checks the program's guarantees: every early end is a
// RunError with exit code 1 or 99 and a one-line message; a finished output
// is well formed (true RIFF size, whole chunks, readable by the analysis
// again); the file writer's bytes equal the in-memory ones and only the
// destination is left behind; a write failure ends as "can't write" and
// leaves nothing; a WavPack source's output unpacks to exactly the plain
// output and keeps the source's mode. Returns an empty string, or what was
// broken.
// `scratch` is an existing, otherwise empty directory for the file writer.
std::string ExercisePipeline(std::span<const std::uint8_t> input, const std::filesystem::path& scratch);

}  // namespace zelvanor::fuzzing
