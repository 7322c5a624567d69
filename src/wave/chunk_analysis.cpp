#include "wave/chunk_analysis.h"

#include <limits>

#include "common/console.h"
#include "wave/analysis_steps.h"
#include "wave/chunk_layout.h"

namespace zelvanor {
namespace {

// False (after a message) when the image is not a RIFF/WAVE file.
bool HasRiffWaveHeader(const std::string& path, std::span<const std::uint8_t> image) {
  if (image.size() > std::numeric_limits<std::uint32_t>::max()) {
    Print("%s is too large for a RIFF/WAVE file\n", path.c_str());
    return false;
  }
  if (image.size() < kRiffHeaderSize) {
    Print("%s is too short for a RIFF/WAVE file (%u bytes)\n", path.c_str(),
          static_cast<unsigned>(image.size()));
    return false;
  }
  if (!IsFourCC(image, "RIFF")) {
    Print("%s is not a RIFF-file\n", path.c_str());
    return false;
  }
  if (!IsFourCC(image.subspan(kRiffFormOffset), "WAVE")) {
    Print("Dataformat of %s is not WAVE-fmt\n", path.c_str());
    return false;
  }
  return true;
}

void AnalyseChunk(const WalkedChunk& chunk, AnalysisRun& run) {
  if (chunk.Is("fmt ")) {
    AnalyseFmtChunk(chunk, run);
  } else if (chunk.Is("data")) {
    AnalyseDataChunk(chunk, run);
  } else if (chunk.Is("cue ")) {
    AnalyseCueChunk(chunk, run);
  } else if (chunk.Is("smpl")) {
    AnalyseSmplChunk(chunk, run);
  } else if (chunk.Is("LIST")) {
    AnalyseListChunk(chunk, run);
  } else {
    AnalyseUnknownChunk(chunk, run);
  }
}

}  // namespace

std::optional<SourceAnalysis> AnalyseSource(const std::string& path,
                                            std::span<const std::uint8_t> image,
                                            const Settings& settings) {
  SourceAnalysis result;
  AnalysisRun run{path, image, settings, result};
  if (run.VerbosityAbove(2)) {
    Print("*************** Analyzing Sourcefile %s ****************************\n", path.c_str());
  }
  if (!HasRiffWaveHeader(path, image)) return std::nullopt;

  // The RIFF size is not consulted: recorders that die before they finish a
  // file leave it wrong, and the chunks themselves say where they end.
  ChunkWalker walker(image, kRiffHeaderSize, static_cast<std::uint32_t>(image.size()),
                     Framing::kTopLevel);
  while (const std::optional<WalkedChunk> chunk = walker.Next()) {
    if (chunk->truncated()) {
      // Typically a recording that was cut off: what is there is used.
      Print("Warning: %s: chunk \"%c%c%c%c\" declares %u bytes but only %u are left in the file;"
            " cut at the end of the file\n",
            run.file(), chunk->id[0], chunk->id[1], chunk->id[2], chunk->id[3], chunk->declared_size,
            chunk->body.size);
    }
    AnalyseChunk(*chunk, run);
  }
  if (walker.leftover() != 0) {
    Print("Warning: %s: %u bytes at the end are too few for a chunk header; ignored\n",
          run.file(), walker.leftover());
  }

  DecideCutRegion(run);
  if (run.VerbosityAbove(4) && result.data && result.format) DumpFramesOfInterest(run);
  return result;
}

}  // namespace zelvanor
