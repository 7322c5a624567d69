#include <algorithm>
#include <string>

#include "common/console.h"
#include "wave/analysis_steps.h"
#include "wave/chunk_layout.h"
#include "wave/sample_access.h"

namespace zelvanor {
namespace {

constexpr std::size_t kMaxDumpNameLength = 99;
constexpr std::int64_t kFramesBefore = 5;
constexpr std::int64_t kFramesAfter = 4;

}  // namespace

void DumpFrameNeighbourhood(const std::string& name, std::int32_t frame,
                            std::span<const std::uint8_t> image, const SourceAnalysis& analysis) {
  if (!analysis.format) return;
  Print("\n===== Cuepoint %s ======================================\n", name.c_str());
  if (!analysis.data) return;

  const FrameLayout& layout = analysis.layout;
  const std::span<const std::uint8_t> audio = Slice(image, *analysis.data);
  if (layout.bytes_per_frame <= 0) return;
  // A later fmt chunk may describe wider frames than the data chunk was
  // counted with: only frames wholly inside the audio are shown.
  const std::int64_t frames_in_audio =
      static_cast<std::int64_t>(audio.size() / static_cast<std::size_t>(layout.bytes_per_frame));
  const std::int64_t limit = std::min<std::int64_t>(analysis.frame_count, frames_in_audio);
  for (std::int64_t i = std::int64_t{frame} - kFramesBefore; i <= std::int64_t{frame} + kFramesAfter;
       ++i) {
    if (i < 0 || i >= limit) continue;
    if (i == frame) {
      Print("-> %10d: ", static_cast<int>(i));
    } else {
      Print("   %10d: ", static_cast<int>(i));
    }
    const std::size_t first = static_cast<std::size_t>(i) * static_cast<std::size_t>(layout.bytes_per_frame);
    for (int channel = 0; channel < layout.channels; ++channel) {
      const std::size_t at = first + static_cast<std::size_t>(channel * layout.bytes_per_sample);
      Print("%9d ", ReadSampleValue(audio.data() + at, layout.bytes_per_sample));
    }
    Print("\n");
  }
}

void DumpFramesOfInterest(const AnalysisRun& run) {
  const SourceAnalysis& result = run.result;
  for (std::size_t id = 0; id < result.cues.size(); ++id) {
    const CueSlot& slot = result.cues[id];
    if (!slot.cue_point) continue;
    std::string name;
    if (slot.label_text) {
      const std::span<const std::uint8_t> text = run.Bytes(*slot.label_text);
      name.assign(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(
                                                   std::min(text.size(), kMaxDumpNameLength)));
    } else {
      name = Format("%d", static_cast<int>(id));
    }
    const std::uint32_t offset = ByteReader(run.Bytes(*slot.cue_point)).U32At(kCueSampleOffset);
    DumpFrameNeighbourhood(name, static_cast<std::int32_t>(offset), run.image, result);
  }
  if (result.loop_end != 0) {
    DumpFrameNeighbourhood("loopend", static_cast<std::int32_t>(result.loop_end), run.image, result);
  }
  DumpFrameNeighbourhood("veryend", result.frame_count - 5, run.image, result);
}

}  // namespace zelvanor
