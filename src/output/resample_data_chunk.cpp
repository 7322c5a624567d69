#include "output/resample_data_chunk.h"

#include <algorithm>
#include <array>

#include "common/console.h"
#include "common/run_error.h"
#include "output/block_kernels.h"
#include "output/interpolation_kernels.h"
#include "output/band_limited_resampler.h"
#include "output/output_steps.h"
#include "output/resample_plan.h"
#include "output/source_walk.h"
#include "output/tap_gather.h"
#include "wave/chunk_layout.h"
#include "wave/sample_access.h"

namespace zelvanor {
namespace {

// Output frames are made a block at a time: first the position bookkeeping
// for the whole block, which fills the kernels' input values, then the
// kernel over each channel's values (a loop the compiler can vectorise),
// then the frames are assembled and handed to the sink in one piece.
constexpr int kBlockFrames = 512;

template <int kChannels>
struct FrameBlock {
  alignas(64) std::int32_t previous[kChannels][kBlockFrames];
  alignas(64) std::int32_t current[kChannels][kBlockFrames];
  alignas(64) std::int32_t next[kChannels][kBlockFrames];
  alignas(64) std::int32_t after_next[kChannels][kBlockFrames];
  alignas(64) std::int32_t result[kChannels][kBlockFrames];
  alignas(64) double position[kBlockFrames];
  alignas(64) std::int64_t current_offset[kBlockFrames];  // of each frame's current frame, for the gather
};

template <class Kernel>
struct BlockKernel;
template <>
struct BlockKernel<LinearKernel> {
  static constexpr auto kInterpolate = &InterpolateLinearBlock;
};
template <>
struct BlockKernel<QuadraticKernel> {
  static constexpr auto kInterpolate = &InterpolateQuadraticBlock;
};
template <>
struct BlockKernel<HyperbolicKernel> {
  static constexpr auto kInterpolate = &InterpolateHyperbolicBlock;
};

// The kernel over `count` frames of every channel, saturated; returns how
// many values were.
template <class Kernel, int kWidth, int kChannels>
int InterpolateBlock(FrameBlock<kChannels>& block, int count) {
  int saturated = 0;
  for (int c = 0; c < kChannels; ++c) {
    const BlockTaps taps{block.previous[c], block.current[c], block.next[c], block.after_next[c]};
    saturated += BlockKernel<Kernel>::kInterpolate(taps, block.position, count, kWidth, block.result[c]);
  }
  return saturated;
}

// The taps of frame `at` of the block: the source frames the kernel reads,
// at byte offsets from `base`.
template <class Kernel, int kWidth, int kChannels>
void FillTaps(FrameBlock<kChannels>& block, std::int64_t at, const std::uint8_t* base,
              const TapOffsets& taps) {
  for (int c = 0; c < kChannels; ++c) {
    const std::uint8_t* const channel = base + c * kWidth;
    if constexpr (Kernel::kTaps >= 3) block.previous[c][at] = ReadSampleValue<kWidth>(channel + taps.previous);
    block.current[c][at] = ReadSampleValue<kWidth>(channel + taps.current);
    block.next[c][at] = ReadSampleValue<kWidth>(channel + taps.next);
    if constexpr (Kernel::kTaps == 4) block.after_next[c][at] = ReadSampleValue<kWidth>(channel + taps.after_next);
  }
}

// Walks on by `count` output frames and fills their positions and taps.
// Reads happen only where the walk says a whole frame lies.
template <class Kernel, int kWidth, int kChannels>
void FillBlock(SourceWalk<kWidth * kChannels>& walk, const std::uint8_t* frames, int count,
               FrameBlock<kChannels>& block) {
  constexpr std::int64_t kFrameBytes = kWidth * kChannels;
  // Offsets from the current frame: constants, so that the reads of the
  // regular stretch need no address arithmetic of their own.
  constexpr TapOffsets kConsecutive{-kFrameBytes, 0, kFrameBytes, 2 * kFrameBytes};
  for (int k = 0; k < count;) {
    // The common stretch: consecutive frames around the read pointer.
    const std::int64_t regular = walk.RegularFrames(count - k);
    if (regular > 0) {
#ifdef ZELVANOR_TAP_GATHER
      if constexpr (kWidth == 2 && kChannels <= 2 && Kernel::kTaps == 4) {
        walk.AdvanceRegular(regular, [&](std::int64_t j, double r, std::int64_t current) {
          block.position[k + j] = r;
          block.current_offset[k + j] = current;
        });
        TapRows rows[kChannels];
        for (int c = 0; c < kChannels; ++c) {
          rows[c] = {{block.previous[c], block.current[c], block.next[c], block.after_next[c]}};
        }
        const int end = k + static_cast<int>(regular);
        for (k += GatherTaps16<kChannels>(frames, block.current_offset, k, end - k, rows); k < end; ++k) {
          FillTaps<Kernel, kWidth, kChannels>(block, k, frames + block.current_offset[k], kConsecutive);
        }
        continue;
      }
#endif
      walk.AdvanceRegular(regular, [&](std::int64_t j, double r, std::int64_t current) {
        block.position[k + j] = r;
        FillTaps<Kernel, kWidth, kChannels>(block, k + j, frames + current, kConsecutive);
      });
      k += static_cast<int>(regular);
      continue;
    }
    // Everything else (the start, the cut, the end): the reference
    // step-by-step walk.
    block.position[k] = walk.Advance();
    FillTaps<Kernel, kWidth, kChannels>(block, k, frames, walk.Taps());
    ++k;
  }
}

// Stores the block's results as output frames `first` onwards and hands
// them over in one piece.
template <int kWidth, int kChannels>
void StoreBlock(const FrameBlock<kChannels>& block, int count, std::int64_t first, const ResamplePlan& plan,
                ByteSink& sink) {
  constexpr int kFrameBytes = kWidth * kChannels;
  std::array<std::uint8_t, kBlockFrames * kFrameBytes> bytes;
  for (int k = 0; k < count; ++k) {
    for (int c = 0; c < kChannels; ++c) {
      WriteSampleValue(bytes.data() + k * kFrameBytes + c * kWidth, kWidth, block.result[c][k]);
    }
  }
  StoreOutputFrames(std::span<const std::uint8_t>(bytes.data(), static_cast<std::size_t>(count * kFrameBytes)),
                    first, plan, sink);
}

// Output frames 1 to N-1 (frame 0 is written by the caller); returns how
// many values were saturated.
template <class Kernel, int kWidth, int kChannels>
std::uint64_t WriteFramesAfterFirst(const ResamplePlan& plan, ByteSink& sink) {
  constexpr std::int64_t kFrameBytes = kWidth * kChannels;
  const std::int64_t n = plan.output_frames;
  SourceWalk<kFrameBytes> walk(plan.frame_count, plan.tuning_factor, plan.cut);
  FrameBlock<kChannels> block;
  std::int64_t index = 1;
  std::uint64_t saturated = 0;
  while (index <= n - 2) {
    const int count = static_cast<int>(std::min<std::int64_t>(kBlockFrames, n - 1 - index));
    FillBlock<Kernel, kWidth, kChannels>(walk, plan.frames, count, block);
    saturated += static_cast<std::uint64_t>(InterpolateBlock<Kernel, kWidth, kChannels>(block, count));
    StoreBlock<kWidth, kChannels>(block, count, index, plan, sink);
    index += count;
  }

  // The last frame is a copy of the last source frame strictly before its
  // position; no cut is made and the history no longer matters.
  const auto last =
      std::span<const std::uint8_t>(plan.frames + walk.AdvanceToLast(), static_cast<std::size_t>(kFrameBytes));
  StoreOutputFrames(last, index, plan, sink);
  return saturated;
}

using FrameLoop = std::uint64_t (*)(const ResamplePlan&, ByteSink&);

// The loop for one kernel, sample width and channel count, chosen once per
// data chunk.
template <class Kernel, int kWidth>
FrameLoop FrameLoopFor(int channels) {
  switch (channels) {
    case 1:
      return &WriteFramesAfterFirst<Kernel, kWidth, 1>;
    case 2:
      return &WriteFramesAfterFirst<Kernel, kWidth, 2>;
    case 3:
      return &WriteFramesAfterFirst<Kernel, kWidth, 3>;
    default:
      return &WriteFramesAfterFirst<Kernel, kWidth, 4>;
  }
}

template <class Kernel>
FrameLoop FrameLoopFor(int width, int channels) {
  return width == 3 ? FrameLoopFor<Kernel, 3>(channels) : FrameLoopFor<Kernel, 2>(channels);
}

FrameLoop FrameLoopFor(KernelKind kind, int width, int channels) {
  switch (kind) {
    case KernelKind::kLinear:
      return FrameLoopFor<LinearKernel>(width, channels);
    case KernelKind::kQuadratic:
      return FrameLoopFor<QuadraticKernel>(width, channels);
    case KernelKind::kHyperbolic:
    case KernelKind::kBandLimited:  // has a frame loop of its own
      break;
  }
  return FrameLoopFor<HyperbolicKernel>(width, channels);
}

// What the output data chunk holds, decided before any of it is written.
struct DataChunkPlan {
  int width = 0;
  int channels = 0;
  std::uint64_t frame_count = 0;     // F: the body's whole frames
  std::uint32_t output_frames = 0;   // N
  std::uint64_t silence_bytes = 0;   // the dummy loop's silence
  std::uint64_t size = 0;            // the new chunk size, silence included

