#include <cmath>

#include "common/console.h"
#include "common/series_math.h"
#include "driver/pipe_measuring.h"
#include "driver/pitch_standard_run.h"
#include "driver/source_paths.h"
#include "platform/path_separators.h"
#include "platform/whole_file.h"
#include "report/pitch_report.h"
#include "tuning/note_names.h"
#include "tuning/pitch_standard.h"

namespace zelvanor {
namespace {

constexpr char kReportName[] = "pitch-report.html";

std::string Joined(const std::string& first, const std::string& second) {
  return first.empty() ? second : first + "; " + second;
}

// The folder of a name the pattern matched, below the pattern's fixed part:
// the name up to its last separator, "" for a file in the fixed part itself.
// The page sums up each folder (a rank of an organ) on its own.
std::string FolderOf(const std::string& name) {
  const std::size_t last = platform::LastSeparator(name);
  return last == std::string::npos ? std::string() : name.substr(0, last);
}

report::PitchReportRow ReportRow(const RunConfig& config, const std::string& name, const PipePitch& pipe) {
  report::PitchReportRow row;
  row.folder = FolderOf(name);
  row.file = pipe.source_path;
  row.note = kNoteNames[static_cast<std::size_t>(pipe.note)];
  const pitch::PitchMeasurement& measured = *pipe.measured;  // M measures every pipe
  if (measured.hz > 0 && std::isfinite(measured.hz)) row.measured_hz = measured.hz;
  row.stated_hz = pipe.stated_hz;
  // The octave is the one the pipe sounds in, as A= would choose it.
  const std::optional<double> sounding = row.measured_hz ? row.measured_hz : row.stated_hz;
  if (sounding) row.target_hz = TargetPitch(pipe.note, config.target, config.a4_hz, *sounding);
  if (row.target_hz && std::isnan(*row.target_hz)) row.target_hz.reset();  // the temperament gives the note no pitch
  if (row.target_hz && row.measured_hz) row.measured_cents = series::CentsOfRatio(*row.measured_hz / *row.target_hz);
  if (row.target_hz && row.stated_hz) row.stated_cents = series::CentsOfRatio(*row.stated_hz / *row.target_hz);

  if (!measured.reliable) {
    row.flag = Format("not measured reliably (%s)%s", measured.problem.c_str(),
                      StatementStandsIn(pipe) ? "; A= tunes it from its stated pitch" : "");
  }
  if (row.measured_cents && row.stated_cents && std::fabs(*row.measured_cents - *row.stated_cents) > report::kInTuneCents) {
    row.flag = Joined(row.flag, Format("measured and stated %.2f cents apart",
                                       std::fabs(*row.measured_cents - *row.stated_cents)));
  }
  if (measured.reliable && row.measured_cents && std::fabs(*row.measured_cents) > kLargestCorrectionCents) {
    row.flag = Joined(row.flag, "more than 300 cents from its target (check O= and the file name)");
  }
  return row;
}

std::string PitchText(const std::optional<double>& hz, const std::optional<double>& cents) {
  if (!hz) return "none";
  return cents ? Format("%.3f Hz (%+.2f cents)", *hz, *cents) : Format("%.3f Hz", *hz);
}

void PrintReportLine(const report::PitchReportRow& row) {
  const std::string target = row.target_hz ? Format("%.3f Hz", *row.target_hz) : std::string("unknown");
  Print("%s %s: target %s, measured %s, stated %s%s%s\n", row.file.c_str(), row.note.c_str(), target.c_str(),
        PitchText(row.measured_hz, row.measured_cents).c_str(), PitchText(row.stated_hz, row.stated_cents).c_str(),
        row.flag.empty() ? "" : " -- check: ", row.flag.c_str());
}

}  // namespace

void ReportPitches(const RunConfig& config, const std::vector<std::string>& names, std::size_t lanes) {
  std::vector<report::PitchReportRow> rows;
  std::size_t item = 0;  // every file is handed over, in file order
  MeasurePipes(config, names, lanes, [&](const PipePitch& pipe) {
    const std::string& name = names[item++];
    PrintCaptured(pipe.messages);  // analysis lines, and why a file is no pipe
    if (pipe.skipped) return;
    rows.push_back(ReportRow(config, name, pipe));
    if (config.settings.verbosity != 0) PrintReportLine(rows.back());
  });
  const std::string path = DestinationPathFor(config.destination, kReportName);
  platform::WriteWholeFile(
      path, report::PitchReportPage({config.source_pattern, config.detune, config.a4_hz}, rows));
  if (config.settings.verbosity != 0) Print("Pitch report in %s\n", path.c_str());
}

}  // namespace zelvanor
