// The shipped list is checked against the definitions the README gives for
// it: each table is rebuilt from its circle of fifths. A typo in a table
// would otherwise silently mistune every organ retuned with it.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "common/ascii.h"
#include "run_program.h"
#include "tuning/note_names.h"
#include "tuning/temperament_list.h"
#include "tuning/temperament_list_file.h"

namespace zelvanor::testing {
namespace {

double Cents(double ratio) { return 1200.0 * std::log2(ratio); }

const double kPureFifth = Cents(3.0 / 2.0);
const double kSyntonicComma = Cents(81.0 / 80.0);
const double kPythagoreanComma = Cents(531441.0 / 524288.0);
const double kSchisma = Cents(32805.0 / 32768.0);

// The circle of fifths from E-flat to G#, as note indices (C = 0).
const std::vector<int> kChain{3, 10, 5, 0, 7, 2, 9, 4, 11, 6, 1, 8};
const std::vector<int> kAllFifths(kChain.begin(), kChain.end() - 1);
constexpr int kC = 0, kD = 2, kE = 4, kF = 5, kFSharp = 6, kG = 7, kA = 9, kB = 11;

// The notes whose fifths are narrowed, by how much; the others are pure.
std::array<double, 12> FromCircleOfFifths(const std::vector<int>& narrowed, double by, int schisma_on = -1) {
  const auto fifth_from = [&](int note) {
    const bool is_narrowed = std::find(narrowed.begin(), narrowed.end(), note) != narrowed.end();
    return kPureFifth - (is_narrowed ? by : 0.0) - (note == schisma_on ? kSchisma : 0.0);
  };
  std::array<double, 12> by_chain{};
  const int c_at = 3;  // C's place in the chain
  for (int i = c_at + 1; i < 12; ++i) by_chain[i] = by_chain[i - 1] + fifth_from(kChain[i - 1]);
  for (int i = c_at - 1; i >= 0; --i) by_chain[i] = by_chain[i + 1] - fifth_from(kChain[i]);
  std::array<double, 12> cents{};
  for (int i = 0; i < 12; ++i) cents[kChain[i]] = by_chain[i] - 1200.0 * std::floor(by_chain[i] / 1200.0);
  // Tuners keep A where it was: the whole table moves to put A at 900 cents.
  const double shift = 900.0 - cents[kA];
  for (double& value : cents) value += shift;
  return cents;
}

TEST(ShippedTemperaments, TablesMatchTheirCircleOfFifthsAndTheListIsClean) {
  const std::map<std::string, std::array<double, 12>> definitions = {
      {"Equal", FromCircleOfFifths(kAllFifths, kPythagoreanComma / 12)},
      {"Pythagorean", FromCircleOfFifths({}, 0)},
      {"Meantone_quarter_comma", FromCircleOfFifths(kAllFifths, kSyntonicComma / 4)},
      {"Meantone_sixth_comma", FromCircleOfFifths(kAllFifths, kSyntonicComma / 6)},
      {"Werckmeister_III", FromCircleOfFifths({kC, kG, kD, kB}, kPythagoreanComma / 4)},
      {"Kirnberger_III", FromCircleOfFifths({kC, kG, kD, kA}, kSyntonicComma / 4, kFSharp)},
      {"Vallotti", FromCircleOfFifths({kF, kC, kG, kD, kA, kE}, kPythagoreanComma / 6)},
      {"Young_II", FromCircleOfFifths({kC, kG, kD, kA, kE, kB}, kPythagoreanComma / 6)},
      {"Kellner", FromCircleOfFifths({kC, kG, kD, kA, kB}, kPythagoreanComma / 5)},
  };
  ScratchDirectory empty;  // the current directory must not offer a list of its own
  const CurrentDirectory here(empty.path());
  const std::string beside = std::string(ZELVANOR_SOURCE_DIR) + "/data/zelvanor";
  std::set<std::string> expected_names;
  for (const auto& [name, expected] : definitions) {
    expected_names.insert(name);
    const Temperament shipped = LoadTemperament(TemperamentSlot::kTarget, name, beside, Settings{.verbosity = 0});
    EXPECT_EQ(shipped.name, name);
    EXPECT_EQ(shipped.cents[kA], 900.0) << name;
    for (int note = 0; note < 12; ++note) {
      // Three decimals, correctly rounded.
      EXPECT_NEAR(shipped.cents[note], expected[note], 0.0005 + 1e-9) << name << " " << kNoteNames[note];
    }
  }

  // Every line fits one 255-byte piece; pages copy descriptions as they stand (so no blank lines, nothing to
  // escape); a request's name ends at "+" or "-".
  TemperamentListText list = OpenTemperamentList(beside);
  std::set<std::string> names;
  for (std::string line = ReadListLine(list); !line.empty(); line = ReadListLine(list)) {
    ASSERT_EQ(line.back(), '\n') << line;
    EXPECT_NE(line, "\n");
    const std::string first = line.substr(0, FirstWordLength(line));
    if (IsSpace(line[0])) {
      EXPECT_EQ(line.find_first_of("<>&"), std::string::npos) << line;
    } else if (line[0] != '[') {
      EXPECT_TRUE(first.find_first_of("+-") == std::string::npos && names.insert(first).second) << line;
    }
  }
  EXPECT_EQ(names, expected_names);
}

}  // namespace
}  // namespace zelvanor::testing
