#include "examples/example_pipes.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <cstdio>
#include <random>

#include "output/byte_sink.h"
#include "output/sample_saturation.h"
#include "tuning/note_names.h"
#include "wave/byte_reader.h"
#include "wave/sample_access.h"

namespace zelvanor::examples {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kSemitone = 1.0594630943592952646;  // 2^(1/12)
constexpr int kHarmonics = 6;

// sin by range reduction and a Taylor series: basic operations only, so the
// result does not depend on the platform's math library.
double Sine(double x) {
  const double turns = std::floor(x / (2.0 * kPi) + 0.5);
  x = x - turns * (2.0 * kPi);
  const double x2 = x * x;
  double term = x;
  double sum = x;
  for (int n = 1; n <= 12; ++n) {
    term = -term * x2 / static_cast<double>((2 * n) * (2 * n + 1));
    sum = sum + term;
  }
  return sum;
}

double NoteFrequency(int note) {
  double frequency = 440.0;
  for (int n = 69; n < note; ++n) frequency = frequency * kSemitone;
  for (int n = 69; n > note; --n) frequency = frequency / kSemitone;
  return frequency;
}

// A uniform number in [0, 1) from the generator's 32 bits.
double Uniform(std::mt19937& random) { return static_cast<double>(random()) / 4294967296.0; }

void PutU16(ByteSink& sink, std::uint32_t value) {
  const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)};
  sink.Write(bytes);
}
void PutU32(ByteSink& sink, std::uint32_t value) {
  std::uint8_t bytes[4];
  StoreU32le(bytes, value);
  sink.Write(bytes);
}
void PutId(ByteSink& sink, const char (&id)[5]) {
  sink.Write(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(id), 4));
}
void PutText(ByteSink& sink, const std::string& text) {
  sink.Write(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.c_str()), text.size() + 1));
}
void PadTo(ByteSink& sink, std::uint64_t size) {
  if (size % 2 == 1) sink.WriteZeros(1);
}

// labl/note body: dwName and a zero-terminated text.
std::uint32_t TextSize(const std::string& text) { return static_cast<std::uint32_t>(4 + text.size() + 1); }
void PutTextSubChunk(ByteSink& sink, const char (&id)[5], std::uint32_t cue_id, const std::string& text) {
  PutId(sink, id);
  PutU32(sink, TextSize(text));
  PutU32(sink, cue_id);
  PutText(sink, text);
  PadTo(sink, TextSize(text));
}
std::uint32_t PaddedSubChunk(std::uint32_t size) { return 8 + size + (size & 1); }

// One sinusoid of a channel: `multiple` times the fundamental.
struct Partial {
  double multiple, amplitude, phase;
};

// The demo pipes' partials: a flue-like spectrum, a little different for
// every pipe and channel.
std::vector<Partial> ExamplePartials(double frequency, double nyquist, std::mt19937& random) {
  static constexpr double kSpectrum[kHarmonics] = {1.0, 0.45, 0.28, 0.16, 0.09, 0.05};
  std::vector<Partial> partials;
  for (int h = 0; h < kHarmonics; ++h) {
    const bool audible = frequency * (h + 1) < nyquist * 0.9;
    const double amplitude = audible ? kSpectrum[h] * (0.8 + 0.4 * Uniform(random)) : 0.0;
    partials.push_back({static_cast<double>(h + 1), amplitude, 2.0 * kPi * Uniform(random)});
  }
  return partials;
}

// A pipe family's partials up to 0.9 of the Nyquist frequency, each within
// 10 % of its family's level.
std::vector<Partial> FamilyPartials(Voicing voicing, double frequency, double nyquist, std::mt19937& random) {
  constexpr int kMostPartials = 32;
  std::vector<Partial> partials;
  for (int n = 1; n <= kMostPartials && frequency * n < nyquist * 0.9; ++n) {
    double level = 1.0 / n;
    if (voicing == Voicing::kFlue) level = 1.0 / (n * n);
    if (voicing == Voicing::kStopped && n % 2 == 0) level = 0.05 / n;
    if (voicing == Voicing::kReed) level = n == 1 ? 0.1 : 1.0 / (n - 1);  // the second partial 20 dB over the first
    partials.push_back({static_cast<double>(n), level * (0.9 + 0.2 * Uniform(random)), 2.0 * kPi * Uniform(random)});
  }
  return partials;
}

