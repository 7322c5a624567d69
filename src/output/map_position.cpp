#include "output/map_position.h"

#include "common/run_error.h"

namespace zelvanor {

CutRegion CutRegionFor(const SourceAnalysis& analysis, const Settings& settings) {
  if (settings.keep_unused_part) return {};
  return {analysis.cut_first, analysis.cut_limit};
}

std::uint32_t MovePastCut(std::uint32_t position, const CutRegion& cut) {
  // The cut's first frame keeps its place and the limit lands on it.
  if (!cut.active() || position <= cut.first) return position;
  if (position < cut.limit) {
    ThrowFatal("fatal error: Illegal computation of a position within removed sample-area\n");
  }
  return position - cut.length();
}

std::int64_t ScalePosition(std::uint32_t position, double tuning_factor) {
  const double scaled = static_cast<double>(position) / tuning_factor + 0.5;
  constexpr double kLimit = 9223372036854775808.0;  // 2^63
  if (scaled != scaled) return 0;
  if (scaled >= kLimit) return INT64_MAX;
  if (scaled <= -kLimit) return INT64_MIN;
  return static_cast<std::int64_t>(scaled);
}

std::uint32_t ScaleLength(std::uint32_t length, double tuning_factor) {
  return static_cast<std::uint32_t>(ScalePosition(length, tuning_factor));
}

std::uint32_t MapPosition(std::uint32_t position, double tuning_factor, const CutRegion& cut) {
  return ScaleLength(MovePastCut(position, cut), tuning_factor);
}

}  // namespace zelvanor
