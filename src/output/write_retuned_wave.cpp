#include "output/write_retuned_wave.h"

#include <algorithm>
#include <array>

#include "common/console.h"
#include "common/run_error.h"
#include "output/output_pitch.h"
#include "output/output_steps.h"
#include "output/resample_data_chunk.h"
#include "wave/chunk_layout.h"

namespace zelvanor {
namespace {

void WriteChunk(const WalkedChunk& chunk, OutputRun& run, RetunedWaveSummary& summary) {
  if (chunk.Is("fmt ")) {
    WriteFmtChunk(chunk, run);
  } else if (chunk.Is("data")) {
    run.output_frame_count =
        ResampleDataChunk(run.job, run.Bytes(chunk.body), run.sink, &summary.saturated_values);
  } else if (chunk.Is("cue ")) {
    WriteCueChunk(chunk, run);
  } else if (chunk.Is("smpl")) {
    WriteSmplChunk(chunk, run);
  } else if (chunk.Is("LIST")) {
    WriteListChunk(chunk, run);
  } else {
    WriteUnknownChunk(chunk, run);
  }
}

}  // namespace

RetunedWaveSummary WriteRetunedWave(const std::string& source_path, const std::string& destination_path,
                                    const RetuneJob& job, ByteSink& sink) {
  const Settings& settings = job.settings;
  if (settings.verbosity > 3) {
    Print("\n********* Generate new file %s tuning by factor %f *****\n", destination_path.c_str(),
          job.whole_loop.requested_factor);
  } else if (settings.verbosity != 0) {
    Print("Tune %s to %s by factor %f\n", source_path.c_str(), destination_path.c_str(), job.whole_loop.requested_factor);
  }
  PrintWholeLoopLine(job.whole_loop, source_path.c_str(), settings.verbosity);

  // The analysis refuses anything shorter; the header is rewritten at the end.
  if (job.image.size() < kRiffHeaderSize) ThrowFatal("fatal error: source has no RIFF header\n");
  std::array<std::uint8_t, kRiffHeaderSize> header{};
  std::copy_n(job.image.begin(), kRiffHeaderSize, header.begin());
  sink.Write(header);
  if (!sink.ok()) ThrowWriteFailed();

  RetunedWaveSummary summary;
  OutputRun run{source_path, job, sink};
  const auto image_size = static_cast<std::uint32_t>(std::min<std::uint64_t>(job.image.size(), kMaxRiffField));
  ChunkWalker walker(job.image, kRiffHeaderSize, image_size, Framing::kTopLevel);
  while (const std::optional<WalkedChunk> chunk = walker.Next()) {
    WriteChunk(*chunk, run, summary);
    // A full disk shows here rather than after the rest has been computed.
    if (!sink.ok()) ThrowWriteFailed();
  }
  if (job.dummy_loop_frames != 0) WriteDummyLoopChunks(run);
  PrintStatedPitchLine(job, source_path.c_str());

  const std::uint64_t length = sink.Position();
  if (length - 8 > kMaxRiffField) ThrowOutputTooLarge();
  StoreU32le(header.data() + kRiffSizeOffset, static_cast<std::uint32_t>(length - 8));
  sink.WriteAt(0, header);
  if (!sink.ok()) ThrowWriteFailed();
  return summary;
}

}  // namespace zelvanor
