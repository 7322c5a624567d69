#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "common/console.h"
#include "report/page_parts.h"

namespace zelvanor::report {
namespace {

// One folder's pipes, in file order.
struct Folder {
  std::string name;
  std::vector<PitchReportRow> rows;
};

// The folders in the order their first pipes come: the order of the run's
// lines, which keeps a folder's sub-folders after it where `**` was used.
std::vector<Folder> GroupByFolder(std::span<const PitchReportRow> rows) {
  std::vector<Folder> folders;
  std::map<std::string, std::size_t> index;
  for (const PitchReportRow& row : rows) {
    const auto [at, added] = index.try_emplace(row.folder, folders.size());
    if (added) folders.push_back({row.folder, {}});
    folders[at->second].rows.push_back(row);
  }
  return folders;
}

// The median distance from the target either way, and the farthest pipe's
// deviation with its sign: how a rank stands at a glance, and how bad its
// worst pipe is.
void AddSummaryRow(std::string& page, std::size_t number, const Folder& folder) {
  std::vector<double> distances;
  double largest = 0;
  std::size_t flagged = 0, off = 0;
  for (const PitchReportRow& row : folder.rows) {
    if (!row.flag.empty()) ++flagged;
    if (!row.measured_cents) continue;
    const double distance = std::fabs(*row.measured_cents);
    distances.push_back(distance);
    if (distance > std::fabs(largest)) largest = *row.measured_cents;
    if (distance > kInTuneCents) ++off;
  }
  std::sort(distances.begin(), distances.end());
  const std::size_t half = distances.size() / 2;
  const std::string median =
      distances.empty() ? std::string()
      : distances.size() % 2 == 1 ? Format("%.2f", distances[half])
                                  : Format("%.2f", (distances[half - 1] + distances[half]) / 2);
  const std::string farthest = distances.empty() ? std::string() : Format("%+.2f", largest);
  page += Format("<tr%s><td><a href=\"#folder-%llu\">%s</a></td><td class=\"number\">%llu</td>"
                 "<td class=\"number\">%s</td><td class=\"number\">%s</td>"
                 "<td class=\"number\">%llu</td><td class=\"number\">%llu</td></tr>\n",
                 flagged + off == 0 ? "" : " class=\"flagged\"", static_cast<unsigned long long>(number),
                 EscapeXml(folder.name.empty() ? "." : folder.name).c_str(),
                 static_cast<unsigned long long>(folder.rows.size()), median.c_str(),
                 farthest.c_str(), static_cast<unsigned long long>(flagged),
                 static_cast<unsigned long long>(off));
}

}  // namespace

void AddFolderSections(std::string& page, std::span<const PitchReportRow> rows) {
  const std::vector<Folder> folders = GroupByFolder(rows);
  page += Format("<p>%llu folders. For each: its pipes, the median distance of the measured pitches from "
                 "their targets, the largest deviation, the pipes flagged and the pipes more than %g cents "
                 "from their targets; its chart and table follow below.</p>\n",
                 static_cast<unsigned long long>(folders.size()), kInTuneCents);
  page += Format("<table>\n<tr><th>Folder</th><th>Pipes</th><th>Median cents off</th><th>Largest cents</th>"
                 "<th>Flagged</th><th>Over %g cents off</th></tr>\n",
                 kInTuneCents);
  for (std::size_t i = 0; i < folders.size(); ++i) AddSummaryRow(page, i + 1, folders[i]);
  page += "</table>\n";
  for (std::size_t i = 0; i < folders.size(); ++i) {
    page += Format("<h2 id=\"folder-%llu\">%s</h2>\n", static_cast<unsigned long long>(i + 1),
                   EscapeXml(folders[i].name.empty() ? "." : folders[i].name).c_str());
    page += "<div class=\"chart\">\n" + PitchChart(folders[i].rows) + "</div>\n";
    AddPitchTable(page, folders[i].rows);
  }
}

}  // namespace zelvanor::report
