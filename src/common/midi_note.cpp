#include "common/midi_note.h"

#include "common/series_math.h"

namespace zelvanor {
namespace {

constexpr double kMidiA4Cents = 6900.0;
constexpr double kMidiA4Hz = 440.0;

}  // namespace

double PitchOfMidiCents(double cents) { return kMidiA4Hz * series::RatioOfCents(cents - kMidiA4Cents); }

double MidiCentsOfPitch(double hz) { return kMidiA4Cents + series::CentsOfRatio(hz / kMidiA4Hz); }

}  // namespace zelvanor
