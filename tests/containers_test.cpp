// Pipes as sample sets store them: WAVE_FORMAT_EXTENSIBLE PCM, and WavPack
// files that hold a whole WAVE file. Each is retuned in its own container.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>

#ifdef ZELVANOR_WITH_SNDFILE
#include <sndfile.h>
#endif

#include "fuzz/pipeline_exercise.h"
#include "run_program.h"
#include "wave/byte_reader.h"
#include "wave/wavpack_source.h"
#include "wavpack/md5.h"
#include "test_support.h"
#include "wave_builder.h"

namespace zelvanor::testing {
namespace {

using fuzzing::PackWithWavPack;

// A short pipe with a loop, a release cue and a labelled text region.
Bytes Pipe(const Bytes& fmt, int width, int channels, int frames = 3001) {
  std::vector<std::int32_t> values;
  for (int i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) values.push_back(((i * 37 + c * 11) % 200 - 100) * (width == 3 ? 40000 : 150));
  }
  const auto at = [frames](int num, int den) { return static_cast<std::uint32_t>(frames * num / den); };
  return WaveBuilder().Add(Chunk("fmt ", fmt)).Data(Pcm(values, 8 * width))
      .Cue({{.id = 1, .offset = at(1, 4)}, {.id = 2, .offset = at(3, 4)}}).Smpl({{.start = at(1, 4), .end = at(1, 2)}})
      .Adtl({Labl(1, "sustain"), Ltxt(2, at(1, 8))}).Build();
}

WavPackFormat Packing(int width, int channels, WavPackCompression compression, bool extra = false) {
  return {.bytes_per_sample = width, .bits_per_sample = 8 * width, .channels = channels, .compression = compression,
          .extra = extra, .extra_level = extra ? 2 : 0, .md5 = extra};
}

TEST(Containers, ExtensiblePipesRetuneWithTheirFmtUnchanged) {
  ScratchDirectory dir;
  std::filesystem::create_directories(dir.path() / "out");
  const Bytes stereo24 = Pipe(ExtensibleFmt(2, 3), 3, 2);
  const Bytes quad16 = Pipe(ExtensibleFmt(4, 2), 2, 4);
  WriteFile(dir.path() / "a.wav", stereo24);
  WriteFile(dir.path() / "b.wav", quad16);
  ASSERT_EQ(RunZelvanor({"*.wav", "out", "1.0594631", "V=0"}, dir.path()).exit_code, 0);
  // libsndfile's sub-formats: 2 is 16-bit PCM, 3 is 24-bit PCM.
  for (const auto& [name, source, pcm] : {std::tuple{"a.wav", stereo24, 3}, std::tuple{"b.wav", quad16, 2}}) {
    SCOPED_TRACE(name);
    const Bytes out = ReadFile(dir.path() / "out" / name);
    EXPECT_EQ(fuzzing::CheckRetunedFile(out), "");
    EXPECT_TRUE(std::equal(source.begin() + 12, source.begin() + 60, out.begin() + 12));  // fmt header and body
#ifdef ZELVANOR_WITH_SNDFILE
    SF_INFO info{};
    SNDFILE* file = sf_open((dir.path() / "out" / name).string().c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(info.format, SF_FORMAT_WAVEX | pcm);
    EXPECT_EQ(info.channels, name[0] == 'a' ? 2 : 4);
    // libsndfile asks every extensible file for a fact chunk, which PCM needs not have.
    char log[4096] = {};
    sf_command(file, SFC_GET_LOG_INFO, log, sizeof log);
    std::string remarks = log;
    const std::string fact = "*** All non-PCM format files should have a 'fact' chunk.";
    if (const std::size_t at = remarks.find(fact); at != std::string::npos) remarks.erase(at, fact.size());
    EXPECT_EQ(remarks.find("***"), std::string::npos) << log;
    sf_close(file);
#else
    (void)pcm;
#endif
  }
}

TEST(Containers, WavPackPipesRetuneInPlaceToWhatThePlainPipeGives) {
  if (!WavPackAvailable()) GTEST_SKIP() << "built without WavPack";
  struct Case {
    const char* what;
    Bytes wave;
    WavPackFormat packing;
  };
  const Case cases[] = {
      {"16-bit stereo, normal", Pipe(FmtBody({.channels = 2}), 2, 2), Packing(2, 2, WavPackCompression::kNormal)},
      {"24-bit mono, odd audio, very high + extra + MD5", Pipe(FmtBody({.bits = 24}), 3, 1),
       Packing(3, 1, WavPackCompression::kVeryHigh, true)},
      {"extensible 16-bit, 4 channels, fast", Pipe(ExtensibleFmt(4, 2), 2, 4),
       Packing(2, 4, WavPackCompression::kFast)},
      {"24-bit stereo, high", Pipe(FmtBody({.channels = 2, .bits = 24}), 3, 2),
       Packing(3, 2, WavPackCompression::kHigh)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDirectory dir;
    std::filesystem::create_directories(dir.path() / "plain");
    std::filesystem::create_directories(dir.path() / "set");
    WriteFile(dir.path() / "plain" / "036-C.wav", c.wave);
    WriteFile(dir.path() / "set" / "036-C.wav", PackWithWavPack(c.wave, c.packing));
    ASSERT_EQ(RunZelvanor({"plain/*.wav", "plain", "0.93", "V=0"}, dir.path()).exit_code, 0);
    const ZelvanorRun run = RunZelvanor({"set/*.wav", "set", "0.93"}, dir.path());
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.output, "Tune set/036-C.wav to " + DestinationPath("set", "036-C.wav") + " by factor 0.930000\n");
    EXPECT_EQ(ListDirectory(dir.path() / "set"), std::vector<std::string>{"036-C.wav"});

    const Bytes packed = ReadFile(dir.path() / "set" / "036-C.wav");
    SourceImage unpacked;
    ::testing::internal::CaptureStdout();
    const std::optional<WavPackFormat> format = UnpackWavPackSource("out.wav", packed, unpacked);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");  // a sound file: no warning
    ASSERT_TRUE(format);
    const Bytes plain = ReadFile(dir.path() / "plain" / "036-C.wav");
    EXPECT_TRUE(std::ranges::equal(unpacked.bytes(), plain));
    // So the wrapper's smpl states the pitch moved too: note 60 at 0.93 is note 58 +74.36 cents.
    EXPECT_EQ(LoadU32le(&ChunksOf(plain).at(3).stored.at(12)), 58u);
    EXPECT_EQ(format->compression, c.packing.compression);
    EXPECT_EQ(format->extra, c.packing.extra);
    EXPECT_EQ(format->extra_level, c.packing.extra_level);
    EXPECT_EQ(format->md5, c.packing.md5);
  }
}

// The sum packed outputs store (wvunpack -vm checks them in wavpack_tools_interop.sh): RFC 1321, in two pieces.
TEST(Containers, Md5AsRfc1321) {
  for (const auto& [text, sum] : std::map<std::string, std::string>{{"", "d41d8cd98f00b204e9800998ecf8427e"},
           {"abc", "900150983cd24fb0d6963f7d28e17f72"}, {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
           {std::string(80, 'a'), "b15af9cdabbaea0516866a33d8fd0f98"},
           {std::string(127, 'a'), "020406e1d05cdc2aa287641f7ae2cc39"}}) {
    const Bytes bytes(text.begin(), text.end());
    const std::size_t split = std::min<std::size_t>(7, bytes.size());
    Md5 md5;
    for (const auto part : {std::span(bytes).first(split), std::span(bytes).subspan(split)}) md5.Add(part);
    std::string hex;
    for (const std::uint8_t byte : md5.Finish()) hex += zelvanor::Format("%02x", byte);
    EXPECT_EQ(hex, sum) << text;
  }
}

TEST(Containers, DamagedWavPackIsSkippedAndTheRunGoesOn) {
  for (const int width : {1, 4}) {  // WavPack holds values of 1 and 4 bytes, which the analysis refuses
    ScratchDirectory dir;
    const Bytes packed = PackWithWavPack(Pipe(FmtBody({.bits = static_cast<std::uint16_t>(8 * width)}), width, 1),
                                         Packing(width, 1, WavPackCompression::kNormal));
    WriteFile(dir.path() / "a.wav", packed);
    EXPECT_EQ(RunInProcess({"a.wav", ".", "1", "V=0"}, dir.path()).exit_code, packed.empty() ? 0 : 99) << width;
  }
  const Bytes wave = Pipe(FmtBody({.channels = 2}), 2, 2, 60000);
  const Bytes packed = PackWithWavPack(wave, Packing(2, 2, WavPackCompression::kNormal));
  std::vector<std::size_t> blocks;  // where each block starts, to cut a copy at a block boundary
  for (std::size_t at = 0; at + 8 <= packed.size(); at += 8 + LoadU32le(packed.data() + at + 4)) blocks.push_back(at);
  Bytes flipped = packed, first = packed;
  if (!flipped.empty()) flipped[flipped.size() / 2] ^= 0x5A;
  if (blocks.size() > 1) first[blocks[1] - 9] ^= 0x5A;  // in the first block's audio
  Bytes garbage = {'w', 'v', 'p', 'k'};
  garbage.resize(64, 0xEE);
  // The first block's header claims as many frames as the file's blocks could hold at most: not refused for that.
  Bytes claim = PackWithWavPack(Pipe(FmtBody({.channels = 2}), 2, 2, 10), Packing(2, 2, WavPackCompression::kNormal));
  const std::uint64_t most = (claim.size() / 32 + 1) * 131072;
  for (int k = 0; k < 4 && claim.size() >= 16; ++k) claim[12 + k] = static_cast<std::uint8_t>(most >> (8 * k));
  const std::tuple<const char*, Bytes, std::string> cases[] = {
      {"cut off", Truncated(packed, packed.size() * 2 / 3), "its audio is cut short or fails its checksums"},
      {"last audio block missing", Truncated(packed, blocks.size() > 2 ? blocks[blocks.size() - 2] : 0),
       "its audio is cut short or fails its checksums"},
      {"bits flipped", flipped, "its audio is cut short or fails its checksums"},
      {"first block damaged", first, "its blocks fail their checksums"},
      {"as many frames as it could hold", claim, "its RIFF header does not announce its audio"},
      {"garbage behind the magic", garbage, "not compatible with this version of WavPack file!"},  // libwavpack's words
  };
  for (const auto& [what, file, why] : cases) {
    SCOPED_TRACE(what);
    ScratchDirectory dir;
    std::filesystem::create_directories(dir.path() / "in");
    std::filesystem::create_directories(dir.path() / "out");
    WriteFile(dir.path() / "in" / "a.wav", WavPackAvailable() ? file : garbage);
    WriteFile(dir.path() / "in" / "b.wav", wave);
    const ZelvanorRun run = RunZelvanor({"in/*.wav", "out", "1.1", "V=0"}, dir.path());
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.output, WavPackAvailable() ? "in/a.wav is a damaged WavPack file (" + why + "); skipped\n"
                                             : "in/a.wav is a WavPack file, which this build of Zelvanor cannot read; "
                                               "skipped\n");
    EXPECT_EQ(ListDirectory(dir.path() / "out"), std::vector<std::string>{"b.wav"});
  }
}

}  // namespace
}  // namespace zelvanor::testing
