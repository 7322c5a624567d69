#include "tuning/pitch_standard.h"

#include <cmath>
#include <limits>
#include <string_view>

#include "common/ascii.h"
#include "common/midi_note.h"
#include "common/series_math.h"
#include "platform/path_separators.h"
#include "tuning/note_name_guess.h"

namespace zelvanor {
namespace {

constexpr int kNoteA = 9;
constexpr double kMidiA4Cents = 6900.0;
constexpr double kMidiA4Hz = 440.0;
// A temperament list may hold any number; a note this far from A (a
// hundred octaves) has no pitch, and the series would leave their range.
constexpr double kFarthestCentsFromA = 120000.0;

}  // namespace

double TargetPitch(int note, const Temperament& temperament, double a4_hz, double pitch_hz) {
  const auto n = static_cast<std::size_t>(note);
  // The shift moves A with every other note, so it counts once, as it does
  // between two temperaments.
  const double cents_from_a = temperament.cents[n] - temperament.cents[kNoteA] + temperament.offset;
  if (!(std::fabs(cents_from_a) < kFarthestCentsFromA)) return std::numeric_limits<double>::quiet_NaN();
  const double in_octave_four = a4_hz * series::RatioOfCents(cents_from_a);
  // Whole octaves (ldexp, exact) to the one nearest the pipe.
  const double octaves = std::nearbyint(series::CentsOfRatio(pitch_hz / in_octave_four) / 1200.0);
  return std::ldexp(in_octave_four, static_cast<int>(octaves));
}

double PitchOfMidiCents(double cents) { return kMidiA4Hz * series::RatioOfCents(cents - kMidiA4Cents); }

double MidiCentsOfPitch(double hz) { return kMidiA4Cents + series::CentsOfRatio(hz / kMidiA4Hz); }

std::optional<int> GuessMidiNote(const std::string& source_path) {
  const std::size_t separator = platform::LastSeparator(source_path);
  const std::string_view name = std::string_view(source_path).substr(separator == std::string::npos ? 0 : separator + 1);
  int number = 0;
  std::size_t at = 0;
  for (; at < name.size() && IsDigit(name[at]); ++at) {
    number = number * 10 + (name[at] - '0');
    if (number > kHighestMidiNote) return std::nullopt;  // no MIDI note (and soon past an int)
  }
  if (at == 0 || at >= name.size() || name[at] != '-') return std::nullopt;
  if (number % 12 != GuessNoteIndex(source_path)) return std::nullopt;
  return number;
}

}  // namespace zelvanor
