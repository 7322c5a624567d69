// The command line, the detune argument, paths and temperaments as a user
// meets them: one table of whole runs, and what a run cannot show.
#include <gtest/gtest.h>

#include <algorithm>
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
    "--temperaments lists the temperaments; a Scala file (NAME.scl) may stand for one.\n"
    "Every option, the temperaments and the exit codes: man zelvanor, or the README.\n";
const std::string kNoMatch = "can't find source-file *.wav\n";
std::string Range(const std::string& shown) {
  return "Detune value of " + shown + " makes no sense.\nShould be in range 0.5 <= detune <= 2.0\n";
}
// A match below the fixed part "o/", its folders joined natively, retuned into `to`.
std::string Mirrored(std::string relative, const std::string& to = "out") {
  std::replace(relative.begin(), relative.end(), '/', kSep[0]);
  return "Tune o/" + relative + " to " + to + kSep + relative + " by factor 1.000000\n";
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
      {{}, {"--Help"}, kUsage, 1},
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
      // Over folders: outputs mirror the tree below the fixed part, in place too; no folder for a file that stops.
      {{"o/a.wav", "o/b/x.wav", "o/b/z/y.wav", "out/"}, {"o/**/*.wav", "out", "1"},
       Mirrored("a.wav") + Mirrored("b/x.wav") + Mirrored("b/z/y.wav"), 0,
       "o/ o/a.wav o/b/ o/b/x.wav o/b/z/ o/b/z/y.wav out/ out/a.wav out/b/ out/b/x.wav out/b/z/ out/b/z/y.wav"},
      {{"o/b/x.wav", "out/"}, {"o/**/**/*.wav", "out", "1"}, Mirrored("b/x.wav")},  // two ways, retuned once
      {{"o/b/x.wav", "o/b/z/y.wav"}, {"o/*/*.wav", "o", "1"}, Mirrored("b/x.wav", "o"), 0,
       "o/ o/b/ o/b/x.wav* o/b/z/ o/b/z/y.wav"},
      {{"o/a/x.wav", "o/b/cut.wav", "o/c/y.wav", "out/"}, {"o/*/*.wav", "out", "1", "V=0"},
       "fatal error: Illegal computation of a position within removed sample-area\n", 99,
       "o/ o/a/ o/a/x.wav o/b/ o/b/cut.wav o/c/ o/c/y.wav out/ out/a/ out/a/x.wav"},
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

TEST(Driver, ScalaFilesStandForTemperamentsAndMalformedOnesStopTheRunBeforeAnyFile) {
  const std::string scale = "E\n12\n100.\n200.\n300.\n400.\n500.\n600.\n700.\n800.\n900.\n1000.\n1100.\n2/1\n";
  ExpectRun({{"ZELVANOR.INI", "e.scl:" + scale, "036-C#.wav", "out/"}, {"*.wav", "out", "Kellner", "T=e.scl+1", "V=2"},
             "Temperament of original samples e.scl+1.000000 cent\nUsing temperament Kellner\n"
             "Tuning to Kellner C# +0\n" + Tune("036-C#.wav", "0.998520")});
  ExpectRun({{"e.scl:" + scale, "note69_A.wav", "out/"}, {"*.wav", "out", "e.scl", "A=441"},
             "Using temperament e.scl\n" + Tune("note69_A.wav")});
  ExpectRun({{"e.scl:" + scale, "pages/"}, {"*.wav", "pages/", "e.scl", "H"}, "Using temperament e.scl\n", 0,
             "e.scl pages/ pages/tuning.html"});
  ExpectRun({{"036-C.wav"}, {"*.wav", "out", "2024/old.scl"},
             "Can't find temperament 2024/old.scl: no such scale file\n", 99});
  ExpectRun({{"ZELVANOR.INI:[h]\nKellner 0\n\t Bach \n  more\nKellner 1\nX\n"}, {"--temperaments"},
             "Temperaments in ZELVANOR.INI:\n  Kellner                      Bach\n  X\n"
             "A Scala file serves where a name goes: its path, ending in .scl (T=old.scl, werck4.scl+2).\n"});
  const char* const kMalformed[][3] = {
      {"12", "7", "line 2: 7 notes; a temperament has 12 (C# to B and the octave)"},
      {"12\n", "", "line 2: '100.' is not a number of notes"},
      {"300.", "-3/2", "line 5: ratio -3/2 is not above zero"},
      {"400.", "0", "line 6: ratio 0 is not above zero"},
      {"500.", "5/0", "line 7: '5/0' is not a pitch (cents or a ratio)"},
      {"2/1", "1199.99", "line 14: the period 1199.99 is not an octave (2/1 or 1200.0)"},
      {"1100.\n2/1", "1100.", "line 2: 12 pitches announced, 11 follow"},
  };
  for (const auto& [from, to, said] : kMalformed) {
    std::string text = scale;
    text.replace(text.find(from), std::string(from).size(), to);
    ExpectRun({{"a.SCL:" + text, "036-C.wav", "out/"}, {"*.wav", "out", "1", "T=a.SCL-2"},
               std::string("a.SCL ") + said + "\n", 99, "036-C.wav a.SCL out/"});
  }
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
