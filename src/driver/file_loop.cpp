#include "driver/file_loop.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "common/console.h"
#include "common/run_error.h"
#include "driver/command_line.h"
#include "driver/detune.h"
#include "driver/ordered_batch.h"
#include "driver/pitch_report_run.h"
#include "driver/pitch_standard_run.h"
#include "driver/source_paths.h"
#include "output/generate_output.h"
#include "platform/directory.h"
#include "platform/file_system.h"
#include "platform/output_file.h"
#include "tuning/tuning_factor.h"
#include "wave/chunk_analysis.h"
#include "wave/source_file.h"

namespace zelvanor {
namespace {

double TuningFactorFor(const RunConfig& config, const std::string& source_path) {
  if (config.mode == TuningMode::kTemperament) {
    return TemperamentTuningFactor(source_path, config.original, config.target, config.settings);
  }
  return config.base_factor;
}

// A= measured the set with this file skipped and tuned the others to
// their targets; tuning it now would leave one pipe of the set at factor 1.
[[noreturn]] void StopForFileSkippedWhileMeasuring(const std::string& source_path) {
  ThrowFatal("%s was no pipe when the set was measured but is one now (changed during the run?); it and the files "
             "after it are not written\n", source_path.c_str());
}

// One file up to, not including, putting its output in place: the output
// is complete in `output` under a temporary name. False when the source is
// skipped (not RIFF/WAVE, too large); every failure throws. `tuning` is
// the file's judgement from the measuring pass in A= mode, else null.
bool WriteFileOutput(const RunConfig& config, const std::string& relative_path, const PipeJudgement* tuning,
                     SourceBuffers& buffers, platform::OutputFile& output) {
  const std::string source_path = SourcePathFor(config.source_pattern, relative_path);
  const std::string destination_path = DestinationPathFor(config.destination, relative_path);

  CheckSourceStillThere(source_path);
  if (tuning && !tuning->skipped) PrintPitchLines(*tuning, config.settings.verbosity);

  const double tuning_factor = tuning ? tuning->factor : TuningFactorFor(config, source_path);
  CheckTuningFactor(tuning_factor);

  const std::optional<LoadedSource> source = LoadSource(source_path, buffers);
  if (!source) return false;
  const std::optional<SourceAnalysis> analysis = AnalyseSource(source_path, source->wave, config.settings);
  if (!analysis) return false;
  if (tuning && tuning->skipped) StopForFileSkippedWhileMeasuring(source_path);
  // The output's folders below the destination are made when it is put in
  // place: a run that stops leaves none that holds no output.
  const std::size_t new_folders_from = destination_path.size() - relative_path.size();
  const RetunedWaveSummary summary = WriteOutputFile(
      source_path, destination_path, tuning_factor, source->wave, *analysis, config.settings, source->wavpack, output,
      tuning ? std::optional(tuning->target_midi_cents) : std::nullopt, new_folders_from);
  PrintSaturationWarning(destination_path, summary, config.settings);
  return true;
}

// The messages of a file reach standard output before its output is put in
// place: a reader that has gone away is noticed (SIGPIPE) while the output
// is still temporary and is removed with the others, and what the reader
// saw last names a file that is complete.
void PutInPlaceAfterItsMessages(platform::OutputFile& output) {
  FlushMessages();
  PutOutputInPlace(output);
}

// The file's judgement from the measuring pass, or null when there was none.
const PipeJudgement* TuningOf(const std::vector<PipeJudgement>& tunings, std::size_t item) {
  return tunings.empty() ? nullptr : &tunings[item];
}

void ProcessOneAfterAnother(const RunConfig& config, const std::vector<std::string>& names,
                            const std::vector<PipeJudgement>& tunings) {
  SourceBuffers buffers;
  platform::ReplacementFlushes flushes;  // outlives the output, which leaves it
  platform::OutputFile output;  // deletes a half-written temporary on a throw
  output.FlushReplacementsWith(flushes);
  for (std::size_t item = 0; item < names.size(); ++item) {
    if (WriteFileOutput(config, names[item], TuningOf(tunings, item), buffers, output)) {
      PutInPlaceAfterItsMessages(output);
    }
  }
}

// What a file worked on side by side leaves for the completing thread
// beside its messages: its output, finished but still temporary (holding
// no buffer), and whether there is one. The source buffers stay with the
// lane, which goes on to the next file meanwhile.
struct FinishedFile {
  platform::OutputFile output;
  bool has_output = false;
};

// Lanes load, analyse and write files side by side, each taking the next
// file nobody has started and capturing its messages; this thread then
// takes the files strictly in order, prints a file's messages and puts its
// output in place, or stops at the first failure with its message. Later
// files, finished or not, are then discarded unseen: their temporaries go
// with their records, none is renamed and none of their messages is
// printed. So the standard output, the files and the exit code are those
// of a run one file after another, and a source retuned in place is only
// ever replaced by its own complete output, in file order. Each lane holds
// one source at a time (so memory stays at one source per lane, never the
// whole batch), while finished files wait for their turn, holding only a
// closed temporary and their messages.
void ProcessSideBySide(const RunConfig& config, const std::vector<std::string>& names,
                       const std::vector<PipeJudgement>& tunings, std::size_t lane_count) {
  platform::ReplacementFlushes flushes;  // outlives the files, which leave it
  RunOrderedCapturing<SourceBuffers, FinishedFile>(
      names.size(), lane_count,
      [&](std::size_t item, SourceBuffers& buffers, FinishedFile& file) {
        file.has_output = false;
        file.output.FlushReplacementsWith(flushes);
        try {
          file.has_output = WriteFileOutput(config, names[item], TuningOf(tunings, item), buffers, file.output);
        } catch (...) {
          file.output.Discard();
          throw;
        }
      },
      [&](std::size_t, const std::string& messages, FinishedFile& file) {
        PrintCaptured(messages);
        if (file.has_output) PutInPlaceAfterItsMessages(file.output);
      });
}

// A= and M read the whole set before their first output: a destination
// that cannot take one is said before, with the message the output would
// have met, instead of after minutes of measuring.
void CheckDestinationBeforeMeasuring(const RunConfig& config, const std::string& first_name) {
  if (platform::IsDirectory(config.destination)) return;
  if (config.mode == TuningMode::kPitchReport) {
    ThrowExit(kExitFailure, "can't create file %s\n", DestinationPathFor(config.destination, kPitchReportName).c_str());
  }
  ThrowExit(kExitFailure, "can't create new file %s\n", DestinationPathFor(config.destination, first_name).c_str());
}

}  // namespace

void ProcessMatchingFiles(const RunConfig& config) {
  CheckRunPaths(config.source_pattern, config.destination);
  const std::vector<std::string> names = platform::MatchFiles(config.source_pattern);
  if (names.empty()) {
    ThrowExit(kExitFatal, "can't find source-file %s\n", config.source_pattern.c_str());
  }
  const std::size_t lanes =
      std::min(names.size(), static_cast<std::size_t>(std::max(config.parallel_files, 1)));
  const bool measures = config.mode == TuningMode::kPitchReport || config.mode == TuningMode::kPitchStandard;
  if (measures) CheckDestinationBeforeMeasuring(config, names.front());
  if (config.mode == TuningMode::kPitchReport) return ReportPitches(config, names, lanes);
  // In A= mode every pipe is measured first: a pipe that stops the run
  // stops it before any output exists.
  const std::vector<PipeJudgement> tunings =
      config.mode == TuningMode::kPitchStandard ? TuningsToPitchStandard(config, names, lanes)
                                                : std::vector<PipeJudgement>{};
  WriteFiles(config, names, tunings, lanes);
}

void WriteFiles(const RunConfig& config, const std::vector<std::string>& names,
                const std::vector<PipeJudgement>& tunings, std::size_t lanes) {
  if (lanes == 1) {
    ProcessOneAfterAnother(config, names, tunings);
  } else {
    ProcessSideBySide(config, names, tunings, lanes);
  }
}

}  // namespace zelvanor
