// Synthetic organ pipes for the demo, the end-to-end tests and the
// benchmark corpus: WAVE files with a sustain loop, a release cue, labels,
// a text region and an INFO list, as sample sets ship them.
//
// Everything is computed with plain IEEE double arithmetic in a fixed order
// (no library transcendental functions) and a standard Mersenne Twister, so
// the same parameters give the same bytes on every platform.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zelvanor::examples {

// The partials a pipe sounds. kExample is the demo pipes' own mild flue
// spectrum; the others are the pipe families the pitch measurement must
// handle, each with an attack transient (a noise chiff and a decaying
// inharmonic partial) and wind noise 50 dB below the tone.
enum class Voicing {
  kExample,
  kFlue,     // partial n at 1/n^2
  kString,   // partial n at 1/n
  kStopped,  // odd partials at 1/n, even ones 26 dB weaker
  kReed,     // the fundamental 20 dB below the second partial, the rest at 1/n
};

struct PipeSpec {
  int note = 36;             // MIDI note number: 36 is C two octaves below middle C
  int bits = 16;             // 16 or 24
  int channels = 2;          // 1 to 4
  double seconds = 1.0;      // total length
  std::uint32_t rate = 44100;
  std::uint32_t seed = 1;    // varies the harmonics and the wind noise
  // Off: no `smpl` chunk, as in recordings of pipes that were never looped
  // (the cue points stay); such pipes can get a dummy loop (L=).
  bool sustain_loop = true;
  Voicing voicing = Voicing::kExample;
  double frequency = 0.0;  // the fundamental in Hz; 0: the note's at A4 = 440 Hz
};

// Where the markers of a synthesized pipe lie, in frames.
struct PipeMarkers {
  std::uint32_t frames = 0;
  std::uint32_t loop_start = 0;
  std::uint32_t loop_end = 0;       // last frame of the loop
  std::uint32_t release_start = 0;  // cue point 2
};

struct Pipe {
  std::vector<std::uint8_t> bytes;  // the whole WAVE file
  PipeMarkers markers;
};

Pipe SynthesizePipe(const PipeSpec& spec);

// The fundamental a pipe of `spec` is synthesized with.
double PipeFrequency(const PipeSpec& spec);

// "036-C.wav", "049-C#.wav": the number, a dash and the note name, the form
// the temperament mode guesses notes from.
std::string PipeFileName(int note);

struct SetSpec {
  int count = 4;
  double min_seconds = 0.6;
  double max_seconds = 0.9;
  // Bits and channels, used in turn: 16-bit stereo, 24-bit mono.
  std::vector<std::pair<int, int>> formats = {{16, 2}, {24, 1}};
  std::uint32_t seed = 1;
  int first_note = 36;
  int note_step = 13;
  std::uint32_t rate = 44100;
};

struct NamedPipe {
  std::string file_name;  // unique within the set
  PipeSpec spec;
};

// The pipes of a set, in order. Notes wrap within the organ's range (MIDI
// 24 to 108); a name that repeats gets a "-2", "-3", ... suffix.
std::vector<NamedPipe> PlanSet(const SetSpec& set);

}  // namespace zelvanor::examples
