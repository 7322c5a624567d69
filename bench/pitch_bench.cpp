// Measures how well the pipe pitch measurement finds the pitch a held key
// sounds, on synthetic pipes whose pitch is known, and what it costs next
// to a retune.
//
//   build/release/bench/zelvanor_pitch_bench            the synthetic table
//   build/release/bench/zelvanor_pitch_bench --no-hint  the same, measured without a hint
//   build/release/bench/zelvanor_pitch_bench --random [N]  N pipes (300) beyond the table, at random
//   build/release/bench/zelvanor_pitch_bench FILE...    real pipes that state their pitch
//   build/release/bench/zelvanor_pitch_bench --no-loop FILE...  the same, their loops ignored
//
// Synthetic pipes come from the example generator: the four families (flue
// 1/n^2, string 1/n, stopped with weak even partials, reed with the
// fundamental 20 dB below the second partial), each with an attack
// transient and wind noise 50 dB down, at fundamentals from 30 Hz to 8 kHz
// chosen off the tempered scale, at 44.1, 48 and 96 kHz, 16 and 24 bits,
// mono and stereo in turn, two seconds long, once with a loop cut as
// producers cut them (a whole number of periods to the nearest frame) and
// once without. The truth is k * rate / L for a looped pipe (what a held key
// repeats), the tone's own pitch otherwise. Each cell of the table is the
// error in cents ("-" where the pipe was not measured reliably). The hint is
// what a run gives: the nearest tempered note's pitch class and pitch.
//
// Real pipes (WAVE or WavPack): each file's measured pitch against the pitch its smpl chunk
// states, with the note of the file name's leading number as the hint; the
// distribution of the differences at the end.
//
// Both print the time of a measurement next to the time of a Q=2 retune of
// the same pipe by +12 cents in memory (the same process, side by side,
// the fastest of three runs of each).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "common/settings.h"
#include "examples/example_pipes.h"
#include "output/byte_sink.h"
#include "output/retune_job.h"
#include "output/write_retuned_wave.h"
#include "pitch/pipe_pitch.h"
#include "wave/chunk_analysis.h"
#include "wave/source_file.h"

