// The pieces the pitch report page is made of, shared by the page of one
// folder and the page of several.
#pragma once

#include <span>
#include <string>

#include "report/pitch_report.h"

namespace zelvanor::report {

// The SVG chart alone: one column per row, measured as a bar, stated as a marker.
std::string PitchChart(std::span<const PitchReportRow> rows);

// The table of every number of the rows, numbered from 1.
void AddPitchTable(std::string& page, std::span<const PitchReportRow> rows);

// A summary row per folder, then each folder's chart and table, folders in
// the order their first pipes come.
void AddFolderSections(std::string& page, std::span<const PitchReportRow> rows);

// Text made safe for XHTML character data and attribute values.
std::string EscapeXml(const std::string& text);

}  // namespace zelvanor::report
