// Writes the fuzzer's seed corpus: pipes with every chunk kind the program
// knows, well formed and in the broken shapes recorders leave behind, plain
// and packed with WavPack, each behind a few different option prefixes.
// Usage: zelvanor_make_fuzz_seeds DIR
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/pipeline_exercise.h"
#include "wave_builder.h"

namespace {

using zelvanor::WavPackCompression;
using zelvanor::WavPackFormat;
using zelvanor::fuzzing::EncodeOptions;
using zelvanor::fuzzing::PackWithWavPack;
using zelvanor::fuzzing::OptionChoice;
using namespace zelvanor::testing;

struct Seed {
  std::string name;
  Bytes image;
};

std::vector<Seed> Images() {
  std::vector<Seed> seeds;
  seeds.push_back({"minimal", WaveBuilder().Fmt({}).Data(Tone(8, 1, 16)).Build()});
  seeds.push_back({"header-only", WaveBuilder().Build()});
  seeds.push_back({"rich-24bit-stereo", RichPipe()});
  // Loop end 50 and release at 1060: a stretch of 1000 frames may be cut.
  seeds.push_back({"cut-region",
                   WaveBuilder()
                       .Fmt({})
                       .Data(Tone(1100, 1, 16))
                       .Cue({{.id = 0, .offset = 0}, {.id = 1, .offset = 1060}, {.id = 2, .offset = 40}})
                       .Smpl({{.id = 0, .start = 20, .end = 50}})
                       .Adtl({Labl(1, "release"), Ltxt(1, 40)})
                       .Build()});
  seeds.push_back({"no-loop-cues",
                   WaveBuilder().Fmt({.channels = 4}).Data(Tone(30, 4, 16)).Cue({{.id = 1, .offset = 4}}).Build()});
  seeds.push_back({"fmt18-odd-24bit",
                   WaveBuilder().Fmt({.channels = 1, .bits = 24}, 2).Data(Tone(11, 1, 24)).Unknown("junk", {0}).Build()});
  seeds.push_back({"fmt17-unpadded",
                   WaveBuilder().Fmt({.channels = 3, .bits = 24}, 1, false).Data(Tone(12, 3, 24)).Build()});
  seeds.push_back({"twice-each",
                   WaveBuilder()
                       .Fmt({.channels = 2})
                       .Data(Tone(20, 2, 16))
                       .Smpl({{.start = 2, .end = 9}}, {1, 2, 3, 4, 5, 6, 7, 8, 9})
                       .Smpl({{.start = 1, .end = 12}, {.id = 1, .type = 3, .start = 0, .end = 3}})
                       .Cue({{.id = 3, .offset = 15}})
                       .Cue({{.id = 4, .offset = 16}, {.id = 5, .offset = 17}})
                       .Fmt({.channels = 2, .rate = 0})
                       .Build()});
  seeds.push_back({"cut-off-data",
                   Truncated(WaveBuilder().Fmt({}).Data(Tone(30, 1, 16)).Cue({{.id = 1, .offset = 2}}).Build(), 60)});
  seeds.push_back({"broken-list",
                   WaveBuilder()
                       .Fmt({})
                       .Data(Tone(10, 1, 16))
                       .Adtl({TextSubChunk("labl", 3, "no zero", false), Chunk("ltxt", {1, 2}),
                              Chunk("note", {5, 0, 0, 0, 'a'}, 200)})
                       .Add({1, 2, 3})
                       .Build()});
  seeds.push_back({"dangling-header", WaveBuilder().Fmt({}).Data(Tone(5, 1, 16), 11).Add({'s', 'm', 'p'}).Build()});
  return seeds;
}

// Pipes packed with WavPack, in each compression mode, and one cut off
// inside its blocks. Left out where the generator has no libwavpack.
std::vector<Seed> WavPackImages(const std::vector<Seed>& waves) {
  const auto image = [&waves](const std::string& name) {
    return std::find_if(waves.begin(), waves.end(), [&name](const Seed& seed) { return seed.name == name; })->image;
  };
  const auto format = [](int bits, int channels, WavPackCompression compression) {
    WavPackFormat packing;
    packing.bytes_per_sample = bits / 8;
    packing.bits_per_sample = bits;
    packing.channels = channels;
    packing.compression = compression;
    return packing;
  };
  WavPackFormat extra = format(24, 2, WavPackCompression::kVeryHigh);
  extra.extra = true;
  extra.extra_level = 3;
  extra.md5 = true;
  // 24-bit mono with an odd frame count: odd audio, whose pad byte is not stored.
  const Bytes odd = WaveBuilder().Fmt({.bits = 24}).Data(Tone(21, 1, 24)).Cue({{.id = 1, .offset = 5}}).Build();
  std::vector<Seed> seeds = {
      {"wavpack-minimal", PackWithWavPack(image("minimal"), format(16, 1, WavPackCompression::kNormal))},
      {"wavpack-rich-24bit-stereo", PackWithWavPack(image("rich-24bit-stereo"), extra)},
      {"wavpack-cut-region", PackWithWavPack(image("cut-region"), format(16, 1, WavPackCompression::kFast))},
      {"wavpack-no-loop-cues", PackWithWavPack(image("no-loop-cues"), format(16, 4, WavPackCompression::kHigh))},
      {"wavpack-odd-24bit", PackWithWavPack(odd, format(24, 1, WavPackCompression::kNormal))},
  };
  seeds.push_back({"wavpack-cut-off", Truncated(seeds[2].image, seeds[2].image.size() * 2 / 3)});
  std::erase_if(seeds, [](const Seed& seed) { return seed.image.empty(); });
  return seeds;
}

std::vector<OptionChoice> Prefixes() {
  std::vector<OptionChoice> choices(4);
  choices[1] = {.verbosity_index = 5, .quality_index = 0, .through_file = true, .factor_index = 9};
  choices[2] = {.verbosity_index = 4, .keep_unused_part = true, .skip_unknown_chunks = true, .quality_index = 1,
                .disk_full = true, .factor_index = 0, .dummy_loop_index = 8};
  choices[3] = {.verbosity_index = 3, .quality_index = 3, .through_file = true, .disk_full = true,
                .factor_index = 11, .dummy_loop_index = 7};
  return choices;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
    return 2;
  }
  const std::filesystem::path directory = argv[1];
  std::filesystem::create_directories(directory);
  const std::vector<OptionChoice> prefixes = Prefixes();
  int written = 0;
  std::vector<Seed> seeds = Images();
  for (Seed& seed : WavPackImages(seeds)) seeds.push_back(std::move(seed));
  for (const Seed& seed : seeds) {
    for (std::size_t p = 0; p < prefixes.size(); ++p) {
      const auto prefix = EncodeOptions(prefixes[p]);
      std::ofstream out(directory / (seed.name + "-" + std::to_string(p)), std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(prefix.data()), static_cast<std::streamsize>(prefix.size()));
      out.write(reinterpret_cast<const char*>(seed.image.data()), static_cast<std::streamsize>(seed.image.size()));
      if (!out) {
        std::fprintf(stderr, "cannot write into %s\n", directory.string().c_str());
        return 1;
      }
      ++written;
    }
  }
  std::printf("%d seeds written to %s\n", written, directory.string().c_str());
  return 0;
}
