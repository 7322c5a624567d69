#include "output/band_limited_resampler.h"

#include <algorithm>
#include <vector>

#include "output/band_limited_kernel.h"
#include "output/band_limited_table.h"
#include "wave/sample_access.h"

namespace zelvanor {
namespace {

// Output frames per block: the source values a block reads are gathered
// once into one contiguous window per channel.
constexpr int kBlockFrames = 1024;

// The denominator of a factor that is not a loop's ratio: 2^-28 of a frame
// per output frame is a drift of a thousandth of a frame after 2^18 frames
// and 0.00002 cents, and k * numerator stays far inside 64 bits.
constexpr std::uint64_t kFactorScale = std::uint64_t{1} << 28;

// Output frame k lies at k * numerator / denominator source frames.
struct PositionStep {
  std::uint64_t numerator;
  std::uint64_t denominator;
};

PositionStep StepFor(const ResamplePlan& plan) {
  if (plan.whole_loop.kept()) return {plan.whole_loop.length(), plan.whole_loop.output_length};
  const double scaled = plan.tuning_factor * static_cast<double>(kFactorScale) + 0.5;
  constexpr double kLargest = static_cast<double>(std::uint64_t{1} << 40);
  const std::uint64_t numerator = scaled >= 1.0 ? static_cast<std::uint64_t>(std::min(scaled, kLargest)) : 1;
  return {numerator, kFactorScale};
}

// Where the taps read. Outside a kept loop: frame v of the audio with the
// cut left out, the first and the last frame standing for what lies beyond
// the audio. Inside it: the source loop repeated without end.
template <int kWidth, int kChannels>
class TapSource {
 public:
  explicit TapSource(const ResamplePlan& plan)
      : frames_(plan.frames),
        shifted_(plan.cut.active() && plan.frame_count >= plan.cut.limit),
        cut_first_(plan.cut.first),
        cut_length_(plan.cut.length()),
        frame_count_(static_cast<std::int64_t>(plan.frame_count) - (shifted_ ? cut_length_ : 0)),
        loop_start_(plan.whole_loop.start),
        loop_length_(plan.whole_loop.length()) {}

  // Values of frames first .. first + length - 1 into windows[c][0 ..).
  void Gather(std::int64_t first, int length, bool cyclic, float* const* windows) const {
    if (cyclic) {
      std::int64_t offset = (first - loop_start_) % loop_length_;
      if (offset < 0) offset += loop_length_;
      for (int at = 0; at < length;) {
        const int run = static_cast<int>(std::min<std::int64_t>(length - at, loop_length_ - offset));
        Copy(loop_start_ + offset, run, windows, at, false);
        at += run;
        offset = 0;
      }
      return;
    }
    for (int at = 0; at < length;) {
      const std::int64_t v = first + at;
      const std::int64_t remaining = length - at;
      std::int64_t run;
      if (v < 0) {
        run = std::min(remaining, -v);
        Copy(0, static_cast<int>(run), windows, at, true);
      } else if (v >= frame_count_) {
        run = remaining;
        Copy(SourceFrame(frame_count_ - 1), static_cast<int>(run), windows, at, true);
      } else {
        const std::int64_t limit = shifted_ && v < cut_first_ ? std::min(frame_count_, cut_first_) : frame_count_;
        run = std::min(remaining, limit - v);
        Copy(SourceFrame(v), static_cast<int>(run), windows, at, false);
      }
      at += static_cast<int>(run);
    }
  }

 private:
  std::int64_t SourceFrame(std::int64_t v) const { return shifted_ && v >= cut_first_ ? v + cut_length_ : v; }

  static constexpr std::int64_t kFrameBytes = kWidth * kChannels;

  // `count` consecutive source frames from `frame` on, or that one frame
  // `count` times.
  void Copy(std::int64_t frame, int count, float* const* windows, int at, bool repeat) const {
    const std::uint8_t* const source = frames_ + frame * kFrameBytes;
    const std::int64_t advance = repeat ? 0 : kFrameBytes;
    for (int c = 0; c < kChannels; ++c) {
      float* const window = windows[c] + at;
      for (int n = 0; n < count; ++n) {
        window[n] = static_cast<float>(ReadSampleValue<kWidth>(source + n * advance + c * kWidth));
      }
    }
  }

