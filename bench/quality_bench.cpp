// Measures what a retune does to the sound, Q=2 against Q=3, on generated
// 16-bit mono signals at 44.1 kHz: tones of 1, 5, 10, 15 and 21 kHz at
// -6 dBFS and a 110 Hz tone with partials of amplitude 1/n up to 20 kHz,
// each retuned by +100 cents and by the factors 0.73, 0.5 and 2 through the
// program's own output stage.
//
//   build/release/bench/zelvanor_quality_bench
//
// For every row it prints, per quality:
//   spur   the largest spurious component (anything but the tone, its
//          partials and DC), in dB relative to the tone; for a tone that
//          must vanish (pushed above the output's Nyquist frequency), the
//          largest component left, in dBFS
//   THD+N  for the 1 kHz tone: all but the tone from 20 Hz to 20 kHz, in dB
//          relative to the tone
//   flat   for the partials: the largest deviation of a partial's level
//          from its source level, to 18 kHz (to 0.8 of the output's Nyquist
//          frequency, in the source, when the pitch goes up)
// and the limits Q=3 is held to; a row Q=3 misses is marked "FAIL".
//
// The analysis: a Kaiser window (beta 20, side lobes near -190 dB) over
// 32768 frames from the middle of the output, an FFT for the spectrum, and
// exact correlation at the known frequencies for levels.
#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "common/run_error.h"
#include "common/settings.h"
#include "output/byte_sink.h"
#include "output/retune_job.h"
#include "output/write_retuned_wave.h"
#include "wave/byte_reader.h"
#include "wave/chunk_analysis.h"

