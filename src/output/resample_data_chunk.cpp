#include "output/resample_data_chunk.h"

#include <array>
#include <cstring>

#include "driver/console.h"
#include "driver/run_error.h"
#include "output/interpolation_kernels.h"
#include "output/output_limits.h"
#include "output/sample_saturation.h"
#include "wave/byte_reader.h"
#include "wave/chunk_layout.h"
#include "wave/sample_access.h"

namespace zelvanor {
namespace {

constexpr int kMaxFrameBytes = 3 * kMaxChannels;

// What the frame loop needs, fixed before the first frame.
struct ResamplePlan {
  const std::uint8_t* frames = nullptr;  // the body's whole frames
  std::uint64_t frame_count = 0;         // F
  int channels = 0;
  int frame_bytes = 0;
  std::int64_t output_frames = 0;  // N, at least 2 here
  double tuning_factor = 1.0;
  CutRegion cut;
  bool dump = false;  // frame lines at verbosity 5
};

void DumpFrame(std::int64_t index, const std::uint8_t* frame, int width, int channels) {
  Print("   %10d: ", static_cast<int>(index));
  for (int c = 0; c < channels; ++c) Print("%6d ", ReadSampleValue(frame + c * width, width));
  Print("\n");
}

// Output frames 1 to N-1 (frame 0 is written by the caller). The position
// bookkeeping is incremental in doubles, exactly as the format's earlier
// releases did it, so retuned sets stay byte-identical; only the byte
// counters are 64-bit, so that a cut jumping past the end of the audio can
// never lead a read outside the body. Reads happen only while a whole frame
// remains at the read pointer; past the end the current frame's values
// stand in.
template <class Kernel, int kWidth>
void WriteFramesAfterFirst(const ResamplePlan& plan, ByteSink& sink) {
  const std::uint8_t* const frames = plan.frames;
  const int channels = plan.channels;
  const std::int64_t frame_bytes = plan.frame_bytes;
  const std::int64_t n = plan.output_frames;

  std::array<std::int32_t, kMaxChannels> previous{};
  std::array<std::int32_t, kMaxChannels> current{};
  for (int c = 0; c < channels; ++c) {
    previous[c] = current[c] = ReadSampleValue(frames + c * kWidth, kWidth);
  }
  std::int64_t current_frame = 0;  // byte offsets into the body
  std::int64_t read_pointer = frame_bytes;
  std::int64_t remaining = static_cast<std::int64_t>(plan.frame_count) * frame_bytes - frame_bytes;
  std::uint64_t source_frame_counter = 1;
  double read_position = plan.tuning_factor;
  std::array<std::uint8_t, kMaxFrameBytes> frame{};
  const auto frame_span = std::span<const std::uint8_t>(frame.data(), static_cast<std::size_t>(frame_bytes));

  std::int64_t index = 1;
  for (; index <= n - 2; ++index) {
    while (read_position > 1.0 && remaining > 0) {
      read_position -= 1.0;
      ++source_frame_counter;
      current_frame = read_pointer;
      for (int c = 0; c < channels; ++c) {
        previous[c] = current[c];
        current[c] = ReadSampleValue(frames + current_frame + c * kWidth, kWidth);
      }
      read_pointer += frame_bytes;
      remaining -= frame_bytes;
    }
    // The cut always drops exactly its length, even when the counter has
    // already passed its first frame, so the audio stays in step with the
    // mapped markers. The history is kept: the kernel joins both sides.
    if (plan.cut.active() && source_frame_counter >= plan.cut.first &&
        source_frame_counter < plan.cut.limit) {
      const std::int64_t skipped = static_cast<std::int64_t>(plan.cut.length()) * frame_bytes;
      read_pointer += skipped;
      remaining -= skipped;
      source_frame_counter = plan.cut.limit;
    }
    for (int c = 0; c < channels; ++c) {
      KernelWindow window;
      window.previous = previous[c];
      window.current = current[c];
      if (remaining > 0) {
        window.next = ReadSampleValue(frames + read_pointer + c * kWidth, kWidth);
        if constexpr (Kernel::kTaps == 4) {
          window.after_next = remaining > frame_bytes
                                  ? ReadSampleValue(frames + read_pointer + frame_bytes + c * kWidth, kWidth)
                                  : window.next;
        }
      } else {
        window.next = current[c];
        window.after_next = current[c];
      }
      const std::int32_t value = Kernel::Interpolate(window, read_position);
      WriteSampleValue(frame.data() + c * kWidth, kWidth, SaturateToWidth<kWidth>(value));
    }
    if (plan.dump && index > n - 10) DumpFrame(index, frame.data(), kWidth, channels);
    sink.Write(frame_span);
    read_position += plan.tuning_factor;
  }

  // The last frame is a copy of the last source frame strictly before its
  // position; no cut is made and the history no longer matters.
  while (read_position > 1.0 && remaining > 0) {
    read_position -= 1.0;
    current_frame = read_pointer;
    read_pointer += frame_bytes;
    remaining -= frame_bytes;
  }
  std::memcpy(frame.data(), frames + current_frame, static_cast<std::size_t>(frame_bytes));
  if (plan.dump && index > n - 10) DumpFrame(index, frame.data(), kWidth, channels);
  sink.Write(frame_span);
}

using FrameLoop = void (*)(const ResamplePlan&, ByteSink&);

template <int kWidth>
FrameLoop FrameLoopFor(KernelKind kind) {
  switch (kind) {
    case KernelKind::kLinear:
      return &WriteFramesAfterFirst<LinearKernel, kWidth>;
    case KernelKind::kQuadratic:
      return &WriteFramesAfterFirst<QuadraticKernel, kWidth>;
    case KernelKind::kHyperbolic:
      break;
  }
  return &WriteFramesAfterFirst<HyperbolicKernel, kWidth>;
}

FrameLoop FrameLoopFor(KernelKind kind, int width) {
  return width == 3 ? FrameLoopFor<3>(kind) : FrameLoopFor<2>(kind);
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
    plan.channels = channels;
    plan.frame_bytes = frame_bytes;
    plan.output_frames = n;
    plan.tuning_factor = job.tuning_factor;
    plan.cut = job.cut;
    plan.dump = settings.verbosity > 4;
    FrameLoopFor(KernelForQuality(settings.quality), width)(plan, sink);
  }

  sink.WriteZeros(silence_frames * static_cast<std::uint64_t>(frame_bytes));
  if (new_size & 1) sink.WriteZeros(1);
  return n;
}

}  // namespace zelvanor
