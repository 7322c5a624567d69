#include "common/console.h"
#include "report/page_parts.h"

namespace zelvanor::report {
namespace {

std::string Number(const std::optional<double>& value, const char* format) {
  return value ? Format(format, *value) : std::string();
}

}  // namespace

void AddPitchTable(std::string& page, std::span<const PitchReportRow> rows) {
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

}  // namespace zelvanor::report
