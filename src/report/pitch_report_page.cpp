#include <algorithm>

#include "common/console.h"
#include "report/page_parts.h"

namespace zelvanor::report {
namespace {

// Styles inline in the page: nothing to fetch, and no "<" or "&" so the
// style text is plain XML character data.
constexpr char kStyle[] =
    "body { font-family: sans-serif; margin: 1em 2em; }\n"
    ".chart { overflow-x: auto; }\n"
    ".band { fill: #d8f0d8; }\n"
    ".grid { stroke: #ccc; stroke-width: 1; }\n"
    ".zero { stroke: #555; stroke-width: 1; }\n"
    ".axis { font-size: 11px; text-anchor: end; fill: #333; }\n"
    ".note { font-size: 10px; text-anchor: middle; fill: #333; }\n"
    ".legend { font-size: 11px; fill: #333; }\n"
    ".measured { fill: #3465a4; }\n"
    ".flagged { fill: #cc0000; }\n"
    ".stated { fill: none; stroke: #000; stroke-width: 1.5; }\n"
    "table { border-collapse: collapse; margin-top: 1em; font-size: 13px; }\n"
    "th, td { border: 1px solid #bbb; padding: 2px 6px; }\n"
    "td.number { text-align: right; font-variant-numeric: tabular-nums; }\n"
    "tr.flagged td { background: #fde8e8; }\n";

// One folder, or all pipes in the fixed part: the page has no sections.
bool OneFolder(std::span<const PitchReportRow> rows) {
  return std::all_of(rows.begin(), rows.end(),
                     [&](const PitchReportRow& row) { return row.folder == rows.front().folder; });
}

}  // namespace

std::string PitchReportPage(const PitchReportHeading& heading, std::span<const PitchReportRow> rows) {
  const std::string pattern = EscapeXml(heading.source_pattern);
  const std::string standard =
      Format("%s at A4 = %g Hz", EscapeXml(heading.temperament).c_str(), heading.a4_hz);
  std::string page = "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n<head>\n"
                     "<meta charset=\"UTF-8\"/>\n";
  page += "<title>Pitch report: " + pattern + "</title>\n<style>\n" + kStyle + "</style>\n</head>\n<body>\n";
  page += "<h1>Pitch report: " + pattern + "</h1>\n";
  page += Format("<p>%llu pipes against %s, in cents from each pipe's target. "
                 "Measured and stated pitches more than %g cents apart, and pitches not measured reliably, "
                 "are flagged.</p>\n",
                 static_cast<unsigned long long>(rows.size()), standard.c_str(), kInTuneCents);
  if (OneFolder(rows)) {
    page += "<div class=\"chart\">\n" + PitchChart(rows) + "</div>\n";
    AddPitchTable(page, rows);
  } else {
    AddFolderSections(page, rows);
  }
  page += "</body>\n</html>\n";
  return page;
}

}  // namespace zelvanor::report
