// Q=3 keeps the sustain loop a whole number of output frames long. Rounding
// each loop point on its own leaves the loop up to a frame off L/f, and
// the jump from the loop's end back to its start then misses by that much:
// a click at every repeat. So the file's factor becomes f' = L / round(L/f),
// every position of the file maps with f', and the output loop's frames are
// made from the source loop as if it repeated, so the output loop repeated
// is exactly the resampled source loop repeated. The pitch moves by at most
// half a frame in round(L/f).
#pragma once

#include <cstdint>

#include "wave/source_analysis.h"

namespace zelvanor {

// Loops shorter than this are left as they are: their f' would move the
// pitch audibly.
inline constexpr std::uint32_t kShortestWholeLoop = 64;

enum class LoopFit {
  kNone,         // no sustain loop: the factor stays
  kKept,         // the loop is kept whole with the adjusted factor
  kTooShort,     // fewer than kShortestWholeLoop frames: the factor stays
  kBackwards,    // dwEnd before dwStart: the factor stays
  kPastTheAudio  // the loop reaches past the last frame: the factor stays
};

struct WholeLoop {
  LoopFit fit = LoopFit::kNone;
  std::uint32_t start = 0;  // the sustain loop's dwStart and dwEnd (its last frame)
  std::uint32_t end = 0;
  double requested_factor = 1.0;
  double factor = 1.0;  // f' when kept, else the requested factor
  // When kept: the output loop is frames output_start .. output_start +
  // output_length - 1.
  std::uint32_t output_start = 0;
  std::uint32_t output_length = 0;

  bool kept() const { return fit == LoopFit::kKept; }
  std::uint32_t length() const { return end - start + 1; }
};

// The plan for the analysis's sustain loop (the one the cut starts behind).
WholeLoop PlanWholeLoop(const SourceAnalysis& analysis, double factor);

// The line that tells what became of the loop, at the verbosity it belongs
// to: the factor change at V=2 and more, the reason a loop stays as it is
// at every verbosity but 0; nothing without a loop.
void PrintWholeLoopLine(const WholeLoop& loop, const char* source_path, int verbosity);

}  // namespace zelvanor
