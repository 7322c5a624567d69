#include "output/whole_loop.h"

#include <optional>

#include "common/console.h"
#include "common/series_math.h"
#include "output/map_position.h"

namespace zelvanor {

WholeLoop PlanWholeLoop(const SourceAnalysis& analysis, double factor) {
  WholeLoop loop;
  loop.requested_factor = factor;
  loop.factor = factor;
  const std::optional<LoopPoints> sustain = analysis.sustain_loop();
  if (!sustain) return loop;
  loop.start = sustain->start;
  loop.end = sustain->end;
  if (loop.end < loop.start) {
    loop.fit = LoopFit::kBackwards;
    return loop;
  }
  // Cyclic reads stay inside the audio only for a loop inside it.
  if (analysis.frame_count <= 0 || loop.end >= static_cast<std::uint32_t>(analysis.frame_count)) {
    loop.fit = LoopFit::kPastTheAudio;
    return loop;
  }
  const std::uint32_t length = loop.length();
  const std::int64_t output_length = ScalePosition(length, factor);
  if (length < kShortestWholeLoop || output_length < 1) {
    loop.fit = LoopFit::kTooShort;
    return loop;
  }
  loop.fit = LoopFit::kKept;
  loop.output_length = static_cast<std::uint32_t>(output_length);
  loop.factor = static_cast<double>(length) / static_cast<double>(loop.output_length);
  // The loop lies before the cut, which starts behind LoopEnd.
  loop.output_start = ScaleLength(loop.start, loop.factor);
  return loop;
}

void PrintWholeLoopLine(const WholeLoop& loop, const char* source_path, int verbosity) {
  switch (loop.fit) {
    case LoopFit::kNone:
      return;
    case LoopFit::kKept:
      if (verbosity > 1) {
        Print("Loop of %u frames kept whole as %u: factor %f -> %f (%+.3f cents)\n",
              static_cast<unsigned>(loop.length()), static_cast<unsigned>(loop.output_length),
              loop.requested_factor, loop.factor,
              series::CentsOfRatio(loop.factor / loop.requested_factor));
      }
      return;
    case LoopFit::kTooShort:
      if (verbosity != 0) {
        Print("Note: %s: loop of %u frames is too short to keep whole; factor %f stays\n", source_path,
              static_cast<unsigned>(loop.length()), loop.requested_factor);
      }
      return;
    case LoopFit::kBackwards:
      if (verbosity != 0) {
        Print("Note: %s: loop ends at frame %u before it starts at %u; factor %f stays\n", source_path,
              static_cast<unsigned>(loop.end), static_cast<unsigned>(loop.start), loop.requested_factor);
      }
      return;
    case LoopFit::kPastTheAudio:
      if (verbosity != 0) {
        Print("Note: %s: loop ends at frame %u, behind the audio; factor %f stays\n", source_path,
              static_cast<unsigned>(loop.end), loop.requested_factor);
      }
      return;
  }
}

}  // namespace zelvanor