// The attack transient of the pipe families: a decaying inharmonic partial
// (the pipe speaking before its resonance locks in) and a chiff of noise.
struct Transient {
  double amplitude = 0.0, decay = 1.0, step = 0.0;
  double chiff = 0.0, chiff_decay = 1.0;
};

std::vector<std::int32_t> SynthesizeSamples(const PipeSpec& spec, const PipeMarkers& markers,
                                            std::mt19937& random) {
  const double frequency = PipeFrequency(spec);
  const double nyquist = spec.rate / 2.0;
  const bool family = spec.voicing != Voicing::kExample;
  std::vector<std::vector<Partial>> voices(static_cast<std::size_t>(spec.channels));
  double tone_power = 0.0;
  for (std::vector<Partial>& voice : voices) {
    voice = family ? FamilyPartials(spec.voicing, frequency, nyquist, random)
                   : ExamplePartials(frequency, nyquist, random);
    double total = 0.0;
    for (const Partial& p : voice) total = total + p.amplitude;
    // Peaks near -1 dBFS: sample sets are normalised close to full scale.
    for (Partial& p : voice) {
      p.amplitude = p.amplitude * (0.89 / total);
      tone_power = tone_power + p.amplitude * p.amplitude / 2.0;
    }
  }

  const double full_scale = spec.bits == 24 ? 8388607.0 : 32767.0;
  const std::uint32_t attack = std::min<std::uint32_t>(markers.loop_start, spec.rate / 20);
  const std::uint32_t release_frames = markers.frames - markers.release_start;
  const double decay = 1.0 - 6.9 / static_cast<double>(std::max<std::uint32_t>(release_frames, 1));
  double envelope_release = 1.0;
  double wind = 0.0;
  // The demo pipes' wind lies some 55 dB below their tone; the families'
  // 50 dB below the mean power of a channel (the low-pass below turns a
  // uniform step of width g into wind of RMS 1.1874 g).
  const double wind_step =
      family ? std::sqrt(tone_power / static_cast<double>(voices.size())) * 0.0031622777 / 1.1874 : 0.0035;
  Transient transient;
  if (family) {
    const double multiple = frequency * 2.37 < nyquist * 0.9 ? 2.37 : 1.37;
    transient = {0.2, 1.0 - 1.0 / (0.06 * spec.rate), 2.0 * kPi * frequency * multiple / spec.rate,
                 0.05, 1.0 - 1.0 / (0.03 * spec.rate)};
  }

  // Each partial turns by a fixed angle per frame (a rotation, cheap), and
  // is set afresh from the sine every few thousand frames so that rounding
  // cannot drift.
  constexpr std::uint32_t kResync = 4096;
  struct Rotation {
    double amplitude, phase, step, cos_step, sin_step, c = 0.0, s = 0.0;
  };
  std::vector<std::vector<Rotation>> partials(voices.size());
  for (std::size_t v = 0; v < voices.size(); ++v) {
    for (const Partial& p : voices[v]) {
      if (p.amplitude == 0.0) continue;
      const double step = 2.0 * kPi * frequency * p.multiple / spec.rate;
      partials[v].push_back({p.amplitude, p.phase, step, Sine(step + kPi / 2.0), Sine(step)});
    }
  }

  std::vector<std::int32_t> values;
  values.reserve(std::size_t{markers.frames} * voices.size());
  for (std::uint32_t i = 0; i < markers.frames; ++i) {
    double envelope = 1.0;
    if (i < attack) {
      const double x = static_cast<double>(i) / attack;
      envelope = x * x * (3.0 - 2.0 * x);
    }
    if (i >= markers.release_start) {
      envelope = envelope_release;
      envelope_release = envelope_release * decay;
    }
    // Wind noise, low-passed.
    wind = wind * 0.97 + (Uniform(random) - 0.5) * wind_step;
    double onset = 0.0;
    if (transient.amplitude > 1e-9) {
      onset = transient.amplitude * Sine(transient.step * i) + transient.chiff * (Uniform(random) - 0.5);
      transient.amplitude = transient.amplitude * transient.decay;
      transient.chiff = transient.chiff * transient.chiff_decay;
    }
    for (std::vector<Rotation>& voice : partials) {
      double sum = 0.0;
      for (Rotation& p : voice) {
        if (i % kResync == 0) {
          const double angle = p.step * i + p.phase;
          p.s = Sine(angle);
          p.c = Sine(angle + kPi / 2.0);
        }
        sum = sum + p.amplitude * p.s;
        const double c = p.c * p.cos_step - p.s * p.sin_step;
        p.s = p.s * p.cos_step + p.c * p.sin_step;
        p.c = c;
      }
      const double value = family ? std::floor(((sum + onset) * envelope + wind) * full_scale + 0.5)
                                  : std::floor((sum * envelope + wind) * full_scale + 0.5);
      values.push_back(SaturateToWidth(static_cast<std::int32_t>(value), spec.bits / 8));
    }
  }
  return values;
}

