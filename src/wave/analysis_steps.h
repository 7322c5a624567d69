// The steps of AnalyseSource, one file per chunk kind. Internal to the
// analysis: each step sees the walked chunk, reads only inside its bytes,
// describes it at the verbosity the step calls for and records its results.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "common/settings.h"
#include "wave/chunk_walker.h"
#include "wave/source_analysis.h"

namespace zelvanor {

struct AnalysisRun {
  const std::string& path;  // names the file in warnings
  std::span<const std::uint8_t> image;
  const Settings& settings;
  SourceAnalysis& result;

  bool VerbosityAbove(int level) const { return settings.verbosity > level; }
  std::span<const std::uint8_t> Bytes(ByteRange range) const { return Slice(image, range); }
  const char* file() const { return path.c_str(); }
};

void AnalyseFmtChunk(const WalkedChunk& chunk, AnalysisRun& run);
void AnalyseDataChunk(const WalkedChunk& chunk, AnalysisRun& run);
void AnalyseCueChunk(const WalkedChunk& chunk, AnalysisRun& run);
void AnalyseSmplChunk(const WalkedChunk& chunk, AnalysisRun& run);
void AnalyseListChunk(const WalkedChunk& chunk, AnalysisRun& run);
void AnalyseUnknownChunk(const WalkedChunk& chunk, AnalysisRun& run);

// After the walk: ReleaseStart and the cut behind the sustain loop.
void DecideCutRegion(AnalysisRun& run);
// After the walk, at the highest verbosity: the frames around every cue
// point, the loop end and the end of the audio.
void DumpFramesOfInterest(const AnalysisRun& run);
// The sample values of the frames around `frame`, under a title naming it.
void DumpFrameNeighbourhood(const std::string& name, std::int32_t frame,
                            std::span<const std::uint8_t> image, const SourceAnalysis& analysis);

inline bool IsStoredCueId(std::int32_t id) { return id >= 0 && id < kCueSlots; }

}  // namespace zelvanor
