// M over the measuring pass: each pipe judged (pipe_judgement.h), its
// problems flagged, not stopped for.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "driver/run_config.h"

namespace zelvanor {

// A line per pipe and the page pitch-report.html in the destination
// folder; no audio is written.
void ReportPitches(const RunConfig& config, const std::vector<std::string>& names, std::size_t lanes);

// The page's name in the destination folder.
inline constexpr char kPitchReportName[] = "pitch-report.html";

}  // namespace zelvanor
