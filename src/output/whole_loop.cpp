#include "output/whole_loop.h"

#include <algorithm>
#include <optional>

#include "common/console.h"
#include "output/map_position.h"
#include "output/series_math.h"
#include "wave/byte_reader.h"
#include "wave/chunk_layout.h"
#include "wave/chunk_walker.h"

namespace zelvanor {
namespace {

struct LoopPoints {
  std::uint32_t start;
  std::uint32_t end;
};

std::optional<LoopPoints> FindSustainLoop(std::span<const std::uint8_t> image, std::uint32_t loop_end) {
  if (image.size() < kRiffHeaderSize) return std::nullopt;
  const auto image_end = static_cast<std::uint32_t>(std::min<std::uint64_t>(image.size(), 0xFFFFFFFFu));
  ChunkWalker walker(image, kRiffHeaderSize, image_end, Framing::kTopLevel);
  while (const std::optional<WalkedChunk> chunk = walker.Next()) {
    if (!chunk->Is("smpl")) continue;
    // Loop records may reach into the pad byte, as the analysis reads them.
    const std::span<const std::uint8_t> stored = Slice(image, chunk->stored);
    if (stored.size() < kSmplHeaderSize) continue;
    const auto count = static_cast<std::int32_t>(LoadU32le(stored.data() + kSmplLoopCount));
    for (std::int64_t k = 0; k < count; ++k) {
      const std::uint64_t at = kSmplHeaderSize + static_cast<std::uint64_t>(k) * kLoopRecordSize;
      if (at + kLoopRecordSize > stored.size()) break;
      const std::uint8_t* const record = stored.data() + at;
      if (LoadU32le(record + kLoopEnd) == loop_end) return LoopPoints{LoadU32le(record + kLoopStart), loop_end};
    }
  }
  return std::nullopt;
}

// 1200 / ln 2: cents per unit of natural logarithm.
constexpr double kCentsPerNeper = 1731.2340490667560;

}  // namespace

WholeLoop PlanWholeLoop(std::span<const std::uint8_t> image, const SourceAnalysis& analysis, double factor) {
  WholeLoop loop;
  loop.requested_factor = factor;
  loop.factor = factor;
  if (analysis.loop_end == 0) return loop;
  const std::optional<LoopPoints> points = FindSustainLoop(image, analysis.loop_end);
  if (!points) return loop;
  loop.start = points->start;
  loop.end = points->end;
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
              kCentsPerNeper * series::NaturalLog(loop.factor / loop.requested_factor));
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