namespace zelvanor {
namespace {

using Clock = std::chrono::steady_clock;

double Cents(double ratio) { return 1200.0 * std::log2(ratio); }

struct Timing {
  double measure = 0.0, retune = 0.0;  // seconds, summed
};

struct Measured {
  pitch::PitchMeasurement pitch;
  SourceAnalysis analysis;
};

// The hint the program gives a pipe named by its key number, without a statement.
pitch::PitchHint KeyHint(int note) { return pitch::PipeHint(note % 12, {}, note); }

std::optional<Measured> Measure(const std::vector<std::uint8_t>& image, const pitch::PitchHint& hint,
                                Timing& timing, bool ignore_loop = false) {
  Settings settings;
  settings.verbosity = 0;
  std::optional<SourceAnalysis> analysis = AnalyseSource("pipe.wav", image, settings);
  if (!analysis) return std::nullopt;
  if (ignore_loop) analysis->loop_end = 0;
  // The fastest of three runs of each: the machine may be shared.
  Measured measured{pitch::PitchMeasurement{}, *analysis};
  double measure = 1e9, retune = 1e9;
  for (int run = 0; run < 3; ++run) {
    const Clock::time_point start = Clock::now();
    measured.pitch = pitch::MeasurePipePitch(image, *analysis, hint);
    const Clock::time_point middle = Clock::now();
    MemorySink sink;
    WriteRetunedWave("pipe.wav", "out.wav", MakeRetuneJob(image, *analysis, settings, std::exp2(12.0 / 1200.0)),
                     sink);
    const Clock::time_point end = Clock::now();
    measure = std::min(measure, std::chrono::duration<double>(middle - start).count());
    retune = std::min(retune, std::chrono::duration<double>(end - middle).count());
  }
  timing.measure += measure;
  timing.retune += retune;
  return measured;
}

void PrintTiming(const Timing& timing, int pipes) {
  std::printf("time per pipe: measurement %.2f ms, Q=2 retune %.2f ms, ratio %.2f\n",
              1000.0 * timing.measure / pipes, 1000.0 * timing.retune / pipes, timing.measure / timing.retune);
}

int SyntheticTable(bool hinted) {
  using examples::Voicing;
  const struct {
    Voicing voicing;
    const char* name;
  } families[] = {{Voicing::kFlue, "flue"}, {Voicing::kString, "string"}, {Voicing::kStopped, "stopped"},
                  {Voicing::kReed, "reed"}};
  const double frequencies[] = {30.0, 61.7, 127.3, 263.9, 441.7, 1013.0, 2207.0, 4409.0, 8000.0};
  const std::uint32_t rates[] = {44100, 48000, 96000};
  const int formats[][2] = {{16, 1}, {24, 2}, {16, 2}, {24, 1}};
  Timing timing;
  int pipes = 0, turn = 0, unreliable = 0;
  double worst[2] = {0.0, 0.0};
  std::printf("%-8s %-7s %6s", "family", "loop", "rate");
  for (double f : frequencies) std::printf(" %8.1f", f);
  std::printf("   (error in cents at each fundamental, Hz)\n");
  for (const auto& family : families) {
    for (bool looped : {true, false}) {
      for (std::uint32_t rate : rates) {
        std::printf("%-8s %-7s %6u", family.name, looped ? "loop" : "no loop", rate);
        for (double frequency : frequencies) {
          examples::PipeSpec spec;
          spec.voicing = family.voicing;
          spec.frequency = frequency;
          spec.note = static_cast<int>(std::lround(69.0 + 12.0 * std::log2(frequency / 440.0)));
          spec.rate = rate;
          spec.bits = formats[turn % 4][0];
          spec.channels = formats[turn % 4][1];
          spec.seconds = 2.0;
          spec.seed = static_cast<std::uint32_t>(1 + turn);
          spec.sustain_loop = looped;
          ++turn;
          const examples::Pipe pipe = examples::SynthesizePipe(spec);
          const double length = pipe.markers.loop_end - pipe.markers.loop_start + 1.0;
          const double truth = looped ? std::floor(frequency * length / rate + 0.5) * rate / length : frequency;
          const std::optional<Measured> measured =
              Measure(pipe.bytes, hinted ? KeyHint(spec.note) : pitch::PitchHint{}, timing);
          ++pipes;
          if (!measured || !measured->pitch.reliable) {
            ++unreliable;
            std::printf(" %8s", "-");
            continue;
          }
          const double error = Cents(measured->pitch.hz / truth);
          worst[looped ? 0 : 1] = std::max(worst[looped ? 0 : 1], std::fabs(error));
          std::printf(" %+8.4f", error);
        }
        std::printf("\n");
      }
    }
  }
  std::printf("largest error: %.4f cents with a loop (goal 0.1), %.4f cents without (goal 0.3); %d of %d pipes "
              "not measured reliably\n",
              worst[0], worst[1], unreliable, pipes);
  PrintTiming(timing, pipes);
  return worst[0] <= 0.1 && worst[1] <= 0.3 && unreliable == 0 ? 0 : 1;
}

// Pipes beyond the table: `count` of them at random fundamentals from 30 Hz
// to 8 kHz, lengths of 0.5, 1, 3 and 8 s, 1 to 4 channels, the families,
// rates, widths and loops at random; prints only the pipes off their goal.
int RandomPipes(int count) {
  std::mt19937 random(42);
  Timing timing;
  int off = 0, flagged = 0;
  double worst[2] = {0.0, 0.0};
  for (int i = 0; i < count; ++i) {
    examples::PipeSpec spec;
    spec.voicing = static_cast<examples::Voicing>(1 + random() % 4);
    spec.frequency = 30.0 * std::pow(8000.0 / 30.0, (random() % 100000) / 100000.0);
    spec.rate = std::vector<std::uint32_t>{44100, 48000, 96000}[random() % 3];
    spec.seconds = std::vector<double>{0.5, 1.0, 3.0, 8.0}[random() % 4];
    spec.channels = 1 + static_cast<int>(random() % 4);
    spec.bits = random() % 2 ? 16 : 24;
    spec.sustain_loop = random() % 2 == 0;
    spec.seed = random();
    spec.note = static_cast<int>(std::lround(69.0 + 12.0 * std::log2(spec.frequency / 440.0)));
    const examples::Pipe pipe = examples::SynthesizePipe(spec);
    const double length = pipe.markers.loop_end - pipe.markers.loop_start + 1.0;
    const double truth = spec.sustain_loop ? std::floor(spec.frequency * length / spec.rate + 0.5) * spec.rate / length
                                           : spec.frequency;
    const pitch::PitchMeasurement p = Measure(pipe.bytes, KeyHint(spec.note), timing)->pitch;
    const double error = p.hz > 0.0 ? Cents(p.hz / truth) : 0.0;
    if (p.reliable) worst[spec.sustain_loop ? 0 : 1] = std::max(worst[spec.sustain_loop ? 0 : 1], std::fabs(error));
    flagged += p.reliable ? 0 : 1;
    if (!p.reliable || std::fabs(error) > (spec.sustain_loop ? 0.1 : 0.3)) {
      off += p.reliable ? 1 : 0;
      std::printf("%8.2f Hz, %u Hz, %.1f s, %d channels, %s: %+.4f cents%s%s\n", spec.frequency, spec.rate,
                  spec.seconds, spec.channels, spec.sustain_loop ? "loop" : "no loop", error,
                  p.reliable ? "" : ", not measured reliably: ", p.problem.c_str());
    }
  }
  std::printf("%d pipes: largest error %.4f cents with a loop, %.4f without; %d flagged, %d reliable but off "
              "their goal\n",
              count, worst[0], worst[1], flagged, off);
  PrintTiming(timing, count);
  return off == 0 ? 0 : 1;
}

// The pitch a smpl chunk states, in Hz (0 when it states none).
double StatedHz(const StatedPitch& stated) {
  if (!stated.states_a_pitch()) return 0.0;
  return 440.0 * std::exp2((stated.unity_note - 69.0 + stated.pitch_fraction / 4294967296.0) / 12.0);
}

int RealPipes(int count, char** paths, bool ignore_loops) {
  Timing timing;
  std::vector<double> differences;
  int measured_pipes = 0;
  for (int i = 0; i < count; ++i) {
    SourceBuffers buffers;
    const std::optional<LoadedSource> source = LoadSource(paths[i], buffers);
    if (!source) continue;
    const std::vector<std::uint8_t> image(source->wave.begin(), source->wave.end());
    const std::string name = std::string(paths[i]).substr(std::string(paths[i]).find_last_of('/') + 1);
    const int note = std::atoi(name.c_str());
    const std::optional<Measured> measured =
        Measure(image, note > 0 ? KeyHint(note) : pitch::PitchHint{}, timing, ignore_loops);
    if (!measured) continue;
    ++measured_pipes;
    const double stated = StatedHz(measured->analysis.stated_pitch);
    const pitch::PitchMeasurement& p = measured->pitch;
    std::printf("%-40s %s %10.4f Hz", paths[i], p.method == pitch::PitchMethod::kLoop ? "loop  " : "steady", p.hz);
    if (stated > 0.0 && p.hz > 0.0) {
      // The stated pitch names one octave; the measurement may hear another.
      double cents = Cents(p.hz / stated);
      cents -= 1200.0 * std::floor((cents + 600.0) / 1200.0);
      std::printf("  stated %10.4f Hz  %+8.3f cents", stated, cents);
      if (p.reliable) differences.push_back(std::fabs(cents));
    }
    std::printf("%s%s\n", p.reliable ? "" : "  not measured reliably: ", p.problem.c_str());
  }
  std::sort(differences.begin(), differences.end());
  const auto within = [&](double cents) {
    return std::count_if(differences.begin(), differences.end(), [&](double d) { return d <= cents; });
  };
  std::printf("%d pipes, %zu measured reliably with a stated pitch; within 0.1 / 0.5 / 1 / 2 / 5 cents: "
              "%td / %td / %td / %td / %td\n",
              measured_pipes, differences.size(), within(0.1), within(0.5), within(1.0), within(2.0), within(5.0));
  if (!differences.empty()) {
    std::printf("median %.3f cents, largest %.3f cents\n", differences[differences.size() / 2], differences.back());
  }
  if (measured_pipes > 0) PrintTiming(timing, measured_pipes);
  return 0;
}

}  // namespace
}  // namespace zelvanor

int main(int argc, char** argv) {
  const std::string first = argc > 1 ? argv[1] : "";
  if (first == "--no-hint") return zelvanor::SyntheticTable(false);
  if (first == "--random") return zelvanor::RandomPipes(argc > 2 ? std::atoi(argv[2]) : 300);
  if (first == "--no-loop") return zelvanor::RealPipes(argc - 2, argv + 2, true);
  return argc > 1 ? zelvanor::RealPipes(argc - 1, argv + 1, false) : zelvanor::SyntheticTable(true);
}