  int frame_bytes() const { return width * channels; }
};

// Counts the frames, prints the warnings and the chunk's description, and
// refuses an output whose sizes would not fit 32 bits (`written` bytes
// precede the chunk in the output).
DataChunkPlan PlanDataChunk(const RetuneJob& job, std::uint64_t body_size, std::uint64_t written) {
  const SourceAnalysis& analysis = job.analysis;
  const Settings& settings = job.settings;
  if (!analysis.format) ThrowFatal("Fatal: no fmt-chunk found in source\n");
  DataChunkPlan plan;
  plan.width = analysis.layout.bytes_per_sample;
  plan.channels = analysis.layout.channels;
  // The analysis refuses every other layout; this keeps a caller that
  // skipped it from reading with a bogus frame size.
  if ((plan.width != 2 && plan.width != 3) || plan.channels < 1 || plan.channels > kMaxChannels) {
    ThrowFatal("fatal error: unusable sample format\n");
  }
  const auto width = static_cast<std::uint64_t>(plan.width);
  const auto channels = static_cast<std::uint64_t>(plan.channels);
  if (body_size % width != 0) Print("length of data chunk must be divisible by BytesPerSample\n");
  const std::uint64_t values = body_size / width;
  if (values % channels != 0) Print("data segment must contain complete samples\n");
  plan.frame_count = values / channels;

  // The frame count is mapped like any position (it is below 2^31 for a
  // body of under 4 GB), but kept unwrapped for the size check.
  const std::uint32_t moved = MovePastCut(static_cast<std::uint32_t>(plan.frame_count), job.cut);
  const std::int64_t output_frames = ScalePosition(moved, job.tuning_factor);
  // The silence counts the dummy loop's length once per channel in frames;
  // the loop itself spans only the first dummy_loop_frames of them.
  const std::uint64_t silence_frames = std::uint64_t{job.dummy_loop_frames} * channels;
  if (job.dummy_loop_frames != 0 && settings.verbosity > 3) {
    Print("adding dummy loop of %d samples\n", static_cast<int>(job.dummy_loop_frames));
  }

  if (output_frames < 0 || static_cast<std::uint64_t>(output_frames) > kMaxRiffField) ThrowOutputTooLarge();
  plan.size = (static_cast<std::uint64_t>(output_frames) + silence_frames) * width * channels;
  // Both the chunk's size and the RIFF size must fit; the RIFF size will
  // count at least what is written so far and this chunk's header and body.
  if (plan.size > kMaxRiffField || written + plan.size + (plan.size & 1) > kMaxRiffField) {
    ThrowOutputTooLarge();
  }
  plan.output_frames = static_cast<std::uint32_t>(output_frames);
  plan.silence_bytes = silence_frames * width * channels;

  if (settings.verbosity > 3) {
    const std::uint32_t rate = analysis.sample_rate;
    const double seconds =
        rate == 0 ? 0.0 : static_cast<double>(std::uint64_t{plan.output_frames} + silence_frames) / rate;
    Print("data chunk %ld Samples, %f Seconds\n", AsLong(plan.output_frames), seconds);
  }
  return plan;
}

}  // namespace

void StoreOutputFrames(std::span<const std::uint8_t> bytes, std::int64_t first, const ResamplePlan& plan,
                       ByteSink& sink) {
  const int frame_bytes = plan.width * plan.channels;
  if (plan.dump) {
    const std::int64_t count = static_cast<std::int64_t>(bytes.size()) / frame_bytes;
    for (std::int64_t k = std::max<std::int64_t>(0, plan.output_frames - 9 - first); k < count; ++k) {
      if (first + k < 1) continue;
      const std::uint8_t* const frame = bytes.data() + k * frame_bytes;
      Print("   %10d: ", static_cast<int>(first + k));
      for (int c = 0; c < plan.channels; ++c) Print("%6d ", ReadSampleValue(frame + c * plan.width, plan.width));
      Print("\n");
    }
  }
  sink.Write(bytes);
}

std::uint32_t ResampleDataChunk(const RetuneJob& job, std::span<const std::uint8_t> body, ByteSink& sink,
                                std::uint64_t* saturated_values) {
  const DataChunkPlan chunk = PlanDataChunk(job, body.size(), sink.Position());
  WriteChunkHeader({'d', 'a', 't', 'a'}, static_cast<std::uint32_t>(chunk.size), sink);
  sink.BeginAudio();

  const std::uint32_t n = chunk.output_frames;
  ResamplePlan plan;
  plan.frames = body.data();
  plan.frame_count = chunk.frame_count;
  plan.output_frames = n;
  plan.width = chunk.width;
  plan.channels = chunk.channels;
  plan.tuning_factor = job.tuning_factor;
  plan.cut = job.cut;
  plan.whole_loop = job.whole_loop;
  plan.dump = job.settings.verbosity > 4;
  std::uint64_t saturated = 0;
  if (job.kernel == KernelKind::kBandLimited) {
    // Every frame is made by the kernel, the first and the last included.
    if (n >= 1) saturated = WriteBandLimitedFrames(plan, sink);
  } else {
    // Fewer than two output frames: frame 0 alone, or nothing at all.
    if (n >= 1) sink.Write(body.first(static_cast<std::size_t>(chunk.frame_bytes())));
    if (n >= 2) saturated = FrameLoopFor(job.kernel, chunk.width, chunk.channels)(plan, sink);
  }
  if (saturated_values != nullptr) *saturated_values += saturated;

  sink.WriteZeros(chunk.silence_bytes);
  sink.EndAudio();
  if (chunk.size & 1) sink.WriteZeros(1);
  return n;
}

}  // namespace zelvanor
