#include "tuning/temperament_list.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "tuning_test_support.h"

namespace zelvanor {
namespace {

using testing_support::CatchRunEnd;
using testing_support::WriteFile;
using Cents = std::array<double, 12>;

constexpr Cents kEqual{0, 100, 200, 300, 400, 500, 600, 700, 800, 900, 1000, 1100};

class LoadTemperamentTest : public testing_support::InScratchDirectory {
 protected:
  Temperament Load(const std::string& request, TemperamentSlot slot = TemperamentSlot::kTarget) {
    return LoadTemperament(slot, request, no_list_executable_, quiet_);
  }
  std::string Report(TemperamentSlot slot, const std::string& request, const Settings& settings) {
    ::testing::internal::CaptureStdout();
    LoadTemperament(slot, request, no_list_executable_, settings);
    return ::testing::internal::GetCapturedStdout();
  }
  Settings quiet_ = [] {
    Settings settings;
    settings.verbosity = 0;
    return settings;
  }();
};

constexpr char kExampleList[] =
    "[Temperaments]\n"
    "Example 0 90 196 294 392 498 588 698 792 894 996 1090\n"
    "\tA temperament for the tests.\n"
    "Temp 5\n";

TEST_F(LoadTemperamentTest, ReadsNameNumbersAndCentsSuffix) {
  WriteFile("ZELVANOR.INI", kExampleList);
  const Temperament plain = Load("Example");
  EXPECT_EQ(plain.name, "Example");
  EXPECT_EQ(plain.cents, (Cents{0, 90, 196, 294, 392, 498, 588, 698, 792, 894, 996, 1090}));
  EXPECT_EQ(plain.offset, 0.0);

  EXPECT_EQ(Load("Example+2.5").offset, 2.5);
  EXPECT_EQ(Load("Example-3").offset, -3.0);
  for (const char* unshifted : {"Example+x", "Example+", "Example+.5"}) {
    const Temperament temperament = Load(unshifted);
    EXPECT_EQ(temperament.name, "Example") << unshifted;
    EXPECT_EQ(temperament.offset, 0.0) << unshifted;
  }
  // A request cannot name "Temp-2": it asks for Temp, 2 cents down.
  const Temperament temp = Load("Temp-2");
  EXPECT_EQ(temp.name, "Temp");
  EXPECT_EQ(temp.offset, -2.0);
  EXPECT_EQ(temp.cents[0], 5.0);
}

TEST_F(LoadTemperamentTest, ComparesNamesInFullLengthAndCase) {
  WriteFile("ZELVANOR.INI",
            "example 1\n"
            "Example2 2\n"
            "Exampl 3\n"
            "Example 4\n"
            "Example 5\n");
  // The first line of that exact name wins.
  EXPECT_EQ(Load("Example").cents[0], 4.0);
  EXPECT_EQ(Load("example").cents[0], 1.0);
  for (const char* unknown : {"EXAMPLE", "Examples", "", "+5", "-3"}) {
    const auto end = CatchRunEnd([&] { Load(unknown); });
    EXPECT_EQ(end.exit_code, 99) << unknown;
    EXPECT_EQ(end.message, std::string("Can't find temperament ") + unknown + " in my list\n");
  }
}

TEST_F(LoadTemperamentTest, FewerNumbersKeepEqualTemperedValues) {
  WriteFile("ZELVANOR.INI",
            "OnlyName\n"
            "Three 1 2 3\n"
            "Thirteen 0 1 2 3 4 5 6 7 8 9 10 11 12 and text\n");
  EXPECT_EQ(Load("OnlyName").cents, kEqual);
  EXPECT_EQ(Load("Three").cents, (Cents{1, 2, 3, 300, 400, 500, 600, 700, 800, 900, 1000, 1100}));
  EXPECT_EQ(Load("Thirteen").cents, (Cents{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
}

TEST_F(LoadTemperamentTest, ScansNumbersTheListWay) {
  WriteFile("ZELVANOR.INI",
            "Signs -3.5 92.18 +5 .5 x7y 1e2 -0 1.2.3 4-5\n"
            "Exponent 1e2\n");
  // +5 and .5 read as 5; an exponent's digits are read again as the next
  // number; a run of digits, "-" and "." is passed over as one.
  EXPECT_EQ(Load("Signs").cents, (Cents{-3.5, 92.18, 5, 5, 7, 100, 2, -0.0, 1.2, 4, 1000, 1100}));
  EXPECT_EQ(Load("Exponent").cents,
            (Cents{100, 2, 200, 300, 400, 500, 600, 700, 800, 900, 1000, 1100}));
}

TEST_F(LoadTemperamentTest, NeverTakesHeadingsBlankOrIndentedLines) {
  WriteFile("ZELVANOR.INI",
            "[Example 1]\n"
            "\n"
            " Example 2\n"
            "\tExample 3\n"
            "\r\n"
            "Example 4\n"
            "\tdescription\n"
            "\n"
            "[Example 5]\n");
  EXPECT_EQ(Load("Example").cents[0], 4.0);
  EXPECT_EQ(CatchRunEnd([&] { Load("[Example"); }).exit_code, 99);
}

TEST_F(LoadTemperamentTest, ReadsCrLfListLikeLfList) {
  const std::string lf = "[Head]\nFirst 1 2\n\tdescribed\nSecond 3.5 -4\n";
  std::string crlf;
  for (const char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  WriteFile("ZELVANOR.INI", lf);
  const Temperament from_lf = Load("Second");
  WriteFile("ZELVANOR.INI", crlf);
  const Temperament from_crlf = Load("Second");
  EXPECT_EQ(from_crlf.name, from_lf.name);
  EXPECT_EQ(from_crlf.cents, from_lf.cents);
  EXPECT_EQ(from_crlf.cents[1], -4.0);
}

TEST_F(LoadTemperamentTest, ReadsLongLinesIn255BytePieces) {
  // The numbers after byte 255 belong to the next piece, which is a line of
  // its own: the temperament keeps equal-tempered values there.
  std::string line = "Long 1 2 3";
  line += std::string(255 - line.size() - 2, ' ') + "44 5 6\n";
  WriteFile("ZELVANOR.INI", line + "After 7\n");
  EXPECT_EQ(Load("Long").cents, (Cents{1, 2, 3, 44, 400, 500, 600, 700, 800, 900, 1000, 1100}));
  EXPECT_EQ(Load("After").cents[0], 7.0);
}

TEST_F(LoadTemperamentTest, KeepsFirst64CharactersOfName) {
  const std::string name(64, 'N');
  // The rest of a longer first word is searched for numbers like the line.
  WriteFile("ZELVANOR.INI", name + "5x 10\n");
  const Temperament temperament = Load(name);
  EXPECT_EQ(temperament.name, name);
  EXPECT_EQ(temperament.cents[0], 5.0);
  EXPECT_EQ(temperament.cents[1], 10.0);
}

TEST_F(LoadTemperamentTest, ReportsWhatWasLoaded) {
  WriteFile("ZELVANOR.INI", kExampleList);
  Settings settings;
  EXPECT_EQ(Report(TemperamentSlot::kTarget, "Example", settings), "Using temperament Example\n");
  settings.key_offset = 1;
  EXPECT_EQ(Report(TemperamentSlot::kTarget, "Example+2.5", settings),
            "Using temperament Example+2.500000 cent key_offset=1\n");
  EXPECT_EQ(Report(TemperamentSlot::kOriginal, "Example-3", settings),
            "Temperament of original samples Example-3.000000 cent\n");
  EXPECT_EQ(Report(TemperamentSlot::kOriginal, "Example+0", settings),
            "Temperament of original samples Example\n");
  settings.verbosity = -1;
  EXPECT_EQ(Report(TemperamentSlot::kTarget, "Example-0.25", settings),
            "Using temperament Example-0.250000 cent key_offset=1\n");
  settings.verbosity = 0;
  EXPECT_EQ(Report(TemperamentSlot::kTarget, "Example+2.5", settings), "");
}

TEST_F(LoadTemperamentTest, UsesListBesideExecutableWhenCurrentDirectoryHasNone) {
  std::filesystem::create_directories(scratch_.path() / "bin");
  WriteFile(scratch_.path() / "bin" / "ZELVANOR.INI", kExampleList);
  EXPECT_EQ(Load("Temp").cents[0], 5.0);
  std::filesystem::remove(scratch_.path() / "bin" / "ZELVANOR.INI");
  const auto end = CatchRunEnd([&] { Load("Temp"); });
  EXPECT_EQ(end.exit_code, 1);
  EXPECT_EQ(end.message, "can't find/open " + no_list_executable_.substr(0, no_list_executable_.size() - 8) +
                             "ZELVANOR.INI\n");
}

}  // namespace
}  // namespace zelvanor
