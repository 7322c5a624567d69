#include "common/console.h"
#include "wave/analysis_steps.h"
#include "wave/chunk_layout.h"

namespace zelvanor {
namespace {

// With the release closer to the loop than this, nothing is cut.
constexpr std::uint32_t kMinimumCutGap = 1000;
// Frames kept on either side of a cut, so that neither the loop's end nor
// the release's start is touched.
constexpr std::uint32_t kCutMargin = 10;

}  // namespace

void DecideCutRegion(AnalysisRun& run) {
  SourceAnalysis& result = run.result;
  if (result.loop_end == 0) return;

  // The release begins at the first stored cue point behind the loop,
  // whatever the order of the cue and smpl chunks.
  for (const CueSlot& slot : result.cues) {
    if (!slot.cue_point) continue;
    const std::uint32_t offset = ByteReader(run.Bytes(*slot.cue_point)).U32At(kCueSampleOffset);
    if (offset > result.loop_end && (result.release_start == 0 || offset < result.release_start)) {
      result.release_start = offset;
    }
  }
  if (result.release_start != 0 && result.release_start - result.loop_end >= kMinimumCutGap) {
    result.cut_first = result.loop_end + kCutMargin;
    result.cut_limit = result.release_start - kCutMargin;
  }
  if (run.VerbosityAbove(2) && !run.settings.keep_unused_part &&
      result.cut_first < result.cut_limit) {
    Print("Samples between %d and %d may be removed\n", AsInt(result.cut_first),
          AsInt(result.cut_limit));
  }
}

}  // namespace zelvanor
