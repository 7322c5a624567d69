#include "common/console.h"
#include "common/run_error.h"
#include "wave/analysis_steps.h"
#include "wave/chunk_layout.h"

namespace zelvanor {
namespace {

void PrintFormatStart(std::uint16_t format_tag, std::uint16_t channels) {
  Print("SAMPLE FORMAT");
  if (format_tag == kFormatPcm) {
    Print(" PCM");
  } else {
    Print(" %d?", format_tag);
  }
  if (channels == 1) {
    Print(" MONO");
  } else if (channels == 2) {
    Print(" STEREO");
  } else {
    Print(" %d Channel", channels);
  }
}

void PrintFormatRest(std::uint32_t samples_per_sec, std::uint16_t bits_per_sample) {
  Print(" Rate %ld Samples/Sec", AsLong(samples_per_sec));
  Print(" %d Bits/Sample\n", bits_per_sample);
}

}  // namespace

void AnalyseFmtChunk(const WalkedChunk& chunk, AnalysisRun& run) {
  // Without its first 16 bytes the format is unknown, and guessing it from
  // the bytes of the next chunk would misread the whole audio.
  if (chunk.body.size < kFmtMinimumSize) {
    ThrowFatal("fatal error: %s: fmt chunk of %u bytes is too short to describe the format\n",
               run.file(), chunk.body.size);
  }
  ByteReader reader(run.Bytes(chunk.body));
  const std::uint16_t format_tag = reader.U16At(kFmtFormatTag);
  const std::uint16_t channels = reader.U16At(kFmtChannels);
  const std::uint32_t samples_per_sec = reader.U32At(kFmtSamplesPerSec);
  const std::uint16_t bits_per_sample = reader.U16At(kFmtBitsPerSample);

  SourceAnalysis& result = run.result;
  result.format = chunk.body;
  // The description and the refusals interleave on purpose: an unusable
  // channel count is refused right after the part of the line that shows
  // it, so the fatal message ends the half-printed line and the user sees
  // what was read before the run stopped.
  if (run.VerbosityAbove(2)) PrintFormatStart(format_tag, channels);
  if (channels > kMaxChannels) ThrowFatal("fatal error: cannot work with more than 4 channels\n");
  // No frame has zero values; every frame count would be a division by 0.
  if (channels == 0) ThrowFatal("fatal error: %s: cannot work with 0 channels\n", run.file());
  if (run.VerbosityAbove(2)) PrintFormatRest(samples_per_sec, bits_per_sample);
  if ((bits_per_sample != 16 && bits_per_sample != 24) || format_tag != kFormatPcm) {
    ThrowFatal("fatal error: cannot work with compressed datafiles or Bits/sample other than "
               "16Bit or 24Bit\n");
  }
  result.layout.bytes_per_sample = bits_per_sample / 8;
  result.layout.channels = channels;
  result.layout.bytes_per_frame = result.layout.bytes_per_sample * channels;
  result.sample_rate = samples_per_sec;
  // Retuning does not depend on the rate; only the duration shown does.
  if (samples_per_sec == 0) {
    Print("Warning: %s: the fmt chunk gives a sample rate of 0; durations are shown as 0"
          " seconds\n",
          run.file());
  }
}

}  // namespace zelvanor
