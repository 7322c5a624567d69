// The guard of the resampler's speed work: a fixed set of pipes retuned
// with every kernel, several factors, with and without the cut and the
// dummy loop, must give exactly the bytes recorded before any of that work.
// Retuned sets are compared byte for byte by the people who use them, so a
// faster resampler that changes one rounding is a broken one.
//
// When an output changes on purpose, the failure lists every fingerprint
// as it is now, ready to replace the table below after review.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/run_error.h"
#include "examples/example_pipes.h"
#include "output/generate_output.h"
#include "output_test_support.h"
#include "run_program.h"
#include "sha256.h"
#include "wave/chunk_analysis.h"
#include "wave_builder.h"

namespace zelvanor {
namespace {

using testing::Bytes;
using testing::ExactBuffer;
using testing::Sha256Hex;

struct GuardPipe {
  std::string name;
  Bytes bytes;
  bool looped = true;  // has a sustain loop, so the cut applies; else the dummy loop does
};

Bytes Synthesized(int note, int bits, int channels, double seconds, std::uint32_t seed, bool looped) {
  examples::PipeSpec spec;
  spec.note = note;
  spec.bits = bits;
  spec.channels = channels;
  spec.seconds = seconds;
  spec.seed = seed;
  spec.sustain_loop = looped;
  return examples::SynthesizePipe(spec).bytes;
}

// A full-scale square wave (a different period per channel): every kernel
// overshoots at its edges, so the saturation is exercised on every edge.
Bytes SquareWave(int bits, int channels, int frames) {
  const std::int32_t high = bits == 24 ? 8388607 : 32767;
  std::vector<std::int32_t> values;
  for (int i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) values.push_back((i / (5 + 2 * c)) % 2 == 0 ? high : -high - 1);
  }
  return testing::Pcm(values, bits);
}

std::vector<GuardPipe> GuardPipes() {
  using testing::WaveBuilder;
  std::vector<GuardPipe> pipes;
  pipes.push_back({"s16x2", Synthesized(36, 16, 2, 0.15, 11, true)});
  pipes.push_back({"s24x1", Synthesized(81, 24, 1, 0.15, 12, true)});
  pipes.push_back({"s16x4", Synthesized(60, 16, 4, 0.12, 13, true)});
  pipes.push_back({"s24x2-noloop", Synthesized(50, 24, 2, 0.1, 14, false), false});
  pipes.push_back({"s16x1-noloop", Synthesized(95, 16, 1, 0.1, 15, false), false});
  // Loop 500-999 and release at 2600: frames 1009 to 2589 may be cut. The
  // body ends in a partial frame (one stray byte), which is left out.
  Bytes square = SquareWave(16, 2, 3000);
  square.push_back(0x7f);
  pipes.push_back({"square16x2", WaveBuilder()
                                     .Fmt(testing::Format{.channels = 2, .bits = 16})
                                     .Data(square)
                                     .Cue({{.id = 1, .offset = 500}, {.id = 2, .offset = 2600}})
                                     .Smpl({{.id = 1, .start = 500, .end = 999}})
                                     .Build()});
  // An odd frame count of 24-bit values: odd chunk sizes and pad bytes.
  pipes.push_back({"square24x3-noloop",
                   WaveBuilder().Fmt(testing::Format{.channels = 3, .bits = 24}).Data(SquareWave(24, 3, 2001)).Build(),
                   false});
  return pipes;
}

struct Variant {
  std::string name;
  bool keep_unused_part;
  std::int32_t dummy_loop_length;
};

// A looped pipe is retuned with the cut (the default) and without it (U);
// a pipe without a loop as it is and with a dummy loop (L=).
std::vector<Variant> VariantsFor(const GuardPipe& pipe) {
  if (pipe.looped) return {{"cut", false, 0}, {"U", true, 0}};
  return {{"plain", false, 0}, {"L=300", false, 300}};
}

constexpr double kFactors[] = {0.2, 0.73, 1.0, 1.5, 4.03};

// Retunes through the real output path (temporary file, buffer, rename)
// and returns the output file's bytes and what the output stage printed.
std::pair<Bytes, std::string> Retune(const Bytes& image, double factor, const Settings& settings,
                                     const std::filesystem::path& directory) {
  const ExactBuffer exact(image);
  ::testing::internal::CaptureStdout();
  const std::optional<SourceAnalysis> analysis = AnalyseSource("in/pipe.wav", exact.span(), settings);
  ::testing::internal::GetCapturedStdout();
  EXPECT_TRUE(analysis.has_value());
  if (!analysis) return {};
  const std::filesystem::path destination = directory / "pipe.wav";
  ::testing::internal::CaptureStdout();
  try {
    GenerateOutput("in/pipe.wav", destination.string(), factor, exact.span(), *analysis, settings);
  } catch (const RunError& error) {
    ADD_FAILURE() << error.message();
  }
  std::string printed = ::testing::internal::GetCapturedStdout();
  // The scratch directory's name changes from run to run, and the separator
  // after it is the system's own.
  const std::string directory_name = (directory / "").string();
  for (std::size_t at; (at = printed.find(directory_name)) != std::string::npos;) {
    printed.replace(at, directory_name.size(), "out/");
  }
  return {testing::ReadFile(destination), printed};
}

std::string FactorText(double factor) {
  char text[16];
  std::snprintf(text, sizeof text, "%g", factor);
  return text;
}

// Every fingerprint, by a name that says which pipe, kernel, factor and
// variant made it. Output files, then the frame dump of verbosity 5.
std::vector<std::pair<std::string, std::string>> CurrentFingerprints() {
  const testing::ScratchDirectory scratch;
  std::vector<std::pair<std::string, std::string>> prints;
  for (const GuardPipe& pipe : GuardPipes()) {
    for (const Variant& variant : VariantsFor(pipe)) {
      for (int quality : {0, 1, 2}) {
        for (double factor : kFactors) {
          Settings settings;
          settings.verbosity = 0;
          settings.quality = quality;
          settings.keep_unused_part = variant.keep_unused_part;
          settings.dummy_loop_length = variant.dummy_loop_length;
          const Bytes output = Retune(pipe.bytes, factor, settings, scratch.path()).first;
          prints.emplace_back(pipe.name + " " + variant.name + " Q=" + std::to_string(quality) + " " +
                                  FactorText(factor),
                              Sha256Hex(output));
        }
      }
    }
  }
  // The dump lines show the stored values of the last frames.
  for (const GuardPipe& pipe : GuardPipes()) {
    Settings settings;
    settings.verbosity = 5;
    settings.dummy_loop_length = pipe.looped ? 0 : 300;
    const std::string printed = Retune(pipe.bytes, 0.73, settings, scratch.path()).second;
    prints.emplace_back(pipe.name + " V=5 text",
                        Sha256Hex({reinterpret_cast<const std::uint8_t*>(printed.data()), printed.size()}));
  }
  return prints;
}

// Recorded from the resampler as it was before it was made fast.
const std::map<std::string, std::string>& RecordedFingerprints() {
  static const std::map<std::string, std::string> kRecorded = {
      {"s16x2 cut Q=0 0.2", "30aba2d1c1593301ec0eaf5059f689bd7b3460cfe6f73ebdedfb2ff408c422f9"},
      {"s16x2 cut Q=0 0.73", "eb994f3b3cec8a2a62f05cadb75e00c9636544441ed62d471cfde34029761417"},
      {"s16x2 cut Q=0 1", "d1ea9932c22eb38e24a50ecd56eceed97470e226e09ed5f7eed06359f2aa6edb"},
      {"s16x2 cut Q=0 1.5", "6752d80fd6a3f430fd4ecbb4a5c9241667a8f75d3ed46919f0f0d4d2dd317f4b"},
      {"s16x2 cut Q=0 4.03", "cb7997799d3a4641a26c83b656e3bc5b8c5aa5bd9ea74d7eb1e795dd9b8bd507"},
      {"s16x2 cut Q=1 0.2", "21f2ff05ac067ff50b68889a8365798b47198f78e8cf6eb22e8df26e6703c735"},
      {"s16x2 cut Q=1 0.73", "984a5376dc0bf2c240673eda2ed45fe03c822f759f67cd311f15b50c1e152d69"},
      {"s16x2 cut Q=1 1", "13929ddcf867170de0112e83749313fd26100dc6565bd7e222a402f699ffca2f"},
      {"s16x2 cut Q=1 1.5", "221e17617b80f4708651e91d09b76897493f71aff56d726a266058a0ac2ea33f"},
      {"s16x2 cut Q=1 4.03", "7deef8a73c9844f2f6800030ff03a7d8eb3a97c3a111639cf6260fe154254ff7"},
      {"s16x2 cut Q=2 0.2", "5a57343f82739bcfc79cc5859cf7824367b0f3692df2704f72f0be9b476be159"},
      {"s16x2 cut Q=2 0.73", "2cbb7103eed53aae7f038e9f628faa4313b63b0a0776f83c36ae4bcee145ae4a"},
      {"s16x2 cut Q=2 1", "13929ddcf867170de0112e83749313fd26100dc6565bd7e222a402f699ffca2f"},
      {"s16x2 cut Q=2 1.5", "a54ed64c1792e0fbdf8bffc9c87fe36fb924f128b12465e86e46428d9dc5ea26"},
      {"s16x2 cut Q=2 4.03", "3eea52719c588abf6d5ee2927c5ae322295e4c7bcf2e09264372b32f7f491907"},
      {"s16x2 U Q=0 0.2", "825d55115594d9a589afebbb900d23eecff438f93454798bae30453619be8976"},
      {"s16x2 U Q=0 0.73", "68ccc2f68905d4e8c2e2d42dbd1984341146e5a45cd180647269be7449fdf22c"},
      {"s16x2 U Q=0 1", "98799ce329b5923611fb984a6e951652c67f8346d49fbecd7bd65ec85a8f793b"},
      {"s16x2 U Q=0 1.5", "daf0fd13ee00fb149a6ab57315e541f54a4572d6abff9e61e70e5a31a46268a8"},
      {"s16x2 U Q=0 4.03", "05aa1aef4d5a972e1c6f258df605c93883abeac8f66e89d224c02ecbfeccd272"},
      {"s16x2 U Q=1 0.2", "2c27c0befb3f01fb37bdf4e0d2fa78dc00bfdf70cf42495bb9e25a133724ebd1"},
      {"s16x2 U Q=1 0.73", "aeec4aa11b506b9c98a67c23783a3b04f17fd85bf9c08f7d1a58927403d537d0"},
      {"s16x2 U Q=1 1", "ade7530ea8bc5314d4050693679a667bc9fe27b0ed3a1068a2586bcdd43bcbed"},
      {"s16x2 U Q=1 1.5", "85a472dc7531cea5182f4b1c9ff39c60764ebc068aab38ad859f838827140877"},
      {"s16x2 U Q=1 4.03", "01ab2aded9ddfe90c176478f7928ab5acde880cef2a6464b112f7db7d6fa463d"},
      {"s16x2 U Q=2 0.2", "98edda61edd1259095a626d0417598c357853a2395f5a83039fce30224df3cf6"},
      {"s16x2 U Q=2 0.73", "2c0ecd2977737a9a7da42f96d8f6fa08659e12fb2ef9139b27f7e04b749042da"},
      {"s16x2 U Q=2 1", "ade7530ea8bc5314d4050693679a667bc9fe27b0ed3a1068a2586bcdd43bcbed"},
      {"s16x2 U Q=2 1.5", "36bdc30bc3b9c53e8772f000bc70611596a1c7cb2cd0b2513041b459a4c6206c"},
      {"s16x2 U Q=2 4.03", "d8e030e83762218c146f0220e9c0661cd3a0cd48d50448cb2ad7bda19e354931"},
      {"s24x1 cut Q=0 0.2", "8e0b5be72c78dfb3a20f252fd0e3eee1ad34acc0fdcc73e19cbc20f123ac326c"},
      {"s24x1 cut Q=0 0.73", "56e4fa48934104e2fe78dcf266aa77563cbe18240e161474d7253a3a8f92b243"},
      {"s24x1 cut Q=0 1", "3e2dfea46bbb1ae54b8f63b2b55a5fd3370a1216ddf1e27eefec438edbe4e0c6"},
      {"s24x1 cut Q=0 1.5", "975b81640adb8a9472f898ea89f43ead7100e382acd27f111c683b50fd4b6145"},
      {"s24x1 cut Q=0 4.03", "fa47cacefd0143d89bed577e572ff427af5963e7c6f2f40f9bfe5f910c5a1e0a"},
      {"s24x1 cut Q=1 0.2", "5609c2757d8ce0b2503e702cf71f44c562fb8c1b2badbb25749522ba06b55857"},
      {"s24x1 cut Q=1 0.73", "7925511cf7425a473c6be151c1f73bd1be4688226b39b5d6c31e4f091e28148f"},
      {"s24x1 cut Q=1 1", "9142f28935c032e2781dac9930db4ea0b1f3d43d08433fb203b255da4c65aeb0"},
      {"s24x1 cut Q=1 1.5", "00912da0ab218240a148ab80fab76e2fd1dca95d7b973a2d9c8f66a2ef0dd397"},
      {"s24x1 cut Q=1 4.03", "d67d76b514fb28ac99ca0bb767478d7b2758318d0417a33cc4b6531444db7d24"},
      {"s24x1 cut Q=2 0.2", "566d891d0a45d899942ff98abc0be58e13fe9f0383210d8eebc8accf6d0bbfd1"},
      {"s24x1 cut Q=2 0.73", "e146c3f4871196f7002b7563096ac7b89166914323464534e9aee7d408c5bdf8"},
      {"s24x1 cut Q=2 1", "9142f28935c032e2781dac9930db4ea0b1f3d43d08433fb203b255da4c65aeb0"},
      {"s24x1 cut Q=2 1.5", "cbda5f396b45c6a20b2f5e94adee486a33267fa77eda91c909d25f8cceac2364"},
      {"s24x1 cut Q=2 4.03", "a12beecdd9a8c445fb46fdc85104300ad8352b402c8926c82e224b1cd0211503"},
      {"s24x1 U Q=0 0.2", "7faf8e247d80b2242c24ac2b5b794a2516ae5c1447a91319bd9a88d16c8df821"},
      {"s24x1 U Q=0 0.73", "a2be33990c2db17a3026ddbe38098947cb551e28fe1edc710b9da2ec7b557788"},
      {"s24x1 U Q=0 1", "eb754dade6bbfd6438a497224ac5c751203a13475cd0650dc0b3194013e43523"},
      {"s24x1 U Q=0 1.5", "602d3ddc038c2238584aa531aa38f10cf3b348ab0a3f9b636bb5cdfe18f48982"},
      {"s24x1 U Q=0 4.03", "2e7045b2de2827a8bc187e6be037fb85a407f1167893e79149e9b13842ce9be3"},
      {"s24x1 U Q=1 0.2", "38ed0787d92f94d1631deb505fcb13e530fe68be954b35b55cd221d593442ef6"},
      {"s24x1 U Q=1 0.73", "e54864413d043079bd63acd0cc5485b158d7c4c5ed65b77561f4eb9694ccf012"},
      {"s24x1 U Q=1 1", "4b96c26120f8afe4a25442da5f745430c4aac24500699e2d64848874da3c8698"},
      {"s24x1 U Q=1 1.5", "1cd4f434c9a16c927bd52e4b011bdb3b389871bb1fb764fa0e025d5ac696fe90"},
      {"s24x1 U Q=1 4.03", "24e500e0dec87133d7a845ebe200903b6c05defb2eaf36f7bbb2c5fb7348e6c5"},
      {"s24x1 U Q=2 0.2", "1c3b11ce5211843c47d143efdf943421b243645d15d4de2aae4626cd9e7fb314"},
      {"s24x1 U Q=2 0.73", "ffeee93f6a41f0fcf8a9b20941174f17cee114dce6652621d88b83c2a4c9bd96"},
      {"s24x1 U Q=2 1", "4b96c26120f8afe4a25442da5f745430c4aac24500699e2d64848874da3c8698"},
      {"s24x1 U Q=2 1.5", "7465d4839e0e4652a77f643174d0332c4a9ca2a87383fa3d8ced078e6e1755e0"},
      {"s24x1 U Q=2 4.03", "5c144918d496ecdc849a6b5395d0fe5cb1b24de4e4fb08bf774fdafb01373366"},
      {"s16x4 cut Q=0 0.2", "e5fd7fef08505e708a93620cc6fc58e48af8bc006fae42b04c557050f1020f91"},
      {"s16x4 cut Q=0 0.73", "d07618a1d2523f66470d8f86320eafd24b6b5a7aff44115463549cc3cb2e18e4"},
      {"s16x4 cut Q=0 1", "aef673e59488cb6a75f75efea591dd7183dc3a92f3535caf6968354e9a54d2ca"},
      {"s16x4 cut Q=0 1.5", "66403e3791521b555bbc13a6da83ea641ebe8533fafe69baf426944b50f1f5e2"},
      {"s16x4 cut Q=0 4.03", "14d0dd870e99be48e2ddeaed08290cbd7a6dbc4440529c71a41c8ac0388e924f"},
      {"s16x4 cut Q=1 0.2", "78b23db33cad888df6ddc1d00ca9753eb613ddcc1a1ddf2da423dbfb4574e46f"},
      {"s16x4 cut Q=1 0.73", "a46d96cce4c2f1bd04eb7cf126ff58667d2a93793c981c66747656218823b529"},
      {"s16x4 cut Q=1 1", "9de32e31717e4b503fccc1b1660191c687b9140e948e51c0fd1b6951c151e573"},
      {"s16x4 cut Q=1 1.5", "32ebdf43fcbfc587631af0fad471c8939d82fc89527d96f0bcc5e8e9502e5ed3"},
      {"s16x4 cut Q=1 4.03", "daff056fc029790732ffe114ee2bba723dd2305493482357b5860eae5a18f2af"},
      {"s16x4 cut Q=2 0.2", "87a930bb09b4aafa3d0cb39db836af281bc56c6e0582a22fe50fb2feae842670"},
      {"s16x4 cut Q=2 0.73", "556da1b6af0df3bdb6efd714bac6d12380c4da81d8baaababa02cf8e0019cd33"},
      {"s16x4 cut Q=2 1", "9de32e31717e4b503fccc1b1660191c687b9140e948e51c0fd1b6951c151e573"},
      {"s16x4 cut Q=2 1.5", "56ff2fa0c3165a133c51a018b6937fb05cfbda1304f7a2795dd416a015bc095d"},
      {"s16x4 cut Q=2 4.03", "3f5ff52c641da555e323e3588c99d3b43c3e43aa532d5d7ea89b2abeda8699bd"},
      {"s16x4 U Q=0 0.2", "e955f4900992f154791000edc8cfa9ea479e36fc498811cedd1002e8c7d31759"},
      {"s16x4 U Q=0 0.73", "9a35261058097f2e24d686fe7c6f5deff793139f068d987fc226aea126e05d28"},
      {"s16x4 U Q=0 1", "67b43d90a24de1439030dd8262beaef36f9f38c9b11a72932117c085cbfa12cd"},
      {"s16x4 U Q=0 1.5", "a1350fc0e5222254560d5a8e2261c29a922f80abd9eaee9519f5db88f1b84377"},
      {"s16x4 U Q=0 4.03", "13a91d522d869ec20d0da6d6e7f50e78ddb75b29a800a960f629dee281991e2b"},
      {"s16x4 U Q=1 0.2", "ae91b97e39ee75ba330efbf6a176839525cfad1c3b01e91e55aafe2a13c42d5d"},
      {"s16x4 U Q=1 0.73", "552aa45ab801e7b56a63c3ef5d49d488669f16940053184468746dca3d262355"},
      {"s16x4 U Q=1 1", "3c9e3abce07ee9a907abc0b58130eb7876c4c6402b4b4591c9389c333876fbf0"},
      {"s16x4 U Q=1 1.5", "4fb3287c4f3454a87e7a2c529fbe20cb66043a4c6b56df8a3cd06c1e90ba7e7b"},
      {"s16x4 U Q=1 4.03", "b7d1e990da9753cdf8f5c635075b541bb9ad2357fe0f9eefad2c8173a7978e00"},
      {"s16x4 U Q=2 0.2", "e47447fc173627cbdfe3a741a564caeec0917dabca195cef6f939dee650d7a54"},
      {"s16x4 U Q=2 0.73", "64963c6ccdbf9adf327e5af2cb835636260cbc5e4aeaeb84b486e0fcb1fbf3aa"},
      {"s16x4 U Q=2 1", "3c9e3abce07ee9a907abc0b58130eb7876c4c6402b4b4591c9389c333876fbf0"},
      {"s16x4 U Q=2 1.5", "54edade54c0b58903051dddde87041322879691de884825bbd71714f8a155086"},
      {"s16x4 U Q=2 4.03", "7e6ed9a380f24e8b2d50c73fa1e0c3eca2e56a304c8f49c0ff2da5f680597535"},
      {"s24x2-noloop plain Q=0 0.2", "32c86e1ff730d058ee0b3fbc461ec50027cf2eee9b1e73e06716f9a3d4cbadcc"},
      {"s24x2-noloop plain Q=0 0.73", "4a12fbd3df9336c3ede557ffa4014cb92c0240b57dcfe4a2f7af3485f5447505"},
      {"s24x2-noloop plain Q=0 1", "8ad7c48e2cca27f732688804fa1c8ffbef1f5253e61f93f9d2262fa88dd1abb1"},
      {"s24x2-noloop plain Q=0 1.5", "c3cc16581893b50eda6f46abf153db94346843be900b3509891ee467d1db2b30"},
      {"s24x2-noloop plain Q=0 4.03", "bfe901baf72734708980a87c0376e4081f35c9247c06cd23faf244c22e97fcea"},
      {"s24x2-noloop plain Q=1 0.2", "e9d321a7acabb99afe2398e051f44b7992d8d7340eff6a1ea3972b622cd8fc4c"},
      {"s24x2-noloop plain Q=1 0.73", "432128cfcd638be87310ef86cc0184e7f5e4ec2ce9cfe5be7882c18a6c4fdf21"},
      {"s24x2-noloop plain Q=1 1", "e7f55aca5e7d04ef1074c14c384b35152c61d7185577a60f0828274b5a7e1465"},
      {"s24x2-noloop plain Q=1 1.5", "e90cce331fb614172b07060d07fb94e627a15907d7d0994c9c49d5d3ccf8d8fd"},
      {"s24x2-noloop plain Q=1 4.03", "366753b21088b6f1880235d39d189a039b43179e84154ed5aa526a7d949f2161"},
      {"s24x2-noloop plain Q=2 0.2", "56403492582911bdc25741299a45dd9182db9b440de412c20e32e0c26c25543f"},
      {"s24x2-noloop plain Q=2 0.73", "4a017fb2f2dc80e4e9f20059bc1567cb7ab1f5c279d7cc4e536a40547d2ec266"},
      {"s24x2-noloop plain Q=2 1", "e7f55aca5e7d04ef1074c14c384b35152c61d7185577a60f0828274b5a7e1465"},
      {"s24x2-noloop plain Q=2 1.5", "77b653c39645f0cb40b642b7f0d04ed6e4a3a4a1daadc24cd36c5e28c19e2386"},
      {"s24x2-noloop plain Q=2 4.03", "7c2bf712a2a9c8f250bcb8ac9ef6239ebcc410e4924401f73dbc056f600ea3fb"},
      {"s24x2-noloop L=300 Q=0 0.2", "f2277be48e798ca325c7a517b3f342b399dd5f4f6436c0107c250db9c66ae893"},
      {"s24x2-noloop L=300 Q=0 0.73", "2080eaf6009f601d7335f184722503bb17d391d71743f53c64d54c8f1dcd9fe6"},
      {"s24x2-noloop L=300 Q=0 1", "8963d04a3a29f5905efeb377875dd39685df606a5270d1e21b63f600396af34a"},
      {"s24x2-noloop L=300 Q=0 1.5", "fdc57dde8de82c76c12b14f7df5e751dbd39b1e1262f767f18710b68f8dc3e29"},
      {"s24x2-noloop L=300 Q=0 4.03", "93aca068b2f8c30b57c7b8bfca9a94e5be8098063e52a881c10765399f83e5ad"},
      {"s24x2-noloop L=300 Q=1 0.2", "d8d3c06bb3d421db1fe13b698fa781a71605d1678b4141d00dee01a54ef48e88"},
      {"s24x2-noloop L=300 Q=1 0.73", "2f301ad349e9b6be730cccc25a280cc685703d1c99de9c3dc5e7e3810e9da833"},
      {"s24x2-noloop L=300 Q=1 1", "f9571048caf9223a5c903ef3268ede41dd31dc3e418eefc511e6db3032b8d6b9"},
      {"s24x2-noloop L=300 Q=1 1.5", "fa567277ca0c9d2e626abba7c90e38bef40104b3b2b3498cfd44c0677877d7b9"},
      {"s24x2-noloop L=300 Q=1 4.03", "2e275d890e473073a0c58229ea024fe1bcfce6337e044c76160be587fa86cffa"},
      {"s24x2-noloop L=300 Q=2 0.2", "35eaaa64accbdba5e905e9102ad0939a7542085ed19fff256fa84ea21de34b66"},
      {"s24x2-noloop L=300 Q=2 0.73", "d0abbf3e242e39e21dcec9168dfd2814e97b943f912ee97736f2e75dbdfe3746"},
      {"s24x2-noloop L=300 Q=2 1", "f9571048caf9223a5c903ef3268ede41dd31dc3e418eefc511e6db3032b8d6b9"},
      {"s24x2-noloop L=300 Q=2 1.5", "c7a78ba05d498031a10fc3e6c1d410b7bb34c85d6cc12baa0eae647731e1514a"},
      {"s24x2-noloop L=300 Q=2 4.03", "40e52d4e74428213665b0538e2d018574f65e25aa9a60d2dd49f5350ad12ac6f"},
      {"s16x1-noloop plain Q=0 0.2", "b997ad1e28fb59ba89b1530f9a51ed31ed35f0d619d9adf79d83a7825a85396b"},
      {"s16x1-noloop plain Q=0 0.73", "6b65e9a80cb714c3c301e55a3fd07b4ddf7466af6335208db7b29f318587f9aa"},
      {"s16x1-noloop plain Q=0 1", "9796e2a46f2c3b49542d9713bd02875a00fea96295f9b6bd4fda9b143f97e650"},
      {"s16x1-noloop plain Q=0 1.5", "154e09038b7f4359d24139c3c3e6693698bb3f213f0a86e7cdac1a3c9c85c97f"},
      {"s16x1-noloop plain Q=0 4.03", "3ef5391c96c7751c32caec1a558ffb062dcc7dd9a0acdbacfc8aec2a81010338"},
      {"s16x1-noloop plain Q=1 0.2", "4a9fd90c86fbfa6a35dbd1918e2ead43ad4b84abab4ffbd7cc3d5a15f132b076"},
      {"s16x1-noloop plain Q=1 0.73", "b216c560eada2f8b52e0395cbd87bb10f331fa17057d92b0f0de44ee22494be4"},
      {"s16x1-noloop plain Q=1 1", "00b18d05c93cc4e089e44e4ba3513e3c2711c6f5097cc052cbc4170466898e6b"},
      {"s16x1-noloop plain Q=1 1.5", "6c8a27963e61d7cfbb7ee1cafc95cc818bb0e1173749fb0890ce1ca2f5c518c0"},
      {"s16x1-noloop plain Q=1 4.03", "f8af482a176bf1bac34b1a9f7be8f2bc92dbcb3b0ea8b4c6bc5e4bc6b52b50de"},
      {"s16x1-noloop plain Q=2 0.2", "544bab50b9d72c3569c3918a644f502cfa0e547392785e1cb7489d33f73ef11a"},
      {"s16x1-noloop plain Q=2 0.73", "4adee2401d08a2a2bc5bcfa8f830d48244b8f51f1d5f82e27640b552c222eb18"},
      {"s16x1-noloop plain Q=2 1", "00b18d05c93cc4e089e44e4ba3513e3c2711c6f5097cc052cbc4170466898e6b"},
      {"s16x1-noloop plain Q=2 1.5", "c8d184bc41b80e12200fb6dc75a9a54e858071e63a2db6e0a277de50d52b371d"},
      {"s16x1-noloop plain Q=2 4.03", "b4863415764afba9508c5b63b290eb4e0a2c9e568b89bd6669c90082d96c2477"},
      {"s16x1-noloop L=300 Q=0 0.2", "8991f21d0316b1236af6a0b397b6c4c8837ddf22b72e254988ad7ea876fdccb5"},
      {"s16x1-noloop L=300 Q=0 0.73", "06ccbb1d9596c1f44b8f855c2d0122e934512727133288f389a80848b9e1f98c"},
      {"s16x1-noloop L=300 Q=0 1", "fbed3002925c1a78e3f6a9d1d82d2d64ea7d3465caae578e036c326d3fc77520"},
      {"s16x1-noloop L=300 Q=0 1.5", "bdc7ebf95f1fc3b511e32864aec3579bbc124364495008fe40c0c0b771728a14"},
      {"s16x1-noloop L=300 Q=0 4.03", "3ea7eab89bb965ec41662540e75d3a76a777a55350cb0805f78a2024664b2c40"},
      {"s16x1-noloop L=300 Q=1 0.2", "f1b9a8142dde7178b371815f76ae82de838ce0ecd74f38a26ef06277fe14074f"},
      {"s16x1-noloop L=300 Q=1 0.73", "8eb5933cc208d22a812f236348071ee309e133fc2a48353a257c597a7b025ca5"},
      {"s16x1-noloop L=300 Q=1 1", "5fc9d9c9eff5942dbfccec56bd15dc46750bdcf4724e0a2004dcfc4e981433f8"},
      {"s16x1-noloop L=300 Q=1 1.5", "17b9aa40d71681167b55336a96db2f11e79003a03705c69343e7179f2f8309a9"},
      {"s16x1-noloop L=300 Q=1 4.03", "d2e2e761a106b3bbf809c961d9ac4962f8cd8e10f97c8c142189f13b0f4d0529"},
      {"s16x1-noloop L=300 Q=2 0.2", "6194db27ca6e86c997641cdbde8c26971fa10d14bcafa35cf04f462eee43b2c6"},
      {"s16x1-noloop L=300 Q=2 0.73", "1eb8857e4158281ea203094c5224c65711a8cbcf13e673913c74c19f6c87f543"},
      {"s16x1-noloop L=300 Q=2 1", "5fc9d9c9eff5942dbfccec56bd15dc46750bdcf4724e0a2004dcfc4e981433f8"},
      {"s16x1-noloop L=300 Q=2 1.5", "b7f9769643c8085d7a638f88f239497f577d093e27acd9403d2fe12bbd29da66"},
      {"s16x1-noloop L=300 Q=2 4.03", "c36572097a44f885daf63eab9a32304101f1cf996277c9338707bb00a5518558"},
      {"square16x2 cut Q=0 0.2", "c2af9cddc47c0d47511361fcf3090b578ad4eb20c0b5912a46454fb35cf92736"},
      {"square16x2 cut Q=0 0.73", "c6505a41e14d4a78216f14fb35a82976bbf134c28d27defeee356bde115da30b"},
      {"square16x2 cut Q=0 1", "1b4b29c5ccb622311203a627402479d88df3965bc2a53f9c441936e2e4fe65a3"},
      {"square16x2 cut Q=0 1.5", "9de4acde73cb49a80fdfcfb23ee9b503923496ecbbe9b863d2f7668deee697ab"},
      {"square16x2 cut Q=0 4.03", "cb39ee37961ff155b6d5ebfbcdb3b55ff84836a1231cd0881892703e66bccc81"},
      {"square16x2 cut Q=1 0.2", "e4c6cfc87523c75682b5c2a6644771f45763cb9434fc3c271204e948d9aed553"},
      {"square16x2 cut Q=1 0.73", "2b8410cca5f4f139d4e69cd5e9b0ade9db9ae80340f572ff84800a910f7f42f7"},
      {"square16x2 cut Q=1 1", "a9a57bcac189f8a11ca388a68d9da4839fcf7bfe86d8d3cb0b5fd70c3f813f99"},
      {"square16x2 cut Q=1 1.5", "e75d33088cb539aa4427091eba4a49358c7d4b6527394ffc201fd6ae3e37ef1c"},
      {"square16x2 cut Q=1 4.03", "f7457a69f339918179c2b8f68d4874a3a1c5d426dad3e9c82679764bacf32893"},
      {"square16x2 cut Q=2 0.2", "3ad811d1320c5596976af6494f85766ac3f2a723ef34cc6a3366fdf1f1a0b233"},
      {"square16x2 cut Q=2 0.73", "ef1c61ef1353500681a9b82b1ac34c3ffa5329221915d512cf916ee8fafabcb3"},
      {"square16x2 cut Q=2 1", "a9a57bcac189f8a11ca388a68d9da4839fcf7bfe86d8d3cb0b5fd70c3f813f99"},
      {"square16x2 cut Q=2 1.5", "5cb97bb1be832dfbba95f986d4cd21efcffff606db8380087bb298f13938b677"},
      {"square16x2 cut Q=2 4.03", "b60df5bfd55f6c1467965bb74fdf3a7d2eb9ff3368bea1e1bf8845ff2ddf63d5"},
      {"square16x2 U Q=0 0.2", "ee3e2b8e2a3435543c37b98c0ac4ffea077275e5a77593ddbf865c97dfbd725c"},
      {"square16x2 U Q=0 0.73", "93691d1bb1b9996d98e898a2724025d33ee774282d4ec320de156fe9eb378354"},
      {"square16x2 U Q=0 1", "99c462016794f9beb5d46130f20fdde4e2e3ce0797b84ce8ad34a6712e382c4e"},
      {"square16x2 U Q=0 1.5", "6c5c16e2be6e4ec26094130c998cf52083721c90d5088db105fdc8542e2c31a5"},
      {"square16x2 U Q=0 4.03", "2cdeee0939f24a63aec5e93c0467eb31e983d9abd640ecd4d6dde821d877be1e"},
      {"square16x2 U Q=1 0.2", "d17ec6b7b4a33f60df8b4554666d003a2e631cc665d162e6b10c01a1bfa5dc9e"},
      {"square16x2 U Q=1 0.73", "d3171bb3f6d08ec0b133d4d3b52a0ca72a404efce02d3a39ee04074d8641434f"},
      {"square16x2 U Q=1 1", "fe2d27091d5f122846636a99f7bb78b5fc4adace131ea3c1e2fbb6fdfb712867"},
      {"square16x2 U Q=1 1.5", "a09627ac639fa0eac31a2840c1d8527baae0bf6b1230deb810a6c9406357e2a2"},
      {"square16x2 U Q=1 4.03", "e649f9f84eb22672239578da410d9f7eac375715128ad9f276bb9f3b69b3d438"},
      {"square16x2 U Q=2 0.2", "09b84ee98f483e4abb1084e3af7c130864d94b13b140d43bc8910b95f079eb81"},
      {"square16x2 U Q=2 0.73", "b0fe553fe5ee9edb2045cd1aee947f05a5278417540bb7bf4d2292645724a2bb"},
      {"square16x2 U Q=2 1", "fe2d27091d5f122846636a99f7bb78b5fc4adace131ea3c1e2fbb6fdfb712867"},
      {"square16x2 U Q=2 1.5", "6db60802c4c4b1285b93d6416df172f4134f528377415fd561ad18e8fd6147bd"},
      {"square16x2 U Q=2 4.03", "611fb826213cfe267fee3ee24a97b85222f379c5ed6b72884aeaa2c460f969f1"},
      {"square24x3-noloop plain Q=0 0.2", "bb0577ee72a5ed1c2a5d8367efd9c86cb6d090c84a58d89215864ed5bf6b39bc"},
      {"square24x3-noloop plain Q=0 0.73", "93d6b5b556e04e1c3ff1520f99ad403edda11147df92cee2548aa440cfc7f501"},
      {"square24x3-noloop plain Q=0 1", "287e38c70e81556e978fc79319453ec02c31ad430966d9a712a2d092c9a6b11a"},
      {"square24x3-noloop plain Q=0 1.5", "faf718c2a28873a8763debb7e18bd18b055b103c739fb0315b03c71bbe8f3d7a"},
      {"square24x3-noloop plain Q=0 4.03", "cf25fa445dbf5283e1c6f33dc3fe053fe73543bd331acf8581f39a0a184de360"},
      {"square24x3-noloop plain Q=1 0.2", "074bcd47ae1e6eb5c064f360450784d9270aac6bd71f8b87c1e1b7e789550415"},
      {"square24x3-noloop plain Q=1 0.73", "b28841a05c442b833a93684c7cbe463f5d2174ab83fa1a06a89df4e655613d47"},
      {"square24x3-noloop plain Q=1 1", "61f926da4dc37e6cda715b76ab42d465d3c204074ded1bf234fae504ddb41087"},
      {"square24x3-noloop plain Q=1 1.5", "5dc668bb12128e4934df25f69cab2508022440c90fdc5bd466fd4902403d287c"},
      {"square24x3-noloop plain Q=1 4.03", "011d5f08eb200facca5608987fcbf9a3ac4183a831f44b14751a70bec7d10d5b"},
      {"square24x3-noloop plain Q=2 0.2", "29e864b8135cdc3f5fa7ffa1aae734245c4cd7a0ed216c8ba0b63d107edba398"},
      {"square24x3-noloop plain Q=2 0.73", "7ad0aa5cb7c154e3830b783a867bdb785e85b2be7b9a6fd13f052c1e3a310d45"},
      {"square24x3-noloop plain Q=2 1", "61f926da4dc37e6cda715b76ab42d465d3c204074ded1bf234fae504ddb41087"},
      {"square24x3-noloop plain Q=2 1.5", "841e55ee74079d1b4175c6b5040ac69ac5916781d82cbc7c7987d97ec11a933a"},
      {"square24x3-noloop plain Q=2 4.03", "cb0bdd3ca41c49257cc27ea333586819a23f6994a6f113ab6f75815bc979a60a"},
      {"square24x3-noloop L=300 Q=0 0.2", "e45445a556a7d88814258835a676f9498a6d620685010b7eca24027833f98ea3"},
      {"square24x3-noloop L=300 Q=0 0.73", "4d62c3cf368e64b265d3261db065a8fcb9e82e836e3a74c341de473bd6deea77"},
      {"square24x3-noloop L=300 Q=0 1", "e42867bd1803c403122189827c63fcf753e74eef0d2fb97cf8e57a229d9987c5"},
      {"square24x3-noloop L=300 Q=0 1.5", "94a7956adcc616e13f97aeb92a551b57dc7565f047b9cefce7fc178ba4b80870"},
      {"square24x3-noloop L=300 Q=0 4.03", "d7fb796dfbfc6170cd4a8542e29e4795f34a53fb4a5fe6bb1e20145568614e46"},
      {"square24x3-noloop L=300 Q=1 0.2", "3d55189f8be6f731836694c4471d5f57b9fbadd35d2cbe4602f3101db5950129"},
      {"square24x3-noloop L=300 Q=1 0.73", "242f3d2fdfaa2293f7ec1cf2095a2d44de563b0230cf424f46f6f160ee30007d"},
      {"square24x3-noloop L=300 Q=1 1", "a5eadc29cee67876043b02a4c32b68fa7de9df8a40b344f47b28234ce57ed962"},
      {"square24x3-noloop L=300 Q=1 1.5", "ba991a2af4b6943ce99fb4ec515946c5393b5c021e503a5885aae5b62d701755"},
      {"square24x3-noloop L=300 Q=1 4.03", "bcfe665cde0538c620249ce11d413c541c75993d487fe1397ffead16c725e2d7"},
      {"square24x3-noloop L=300 Q=2 0.2", "cb8c9e1485c470b0b3a1b9b2f287be60151307b92ed71a710a27563863cfb350"},
      {"square24x3-noloop L=300 Q=2 0.73", "6ad10d80230f99bdc3353c5f9ee9ad14aabeb27c40495571c4fb7b80b1a16067"},
      {"square24x3-noloop L=300 Q=2 1", "a5eadc29cee67876043b02a4c32b68fa7de9df8a40b344f47b28234ce57ed962"},
      {"square24x3-noloop L=300 Q=2 1.5", "a0fd8aae1472faf4942ca52ebe835ea553847b91f012c074d973fd86bbdc3458"},
      {"square24x3-noloop L=300 Q=2 4.03", "b9de059952d989d1a86da426830153df9ce5c3b56919cfc4b470fd9bf9319ba9"},
      {"s16x2 V=5 text", "18110d2f3fedd9969831d61189b08a6da821e73b6ecac047f12d5f182d495c57"},
      {"s24x1 V=5 text", "70830c412a561b8dcac885d8aec4707f57e5b4b7d628e8200c0c63af0ea1bde3"},
      {"s16x4 V=5 text", "d59ef7253d1afe4a81b0913ecc2efda5fe71d51c147093f684aee6036833ec7c"},
      {"s24x2-noloop V=5 text", "f01bdb85d95e43c7ac032587dd310e1e0d42294e59e64b4671815a38bba3230c"},
      {"s16x1-noloop V=5 text", "5766e82acaa16279a93e44e1be93d846cb98c1e524dff2b4ffba4905b47b6529"},
      {"square16x2 V=5 text", "3bd537f4a2f9dff90a3cbe8febfd0249ba8532f9549baca807e8836b5904746a"},
      {"square24x3-noloop V=5 text", "f47c31af92879ce20bfd97041be0ec0159e19b4670146293e35ae82394e271bf"},
  };
  return kRecorded;
}

TEST(OutputFingerprintTest, EveryOutputKeepsItsRecordedBytes) {
  const std::vector<std::pair<std::string, std::string>> current = CurrentFingerprints();
  const std::map<std::string, std::string>& recorded = RecordedFingerprints();
  EXPECT_EQ(current.size(), recorded.size());
  std::string table;
  bool all_match = true;
  for (const auto& [name, digest] : current) {
    const auto found = recorded.find(name);
    const bool match = found != recorded.end() && found->second == digest;
    EXPECT_TRUE(match) << name << " gives " << digest;
    all_match = all_match && match;
    table += "      {\"" + name + "\", \"" + digest + "\"},\n";
  }
  if (!all_match) std::printf("Fingerprints as they are now:\n%s", table.c_str());
}

TEST(OutputFingerprintTest, TheHashIsSha256) {
  const auto text = [](const std::string& s) {
    return Sha256Hex({reinterpret_cast<const std::uint8_t*>(s.data()), s.size()});
  };
  EXPECT_EQ(text(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(text("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // Two blocks: the length no longer fits behind the padding of the first.
  EXPECT_EQ(text("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(text(std::string(1000, 'a')), "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3");
}

}  // namespace
}  // namespace zelvanor
