#include <algorithm>

#include "common/console.h"
#include "wave/analysis_steps.h"

namespace zelvanor {
namespace {

constexpr std::size_t kDumpBytesPerLine = 16;

// One line of the dump: hexadecimal, blanks for the bytes a short last line
// lacks, then the printable characters.
void DumpLine(std::span<const std::uint8_t> line) {
  Print("\n    ");
  for (const std::uint8_t byte : line) Print("%02x ", byte);
  for (std::size_t missing = line.size(); missing < kDumpBytesPerLine; ++missing) Print("   ");
  for (const std::uint8_t byte : line) Print("%c", byte >= 32 && byte <= 126 ? byte : '.');
}

}  // namespace

void AnalyseUnknownChunk(const WalkedChunk& chunk, AnalysisRun& run) {
  if (run.VerbosityAbove(2)) {
    Print("Unknown chunk \"%c%c%c%c\" of size %d - simple copying", chunk.id[0], chunk.id[1],
          chunk.id[2], chunk.id[3], AsInt(chunk.declared_size));
  }
  if (run.VerbosityAbove(3)) {
    // The pad byte belongs to the dump.
    const std::span<const std::uint8_t> bytes = run.Bytes(chunk.stored);
    for (std::size_t at = 0; at < bytes.size(); at += kDumpBytesPerLine) {
      DumpLine(bytes.subspan(at, std::min(kDumpBytesPerLine, bytes.size() - at)));
    }
  }
  if (run.VerbosityAbove(2)) Print("\n");
}

}  // namespace zelvanor
