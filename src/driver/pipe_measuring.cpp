#include "driver/pipe_measuring.h"

#include <cstdint>

#include "common/console.h"
#include "common/midi_note.h"
#include "driver/command_line.h"
#include "driver/ordered_batch.h"
#include "driver/source_paths.h"
#include "tuning/note_name_guess.h"
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
  // M measures every pipe: the statement is what it compares with.
  if (settings.use_stated_pitch && pipe.stated_hz && config.mode != TuningMode::kPitchReport) return;
  const std::optional<int> key = GuessMidiNote(pipe.source_path);
  const pitch::PitchHint hint = pitch::PipeHint(
      pipe.note, pipe.stated_hz, key ? std::optional(std::int64_t{*key} + settings.key_offset) : std::nullopt);
  pipe.measured = pitch::MeasurePipePitch(source->wave, *analysis, hint);
}

}  // namespace

void MeasurePipes(const RunConfig& config, const std::vector<std::string>& names, std::size_t lanes,
                  const EachMeasuredPipe& each) {
  RunOrderedCapturing<SourceBuffers, PipePitch>(
      names.size(), lanes,
      [&](std::size_t item, SourceBuffers& buffers, PipePitch& pipe) {
        pipe = PipePitch{};
        MeasureOne(config, names[item], buffers, pipe);
      },
      [&](std::size_t item, const std::string& messages, const PipePitch& pipe) { each(item, pipe, messages); });
}

}  // namespace zelvanor
