#include "driver/pipe_measuring.h"

#include <cmath>
#include <exception>

#include "common/console.h"
#include "common/midi_note.h"
#include "common/series_math.h"
#include "driver/command_line.h"
#include "driver/ordered_batch.h"
#include "driver/source_paths.h"
#include "report/pitch_report.h"
#include "tuning/note_name_guess.h"
#include "tuning/pitch_standard.h"
#include "tuning/tuning_factor.h"
#include "wave/chunk_analysis.h"
#include "wave/source_file.h"
#include "wave/stated_pitch.h"

namespace zelvanor {
namespace {

std::optional<double> StatedHz(const StatedPitch& stated) {
  // A unity note beyond the MIDI notes is no statement of a pitch.
  if (!stated.states_a_pitch() || stated.unity_note > std::uint32_t{kHighestMidiNote}) return std::nullopt;
  return PitchOfMidiCents(CentsOfStatement(stated));
}

// A rough pitch for the measurement to look near: what the file states, or
// else the key number of its name moved by O=. A mutation rank's key
// number is not its octave, which is why the statement comes first.
double RoughPitch(const PipePitch& pipe, const Settings& settings) {
  if (pipe.stated_hz) return *pipe.stated_hz;
  const std::optional<int> key = GuessMidiNote(pipe.source_path);
  const double moved = key ? static_cast<double>(*key) + settings.key_offset : -1.0;
  return moved >= 0 && moved <= kHighestMidiNote ? PitchOfMidiCents(100.0 * moved) : 0.0;
}

void MeasureOne(const RunConfig& config, const std::string& name, SourceBuffers& buffers, PipePitch& pipe) {
  const Settings& settings = config.settings;
  pipe.source_path = SourcePathFor(config.source_pattern, name);
  CheckSourceStillThere(pipe.source_path);
  // The note first, as for a temperament: a name without one is an error
  // whatever the file holds.
  pipe.note = ApplyKeyOffset(GuessNoteIndex(pipe.source_path), settings.key_offset);
  const std::optional<LoadedSource> source = LoadSource(pipe.source_path, buffers);
  const std::optional<SourceAnalysis> analysis =
      source ? AnalyseSource(pipe.source_path, source->wave, settings) : std::nullopt;
  if (!analysis) {
    pipe.skipped = true;
    return;
  }
  pipe.stated_hz = StatedHz(analysis->stated_pitch);
  if (settings.use_stated_pitch && pipe.stated_hz && !settings.measure_only) return;
  const pitch::PitchHint hint{.pitch_class = pipe.note, .near_hz = RoughPitch(pipe, settings)};
  pipe.measured = pitch::MeasurePipePitch(source->wave, *analysis, hint);
}

// What a measured file leaves for the completing thread.
struct MeasuredFile {
  PipePitch pipe;
  std::exception_ptr failure;
};

}  // namespace

bool StatementStandsIn(const PipePitch& pipe) {
  if (!pipe.measured || pipe.measured->reliable || !pipe.stated_hz) return false;
  const double hz = pipe.measured->hz;
  return hz > 0 && std::isfinite(hz) && std::fabs(series::CentsOfRatio(hz / *pipe.stated_hz)) <= report::kInTuneCents;
}

void MeasurePipes(const RunConfig& config, const std::vector<std::string>& names, std::size_t lanes,
                  const std::function<void(const PipePitch&)>& each) {
  // Each lane loads into its own buffers; each file in flight has its record.
  std::vector<SourceBuffers> buffers(lanes);
  std::vector<MeasuredFile> records(lanes * std::size_t{kFilesInFlightPerLane});
  const auto work = [&](std::size_t item, std::size_t lane) {
    MeasuredFile& record = records[item % records.size()];
    record = MeasuredFile{};
    const MessageCapture capture(record.pipe.messages);
    try {
      MeasureOne(config, names[item], buffers[lane], record.pipe);
    } catch (...) {
      record.failure = std::current_exception();
    }
  };
  const auto complete = [&](std::size_t item) {
    const MeasuredFile& record = records[item % records.size()];
    if (record.failure) {
      PrintCaptured(record.pipe.messages);
      std::rethrow_exception(record.failure);
    }
    each(record.pipe);
  };
  RunOrdered(names.size(), lanes, records.size(), work, complete);
}

}  // namespace zelvanor
