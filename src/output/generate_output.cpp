// Stand-in until output generation lands.
#include "output/generate_output.h"

namespace zelvanor {

void GenerateOutput(const std::string&, const std::string&, double, std::span<const std::uint8_t>,
                    const SourceAnalysis&, const Settings&) {}

}  // namespace zelvanor
