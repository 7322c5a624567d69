// The shipped list is checked against the definitions the README gives for
// it: each table is rebuilt from its circle of fifths. A typo in a table
// would otherwise silently mistune every organ retuned with it.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/ascii.h"
#include "tuning/temperament_list.h"
#include "tuning/temperament_list_file.h"
#include "tuning_test_support.h"

namespace zelvanor {
namespace {

double Cents(double ratio) { return 1200.0 * std::log2(ratio); }

const double kPureFifth = Cents(3.0 / 2.0);                         // 701.955
const double kSyntonicComma = Cents(81.0 / 80.0);                   // 21.506
const double kPythagoreanComma = Cents(531441.0 / 524288.0);        // 23.460, 3^12 / 2^19
const double kSchisma = Cents(32805.0 / 32768.0);                   // 1.954

// The circle of fifths from E-flat to G#, as note indices (C = 0).
constexpr std::array<int, 12> kChain{3, 10, 5, 0, 7, 2, 9, 4, 11, 6, 1, 8};
constexpr int kC = 0, kCSharp = 1, kD = 2, kE = 4, kF = 5, kFSharp = 6, kG = 7, kA = 9, kB = 11;

// Narrowing in cents of the fifth that starts on each note; fifths not
// named are pure.
using Narrowing = std::map<int, double>;

std::array<double, 12> FromCircleOfFifths(const Narrowing& narrowing) {
  const auto fifth_from = [&](int note) {
    const auto found = narrowing.find(note);
    return kPureFifth - (found == narrowing.end() ? 0.0 : found->second);
  };
  std::array<double, 12> by_chain{};
  const int c_at = 3;  // C's place in the chain
  for (int i = c_at + 1; i < 12; ++i) by_chain[i] = by_chain[i - 1] + fifth_from(kChain[i - 1]);
  for (int i = c_at - 1; i >= 0; --i) by_chain[i] = by_chain[i + 1] - fifth_from(kChain[i]);
  std::array<double, 12> cents{};
  for (int i = 0; i < 12; ++i) {
    cents[kChain[i]] = by_chain[i] - 1200.0 * std::floor(by_chain[i] / 1200.0);
  }
  // Tuners keep A where it was: the whole table moves to put A at 900 cents.
  const double shift = 900.0 - cents[kA];
  for (double& value : cents) value += shift;
  return cents;
}

Narrowing Fifths(std::initializer_list<int> starts, double by) {
  Narrowing narrowing;
  for (const int start : starts) narrowing[start] = by;
  return narrowing;
}

Narrowing WholeChain(double by) {
  Narrowing narrowing;
  for (int i = 0; i < 11; ++i) narrowing[kChain[i]] = by;
  return narrowing;
}

std::map<std::string, std::array<double, 12>> Definitions() {
  Narrowing kirnberger = Fifths({kC, kG, kD, kA}, kSyntonicComma / 4);
  kirnberger[kFSharp] = kSchisma;
  return {
      {"Equal", FromCircleOfFifths(WholeChain(kPythagoreanComma / 12))},
      {"Pythagorean", FromCircleOfFifths({})},
      {"Meantone_quarter_comma", FromCircleOfFifths(WholeChain(kSyntonicComma / 4))},
      {"Meantone_sixth_comma", FromCircleOfFifths(WholeChain(kSyntonicComma / 6))},
      {"Werckmeister_III", FromCircleOfFifths(Fifths({kC, kG, kD, kB}, kPythagoreanComma / 4))},
      {"Kirnberger_III", FromCircleOfFifths(kirnberger)},
      {"Vallotti", FromCircleOfFifths(Fifths({kF, kC, kG, kD, kA, kE}, kPythagoreanComma / 6))},
      {"Young_II", FromCircleOfFifths(Fifths({kC, kG, kD, kA, kE, kB}, kPythagoreanComma / 6))},
      {"Kellner", FromCircleOfFifths(Fifths({kC, kG, kD, kA, kB}, kPythagoreanComma / 5))},
  };
}

const std::string kSourceDirectory = ZELVANOR_SOURCE_DIR;
const std::string kShippedBeside = kSourceDirectory + "/data/zelvanor";

class ShippedTemperaments : public testing_support::InScratchDirectory {};

TEST_F(ShippedTemperaments, DefinitionsGiveTheKnownIntervals) {
  EXPECT_NEAR(kSyntonicComma, 21.506, 0.0005);
  EXPECT_NEAR(kPythagoreanComma, 23.460, 0.0005);
  EXPECT_NEAR(kSchisma, 1.954, 0.0005);
  EXPECT_NEAR(kSchisma, kPythagoreanComma - kSyntonicComma, 1e-9);
  const auto tables = Definitions();
  // Equal temperament comes out exact; quarter-comma meantone has a pure C-E.
  for (int note = 0; note < 12; ++note) EXPECT_NEAR(tables.at("Equal")[note], 100.0 * note, 1e-9);
  const auto& meantone = tables.at("Meantone_quarter_comma");
  EXPECT_NEAR(meantone[kE] - meantone[kC], Cents(5.0 / 4.0), 1e-9);
  const auto& kirnberger = tables.at("Kirnberger_III");
  EXPECT_NEAR(kirnberger[kE] - kirnberger[kC], Cents(5.0 / 4.0), 1e-9);
  EXPECT_NEAR(kirnberger[kCSharp] + 1200 - kirnberger[kFSharp], kPureFifth - kSchisma, 1e-9);
}

TEST_F(ShippedTemperaments, TablesMatchTheirCircleOfFifths) {
  Settings quiet;
  quiet.verbosity = 0;
  for (const auto& [name, expected] : Definitions()) {
    const Temperament shipped =
        LoadTemperament(TemperamentSlot::kTarget, name, kShippedBeside, quiet);
    EXPECT_EQ(shipped.name, name);
    for (int note = 0; note < 12; ++note) {
      // Three decimals, correctly rounded.
      EXPECT_NEAR(shipped.cents[note], expected[note], 0.0005 + 1e-9)
          << name << " note " << kNoteNames[note];
    }
    EXPECT_EQ(shipped.cents[kA], 900.0) << name;
  }
}

TEST_F(ShippedTemperaments, ListHoldsOnlyDescribedRequestableTemperaments) {
  std::set<std::string> expected_names;
  for (const auto& entry : Definitions()) expected_names.insert(entry.first);

  TemperamentListText list = OpenTemperamentList(kShippedBeside);
  std::set<std::string> names;
  std::map<std::string, int> description_lines;
  std::string current;
  int headings = 0;
  for (std::string line = ReadListLine(list); !line.empty(); line = ReadListLine(list)) {
    ASSERT_EQ(line.back(), '\n') << "every line ends and fits one 255-byte piece: " << line;
    ASSERT_EQ(line.find('\r'), std::string::npos);
    if (line.front() == '[') {
      ++headings;
    } else if (IsSpace(line.front())) {
      ASSERT_FALSE(current.empty()) << "description before any temperament";
      ASSERT_NE(line, "\n") << "no blank lines: they would be copied into the pages";
      // The page copies descriptions unescaped.
      EXPECT_EQ(line.find_first_of("<>&"), std::string::npos) << line;
      ++description_lines[current];
    } else {
      current = line.substr(0, FirstWordLength(line));
      EXPECT_EQ(current.find_first_of("+-"), std::string::npos) << current;
      EXPECT_TRUE(names.insert(current).second) << "duplicate " << current;
    }
  }
  EXPECT_GE(headings, 1);
  EXPECT_EQ(names, expected_names);
  for (const std::string& name : names) EXPECT_GE(description_lines[name], 3) << name;
}

TEST(ShippedTemperamentList, TravelsWithTheBuiltExecutable) {
  const std::filesystem::path beside =
      std::filesystem::path(ZELVANOR_EXECUTABLE).parent_path() / "ZELVANOR.INI";
  ASSERT_TRUE(std::filesystem::exists(beside));
  EXPECT_EQ(testing_support::ReadText(beside),
            testing_support::ReadText(kSourceDirectory + "/data/ZELVANOR.INI"));
}

}  // namespace
}  // namespace zelvanor
