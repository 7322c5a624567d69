#include "output/resample_data_chunk.h"

#include <algorithm>
#include <array>

#include "common/console.h"
#include "common/run_error.h"
#include "output/block_kernels.h"
#include "output/interpolation_kernels.h"
#include "output/output_limits.h"
#include "output/source_walk.h"
#include "wave/byte_reader.h"
#include "wave/chunk_layout.h"
#include "wave/sample_access.h"

namespace zelvanor {
namespace {

// What the frame loop needs, fixed before the first frame.
struct ResamplePlan {
  const std::uint8_t* frames = nullptr;  // the body's whole frames
  std::uint64_t frame_count = 0;         // F
  std::int64_t output_frames = 0;        // N, at least 2 here
  double tuning_factor = 1.0;
  CutRegion cut;
  bool dump = false;  // frame lines at verbosity 5
};

void DumpFrame(std::int64_t index, const std::uint8_t* frame, int width, int channels) {
  Print("   %10d: ", static_cast<int>(index));
  for (int c = 0; c < channels; ++c) Print("%6d ", ReadSampleValue(frame + c * width, width));
  Print("\n");
}

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

// The kernel over `count` frames of every channel, saturated.
template <class Kernel, int kWidth, int kChannels>
void InterpolateBlock(FrameBlock<kChannels>& block, int count) {
  for (int c = 0; c < kChannels; ++c) {
    const BlockTaps taps{block.previous[c], block.current[c], block.next[c], block.after_next[c]};
    BlockKernel<Kernel>::kInterpolate(taps, block.position, count, kWidth, block.result[c]);
  }
}

// Output frames 1 to N-1 (frame 0 is written by the caller). Reads happen
// only where the walk says a whole frame lies.
template <class Kernel, int kWidth, int kChannels>
void WriteFramesAfterFirst(const ResamplePlan& plan, ByteSink& sink) {
  constexpr std::int64_t kFrameBytes = kWidth * kChannels;
  const std::uint8_t* const frames = plan.frames;
  const std::int64_t n = plan.output_frames;
  SourceWalk<kFrameBytes> walk(plan.frame_count, plan.tuning_factor, plan.cut);

  FrameBlock<kChannels> block;
  std::array<std::uint8_t, kBlockFrames * kFrameBytes> bytes;

  std::int64_t index = 1;
  while (index <= n - 2) {
    const int count = static_cast<int>(std::min<std::int64_t>(kBlockFrames, n - 1 - index));
    for (int k = 0; k < count;) {
      // The common stretch: consecutive frames around the read pointer.
      const std::int64_t regular = walk.RegularFrames(count - k);
      if (regular > 0) {
        double* const positions = block.position + k;
        walk.AdvanceRegular(regular, [&](std::int64_t j, double r, std::int64_t current_frame) {
          positions[j] = r;
          const std::uint8_t* const current = frames + current_frame;
          for (int c = 0; c < kChannels; ++c) {
            const std::uint8_t* const value = current + c * kWidth;
            const std::int64_t at = k + j;
            if constexpr (Kernel::kTaps >= 3) block.previous[c][at] = ReadSampleValue<kWidth>(value - kFrameBytes);
            block.current[c][at] = ReadSampleValue<kWidth>(value);
            block.next[c][at] = ReadSampleValue<kWidth>(value + kFrameBytes);
            if constexpr (Kernel::kTaps == 4) {
              block.after_next[c][at] = ReadSampleValue<kWidth>(value + 2 * kFrameBytes);
            }
          }
        });
        k += static_cast<int>(regular);
        continue;
      }
      // Everything else (the start, the cut, the end): the format's steps.
      const double r = walk.Advance();
      block.position[k] = r;
      const TapOffsets taps = walk.Taps();
      for (int c = 0; c < kChannels; ++c) {
        const std::uint8_t* const channel = frames + c * kWidth;
        if constexpr (Kernel::kTaps >= 3) block.previous[c][k] = ReadSampleValue<kWidth>(channel + taps.previous);
        block.current[c][k] = ReadSampleValue<kWidth>(channel + taps.current);
        block.next[c][k] = ReadSampleValue<kWidth>(channel + taps.next);
        if constexpr (Kernel::kTaps == 4) block.after_next[c][k] = ReadSampleValue<kWidth>(channel + taps.after_next);
      }
      ++k;
    }

    InterpolateBlock<Kernel, kWidth, kChannels>(block, count);
    for (int k = 0; k < count; ++k) {
      for (int c = 0; c < kChannels; ++c) {
        WriteSampleValue(bytes.data() + k * kFrameBytes + c * kWidth, kWidth, block.result[c][k]);
      }
    }
    if (plan.dump) {
      for (int k = 0; k < count; ++k) {
        if (index + k > n - 10) DumpFrame(index + k, bytes.data() + k * kFrameBytes, kWidth, kChannels);
      }
    }
    sink.Write(std::span<const std::uint8_t>(bytes.data(), static_cast<std::size_t>(count * kFrameBytes)));
    index += count;
  }

  // The last frame is a copy of the last source frame strictly before its
  // position; no cut is made and the history no longer matters.
  const auto last =
      std::span<const std::uint8_t>(frames + walk.AdvanceToLast(), static_cast<std::size_t>(kFrameBytes));
  if (plan.dump && index > n - 10) DumpFrame(index, last.data(), kWidth, kChannels);
  sink.Write(last);
}

using FrameLoop = void (*)(const ResamplePlan&, ByteSink&);

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
      break;
  }
  return FrameLoopFor<HyperbolicKernel>(width, channels);
}

}  // namespace