  const std::uint8_t* frames_;
  bool shifted_;  // frames behind the cut exist and move down past it
  std::int64_t cut_first_;
  std::int64_t cut_length_;
  std::int64_t frame_count_;  // with the cut left out
  std::int64_t loop_start_;
  std::int64_t loop_length_;
};

struct Segment {
  std::int64_t begin;
  std::int64_t end;
  bool cyclic;
};

template <int kWidth, int kChannels>
std::uint64_t WriteFrames(const ResamplePlan& plan, ByteSink& sink) {
  const BandLimitedTable table(plan.tuning_factor);
  const PositionStep step = StepFor(plan);
  const TapSource<kWidth, kChannels> source(plan);
  constexpr int channels = kChannels;
  constexpr int frame_bytes = kWidth * kChannels;
  const std::int64_t n = plan.output_frames;

  // The kept loop's output frames, when its frames are all in this chunk.
  std::vector<Segment> segments;
  const WholeLoop& loop = plan.whole_loop;
  if (loop.kept() && loop.end < plan.frame_count && !(plan.cut.active() && loop.end >= plan.cut.first)) {
    const std::int64_t loop_begin = std::min<std::int64_t>(loop.output_start, n);
    const std::int64_t loop_end = std::min<std::int64_t>(std::int64_t{loop.output_start} + loop.output_length, n);
    segments = {{0, loop_begin, false}, {loop_begin, loop_end, true}, {loop_end, n, false}};
  } else {
    segments = {{0, n, false}};
  }

  const std::uint64_t whole_step = step.numerator / step.denominator;
  const std::uint64_t fraction_step = step.numerator % step.denominator;
  const double phase_scale = BandLimitedTable::kPhases / static_cast<double>(step.denominator);
  const int taps = table.taps();
  const int capacity = static_cast<int>((kBlockFrames - 1) * (whole_step + 1)) + taps;
  std::vector<float> window_values(static_cast<std::size_t>(capacity) * channels);
  std::vector<std::int32_t> result_values(static_cast<std::size_t>(kBlockFrames) * channels);
  float* windows[4] = {};
  std::int32_t* results[4] = {};
  for (int c = 0; c < channels; ++c) {
    windows[c] = window_values.data() + static_cast<std::size_t>(c) * capacity;
    results[c] = result_values.data() + static_cast<std::size_t>(c) * kBlockFrames;
  }
  std::vector<std::int32_t> offsets(kBlockFrames);
  std::vector<std::int32_t> phases(kBlockFrames);
  std::vector<float> blends(kBlockFrames);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(kBlockFrames) * frame_bytes);
  const BandLimitedBlock block{0, offsets.data(), phases.data(), blends.data(), windows, results};

  std::uint64_t saturated = 0;
  for (const Segment& segment : segments) {
    std::int64_t k = segment.begin;
    if (k >= segment.end) continue;
    // Position of frame k: whole frames and a remainder in denominators.
    const std::uint64_t scaled = static_cast<std::uint64_t>(k) * step.numerator;
    auto whole = static_cast<std::int64_t>(scaled / step.denominator);
    std::uint64_t remainder = scaled % step.denominator;
    while (k < segment.end) {
      const int count = static_cast<int>(std::min<std::int64_t>(kBlockFrames, segment.end - k));
      const std::int64_t first_whole = whole;
      for (int j = 0; j < count; ++j) {
        offsets[j] = static_cast<std::int32_t>(whole - first_whole);
        const double phase = static_cast<double>(remainder) * phase_scale;
        phases[j] = static_cast<std::int32_t>(phase);
        blends[j] = static_cast<float>(phase - phases[j]);
        whole += static_cast<std::int64_t>(whole_step);
        remainder += fraction_step;
        if (remainder >= step.denominator) {
          remainder -= step.denominator;
          ++whole;
        }
      }
      source.Gather(first_whole - table.half_width() + 1, offsets[count - 1] + taps, segment.cyclic, windows);
      BandLimitedBlock frames = block;
      frames.count = count;
      saturated += FilterBandLimitedBlock(table, frames, channels, kWidth);
      for (int j = 0; j < count; ++j) {
        for (int c = 0; c < channels; ++c) {
          WriteSampleValue(bytes.data() + j * frame_bytes + c * kWidth, kWidth, results[c][j]);
        }
      }
      StoreOutputFrames(std::span<const std::uint8_t>(bytes.data(), static_cast<std::size_t>(count) * frame_bytes),
                        k, plan, sink);
      k += count;
    }
  }
  return saturated;
}

template <int kWidth>
std::uint64_t WriteFrames(const ResamplePlan& plan, ByteSink& sink) {
  switch (plan.channels) {
    case 1:
      return WriteFrames<kWidth, 1>(plan, sink);
    case 2:
      return WriteFrames<kWidth, 2>(plan, sink);
    case 3:
      return WriteFrames<kWidth, 3>(plan, sink);
    default:
      return WriteFrames<kWidth, 4>(plan, sink);
  }
}

}  // namespace

std::uint64_t WriteBandLimitedFrames(const ResamplePlan& plan, ByteSink& sink) {
  return plan.width == 3 ? WriteFrames<3>(plan, sink) : WriteFrames<2>(plan, sink);
}

}  // namespace zelvanor