namespace zelvanor {
namespace {

constexpr double kRate = 44100.0;
constexpr int kSourceFrames = 2 * 44100;
constexpr int kAnalysed = 32768;
constexpr double kPi = 3.14159265358979323846;
const double kAmplitude = 32767.0 * std::pow(10.0, -6.0 / 20.0);

// --- signals and the program ---

std::vector<std::int16_t> Quantised(const std::vector<double>& values) {
  std::vector<std::int16_t> samples;
  for (const double v : values) samples.push_back(static_cast<std::int16_t>(std::nearbyint(v)));
  return samples;
}

std::vector<std::int16_t> Tone(double frequency) {
  std::vector<double> values(kSourceFrames);
  for (int n = 0; n < kSourceFrames; ++n) values[n] = kAmplitude * std::sin(2 * kPi * frequency * n / kRate);
  return Quantised(values);
}

constexpr double kFundamental = 110.0;
constexpr int kPartials = 181;  // 110 Hz * 181 = 19.91 kHz

// Partial n at amplitude 1/n, the whole scaled to a peak of -6 dBFS.
std::vector<std::int16_t> Partials(double& fundamental_amplitude) {
  std::vector<double> values(kSourceFrames);
  for (int n = 0; n < kSourceFrames; ++n) {
    double sum = 0.0;
    for (int k = 1; k <= kPartials; ++k) sum += std::sin(2 * kPi * kFundamental * k * n / kRate) / k;
    values[n] = sum;
  }
  double peak = 0.0;
  for (const double v : values) peak = std::max(peak, std::fabs(v));
  fundamental_amplitude = kAmplitude / peak;
  for (double& v : values) v *= fundamental_amplitude;
  return Quantised(values);
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void PutU16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 2; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void PutId(std::vector<std::uint8_t>& out, const char* id) { out.insert(out.end(), id, id + 4); }

std::vector<std::uint8_t> MonoWave(const std::vector<std::int16_t>& samples) {
  std::vector<std::uint8_t> file;
  PutId(file, "RIFF");
  PutU32(file, static_cast<std::uint32_t>(36 + 2 * samples.size()));
  PutId(file, "WAVE");
  PutId(file, "fmt ");
  PutU32(file, 16);
  PutU16(file, 1);
  PutU16(file, 1);
  PutU32(file, 44100);
  PutU32(file, 88200);
  PutU16(file, 2);
  PutU16(file, 16);
  PutId(file, "data");
  PutU32(file, static_cast<std::uint32_t>(2 * samples.size()));
  for (const std::int16_t s : samples) PutU16(file, static_cast<std::uint16_t>(s));
  return file;
}

// The retuned samples, through the same output stage as the program.
std::vector<double> Retune(const std::vector<std::int16_t>& samples, double factor, int quality) {
  const std::vector<std::uint8_t> image = MonoWave(samples);
  Settings settings;
  settings.verbosity = 0;
  settings.quality = quality;
  const std::optional<SourceAnalysis> analysis = AnalyseSource("bench.wav", image, settings);
  MemorySink sink;
  WriteRetunedWave("bench.wav", "out.wav", MakeRetuneJob(image, *analysis, settings, factor), sink);
  const std::vector<std::uint8_t>& out = sink.bytes();
  std::vector<double> result;
  for (std::size_t at = 12; at + 8 <= out.size();) {
    const std::uint32_t size = LoadU32le(out.data() + at + 4);
    if (std::equal(out.begin() + static_cast<std::ptrdiff_t>(at), out.begin() + static_cast<std::ptrdiff_t>(at + 4),
                   "data")) {
      for (std::size_t i = 0; i + 1 < size; i += 2) {
        result.push_back(static_cast<std::int16_t>(out[at + 8 + i] | (out[at + 9 + i] << 8)));
      }
    }
    at += 8 + size + (size & 1);
  }
  return result;
}

// --- analysis ---

double BesselI0(double x) {
  double sum = 1.0, term = 1.0;
  for (int k = 1; k < 200; ++k) {
    term *= (x / (2 * k)) * (x / (2 * k));
    sum += term;
  }
  return sum;
}

struct Analysed {
  std::vector<double> window;
  std::vector<double> values;  // windowed
  std::vector<double> power;   // |X_k|^2, k = 0 .. kAnalysed/2
};

void Fft(std::vector<std::complex<double>>& a) {
  const std::size_t n = a.size();
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (std::size_t length = 2; length <= n; length <<= 1) {
    const double angle = -2 * kPi / static_cast<double>(length);
    for (std::size_t i = 0; i < n; i += length) {
      for (std::size_t k = 0; k < length / 2; ++k) {
        const std::complex<double> w = std::polar(1.0, angle * static_cast<double>(k));
        const std::complex<double> u = a[i + k];
        const std::complex<double> v = a[i + k + length / 2] * w;
        a[i + k] = u + v;
        a[i + k + length / 2] = u - v;
      }
    }
  }
}

Analysed Analyse(const std::vector<double>& output) {
  Analysed a;
  const std::size_t first = (output.size() - kAnalysed) / 2;
  const double beta = 20.0;
  std::vector<std::complex<double>> spectrum(kAnalysed);
  for (int n = 0; n < kAnalysed; ++n) {
    const double u = 2.0 * n / (kAnalysed - 1) - 1.0;
    a.window.push_back(BesselI0(beta * std::sqrt(1.0 - u * u)) / BesselI0(beta));
    a.values.push_back(output[first + n] * a.window.back());
    spectrum[n] = a.values.back();
  }
  Fft(spectrum);
  for (int k = 0; k <= kAnalysed / 2; ++k) a.power.push_back(std::norm(spectrum[k]));
  return a;
}

// Amplitude of the component at `frequency` (Hz), by correlation.
double Amplitude(const Analysed& a, double frequency) {
  std::complex<double> sum = 0.0;
  double weight = 0.0;
  for (int n = 0; n < kAnalysed; ++n) {
    sum += a.values[n] * std::polar(1.0, -2 * kPi * frequency * n / kRate);
    weight += a.window[n];
  }
  return 2.0 * std::abs(sum) / weight;
}

// The peak bin power a full-scale sine would give.
double FullScalePeak(const Analysed& a) {
  double sum = 0.0;
  for (const double w : a.window) sum += w;
  return (32767.0 * sum / 2) * (32767.0 * sum / 2);
}

constexpr int kLobe = 10;  // bins either side of a component
constexpr double kBin = kRate / kAnalysed;

int BinOf(double frequency) { return static_cast<int>(std::lround(frequency / kBin)); }

// Bins that belong to the expected components (and DC).
std::vector<bool> Expected(const std::vector<double>& frequencies) {
  std::vector<bool> mask(kAnalysed / 2 + 1, false);
  for (int k = 0; k <= kLobe; ++k) mask[k] = true;
  for (const double f : frequencies) {
    for (int k = BinOf(f) - kLobe; k <= BinOf(f) + kLobe; ++k) {
      if (k >= 0 && k < static_cast<int>(mask.size())) mask[k] = true;
    }
  }
  return mask;
}

double Largest(const Analysed& a, const std::vector<bool>& mask) {
  double largest = 1e-300;
  for (std::size_t k = 0; k < a.power.size(); ++k) {
    if (!mask[k]) largest = std::max(largest, a.power[k]);
  }
  return largest;
}

double Db(double power_ratio) { return 10 * std::log10(power_ratio); }

// --- the table ---

struct Figures {
  double value[2];  // Q=2, Q=3
};

struct Row {
  std::string signal;
  std::string factor_name;
  std::string measure;
  Figures figures;
  double limit;  // Q=3 must stay at or below it; NaN: no limit
};

std::vector<Row> rows;

void ToneRows(double tone, double factor, const std::string& factor_name) {
  const std::vector<std::int16_t> source = Tone(tone);
  const double output_frequency = tone * factor;
  const bool vanishes = output_frequency >= kRate / 2;
  char signal[32];
  std::snprintf(signal, sizeof signal, "%g kHz tone", tone / 1000);
  Figures spur{}, thd{};
  for (int q = 0; q < 2; ++q) {
    const Analysed a = Analyse(Retune(source, factor, q == 0 ? 2 : 3));
    if (vanishes) {
      spur.value[q] = Db(Largest(a, Expected({})) / FullScalePeak(a));
      continue;
    }
    const std::vector<bool> mask = Expected({output_frequency});
    const int peak_bin = BinOf(output_frequency);
    double tone_peak = 0.0;
    for (int k = peak_bin - 2; k <= peak_bin + 2; ++k) tone_peak = std::max(tone_peak, a.power[k]);
    spur.value[q] = Db(Largest(a, mask) / tone_peak);
    if (tone == 1000.0) {
      double tone_power = 0.0, rest = 0.0;
      for (int k = BinOf(20.0); k <= BinOf(20000.0); ++k) {
        if (std::abs(k - peak_bin) <= kLobe) {
          tone_power += a.power[k];
        } else {
          rest += a.power[k];
        }
      }
      thd.value[q] = Db(rest / tone_power);
    }
  }
  const double spur_limit = vanishes ? (tone == 21000.0 && factor > 1.05 && factor < 1.06 ? -80.0 : NAN)
                                     : (tone <= 10000.0 ? -90.0 : NAN);
  rows.push_back({signal, factor_name, vanishes ? "left dBFS" : "spur dB", spur, spur_limit});
  if (tone == 1000.0) rows.push_back({signal, factor_name, "THD+N dB", thd, -88.0});
}

void PartialRows(double factor, const std::string& factor_name) {
  double fundamental_amplitude = 0.0;
  const std::vector<std::int16_t> source = Partials(fundamental_amplitude);
  // Flat to 18 kHz in the source, or to 0.8 of the output's Nyquist
  // frequency (seen in the source) when the pitch goes up.
  const double flat_to = factor > 1.0 ? 0.8 * (kRate / 2) / factor : 18000.0;
  Figures spur{}, flat{};
  for (int q = 0; q < 2; ++q) {
    const Analysed a = Analyse(Retune(source, factor, q == 0 ? 2 : 3));
    std::vector<double> present;
    double worst = 0.0;
    for (int k = 1; k <= kPartials; ++k) {
      const double f = kFundamental * k * factor;
      if (f < kRate / 2) present.push_back(f);
      if (kFundamental * k > flat_to) continue;
      const double level = Amplitude(a, f) / (fundamental_amplitude / k);
      worst = std::max(worst, std::fabs(20 * std::log10(level)));
    }
    flat.value[q] = worst;
    const double fundamental = Amplitude(a, kFundamental * factor);
    double sum = 0.0;
    for (const double w : a.window) sum += w;
    spur.value[q] = Db(Largest(a, Expected(present)) / ((fundamental * sum / 2) * (fundamental * sum / 2)));
  }
  rows.push_back({"110 Hz, 1/n", factor_name, "spur dB", spur, NAN});
  rows.push_back({"110 Hz, 1/n", factor_name, "flat +-dB", flat, 0.1});
}

// Flatness to a thousandth of a dB; levels to a tenth, an output of
// nothing at all as "-inf".
std::string Figure(const Row& row, int quality) {
  const double value = row.figures.value[quality];
  char text[16];
  if (value < -300) return "-inf";
  std::snprintf(text, sizeof text, row.measure == "flat +-dB" ? "%.3f" : "%.1f", value);
  return text;
}

}  // namespace
}  // namespace zelvanor

int main() {
  using namespace zelvanor;
  const std::pair<double, std::string> factors[] = {
      {std::pow(2.0, 100.0 / 1200.0), "+100 c"}, {0.73, "0.73"}, {0.5, "0.5"}, {2.0, "2"}};
  for (const auto& [factor, name] : factors) {
    for (const double tone : {1000.0, 5000.0, 10000.0, 15000.0, 21000.0}) ToneRows(tone, factor, name);
    PartialRows(factor, name);
  }
  std::printf("Q=2 against Q=3, 16-bit mono at 44.1 kHz, tones at -6 dBFS\n\n");
  std::printf("%-12s %-7s %-10s %9s %9s %8s\n", "signal", "factor", "measure", "Q=2", "Q=3", "limit");
  int failures = 0;
  for (const Row& row : rows) {
    char limit[16] = "";
    const char* mark = "";
    if (!std::isnan(row.limit)) {
      std::snprintf(limit, sizeof limit, row.measure == "flat +-dB" ? "%.3f" : "%.1f", row.limit);
      if (!(row.figures.value[1] <= row.limit)) {
        mark = "  FAIL";
        ++failures;
      }
    }
    std::printf("%-12s %-7s %-10s %9s %9s %8s%s\n", row.signal.c_str(), row.factor_name.c_str(),
                row.measure.c_str(), Figure(row, 0).c_str(), Figure(row, 1).c_str(), limit, mark);
  }
  std::printf("\n%s\n", failures == 0 ? "Q=3 meets every limit" : "Q=3 misses a limit");
  return failures == 0 ? 0 : 1;
}
