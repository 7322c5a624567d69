#include "tuning/tuning_factor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "tuning/note_name_guess.h"
#include "tuning_test_support.h"

namespace zelvanor {
namespace {

using testing_support::CatchRunEnd;

TEST(GuessNoteIndex, ReadsDashAndSuffixForms) {
  struct Case {
    const char* path;
    int index;
  };
  for (const Case& c : {
           Case{"036-c#.wav", 1},         // dash form after the key number
           Case{"12-Gis.wav", 7},         // only "#" makes a sharp
           Case{"Prin8_F#3.wav", 6},      // octave digit skipped
           Case{"pipe_a2.wav", 9},        // lower case
           Case{"Bb2.wav", 11},           // flats are not recognised
           Case{"036C.wav", 0},           // digits without a dash: suffix form
           Case{"036-d.wav", 2},          //
           Case{"pipe_g#2.wav", 8},       //
           Case{"-E.wav", 4},             // no digits before the dash
           Case{"8-Principal/036-C.wav", 0},   // directories do not count ...
           Case{"8-Principal\\036-C.wav", 0},  // ... whichever separator ends them
           Case{"d:\\set\\8-Octave/pipe_A0.wav", 9},
           Case{"G/pipe036", 7},          // no ".": the path's first character
           Case{"set_c.v2/pipe036", 0},   // a directory's "." when the name has none
           Case{"036-F#x.wav", 6},        // the rest of a dash-form name is ignored
       }) {
    EXPECT_EQ(GuessNoteIndex(c.path), c.index) << c.path;
  }
}

TEST(GuessNoteIndex, EndsRunWhenNoNoteFits) {
  for (const char* path : {"E#.wav", "H.wav", "C-3.wav", "B#2.wav", "pipes/036-H.wav", "036-.wav",
                           "#.wav", ".wav", "123.wav", "x/.wav", ""}) {
    const auto end = CatchRunEnd([&] { GuessNoteIndex(path); });
    EXPECT_EQ(end.exit_code, 99) << path;
    EXPECT_EQ(end.message, std::string("can't guess notename from filename ") + path + "\n");
  }
}

TEST(ApplyKeyOffset, WrapsIntoOctave) {
  EXPECT_EQ(ApplyKeyOffset(0, -1), 11);
  EXPECT_EQ(ApplyKeyOffset(0, -12), 0);
  EXPECT_EQ(ApplyKeyOffset(0, -13), 11);
  EXPECT_EQ(ApplyKeyOffset(11, 1), 0);
  EXPECT_EQ(ApplyKeyOffset(11, 13), 0);
  EXPECT_EQ(ApplyKeyOffset(11, 25), 0);
  EXPECT_EQ(ApplyKeyOffset(5, 12), 5);
  EXPECT_EQ(ApplyKeyOffset(11, std::numeric_limits<std::int32_t>::max()), 6);
  EXPECT_EQ(ApplyKeyOffset(0, std::numeric_limits<std::int32_t>::min()), 4);
}

Temperament ExampleTemperament(double offset) {
  Temperament temperament;
  temperament.name = "Example";
  temperament.cents = {0, 90, 196, 294, 392, 498, 588, 698, 792, 894, 996, 1090};
  temperament.offset = offset;
  return temperament;
}

Settings Quiet() {
  Settings settings;
  settings.verbosity = 1;
  return settings;
}

TEST(TemperamentTuningFactor, GivesWorkedExampleFactors) {
  const Temperament equal;
  EXPECT_NEAR(TemperamentTuningFactor("036-C#.wav", equal, ExampleTemperament(0), Quiet()),
              0.99424042, 5e-9);
  EXPECT_NEAR(TemperamentTuningFactor("036-C#.wav", equal, ExampleTemperament(2.5), Quiet()),
              0.99567720, 5e-9);
  // The constant is ln 2 / 1200 to eleven digits: 1200 cents are an octave.
  Temperament octave_up = equal;
  octave_up.offset = 1200;
  EXPECT_NEAR(TemperamentTuningFactor("C.wav", equal, octave_up, Quiet()), 2.0, 1e-8);
}

TEST(TemperamentTuningFactor, IsExactlyOneBetweenEqualTemperaments) {
  const Temperament example = ExampleTemperament(-1.25);
  for (const char* path : {"C.wav", "C#.wav", "D.wav", "D#.wav", "E.wav", "F.wav", "F#.wav",
                           "G.wav", "G#.wav", "A.wav", "A#.wav", "B.wav"}) {
    EXPECT_EQ(TemperamentTuningFactor(path, example, example, Quiet()), 1.0) << path;
    EXPECT_EQ(TemperamentTuningFactor(path, Temperament{}, Temperament{}, Quiet()), 1.0) << path;
  }
}

TEST(TemperamentTuningFactor, KeyOffsetSelectsTheShiftedNote) {
  Settings settings = Quiet();
  settings.key_offset = 1;
  // A file named after C takes the values of C#: 90 instead of 100 cents.
  EXPECT_NEAR(TemperamentTuningFactor("036-C.wav", Temperament{}, ExampleTemperament(0), settings),
              0.99424042, 5e-9);
  settings.key_offset = -13;
  // C# moved down to C: 0 against 0.
  EXPECT_EQ(TemperamentTuningFactor("036-C#.wav", Temperament{}, ExampleTemperament(0), settings), 1.0);
}

std::string TuningLine(double offset, std::int32_t verbosity, const char* path = "036-C#.wav") {
  Settings settings;
  settings.verbosity = verbosity;
  ::testing::internal::CaptureStdout();
  TemperamentTuningFactor(path, Temperament{}, ExampleTemperament(offset), settings);
  return ::testing::internal::GetCapturedStdout();
}

TEST(TemperamentTuningFactor, PrintsTuningLineAboveVerbosityOne) {
  EXPECT_EQ(TuningLine(0, 1), "");
  EXPECT_EQ(TuningLine(0, 2), "Tuning to Example C# +0\n");
  EXPECT_EQ(TuningLine(-3, 2), "Tuning to Example C#  -3\n");
  EXPECT_EQ(TuningLine(2.9, 3, "Prin8_F#3.wav"), "Tuning to Example F# +2\n");
  EXPECT_EQ(TuningLine(-2.7, 2), "Tuning to Example C#  -2\n");
  EXPECT_EQ(TuningLine(-0.5, 2), "Tuning to Example C#  0\n");
  // Offsets beyond any sense still print without undefined behaviour.
  EXPECT_EQ(TuningLine(1e300, 2), "Tuning to Example C# +2147483647\n");
  EXPECT_EQ(TuningLine(-1e300, 2), "Tuning to Example C#  -2147483648\n");
  EXPECT_EQ(TuningLine(std::numeric_limits<double>::infinity(), 2),
            "Tuning to Example C# +2147483647\n");
}

}  // namespace
}  // namespace zelvanor
