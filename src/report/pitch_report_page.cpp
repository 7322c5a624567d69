#include "common/console.h"
#include "report/pitch_report.h"

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

std::string Number(const std::optional<double>& value, const char* format) {
  return value ? Format(format, *value) : std::string();
}

void AddTable(std::string& page, std::span<const PitchReportRow> rows) {
  page += "<table>\n<tr><th>#</th><th>File</th><th>Note</th><th>Target Hz</th><th>Measured Hz</th>"
          "<th>Measured cents</th><th>Stated Hz</th><th>Stated cents</th><th>Flag</th></tr>\n";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const PitchReportRow& row = rows[i];
    page += Format("<tr%s><td class=\"number\">%llu</td><td>%s</td><td>%s</td>",
                   row.flag.empty() ? "" : " class=\"flagged\"", static_cast<unsigned long long>(i + 1),
                   EscapeXml(row.file).c_str(), EscapeXml(row.note).c_str());
    for (const std::string& cell :
         {Number(row.target_hz, "%.3f"), Number(row.measured_hz, "%.3f"), Number(row.measured_cents, "%+.2f"),
          Number(row.stated_hz, "%.3f"), Number(row.stated_cents, "%+.2f")}) {
      page += "<td class=\"number\">" + cell + "</td>";
    }
    page += "<td>" + EscapeXml(row.flag) + "</td></tr>\n";
  }
  page += "</table>\n";
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
  page += "<div class=\"chart\">\n" + PitchChart(rows) + "</div>\n";
  AddTable(page, rows);
  page += "</body>\n</html>\n";
  return page;
}

}  // namespace zelvanor::report