PipeMarkers PlaceMarkers(const PipeSpec& spec) {
  PipeMarkers markers;
  markers.frames = static_cast<std::uint32_t>(std::floor(spec.seconds * spec.rate + 0.5));
  const double period = spec.rate / PipeFrequency(spec);
  // The loop holds a whole number of periods, so it joins without a click;
  // the stretch between its end and the release is what retuning may cut.
  markers.loop_start = markers.frames / 4;
  const double periods = std::max(1.0, std::floor(0.25 * markers.frames / period + 0.5));
  markers.loop_end = markers.loop_start + static_cast<std::uint32_t>(std::floor(periods * period + 0.5)) - 1;
  markers.release_start = std::max(markers.frames * 7 / 10, markers.loop_end + 1200);
  return markers;
}

}  // namespace

std::string PipeFileName(int note) {
  char number[16];
  std::snprintf(number, sizeof number, "%03d", note);
  return std::string(number) + "-" + kNoteNames[((note % 12) + 12) % 12] + ".wav";
}

double PipeFrequency(const PipeSpec& spec) {
  return spec.frequency > 0.0 ? spec.frequency : NoteFrequency(spec.note);
}

Pipe SynthesizePipe(const PipeSpec& spec) {
  Pipe pipe;
  pipe.markers = PlaceMarkers(spec);
  const PipeMarkers& m = pipe.markers;
  std::mt19937 random(spec.seed);
  const std::vector<std::int32_t> values = SynthesizeSamples(spec, m, random);

  const int width = spec.bits / 8;
  const auto block = static_cast<std::uint32_t>(width * spec.channels);
  const auto data_size = static_cast<std::uint32_t>(values.size() * static_cast<std::size_t>(width));

  const std::string sustain = "sustain";
  const std::string release = "release";
  const std::string note = "release begins";
  const std::uint32_t ltxt_size = 20;
  const std::uint32_t adtl_size = 4 + PaddedSubChunk(TextSize(sustain)) + PaddedSubChunk(TextSize(release)) +
                                  PaddedSubChunk(TextSize(note)) + PaddedSubChunk(ltxt_size);
  const std::string software = "Zelvanor example pipe generator";
  const std::uint32_t isft_size = static_cast<std::uint32_t>(software.size() + 1);
  const std::uint32_t info_size = 4 + PaddedSubChunk(isft_size);

  MemorySink sink;
  PutId(sink, "RIFF");
  PutU32(sink, 0);  // filled in below
  PutId(sink, "WAVE");

  PutId(sink, "fmt ");
  PutU32(sink, 16);
  PutU16(sink, 1);
  PutU16(sink, static_cast<std::uint32_t>(spec.channels));
  PutU32(sink, spec.rate);
  PutU32(sink, spec.rate * block);
  PutU16(sink, block);
  PutU16(sink, static_cast<std::uint32_t>(spec.bits));

  PutId(sink, "data");
  PutU32(sink, data_size);
  std::vector<std::uint8_t> frames(data_size);
  for (std::size_t i = 0; i < values.size(); ++i) WriteSampleValue(frames.data() + i * width, width, values[i]);
  sink.Write(frames);
  PadTo(sink, data_size);

  PutId(sink, "cue ");
  PutU32(sink, 4 + 2 * 24);
  PutU32(sink, 2);
  for (std::uint32_t id : {1u, 2u}) {
    const std::uint32_t position = id == 1 ? m.loop_start : m.release_start;
    PutU32(sink, id);
    PutU32(sink, position);
    PutId(sink, "data");
    PutU32(sink, 0);
    PutU32(sink, 0);
    PutU32(sink, position);
  }

  if (spec.sustain_loop) {
    PutId(sink, "smpl");
    PutU32(sink, 36 + 24);
    for (std::uint32_t value : {0u, 0u, 1000000000u / spec.rate, static_cast<std::uint32_t>(spec.note), 0u, 0u,
                                0u, 1u, 0u}) {
      PutU32(sink, value);
    }
    for (std::uint32_t value : {0u, 0u, m.loop_start, m.loop_end, 0u, 0u}) PutU32(sink, value);
  }

  PutId(sink, "LIST");
  PutU32(sink, adtl_size);
  PutId(sink, "adtl");
  PutTextSubChunk(sink, "labl", 1, sustain);
  PutTextSubChunk(sink, "labl", 2, release);
  PutTextSubChunk(sink, "note", 2, note);
  PutId(sink, "ltxt");
  PutU32(sink, ltxt_size);
  for (std::uint32_t value : {2u, m.frames - m.release_start}) PutU32(sink, value);
  PutId(sink, "rgn ");
  for (int field = 0; field < 4; ++field) PutU16(sink, 0);

  PutId(sink, "LIST");
  PutU32(sink, info_size);
  PutId(sink, "INFO");
  PutId(sink, "ISFT");
  PutU32(sink, isft_size);
  PutText(sink, software);
  PadTo(sink, isft_size);

  pipe.bytes = sink.bytes();
  StoreU32le(pipe.bytes.data() + 4, static_cast<std::uint32_t>(pipe.bytes.size() - 8));
  return pipe;
}

std::vector<NamedPipe> PlanSet(const SetSpec& set) {
  constexpr int kLowest = 24, kRange = 85;  // MIDI 24 to 108
  std::vector<NamedPipe> pipes;
  std::map<std::string, int> uses;
  std::mt19937 random(set.seed);
  for (int i = 0; i < set.count; ++i) {
    PipeSpec spec;
    spec.note = kLowest + (((set.first_note - kLowest + i * set.note_step) % kRange) + kRange) % kRange;
    const auto& format = set.formats[static_cast<std::size_t>(i) % set.formats.size()];
    spec.bits = format.first;
    spec.channels = format.second;
    spec.seconds = set.min_seconds + (set.max_seconds - set.min_seconds) * Uniform(random);
    spec.rate = set.rate;
    spec.seed = random();
    std::string name = PipeFileName(spec.note);
    const int use = ++uses[name];
    if (use > 1) name = name.substr(0, name.size() - 4) + "-" + std::to_string(use) + ".wav";
    pipes.push_back({name, spec});
  }
  return pipes;
}

}  // namespace zelvanor::examples
