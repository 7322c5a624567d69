// The pitch a pipe sounds, measured from its own audio. A held key repeats
// the sustain loop, so where there is one the loop's length L holds a whole
// number k of periods and the heard pitch is exactly k * rate / L; a
// harmonic fit over the steady part cross-checks the choice of k. Without a
// loop the harmonic fit over the steadiest stretch is the pitch. The value
// decides a tuning factor and so every output byte: it comes from
// fixed-order IEEE arithmetic only, the same on every machine.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "wave/source_analysis.h"

namespace zelvanor::pitch {

// How the pitch was found.
enum class PitchMethod { kLoop, kSteadyPart };

struct PitchMeasurement {
  bool reliable = false;  // false: `problem` says why; `hz` may still hold the best guess (0 when none)
  double hz = 0.0;        // the pitch a held key sounds: for a looped pipe k * rate / L
  PitchMethod method = PitchMethod::kSteadyPart;
  std::string problem;  // lower case, no period: the caller prints it inside its own line naming the file
};

// What the caller knows about the pipe: its note's pitch class from the
// file name (0 = C .. 11 = B, moved by O=; -1 when unknown) and, where
// known, a rough frequency (0 when unknown). The measurement prefers the
// candidate of that pitch class near that frequency (a reed's weak
// fundamental, a stopped pipe's strong third partial) but works without
// either.
struct PitchHint {
  int pitch_class = -1;
  double near_hz = 0.0;
};

// The hint the program gives a pipe: its note's pitch class, near what its
// smpl chunk states (`stated_hz`) or else near the MIDI note `key_note`
// (the key number of a name such as 057-A.wav, moved by O=; no rough
// frequency when there is none or it is no MIDI note). A mutation rank's
// key number is not its octave, which is why the statement comes first.
// The rough frequency sizes the measurement's search and so enters the
// last bits of its result: fixed-order series only (common/midi_note.h).
PitchHint PipeHint(int pitch_class, std::optional<double> stated_hz, std::optional<std::int64_t> key_note);

// Measures the pipe in `image` (a RIFF/WAVE image, WavPack sources already
// unpacked) as analysed. Reads only the sustain loop or a few seconds of the
// steady part.
PitchMeasurement MeasurePipePitch(std::span<const std::uint8_t> image, const SourceAnalysis& analysis,
                                  const PitchHint& hint);

}  // namespace zelvanor::pitch
