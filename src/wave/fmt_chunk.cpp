#include <algorithm>

#include "common/console.h"
#include "common/run_error.h"
#include "wave/analysis_steps.h"
#include "wave/chunk_layout.h"

namespace zelvanor {
namespace {

// The sample encoding a fmt chunk names.
struct Encoding {
  std::uint16_t format_tag = 0;
  bool pcm = false;  // integer PCM, in the plain or the extensible form
  int width = 0;     // bytes per sample value; 0 when Zelvanor cannot use it
};

// Recorders write the extensible form for 24-bit and multichannel PCM; it
// is PCM when its sub-format says so, with values as wide as nBlockAlign
// makes room for. An extension too short to hold the sub-format leaves the
// format unknown, like a fmt chunk too short for its first 16 bytes.
Encoding ReadEncoding(std::span<const std::uint8_t> body, AnalysisRun& run) {
  ByteReader reader(body);
  Encoding encoding;
  encoding.format_tag = reader.U16At(kFmtFormatTag);
  const std::uint16_t channels = reader.U16At(kFmtChannels);
  const std::uint16_t bits_per_sample = reader.U16At(kFmtBitsPerSample);
  if (encoding.format_tag != kFormatExtensible) {
    encoding.pcm = encoding.format_tag == kFormatPcm;
    if (bits_per_sample == 16 || bits_per_sample == 24) encoding.width = bits_per_sample / 8;
    return encoding;
  }
  const std::uint16_t extension_size = body.size() > kFmtExtensionSize ? reader.U16At(kFmtExtensionSize) : 0;
  if (body.size() < kFmtExtensibleSize || extension_size < kExtensionMinimumSize) {
    ThrowFatal("fatal error: %s: extensible fmt chunk of %u bytes (extension of %u) is too short to describe"
               " the format\n",
               run.file(), static_cast<unsigned>(body.size()), static_cast<unsigned>(extension_size));
  }
  encoding.pcm = std::equal(std::begin(kSubFormatPcm), std::end(kSubFormatPcm), body.begin() + kFmtSubFormat);
  const std::uint16_t block_align = reader.U16At(kFmtBlockAlign);
  if (channels != 0 && block_align % channels == 0) {
    const int width = block_align / channels;
    if (width == 2 || width == 3) encoding.width = width;
  }
  return encoding;
}

void PrintFormatStart(const Encoding& encoding, std::uint16_t channels) {
  Print("SAMPLE FORMAT");
  if (encoding.format_tag == kFormatPcm) {
    Print(" PCM");
  } else if (encoding.format_tag == kFormatExtensible && encoding.pcm) {
    Print(" PCM (EXTENSIBLE)");
  } else {
    Print(" %d?", encoding.format_tag);
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
  const std::span<const std::uint8_t> body = run.Bytes(chunk.body);
  ByteReader reader(body);
  const std::uint16_t channels = reader.U16At(kFmtChannels);
  const std::uint32_t samples_per_sec = reader.U32At(kFmtSamplesPerSec);
  const std::uint16_t bits_per_sample = reader.U16At(kFmtBitsPerSample);
  const Encoding encoding = ReadEncoding(body, run);

  SourceAnalysis& result = run.result;
  result.format = chunk.body;
  // The description and the refusals interleave on purpose: an unusable
  // channel count is refused right after the part of the line that shows
  // it, so the fatal message ends the half-printed line and the user sees
  // what was read before the run stopped.
  if (run.VerbosityAbove(2)) PrintFormatStart(encoding, channels);
  if (channels > kMaxChannels) ThrowFatal("fatal error: cannot work with more than 4 channels\n");
  // No frame has zero values; every frame count would be a division by 0.
  if (channels == 0) ThrowFatal("fatal error: %s: cannot work with 0 channels\n", run.file());
  if (run.VerbosityAbove(2)) PrintFormatRest(samples_per_sec, bits_per_sample);
  if (!encoding.pcm || encoding.width == 0) {
    ThrowFatal("fatal error: cannot work with compressed datafiles or Bits/sample other than "
               "16Bit or 24Bit\n");
  }
  result.layout.bytes_per_sample = encoding.width;
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
