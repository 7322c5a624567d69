// The command line, the detune argument, paths and temperaments as a user
// meets them: one table of whole runs, and what a run cannot show.
#include <gtest/gtest.h>

#include <cmath>

#include "driver/detune.h"
#include "driver/source_paths.h"
#include "run_program.h"
#include "tuning/tuning_factor.h"

namespace zelvanor::testing {
namespace {

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
const std::string kSeeMore =
    "P=0 keeps the pitch each source's smpl chunk states; by default it moves with the retune.\n"
    "A=hz tunes every pipe from its own pitch to a pitch standard, M reports each pipe's pitch, "
    "S takes\nthe pitch a pipe states: see \"Tuning a detuned set\" in the README.\n"
    "Every option, the temperaments and the exit codes: man zelvanor, or the README.\n";
const std::string kNoMatch = "can't find source-file *.wav\n";
std::string Range(const std::string& shown) {
  return "Detune value of " + shown + " makes no sense.\nShould be in range 0.5 <= detune <= 2.0\n";
}
std::string Unknown(const std::string& request) { return "Can't find temperament " + request + " in my list\n"; }

TEST(Driver, Runs) {
  const std::string d250(250, 'd'), d256(256, 'd'), x250(250, 'x');
  const std::string list = "ZELVANOR.INI";  // a copy of the shipped list
  const RunCase cases[] = {
      {{}, {}, kUsage, 1, "-", kSpawned},
      {{}, {"*.wav", "out"}, kUsage, 1},
      {{}, {"--help"}, kUsage + kHelp + kSeeMore, 0, "-", kSpawned},
      {{}, {"--version"}, ""},
      {{}, {"--version", "out"}, kUsage, 1},
      // Options: a letter in either case; a message at the verbosity in force at its word.
      {{}, {"*.wav", "out", "1", "HX"}, kHelp + kNoMatch, 99},
      {{}, {"*.wav", "out", "1", "Z=3", "=", "1=2"},
       "Unknown special option Z=3\n" + kHelp + "Unknown special option 1=2\n" + kNoMatch, 99},
      {{}, {"*.wav", "out", "1", "O=3", "V= 2", "O=+2147483648", "R=\v1.5"},  // blanks before a number skipped
       "Pipe_offset set to 2147483647\nCutting reverb to 1.500000 seconds\n" + kNoMatch, 99},
      {{}, {"*.wav", "out", "1", "v=2", "o=-3", "r=nan", "v=1", "o=4"},
       "Pipe_offset set to -3\nCutting reverb to 0.000000 seconds\n" + kNoMatch, 99},  // plain decimals only
      {{}, {"*.wav", "out", "1", "V=99999999999999999999", "O=abc", "R=1e999", "L=", "O= \t-7x"},
       "Pipe_offset set to 0\nCutting reverb to inf seconds\nPipe_offset set to -7\n" + kNoMatch, 99},
      {{}, {"*.wav", "out", "1", "P=0", "V=2", "p=1", "P=0"},
       "Stated pitch moves with the retune\nStated pitch kept as the sources have it\n" + kNoMatch, 99},
      {{}, {"*.wav", "out", "1", "L=0", "L=-1", "V=2", "J=17", "J=16", "J=1", "J=0", "O=-2147483649"},
       "Dummy loop length -1 is negative, no dummy loop is added\nParallel files set to 16\nParallel files set to 16\n"
       "Parallel files set to 1\nParallel files set to 1\nPipe_offset set to -2147483648\n" + kNoMatch, 99},
      {{"ZELVANOR.INI", "pages/"}, {"*.wav", "pages/", "Kellner", "h", "u", "x", "V=0"}, "", 0,
       "ZELVANOR.INI pages/ pages/tuning.html"},
      // The detune argument: a factor, cents or a temperament; its range is checked before any file is read.
      {{"a.txt:not a pipe", "d.wav/"}, {"*.wav", "out", "1"}, kNoMatch, 99},
      {{"a.wav:not RIFF"}, {"*.wav", "out", "0.1"}, Range("0.100000"), 99},
      {{"a.wav:not RIFF"}, {"*.wav", "out", "4.0301"}, Range("4.030100"), 99},
      {{"a.wav:not RIFF"}, {"*.wav", "out", "-5000"}, Range("0.055681"), 99},
      {{"a.wav:not RIFF"}, {"*.wav", "out", "0x2"}, Range("0.000000"), 99},  // plain decimals only, as in the list
      {{"a.wav:"}, {"*.wav", "out", "0.2"}, ""},
      {{"a.wav:"}, {"*.wav", "out", "4.03"}, ""},
      {{"hot.wav", "out/"}, {"*.wav", "out", "1.5", "V=-1"},
       Tune("hot.wav", "1.500000") + "Warning: out" + kSep + "hot.wav: 381 sample values clipped to full scale\n"},
      {{list}, {"*.wav", "out", ".5"}, Unknown(".5"), 99},
      // Paths: refused when too long, never cut; a destination's final separator kept as typed.
      {{}, {x250 + "/*.wav", "out", "1"}, "Source pattern longer than 255 characters: " + x250 + "/*.wav\n", 1},
      {{}, {"*.wav", d256, "1"}, "Destination longer than 255 characters: " + d256 + "\n", 1},
      {{"a.wav:"}, {"*.wav", d250, "1"}, "Path longer than 255 characters: " + d250 + kSep + "a.wav\n", 1},
      {{"a.wav:"}, {"*.wav", "", "1"}, "Empty destination directory; give . for the current directory\n", 1},
      {{"a.wav", "b.wav:plain text, not RIFF", "c.wav", "out/"}, {"*.wav", "out", "1"},
       Tune("a.wav") + "b.wav is not a RIFF-file\n" + Tune("c.wav"), 0, "a.wav b.wav c.wav out/ out/a.wav out/c.wav",
       kSpawned},
      {{"in/036-C.wav", "out/"}, {"in/*.wav", "out/", "+0"}, "Tune in/036-C.wav to out/036-C.wav by factor 1.000000\n",
       0, "in/ in/036-C.wav out/ out/036-C.wav"},
      // Temperaments: from the list in the current directory, else from the one beside the program.
      {{"pages/"}, {"*.wav", "pages/", "Kellner+1.5", "H"}, "Using temperament Kellner+1.500000 cent\n", 0,
       "pages/ pages/tuning.html", kSpawned},
      {{"ZELVANOR.INI:Kellner 0 100\n"}, {"*.wav", "out", "Vallotti"}, Unknown("Vallotti"), 99, "-", kSpawned},
      {{list}, {"*.wav", "pages/", "+5", "H"}, Unknown("+5"), 99},
      {{list}, {"*.wav", "missing/", "Vallotti", "H", "V=0"}, "can't create file missing/tuning.html\n", 1,
       "ZELVANOR.INI"},
      {{list}, {"*.wav", "out", "Young_II-2", "T=Vallotti+0", "O=1"},
       "Temperament of original samples Vallotti\nUsing temperament Young_II-2.000000 cent key_offset=1\n" + kNoMatch,
       99},
      {{list}, {"*.wav", "out", "Kellner-0.25", "V=0", "T=Vallotti", "V=-1", "O=1"},
       "Using temperament Kellner-0.250000 cent key_offset=1\n" + kNoMatch, 99},
      {{list}, {"*.wav", "out", "1", "T=vallotti"}, Unknown("vallotti"), 99},
      // Each file gets the factor of the note its name gives, moved by the key offset.
      {{list, "036-C#.wav", "pipe_a2.wav", "out/"}, {"*.wav", "out", "Kellner", "V=2"},
       "Using temperament Kellner\nTuning to Kellner C# +0\n" + Tune("036-C#.wav", "0.999097") +
           "Tuning to Kellner A +0\n" + Tune("pipe_a2.wav")},
      {{list, "long-C#.wav", "out/"}, {"*.wav", "out", "Kellner", "V=2"},
       "Using temperament Kellner\nTuning to Kellner C# +0\n" + Tune("long-C#.wav", "0.999097") +
           "Stated pitch: note 40 +0.00 cents -> note 39 +98.44 cents\n"},
      {{list, "036-C.wav", "out/"}, {"*.wav", "out", "Kellner", "V=2", "O=-11"},
       "Pipe_offset set to -11\nUsing temperament Kellner key_offset=-11\nTuning to Kellner C# +0\n" +
           Tune("036-C.wav", "0.999097")},
      {{list, "E#.wav"}, {"*.wav", "out", "Equal"},
       "Using temperament Equal\ncan't guess notename from filename E#.wav\n", 99},
      {{"ZELVANOR.INI:Wild 0 5000\n", "036-C#.wav"}, {"*.wav", "out", "Wild"},
       "Using temperament Wild\n" + Range("16.951409"), 99},
  };
  for (const RunCase& c : cases) ExpectRun(c);
}

TEST(Driver, ACopiedProgramNamesTheListItLookedForBesideItself) {
  ScratchDirectory dir;
  fs::create_directories(dir.path() / "bin");
  const fs::path copy = dir.path() / "bin" / fs::path(ZELVANOR_EXECUTABLE).filename();
  fs::copy_file(ZELVANOR_EXECUTABLE, copy);
  const ProgramResult run = RunProgram(copy.string(), {"*.wav", "out", "Kellner"}, dir.path());
  const std::string expected = "can't find/open " + (fs::canonical(dir.path() / "bin") / "ZELVANOR.INI").string();
  EXPECT_NE(run.output.find(expected), std::string::npos) << run.output;
  EXPECT_EQ(run.exit_code, 1);
}

TEST(Driver, CentsAndPathsAsGiven) {
  // The exact double decides every resampled position of a retuned set.
  EXPECT_EQ(DetuneToFactor("+100"), std::exp(100 * 0.00057762265));
  EXPECT_EQ(CentsToFactor(-50.0), std::exp(-50 * 0.00057762265));
  // Sets made on Windows: either separator counts, the text stays as typed.
  EXPECT_EQ(SourcePathFor("a/b\\c*.wav", "c1.wav"), "a/b\\c1.wav");
  EXPECT_EQ(SourcePathFor("a\\b/c*.wav", "c1.wav"), "a\\b/c1.wav");
  EXPECT_EQ(DestinationPathFor("out\\", "036-C.wav"), "out\\036-C.wav");
}

}  // namespace
}  // namespace zelvanor::testing
