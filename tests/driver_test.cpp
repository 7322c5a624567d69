// The command line, the detune argument, the paths and the temperaments as
// a user meets them: one table of whole runs, plus the few unit checks a
// run cannot show (exact doubles, the verbosity a temperament loads with).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "driver/command_line.h"
#include "driver/detune.h"
#include "driver/source_paths.h"
#include "run_program.h"
#include "tuning/tuning_factor.h"

namespace zelvanor::testing {
namespace {

const std::string kSep(1, platform::kNativeSeparator);
const std::string kUsage =
    "usage: Zelvanor Name_of_source_WAV_File Path_to_Destination detune-factor optional_parameters\n";
const std::string kHelp =
    "Special options have follwing syntax:   s=value   with s is a letter and value an integer\n"
    "The following options are known:\n"
    "    V=verbose         (tell, what doing: 0 be quiet, 1 which files, 2 parameter, 3 analyze source...)\n"
    "    O=semitone-offset (used for MILAN Georgenkirche, which has C# on Key C...)\n"
    "    T=orginal-tuning  temperament of the original samples\n"
    "    L=length          add a dummy loop of length with silence and a release part after the samples\n"
    "    Q=quality         set the quality of interpolation: 0=linear interpolation,\n" +
    std::string(56, ' ') + "1=quadratic interpolation,\n" + std::string(56, ' ') +
    "2=hyperbolic interpolation (default)\n"
    "    H                 create TUNING.HTML in destination directory describing the tuning\n"
    "    U                 do NOT remove the unused sample part between loop and release\n"
    "    X                 do NOT copy unknown chunks\n";
const std::string kNoMatch = "can't find source-file *.wav\n";
const std::string kRange = "Should be in range 0.5 <= detune <= 2.0\n";
std::string Tune(const std::string& source, const std::string& destination, const char* factor = "1.000000") {
  return "Tune " + source + " to " + destination + " by factor " + factor + "\n";
}
std::string Unknown(const std::string& request) { return "Can't find temperament " + request + " in my list\n"; }

TEST(Driver, Runs) {
  const std::string d247(247, 'd');
  const std::string x250(250, 'x');
  const RunCase cases[] = {
      // Usage, help, and options, whose messages depend on the verbosity in force at their word.
      {.arguments = {}, .output = kUsage, .exit_code = 1, .spawned = true},
      {.arguments = {"*.wav", "out"}, .output = kUsage, .exit_code = 1},
      {.arguments = {"--help"},
       .output = kUsage + kHelp + "Every option, the temperaments and the exit codes: man zelvanor, or the README.\n",
       .spawned = true},
      {.arguments = {"--version"}, .output = ""},
      {.arguments = {"--version", "out"}, .output = kUsage, .exit_code = 1},
      {.arguments = {"*.wav", "out", "1", "HX"}, .output = kHelp + kNoMatch, .exit_code = 99},
      {.arguments = {"*.wav", "out", "1", "Z=3", "=", "1=2"},
       .output = "Unknown special option Z=3\n" + kHelp + "Unknown special option 1=2\n" + kNoMatch,
       .exit_code = 99},
      {.arguments = {"*.wav", "out", "1", "O=3", "V=2", "O=2147483648", "R=1.5"},
       .output = "Pipe_offset set to 2147483647\nCutting reverb to 1.500000 seconds\n" + kNoMatch,
       .exit_code = 99},
      {.arguments = {"*.wav", "out", "1", "v=2", "o=-3", "r=2", "v=1", "o=4"},
       .output = "Pipe_offset set to -3\nCutting reverb to 2.000000 seconds\n" + kNoMatch,
       .exit_code = 99},
      {.arguments = {"*.wav", "out", "1", "V=99999999999999999999", "O=abc", "R=1e999", "Q=-99999999999", "L=",
                     "O= -7x"},
       .output = "Pipe_offset set to 0\nCutting reverb to inf seconds\nPipe_offset set to -7\n" + kNoMatch,
       .exit_code = 99},
      {.arguments = {"*.wav", "out", "1", "L=-5"},
       .output = "Dummy loop length -5 is negative, no dummy loop is added\n" + kNoMatch,
       .exit_code = 99},
      // The detune argument: a factor, cents, or a temperament; out of range before any file is read.
      {.files = {"a.txt:not a pipe", "d.wav/"}, .arguments = {"*.wav", "out", "1"}, .output = kNoMatch,
       .exit_code = 99},
      {.files = {"a.wav:not RIFF"}, .arguments = {"*.wav", "out", "0.1"},
       .output = "Detune value of 0.100000 makes no sense.\n" + kRange, .exit_code = 99},
      {.files = {"a.wav:not RIFF"}, .arguments = {"*.wav", "out", "4.0301"},
       .output = "Detune value of 4.030100 makes no sense.\n" + kRange, .exit_code = 99},
      {.files = {"a.wav:not RIFF"}, .arguments = {"*.wav", "out", "-5000"},
       .output = "Detune value of 0.055681 makes no sense.\n" + kRange, .exit_code = 99},
      {.files = {"a.wav:not RIFF"}, .arguments = {"*.wav", "out", "+nan"},
       .output = "Detune value of nan makes no sense.\n" + kRange, .exit_code = 99},
      {.files = {"a.wav:"}, .arguments = {"*.wav", "out", "0.2"}, .output = ""},
      {.files = {"a.wav:"}, .arguments = {"*.wav", "out", "4.03"}, .output = ""},
      {.files = {"ZELVANOR.INI"}, .arguments = {"*.wav", "out", ".5"}, .output = Unknown(".5"), .exit_code = 99},
      // Paths: refused when too long, never cut; the destination's separator kept as typed.
      {.arguments = {x250 + "/*.wav", "out", "1"},
       .output = "Source pattern longer than 255 characters: " + x250 + "/*.wav\n", .exit_code = 1},
      {.arguments = {"*.wav", d247 + "ddddddddd", "1"},
       .output = "Destination longer than 255 characters: " + d247 + "ddddddddd\n", .exit_code = 1},
      {.files = {"pipe.wav:"}, .arguments = {"*.wav", d247, "1"},
       .output = "Path longer than 255 characters: " + d247 + kSep + "pipe.wav\n", .exit_code = 1},
      {.files = {"pipe.wav:"}, .arguments = {"*.wav", "", "1"},
       .output = "Empty destination directory; give . for the current directory\n", .exit_code = 1},
      {.files = {"a.wav", "b.wav:plain text, not RIFF", "c.wav", "out/"}, .arguments = {"*.wav", "out", "1"},
       .output = Tune("a.wav", "out" + kSep + "a.wav") + "b.wav is not a RIFF-file\n" +
                 Tune("c.wav", "out" + kSep + "c.wav"),
       .after = "a.wav b.wav c.wav out/ out/a.wav out/c.wav", .spawned = true},
      {.files = {"in/036-C.wav", "out/"}, .arguments = {"in/*.wav", "out/", "+0"},
       .output = Tune("in/036-C.wav", "out/036-C.wav"), .after = "in/ in/036-C.wav out/ out/036-C.wav"},
      // Temperaments: the list in the current directory first, else beside the program.
      {.files = {"pages/"}, .arguments = {"*.wav", "pages/", "Kellner+1.5", "H"},
       .output = "Using temperament Kellner+1.500000 cent\n", .after = "pages/ pages/tuning.html", .spawned = true},
      {.files = {"ZELVANOR.INI:Kellner 0 100\n"}, .arguments = {"*.wav", "out", "Vallotti"},
       .output = Unknown("Vallotti"), .exit_code = 99, .spawned = true},
      {.files = {"ZELVANOR.INI", "pages/"}, .arguments = {"*.wav", "pages/", "Kellner", "h", "u", "x", "V=0"},
       .after = "ZELVANOR.INI pages/ pages/tuning.html"},
      {.files = {"ZELVANOR.INI"}, .arguments = {"*.wav", "pages/", "+5", "H"}, .output = Unknown("+5"),
       .exit_code = 99},
      {.files = {"ZELVANOR.INI"}, .arguments = {"*.wav", "missing/", "Vallotti", "H", "V=0"},
       .output = "can't create file missing/tuning.html\n", .exit_code = 1, .after = "ZELVANOR.INI"},
      {.files = {"ZELVANOR.INI"}, .arguments = {"*.wav", "out", "Young_II-2", "T=Vallotti+0", "O=1"},
       .output = "Temperament of original samples Vallotti\n"
                 "Using temperament Young_II-2.000000 cent key_offset=1\n" + kNoMatch,
       .exit_code = 99},
      {.files = {"ZELVANOR.INI"}, .arguments = {"*.wav", "out", "Kellner-0.25", "V=0", "T=Vallotti", "V=-1", "O=1"},
       .output = "Using temperament Kellner-0.250000 cent key_offset=1\n" + kNoMatch, .exit_code = 99},
      {.files = {"ZELVANOR.INI"}, .arguments = {"*.wav", "out", "1", "T=vallotti"}, .output = Unknown("vallotti"),
       .exit_code = 99},
      // Each file gets the factor of the note its name gives, moved by the key offset.
      {.files = {"ZELVANOR.INI", "036-C#.wav", "pipe_a2.wav", "out/"}, .arguments = {"*.wav", "out", "Kellner", "V=2"},
       .output = "Using temperament Kellner\nTuning to Kellner C# +0\n" +
                 Tune("036-C#.wav", "out" + kSep + "036-C#.wav", "0.999097") + "Tuning to Kellner A +0\n" +
                 Tune("pipe_a2.wav", "out" + kSep + "pipe_a2.wav")},
      {.files = {"ZELVANOR.INI", "036-C.wav", "out/"}, .arguments = {"*.wav", "out", "Kellner", "V=2", "O=-11"},
       .output = "Pipe_offset set to -11\nUsing temperament Kellner key_offset=-11\nTuning to Kellner C# +0\n" +
                 Tune("036-C.wav", "out" + kSep + "036-C.wav", "0.999097")},
      {.files = {"ZELVANOR.INI", "E#.wav"}, .arguments = {"*.wav", "out", "Equal"},
       .output = "Using temperament Equal\ncan't guess notename from filename E#.wav\n", .exit_code = 99},
      {.files = {"ZELVANOR.INI:Wild 0 5000\n", "036-C#.wav"}, .arguments = {"*.wav", "out", "Wild"},
       .output = "Using temperament Wild\nDetune value of 16.951409 makes no sense.\n" + kRange, .exit_code = 99},
  };
  for (const RunCase& c : cases) ExpectRun(c);
}

// Without a list in the current directory the program names the one it
// looked for beside itself.
TEST(Driver, ListIsLookedForBesideTheProgram) {
  ScratchDirectory dir;
  fs::create_directories(dir.path() / "bin");
  const fs::path copy = dir.path() / "bin" / fs::path(ZELVANOR_EXECUTABLE).filename();
  fs::copy_file(ZELVANOR_EXECUTABLE, copy);
  const ProgramResult run = RunProgram(copy.string(), {"*.wav", "out", "Kellner"}, dir.path());
  const std::string expected = "can't find/open " + (fs::canonical(dir.path() / "bin") / "ZELVANOR.INI").string();
  EXPECT_NE(run.output.find(expected), std::string::npos) << run.output;
  EXPECT_EQ(run.exit_code, 1);
}

struct Lookup {
  TemperamentSlot slot;
  std::string request;
  std::int32_t verbosity;
};

TEST(Driver, OptionsInEitherCaseLaterWordsWinTemperamentsLoadWithTheirWordsVerbosity) {
  std::vector<Lookup> lookups;
  const TemperamentLoader load = [&](TemperamentSlot slot, const std::string& request, const Settings& settings) {
    lookups.push_back({slot, request, settings.verbosity});
    return Temperament{.name = request};
  };
  const std::vector<std::string> words = {"h", "u", "x", "Q=0", "V=3", "t=Werckmeister+2", "q=1", "v=0", "l=500"};
  const OptionOutcome outcome = ParseOptions(words, load);
  EXPECT_TRUE(outcome.settings.write_tuning_page && outcome.settings.keep_unused_part);
  EXPECT_FALSE(outcome.settings.copy_unknown_chunks);
  EXPECT_EQ(outcome.settings.quality, 1);
  EXPECT_EQ(outcome.settings.verbosity, 0);
  EXPECT_EQ(outcome.settings.dummy_loop_length, 500);
  EXPECT_EQ(outcome.original.name, "Werckmeister+2");
  ASSERT_EQ(lookups.size(), 1u);
  EXPECT_EQ(lookups[0].slot, TemperamentSlot::kOriginal);
  EXPECT_EQ(lookups[0].verbosity, 3);
}

TEST(Driver, CentsBecomeFactorsThroughTheListedConstant) {
  // The exact double decides every resampled position of a retuned set.
  EXPECT_EQ(DetuneToFactor("+100"), std::exp(100 * 0.00057762265));
  EXPECT_EQ(CentsToFactor(-50.0), std::exp(-50 * 0.00057762265));
  EXPECT_EQ(DetuneToFactor("1.5x"), 1.5);
}

TEST(Driver, SourcePathsKeepEitherSeparatorAsTyped) {
  EXPECT_EQ(SourcePathFor("*.wav", "036-C.wav"), "036-C.wav");
  EXPECT_EQ(SourcePathFor("/a/b/0?6-*.wav", "036-C.wav"), "/a/b/036-C.wav");
  EXPECT_EQ(SourcePathFor("a/b\\c*.wav", "c1.wav"), "a/b\\c1.wav");
  EXPECT_EQ(SourcePathFor("a\\b/c*.wav", "c1.wav"), "a\\b/c1.wav");
  EXPECT_EQ(DestinationPathFor("out\\", "036-C.wav"), "out\\036-C.wav");
  EXPECT_EQ(DestinationPathFor("/", "a.wav"), "/a.wav");
}

}  // namespace
}  // namespace zelvanor::testing
