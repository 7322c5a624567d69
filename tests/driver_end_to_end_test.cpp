// Runs the built program in a scratch directory and compares everything it
// prints after the banner, its exit code and the files it leaves.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/settings.h"
#include "output/generate_output.h"
#include "driver/version.h"
#include "platform/path_separators.h"
#include "run_program.h"
#include "wave/chunk_analysis.h"
#include "wave_builder.h"

namespace zelvanor::testing {
namespace {

namespace fs = std::filesystem;

const std::string kUsage =
    "usage: Zelvanor Name_of_source_WAV_File Path_to_Destination detune-factor "
    "optional_parameters\n";
const std::string kNoMatch = "can't find source-file *.wav\n";
const std::string kOutOfRange = "Should be in range 0.5 <= detune <= 2.0\n";
// What the program puts between a destination and a file name.
const std::string kSep(1, platform::kNativeSeparator);

std::string HelpBlock() {
  const auto entry = [](const std::string& option, const std::string& text) {
    return "    " + option + std::string(18 - option.size(), ' ') + text + "\n";
  };
  const std::string continuation(56, ' ');
  return "Special options have follwing syntax:   s=value   with s is a letter and value an "
         "integer\n"
         "The following options are known:\n" +
         entry("V=verbose",
               "(tell, what doing: 0 be quiet, 1 which files, 2 parameter, 3 analyze source...)") +
         entry("O=semitone-offset", "(used for MILAN Georgenkirche, which has C# on Key C...)") +
         entry("T=orginal-tuning", "temperament of the original samples") +
         entry("L=length",
               "add a dummy loop of length with silence and a release part after the samples") +
         entry("Q=quality", "set the quality of interpolation: 0=linear interpolation,") +
         continuation + "1=quadratic interpolation,\n" + continuation +
         "2=hyperbolic interpolation (default)\n" +
         entry("H", "create TUNING.HTML in destination directory describing the tuning") +
         entry("U", "do NOT remove the unused sample part between loop and release") +
         entry("X", "do NOT copy unknown chunks");
}

Bytes SmallPipe() {
  std::vector<std::int32_t> values;
  for (int i = 0; i < 64; ++i) values.push_back((i % 16) * 1000 - 8000);
  return WaveBuilder().Fmt(Format{}).Data(Pcm(values, 16)).Build();
}

class DriverEndToEnd : public ::testing::Test {
 protected:
  ZelvanorRun Run(const std::vector<std::string>& arguments) {
    return RunZelvanor(arguments, dir_.path());
  }
  fs::path At(const std::string& name) const { return dir_.path() / name; }
  void MakeOutputDirectory() { fs::create_directory(At("out")); }

