#include "driver/command_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "driver/run_config.h"
#include "common/run_error.h"

namespace zelvanor {
namespace {

using Words = std::vector<std::string>;

// Stands in for the list file: records the lookups with the verbosity in
// force at the time and answers with a temperament of that name.
struct FakeTemperaments {
  struct Lookup {
    TemperamentSlot slot;
    std::string request;
    std::int32_t verbosity;
  };
  std::vector<Lookup> lookups;

  TemperamentLoader Get() {
    return [this](TemperamentSlot slot, const std::string& request, const Settings& settings) {
      lookups.push_back({slot, request, settings.verbosity});
      Temperament temperament;
      temperament.name = request;
      return temperament;
    };
  }
};

struct Parsed {
  OptionOutcome outcome;
  std::string output;
};

Parsed Parse(const Words& words, FakeTemperaments& temperaments) {
  ::testing::internal::CaptureStdout();
  Parsed parsed{ParseOptions(words, temperaments.Get()), ""};
  parsed.output = ::testing::internal::GetCapturedStdout();
  return parsed;
}

Parsed Parse(const Words& words) {
  FakeTemperaments temperaments;
  return Parse(words, temperaments);
}

std::string HelpOutput() {
  FakeTemperaments temperaments;
  return Parse({"?"}, temperaments).output;
}

TEST(SplitArguments, NeedsThreePositionalArguments) {
  for (const Words& words : {Words{}, Words{"a"}, Words{"a", "b"}}) {
    try {
      SplitArguments(words);
      FAIL() << "no usage exit for " << words.size() << " arguments";
    } catch (const RunError& error) {
      EXPECT_EQ(error.exit_code(), 1);
      EXPECT_EQ(error.message(),
                "usage: Zelvanor Name_of_source_WAV_File Path_to_Destination detune-factor "
                "optional_parameters\n");
    }
  }
  const Arguments arguments = SplitArguments(Words{"in/*.wav", "out", "+5", "V=2", "X"});
  EXPECT_EQ(arguments.source_pattern, "in/*.wav");
  EXPECT_EQ(arguments.destination, "out");
  EXPECT_EQ(arguments.detune, "+5");
  EXPECT_EQ(arguments.options, (Words{"V=2", "X"}));
}

TEST(ParseOptions, DefaultsWithoutOptions) {
  const Settings settings = Parse({}).outcome.settings;
  EXPECT_EQ(settings.verbosity, 1);
  EXPECT_EQ(settings.quality, 2);
  EXPECT_TRUE(settings.copy_unknown_chunks);
  EXPECT_FALSE(settings.keep_unused_part);
  EXPECT_FALSE(settings.write_tuning_page);
  EXPECT_EQ(settings.dummy_loop_length, 0);
  EXPECT_EQ(settings.key_offset, 0);
  EXPECT_EQ(settings.reverb_cut, -1.0);
}

TEST(ParseOptions, LettersAndValuesInEitherCase) {
  for (const Words& words : {Words{"H", "U", "X", "V=0", "Q=1", "L=500", "O=-2", "R=0.75"},
                             Words{"h", "u", "x", "v=0", "q=1", "l=500", "o=-2", "r=0.75"}}) {
    const Parsed parsed = Parse(words);
    const Settings& settings = parsed.outcome.settings;
    EXPECT_TRUE(settings.write_tuning_page);
    EXPECT_TRUE(settings.keep_unused_part);
    EXPECT_FALSE(settings.copy_unknown_chunks);
    EXPECT_EQ(settings.verbosity, 0);
    EXPECT_EQ(settings.quality, 1);
    EXPECT_EQ(settings.dummy_loop_length, 500);
    EXPECT_EQ(settings.key_offset, -2);
    EXPECT_EQ(settings.reverb_cut, 0.75);
    EXPECT_EQ(parsed.output, "");
  }
}

TEST(ParseOptions, LaterWordWins) {
  const Settings settings = Parse({"Q=0", "V=4", "Q=1", "V=0"}).outcome.settings;
  EXPECT_EQ(settings.quality, 1);
  EXPECT_EQ(settings.verbosity, 0);
}

TEST(ParseOptions, MessagesDependOnTheVerbosityAtThatWord) {
  EXPECT_EQ(Parse({"V=2", "O=3"}).output, "Pipe_offset set to 3\n");
  EXPECT_EQ(Parse({"O=3", "V=2"}).output, "");
  EXPECT_EQ(Parse({"v=0", "O=3"}).output, "");
  EXPECT_EQ(Parse({"R=1.5"}).output, "");
  EXPECT_EQ(Parse({"V=3", "R=1.5", "V=1", "R=2"}).output, "Cutting reverb to 1.500000 seconds\n");
  EXPECT_EQ(Parse({"V=2", "O=3"}).outcome.settings.key_offset, 3);
  EXPECT_EQ(Parse({"O=3", "V=2"}).outcome.settings.key_offset, 3);
}

TEST(ParseOptions, UnrecognisedWordsPrintHelpAndChangeNothing) {
  // The help text itself is compared byte for byte by the end-to-end tests.
  const std::string help = HelpOutput();
  EXPECT_EQ(std::count(help.begin(), help.end(), '\n'), 12);
  for (const std::string word : {"HX", "hx", "", "=", "V", "Verbose=2", "HU"}) {
    const Parsed parsed = Parse({word});
    EXPECT_EQ(parsed.output, help) << "word \"" << word << "\"";
    const Settings& settings = parsed.outcome.settings;
    EXPECT_FALSE(settings.write_tuning_page);
    EXPECT_FALSE(settings.keep_unused_part);
    EXPECT_TRUE(settings.copy_unknown_chunks);
    EXPECT_EQ(settings.verbosity, 1);
  }
  EXPECT_EQ(Parse({"Z=3", "1=1"}).output,
            "Unknown special option Z=3\nUnknown special option 1=1\n");
}

TEST(ParseOptions, OriginalTemperamentLoadsAtItsWord) {
  FakeTemperaments temperaments;
  const Parsed parsed = Parse({"V=3", "t=Werckmeister+2", "V=0"}, temperaments);
  ASSERT_EQ(temperaments.lookups.size(), 1u);
  EXPECT_EQ(temperaments.lookups[0].slot, TemperamentSlot::kOriginal);
  EXPECT_EQ(temperaments.lookups[0].request, "Werckmeister+2");
  EXPECT_EQ(temperaments.lookups[0].verbosity, 3);
  EXPECT_EQ(parsed.outcome.original.name, "Werckmeister+2");
}

TEST(ParseOptions, NegativeDummyLoopLengthBecomesZeroWithANotice) {
  const Parsed parsed = Parse({"V=0", "L=-20"});
  EXPECT_EQ(parsed.outcome.settings.dummy_loop_length, 0);
  EXPECT_EQ(parsed.output, "Dummy loop length -20 is negative, no dummy loop is added\n");
  EXPECT_EQ(Parse({"L=-0"}).output, "");
}

TEST(BuildRunConfig, DetuneFormDecidesFactorOrTemperament) {
  FakeTemperaments temperaments;
  ::testing::internal::CaptureStdout();
  const RunConfig by_cents =
      BuildRunConfig(Words{"*.wav", "out", "+100", "V=2"}, "/bin/zelvanor", temperaments.Get());
  const RunConfig by_factor = BuildRunConfig(Words{"*.wav", "out", "1.5"}, "", temperaments.Get());
  const RunConfig by_name =
      BuildRunConfig(Words{"*.wav", "out", "Kirnberger-3", "T=Equal", "V=4"}, "",
                     temperaments.Get());
  ::testing::internal::GetCapturedStdout();

  EXPECT_EQ(by_cents.mode, TuningMode::kFixedFactor);
  EXPECT_NEAR(by_cents.base_factor, 1.0594631, 1e-7);
  EXPECT_EQ(by_cents.settings.verbosity, 2);
  EXPECT_EQ(by_cents.executable_path, "/bin/zelvanor");
  EXPECT_EQ(by_factor.base_factor, 1.5);
  EXPECT_EQ(by_name.mode, TuningMode::kTemperament);
  EXPECT_EQ(by_name.target.name, "Kirnberger-3");
  EXPECT_EQ(by_name.original.name, "Equal");

  // Options first, left to right, then the detune argument with the final settings.
  ASSERT_EQ(temperaments.lookups.size(), 2u);
  EXPECT_EQ(temperaments.lookups[0].slot, TemperamentSlot::kOriginal);
  EXPECT_EQ(temperaments.lookups[0].verbosity, 1);
  EXPECT_EQ(temperaments.lookups[1].slot, TemperamentSlot::kTarget);
  EXPECT_EQ(temperaments.lookups[1].verbosity, 4);
}

}  // namespace
}  // namespace zelvanor
