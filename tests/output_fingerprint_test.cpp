// The guard of every output byte and every printed line: whole runs over a fixed, varied set of pipes must give
// exactly the transcripts and files recorded. Retuned sets are compared byte for byte by the people who use them,
// so a faster resampler that changes one rounding is a broken one.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "examples/example_pipes.h"
#include "fuzz/pipeline_exercise.h"
#include "run_program.h"
#include "test_support.h"
#include "wave/wavpack_source.h"

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

// 16 and 24 bits, 1 to 4 channels, loops, cues, labels, the cut, pipes for a dummy loop, squares that clip, an
// unknown chunk whose id holds a zero byte, a packed 20-bit extensible pipe, a loop past the end of silence (its
// sampler chunk right behind the audio), last a file that fails while written. A run's digest covers what it
// prints and every output (a packed one by what it unpacks to, whatever the packer's version). "F" runs at each
// factor from 0.2 to 4.03, "V=*" at each verbosity 0 to 5. A change prints the table as it now is, to paste back
// after review, and the runs that changed; a new run is a row with "".
TEST(OutputFingerprintTest, RunsKeepTheirRecordedTranscriptsAndFiles) {
  if (!WavPackAvailable()) GTEST_SKIP() << "built without WavPack";
  const auto synthesized = [](int note, int bits, int channels, double seconds, std::uint32_t seed, bool looped) {
    return examples::SynthesizePipe({note, bits, channels, seconds, 44100, seed, looped}).bytes;
  };
  Bytes valid20 = ExtensibleFmt(2, 3);
  valid20[18] = 20;  // a 20-bit recording in 24-bit containers
  // Loop 500-999 and release at 2600: frames 1009 to 2589 may be cut. The
  // square's body ends in a partial frame (one stray byte), which is left out.
  const std::map<std::string, Bytes> sources = {
      {"036-C.wav", synthesized(36, 16, 2, 0.15, 11, true)},
      {"050-D.wav", synthesized(50, 24, 2, 0.1, 14, false)},
      {"060-C.wav", synthesized(60, 16, 4, 0.12, 13, true)},
      {"062-D.wav", fuzzing::PackWithWavPack(WaveBuilder().Add(Chunk("fmt ", valid20)).Data(Tone(3000, 2, 24))
           .Cue({{.id = 1, .offset = 500}, {.id = 2, .offset = 2600}}).Smpl({{.start = 500, .end = 999}})
           .Adtl({Labl(1, "loop"), Ltxt(2, 300)}).Build(), {.bytes_per_sample = 3, .bits_per_sample = 20,
           .channels = 2, .channel_mask = 3, .compression = WavPackCompression::kHigh, .md5 = true})},
      {"063-D#.wav", fuzzing::PackWithWavPack(synthesized(63, 24, 1, 0.05, 16, false), {.bytes_per_sample = 3,
           .bits_per_sample = 24})},  // its dummy loop's silence reaches the packer in pieces of partial frames
      {"081-A.wav", Cat({synthesized(81, 24, 1, 0.15, 12, true), Chunk(std::string("a\0c ", 4), {1, 2, 3})})},
      {"095-B.wav", synthesized(95, 16, 1, 0.1, 15, false)},
      {"097-C#.wav", WaveBuilder().Fmt({.channels = 2}).Data(Cat({SquareWave(16, 2, 3000), {0x7f}})).Cue({{.id = 1,
           .offset = 500}, {.id = 2, .offset = 2600}}).Smpl({{.id = 1, .start = 500, .end = 999}}).Build()},
      // An odd frame count of 24-bit values: odd chunk sizes and pad bytes.
      {"098-D.wav", WaveBuilder().Fmt({.channels = 3, .bits = 24}).Data(SquareWave(24, 3, 2001)).Build()},
      {"099-D#.wav", WaveBuilder().Fmt({}).Data(Bytes(600, 0)).Smpl({{.start = 10, .end = 400}})
           .Adtl({Ltxt(99, 5)}).Build()},  // a text region of the highest cue id the analysis keeps
      {"zz-cut.wav", SourceNamed("cut.wav")},
  };
  // A= and M runs: key-number names and no statement, so each pipe is measured near its key number's pitch.
  std::map<std::string, Bytes> unstated;
  for (const int note : {45, 57, 70}) {
    unstated[examples::PipeFileName(note)] = examples::SynthesizePipe({.note = note, .bits = note == 57 ? 24 : 16,
        .channels = 1 + note % 2, .seconds = 0.4, .seed = 3, .sustain_loop = false}).bytes;
  }
  const std::map<std::string, std::string> recorded = {
      {"+25 V=* Q=3", "a695c2d953fe106a"}, {"+250 V=* Q=1 X L=300", "ff16666d0f8fbda3"},
      {"0.4 V=* Q=3 U L=50", "9c6ae0712651971a"}, {"0.7 V=* U Q=0", "94ae2f0df4a2f1af"},
      {"1.05 V=*", "910a66a1054d684f"}, {"F Q=0", "64af49f54b027d4d"}, {"F Q=0 U L=1500", "104ad2d8726f78a5"},
      {"F Q=1", "07882570167ae78f"}, {"F Q=1 U L=1500", "af62bf4868e4dde2"}, {"F Q=2", "92c742cffdaf5f9d"},
      {"F Q=2 U L=1500", "6269229643dd54c9"}, {"F Q=3", "adb486daafb6ceb8"},
      {"F Q=3 U L=1500", "609e265ef084c9d9"},
      {"Werckmeister_III V=* T=Kellner O=1 J=3 R=2", "23cf1cf3097d1bea"}, {"Equal A=415 V=*", "c14f01a08d8d14f8"},
      {"Kellner+2 A=440 S Q=3", "a1fc78f36e3c7c65"}, {"Kellner M", "71e0366fff247298"},
  };
  std::string rows, changed;
  for (const auto& [options, digest] : recorded) {
    std::string transcripts;
    const bool each_factor = options.starts_with("F "), each_verbosity = options.find("V=*") != std::string::npos;
    for (const std::string factor : {"0.2", "0.73", "1", "1.5", "4.03"}) {
      for (char verbosity = '0'; verbosity <= '5'; ++verbosity) {
        if ((factor != "0.2" && !each_factor) || (verbosity != '0' && !each_verbosity)) continue;
        std::istringstream split("in/*.wav out " + options);
        std::vector<std::string> words;
        for (std::string word; split >> word;) {
          words.push_back(word == "F" ? factor : word == "V=*" ? std::string("V=") + verbosity : word);
        }
        ScratchDirectory dir;
        for (const char* folder : {"in", "out"}) fs::create_directories(dir.path() / folder);
        fs::copy_file(fs::path(ZELVANOR_SOURCE_DIR) / "data" / "ZELVANOR.INI", dir.path() / "ZELVANOR.INI");
        const bool measures = options.find("A=") != std::string::npos || options.find(" M") != std::string::npos;
        for (const auto& [name, bytes] : measures ? unstated : sources) WriteFile(dir.path() / "in" / name, bytes);
        ZelvanorRun run = RunInProcess(words, dir.path());
        std::ranges::replace(run.output, '\\', '/');  // the separator a destination path gets is the system's
        transcripts += ::testing::PrintToString(words) + " ends " + std::to_string(run.exit_code) + "\n" + run.output;
        for (const std::string& name : ListDirectory(dir.path() / "out")) {
          const Bytes bytes = ReadFile(dir.path() / "out" / name);
          SourceImage image;
          const bool wv = Quietly([&] { return UnpackWavPackSource(name, bytes, image).has_value(); });
          transcripts += name + (wv ? " unpacks to " : " ") + (wv ? Digest(image.bytes()) : Digest(bytes)) + "\n";
        }
      }
    }
    const std::string now = Digest(Transcribed(options, transcripts)), row = "{\"" + options + "\", \"" + now + "\"},";
    rows += (rows.size() - rows.rfind('\n') + row.size() > 112 ? "\n      " : " ") + row;
    if (now != digest) changed += transcripts;
  }
  EXPECT_TRUE(changed.empty()) << "The table as it now is:\n     " << rows << "\nRuns that changed:\n" << changed;
}

}  // namespace
}  // namespace zelvanor::testing