  ScratchDirectory dir_;
};

TEST_F(DriverEndToEnd, BannerCarriesVersionAndCredit) {
  EXPECT_EQ(Run({}).banner, std::string("Zelvanor Vers ") + kVersion + " (c) the Zelvanor developers\n");
}

TEST_F(DriverEndToEnd, FewerThanThreeArgumentsTakeTheUsageExitUnlessHelpOrVersionStandsAlone) {
  const std::string help = kUsage + HelpBlock() +
                           "Every option, the temperaments and the exit codes: man zelvanor, "
                           "or the README.\n";
  struct Case {
    std::vector<std::string> arguments;
    std::string output;
    int exit_code;
  };
  for (const Case& c : {Case{{}, kUsage, 1}, Case{{"*.wav"}, kUsage, 1},
                        Case{{"*.wav", "out"}, kUsage, 1}, Case{{"--help"}, help, 0},
                        Case{{"--version"}, "", 0}, Case{{"--version", "out"}, kUsage, 1}}) {
    const ZelvanorRun run = Run(c.arguments);
    EXPECT_EQ(run.output, c.output) << ::testing::PrintToString(c.arguments);
    EXPECT_EQ(run.exit_code, c.exit_code) << ::testing::PrintToString(c.arguments);
  }
}

TEST_F(DriverEndToEnd, TwoLetterWordPrintsHelpAndChangesNothing) {
  // Had HX switched the tuning page on, the run would never reach the pattern.
  const ZelvanorRun run = Run({"*.wav", "out", "1", "HX"});
  EXPECT_EQ(run.output, HelpBlock() + kNoMatch);
  EXPECT_EQ(run.exit_code, 99);
}

TEST_F(DriverEndToEnd, UnknownSpecialOptionIsReportedAndTheRunGoesOn) {
  const ZelvanorRun run = Run({"*.wav", "out", "1", "Z=3", "=", "1=2"});
  EXPECT_EQ(run.output, "Unknown special option Z=3\n" + HelpBlock() +
                            "Unknown special option 1=2\n" + kNoMatch);
  EXPECT_EQ(run.exit_code, 99);
}

TEST_F(DriverEndToEnd, VerbosityAffectsOnlyTheWordsAfterIt) {
  EXPECT_EQ(Run({"*.wav", "out", "1", "V=2", "O=3"}).output, "Pipe_offset set to 3\n" + kNoMatch);
  EXPECT_EQ(Run({"*.wav", "out", "1", "O=3", "V=2"}).output, kNoMatch);
  EXPECT_EQ(Run({"*.wav", "out", "1", "v=0", "O=3"}).output, kNoMatch);
}

TEST_F(DriverEndToEnd, ReverbCutIsSilentAtDefaultVerbosity) {
  EXPECT_EQ(Run({"*.wav", "out", "1", "R=1.5"}).output, kNoMatch);
  EXPECT_EQ(Run({"*.wav", "out", "1", "V=2", "r=1.5"}).output,
            "Cutting reverb to 1.500000 seconds\n" + kNoMatch);
}

TEST_F(DriverEndToEnd, ExtremeOptionValuesAreConvertedNotTrusted) {
  const ZelvanorRun run = Run({"*.wav", "out", "1", "V=99999999999999999999", "O=abc",
                               "R=1e999", "Q=-99999999999", "L=", "O= -7x"});
  EXPECT_EQ(run.output, "Pipe_offset set to 0\nCutting reverb to inf seconds\n"
                        "Pipe_offset set to -7\n" + kNoMatch);
  EXPECT_EQ(run.exit_code, 99);
}

TEST_F(DriverEndToEnd, NegativeDummyLoopLengthIsDroppedWithANotice) {
  EXPECT_EQ(Run({"*.wav", "out", "1", "L=-5"}).output,
            "Dummy loop length -5 is negative, no dummy loop is added\n" + kNoMatch);
}

TEST_F(DriverEndToEnd, PatternMatchingNothingEndsWith99) {
  WriteFile(At("a.txt"), std::string("not a pipe"));
  fs::create_directory(At("d.wav"));  // directories are not sources
  const ZelvanorRun run = Run({"*.wav", "out", "1"});
  EXPECT_EQ(run.output, kNoMatch);
  EXPECT_EQ(run.exit_code, 99);
}

TEST_F(DriverEndToEnd, FactorsOutOfRangeEndTheRunBeforeAnyLoad) {
  // The matched file is not RIFF: loading and analysing it would say so.
  WriteFile(At("a.wav"), std::string("not a pipe"));
  MakeOutputDirectory();
  struct Case {
    std::string detune;
    std::string shown;
  };
  for (const Case& c : {Case{"0.1", "0.100000"}, Case{"5", "5.000000"},
                        Case{"-5000", "0.055681"}, Case{"0x2", "0.000000"}}) {
    const ZelvanorRun run = Run({"*.wav", "out", c.detune});
    EXPECT_EQ(run.output, "Detune value of " + c.shown + " makes no sense.\n" + kOutOfRange)
        << c.detune;
    EXPECT_EQ(run.exit_code, 99) << c.detune;
  }
  EXPECT_TRUE(ListDirectory(At("out")).empty());
}

TEST_F(DriverEndToEnd, FactorsAtTheLimitsAreAccepted) {
  // An empty source is skipped silently after the range check.
  WriteFile(At("a.wav"), std::string());
  for (const std::string detune : {"0.2", "4.03", "+0"}) {
    const ZelvanorRun run = Run({"*.wav", "out", detune});
    EXPECT_EQ(run.output, "") << detune;
    EXPECT_EQ(run.exit_code, 0) << detune;
  }
}

TEST_F(DriverEndToEnd, OverlongPathsAreRefusedNotCut) {
  WriteFile(At("pipe.wav"), std::string());
  const std::string long_pattern = std::string(250, 'x') + "/*.wav";  // 256 characters
  ZelvanorRun run = Run({long_pattern, "out", "1"});
  EXPECT_EQ(run.output, "Source pattern longer than 255 characters: " + long_pattern + "\n");
  EXPECT_EQ(run.exit_code, 1);

  const std::string long_destination(256, 'd');
  run = Run({"*.wav", long_destination, "1"});
  EXPECT_EQ(run.output, "Destination longer than 255 characters: " + long_destination + "\n");
  EXPECT_EQ(run.exit_code, 1);

  // Each part fits, the joined path does not.
  const std::string destination(247, 'd');
  run = Run({"*.wav", destination, "1"});
  EXPECT_EQ(run.output, "Path longer than 255 characters: " + destination + kSep + "pipe.wav\n");
  EXPECT_EQ(run.exit_code, 1);
}

TEST_F(DriverEndToEnd, EmptyDestinationIsRefused) {
  WriteFile(At("pipe.wav"), std::string());
  const ZelvanorRun run = Run({"*.wav", "", "1"});
  EXPECT_EQ(run.output, "Empty destination directory; give . for the current directory\n");
  EXPECT_EQ(run.exit_code, 1);
}

TEST_F(DriverEndToEnd, NonRiffSourceIsSkippedAndTheNextOneProcessed) {
  WriteFile(At("a.wav"), SmallPipe());
  WriteFile(At("b.wav"), std::string("plain text, not RIFF"));
  WriteFile(At("c.wav"), SmallPipe());
  MakeOutputDirectory();
  const ZelvanorRun run = Run({"*.wav", "out", "1"});
  EXPECT_EQ(run.output,
            "Tune a.wav to out" + kSep + "a.wav by factor 1.000000\n"
            "b.wav is not a RIFF-file\n"
            "Tune c.wav to out" + kSep + "c.wav by factor 1.000000\n");
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(ListDirectory(At("out")), (std::vector<std::string>{"a.wav", "c.wav"}));
}

TEST_F(DriverEndToEnd, DestinationWithOrWithoutSeparatorGivesTheSamePath) {
  fs::create_directory(At("in"));
  WriteFile(At("in/036-C.wav"), SmallPipe());
  MakeOutputDirectory();
  for (const std::string& destination : {std::string("out"), "out" + kSep}) {
    const ZelvanorRun run = Run({"in/*.wav", destination, "+0"});
    EXPECT_EQ(run.output, "Tune in/036-C.wav to out" + kSep + "036-C.wav by factor 1.000000\n");
    EXPECT_EQ(run.exit_code, 0);
  }
  EXPECT_EQ(ListDirectory(At("out")), (std::vector<std::string>{"036-C.wav"}));
}

}  // namespace
}  // namespace zelvanor::testing
