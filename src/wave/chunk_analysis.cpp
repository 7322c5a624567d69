// Stand-in until the chunk analysis lands: no source goes further.
#include "wave/chunk_analysis.h"

namespace zelvanor {

std::optional<SourceAnalysis> AnalyseSource(const std::string&, std::span<const std::uint8_t>,
                                            const Settings&) {
  return std::nullopt;
}

void DumpFrameNeighbourhood(const std::string&, std::int32_t, std::span<const std::uint8_t>,
                            const SourceAnalysis&) {}

}  // namespace zelvanor
