#include "driver/pitch_report_run.h"

#include <cmath>

#include "common/console.h"
#include "driver/pipe_judgement.h"
#include "driver/pipe_measuring.h"
#include "driver/source_paths.h"
#include "platform/path_separators.h"
#include "platform/whole_file.h"
#include "report/pitch_report.h"
#include "tuning/note_names.h"
#include "tuning/pitch_standard.h"

namespace zelvanor {
namespace {

std::string Joined(const std::string& first, const std::string& second) {
  return first.empty() ? second : first + "; " + second;
}

// What M says about a pipe needing a look: each problem, joined.
std::string Flags(const PipeJudgement& judged) {
  std::string flag;
  for (const PipeProblem problem : judged.problems) {
    switch (problem) {
      case PipeProblem::kNotMeasuredReliably:
        flag = Joined(flag, Format("not measured reliably (%s)", judged.measurement_problem.c_str()));
        if (judged.pitch_origin == PitchOrigin::kStatedInstead) {
          flag = Joined(flag, "A= tunes it from its stated pitch");
        }
        break;
      case PipeProblem::kMeasuredAndStatedApart:
        flag = Joined(flag, Format("measured and stated %.2f cents apart",
                                   std::fabs(*judged.measured_cents - *judged.stated_cents)));
        break;
      case PipeProblem::kBeyondLargestCorrection:
        flag = Joined(flag, Format("more than %.0f cents from its target (check O= and the file name)",
                                   kLargestCorrectionCents));
        break;
      case PipeProblem::kNoPitch:  // the row says so: no pitch, no target
      case PipeProblem::kNoTargetPitch:
        break;
    }
  }
  return flag;
}

// The folder of a name the pattern matched, below the pattern's fixed part:
// the name up to its last separator, "" for a file in the fixed part itself.
// The page sums up each folder (a rank of an organ) on its own. The match
// joins folders with the native separator only, so a POSIX file name
// holding a "\" is no folder.
std::string FolderOf(const std::string& name) {
  const std::size_t last = name.rfind(platform::kNativeSeparator);
  return last == std::string::npos ? std::string() : name.substr(0, last);
}

report::PitchReportRow ReportRow(const std::string& name, const PipeJudgement& judged) {
  return {.folder = FolderOf(name),
          .file = judged.source_path,
          .note = kNoteNames[static_cast<std::size_t>(judged.note)],
          .target_hz = judged.target_hz,
          .measured_hz = judged.measured_hz,
          .measured_cents = judged.measured_cents,
          .stated_hz = judged.stated_hz,
          .stated_cents = judged.stated_cents,
          .flag = Flags(judged)};
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
  MeasurePipes(config, names, lanes, [&](std::size_t item, const PipePitch& pipe, const std::string& messages) {
    PrintCaptured(messages);  // analysis lines, and why a file is no pipe
    if (pipe.skipped) return;
    rows.push_back(ReportRow(names[item], JudgePipe(config, pipe)));
    if (config.settings.verbosity != 0) PrintReportLine(rows.back());
  });
  const std::string path = DestinationPathFor(config.destination, kPitchReportName);
  platform::WriteWholeFile(
      path, report::PitchReportPage({config.source_pattern, config.detune, config.a4_hz}, rows));
  if (config.settings.verbosity != 0) Print("Pitch report in %s\n", path.c_str());
}

}  // namespace zelvanor