std::uint32_t ResampleDataChunk(const RetuneJob& job, std::span<const std::uint8_t> body, ByteSink& sink) {
  const SourceAnalysis& analysis = job.analysis;
  const Settings& settings = job.settings;
  if (!analysis.format) ThrowFatal("Fatal: no fmt-chunk found in source\n");
  const int width = analysis.layout.bytes_per_sample;
  const int channels = analysis.layout.channels;
  // The analysis refuses every other layout; this keeps a caller that
  // skipped it from reading with a bogus frame size.
  if ((width != 2 && width != 3) || channels < 1 || channels > kMaxChannels) {
    ThrowFatal("fatal error: unusable sample format\n");
  }
  const int frame_bytes = width * channels;

  const std::uint64_t size = body.size();
  if (size % static_cast<std::uint64_t>(width) != 0) {
    Print("length of data chunk must be divisible by BytesPerSample\n");
  }
  const std::uint64_t values = size / static_cast<std::uint64_t>(width);
  if (values % static_cast<std::uint64_t>(channels) != 0) {
    Print("data segment must contain complete samples\n");
  }
  const std::uint64_t frame_count = values / static_cast<std::uint64_t>(channels);

  // The frame count is mapped like any position (it is below 2^31 for a
  // body of under 4 GB), but kept unwrapped for the size check.
  const std::uint32_t moved = MovePastCut(static_cast<std::uint32_t>(frame_count), job.cut);
  const std::int64_t output_frames = ScalePosition(moved, job.tuning_factor);
  const std::uint64_t silence_frames =
      static_cast<std::uint64_t>(job.dummy_loop_frames) * static_cast<std::uint64_t>(channels);
  if (job.dummy_loop_frames != 0 && settings.verbosity > 3) {
    Print("adding dummy loop of %d samples\n", static_cast<int>(job.dummy_loop_frames));
  }

  if (output_frames < 0 || static_cast<std::uint64_t>(output_frames) > kMaxRiffField) ThrowOutputTooLarge();
  const std::uint64_t new_size = (static_cast<std::uint64_t>(output_frames) + silence_frames) *
                                 static_cast<std::uint64_t>(frame_bytes);
  const std::uint64_t padded_size = new_size + (new_size & 1);
  // Both the chunk's size and the RIFF size must fit; the RIFF size will
  // count at least what is written so far and this chunk's header and body.
  if (new_size > kMaxRiffField || sink.Position() + padded_size > kMaxRiffField) {
    ThrowOutputTooLarge();
  }
  const auto n = static_cast<std::uint32_t>(output_frames);

  if (settings.verbosity > 3) {
    const std::uint32_t rate = analysis.sample_rate;
    const double seconds =
        rate == 0 ? 0.0 : static_cast<double>(static_cast<std::uint64_t>(n) + silence_frames) / rate;
    Print("data chunk %ld Samples, %f Seconds\n", AsLong(n), seconds);
  }

  std::array<std::uint8_t, 8> header{'d', 'a', 't', 'a', 0, 0, 0, 0};
  StoreU32le(header.data() + 4, static_cast<std::uint32_t>(new_size));
  sink.Write(header);

  // Fewer than two output frames: frame 0 alone, or nothing at all.
  if (n >= 1) sink.Write(body.first(static_cast<std::size_t>(frame_bytes)));
  if (n >= 2) {
    ResamplePlan plan;
    plan.frames = body.data();
    plan.frame_count = frame_count;
    plan.output_frames = n;
    plan.tuning_factor = job.tuning_factor;
    plan.cut = job.cut;
    plan.dump = settings.verbosity > 4;
    FrameLoopFor(KernelForQuality(settings.quality), width, channels)(plan, sink);
  }

  sink.WriteZeros(silence_frames * static_cast<std::uint64_t>(frame_bytes));
  if (new_size & 1) sink.WriteZeros(1);
  return n;
}

}  // namespace zelvanor
