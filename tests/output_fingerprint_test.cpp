// The guard of every output byte: a fixed set of pipes retuned with every
// kernel, several factors, with and without the cut and the dummy loop,
// must give exactly the bytes recorded.
// Retuned sets are compared byte for byte by the people who use them, so a
// faster resampler that changes one rounding is a broken one.
//
// One digest per pipe covers its 30 outputs. On a mismatch the test prints
// each output's own digest, to compare with a build of the parent commit.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "examples/example_pipes.h"
#include "test_support.h"

namespace zelvanor::testing {
namespace {

// A full-scale square wave (a different period per channel): every kernel
// overshoots at its edges, so the saturation is exercised on every edge.
Bytes SquareWave(int bits, int channels, int frames) {
  const std::int32_t high = bits == 24 ? 8388607 : 32767;
  std::vector<std::int32_t> values;
  for (int i = 0; i < frames * channels; ++i) {
    values.push_back((i / channels / (5 + 2 * (i % channels))) % 2 ? -high - 1 : high);
  }
  return Pcm(values, bits);
}

TEST(OutputFingerprintTest, EveryGuardPipeKeepsItsRecordedBytes) {
  const auto synthesized = [](int note, int bits, int channels, double seconds, std::uint32_t seed, bool looped) {
    return examples::SynthesizePipe({note, bits, channels, seconds, 44100, seed, looped}).bytes;
  };
  // Loop 500-999 and release at 2600: frames 1009 to 2589 may be cut. The
  // body ends in a partial frame (one stray byte), which is left out.
  const Bytes square = Cat({SquareWave(16, 2, 3000), {0x7f}});
  const struct {
    std::string name;
    Bytes bytes;
    bool looped;  // the cut applies; else the dummy loop does
  } pipes[] = {
      {"s16x2", synthesized(36, 16, 2, 0.15, 11, true), true},
      {"s24x1", synthesized(81, 24, 1, 0.15, 12, true), true},
      {"s16x4", synthesized(60, 16, 4, 0.12, 13, true), true},
      {"s24x2-noloop", synthesized(50, 24, 2, 0.1, 14, false), false},
      {"s16x1-noloop", synthesized(95, 16, 1, 0.1, 15, false), false},
      {"square16x2", WaveBuilder().Fmt({.channels = 2}).Data(square).Cue({{.id = 1, .offset = 500}, {.id = 2,
           .offset = 2600}}).Smpl({{.id = 1, .start = 500, .end = 999}}).Build(), true},
      // An odd frame count of 24-bit values: odd chunk sizes and pad bytes.
      {"square24x3-noloop", WaveBuilder().Fmt({.channels = 3, .bits = 24}).Data(SquareWave(24, 3, 2001)).Build(),
       false},
  };
  const std::map<std::string, std::string> recorded = {
      {"s16x2", "a6f98a29b57a2fa9"},        {"s24x1", "31c79257663d2cb7"},
      {"s16x4", "7cf845c5c82c53a5"},        {"s24x2-noloop", "d774536cbd70344f"},
      {"s16x1-noloop", "f0d27e2a6be334d1"}, {"square16x2", "81f332213b04a290"},
      {"square24x3-noloop", "b956511166c90d4f"}, {"V=5 texts", "e76e4a4fec79e40b"},
  };
  std::map<std::string, std::string> cases;  // per pipe: one line per output
  for (const auto& pipe : pipes) {
    // A looped pipe is retuned with the cut (the default) and without it
    // (U); a pipe without a loop as it is and with a dummy loop (L=).
    for (const bool variant : {false, true}) {
      for (const int quality : {0, 1, 2}) {
        for (const double factor : {0.2, 0.73, 1.0, 1.5, 4.03}) {
          const Settings settings{.verbosity = 0, .quality = quality, .keep_unused_part = pipe.looped && variant,
                                  .dummy_loop_length = !pipe.looped && variant ? 300 : 0};
          char name[64];
          std::snprintf(name, sizeof name, "%s %s Q=%d %g ", pipe.name.c_str(),
                        pipe.looped ? (variant ? "U" : "cut") : (variant ? "L=300" : "plain"), quality, factor);
          cases[pipe.name] += name + Digest(RetuneImage(pipe.bytes, factor, settings).bytes) + "\n";
        }
      }
    }
    // The dump lines of verbosity 5 show the stored values of the last frames.
    const Settings verbose{.verbosity = 5, .dummy_loop_length = pipe.looped ? 0 : 300};
    cases["V=5 texts"] += pipe.name + " " + Digest(RetuneImage(pipe.bytes, 0.73, verbose).output) + "\n";
  }
  for (const auto& [name, lines] : cases) {
    EXPECT_EQ(Digest(lines), recorded.at(name)) << name << ", output by output:\n" << lines;
  }
}

}  // namespace
}  // namespace zelvanor::testing
