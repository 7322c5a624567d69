// The pitch report page (M): how every pipe of a set stands against its
// target, as a chart and a table. One self-contained XHTML file: the chart
// is inline SVG, there is no script and nothing is fetched, so the page
// opens alike offline, from a mail or in a browser that blocks scripts,
// and it parses as XML.
#pragma once

#include <optional>
#include <span>
#include <string>

namespace zelvanor::report {

// One pipe, in file order. Cents are from the target; a missing value is
// left empty in the table and out of the chart.
struct PitchReportRow {
  // The pipe's folder below the pattern's fixed part ("" for the fixed part
  // itself): a page over more than one folder (a whole organ, a folder per
  // rank) sums up each folder and gives it its own chart and table.
  std::string folder{};
  std::string file{};
  std::string note{};                   // "C#"
  std::optional<double> target_hz{};    // none when no pitch was found to place the octave
  std::optional<double> measured_hz{};  // the best guess also when not reliable
  std::optional<double> measured_cents{};
  std::optional<double> stated_hz{};    // from the smpl chunk, where it states one
  std::optional<double> stated_cents{};
  std::string flag{};                   // why the pipe needs a look; empty when none
};

struct PitchReportHeading {
  std::string source_pattern;
  std::string temperament;  // the request as typed
  double a4_hz = 440.0;
};

// Deviations inside this many cents either way count as in tune: the
// chart shades the band, and measured and stated pitches further apart are
// flagged.
inline constexpr double kInTuneCents = 5.0;

// The page's text (UTF-8; names that are not UTF-8 read as Latin-1).
std::string PitchReportPage(const PitchReportHeading& heading, std::span<const PitchReportRow> rows);

}  // namespace zelvanor::report
