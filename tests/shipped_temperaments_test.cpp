// The shipped list is checked against the definitions its descriptions give:
// each table is rebuilt here from its circle of fifths or its ratios, and a
// Scala file written from the same definition must give the same notes. A
// typo in a table would otherwise silently mistune every organ retuned with it.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <sstream>

#include "common/ascii.h"
#include "run_program.h"
#include "tuning/note_names.h"
#include "tuning/temperament_list.h"
#include "tuning/temperament_list_file.h"

namespace zelvanor::testing {
namespace {

double Cents(double ratio) { return 1200.0 * std::log2(ratio); }

// The fifths C-G, G-D, ... F-C: a digit n narrows one by n parts of the comma, "a" widens it by a part, "k" by
// a schisma; the fifths marked "w" share alike what closes the circle. Or the ratios of C# to B to C.
struct Definition {
  const char* name;
  char comma;  // 'p' Pythagorean, 's' syntonic
  int parts;
  const char* fifths_or_ratios;
};
const Definition kDefinitions[] = {
    {"Equal", 'p', 12, "111111111111"}, {"Pythagorean", 'p', 1, "00000000w000"},
    {"Meantone_quarter_comma", 's', 4, "11111111w111"}, {"Meantone_sixth_comma", 's', 6, "11111111w111"},
    {"Werckmeister_III", 'p', 4, "111001000000"}, {"Kirnberger_III", 's', 4, "111100k00000"},
    {"Vallotti", 'p', 6, "111110000001"}, {"Young_II", 'p', 6, "111111000000"}, {"Kellner", 'p', 5, "111101000000"},
    {"Meantone_third_comma", 's', 3, "11111111w111"}, {"Meantone_two_sevenths_comma", 's', 7, "22222222w222"},
    {"Meantone_two_ninths_comma", 's', 9, "22222222w222"}, {"Werckmeister_IV", 'p', 3, "10101010aa10"},
    {"Werckmeister_V", 'p', 4, "00110011a001"},
    {"Werckmeister_VI", 0, 0,
     "196/186 196/175 196/165 196/156 196/147 196/139 196/131 196/124 196/117 196/110 196/104"},
    {"Kirnberger_I", 's', 1, "001000k00000"}, {"Kirnberger_II", 's', 2, "001100k00000"},
    {"Neidhardt_Dorf_1732", 'p', 12, "123301010010"}, {"Neidhardt_Kleine_Stadt_1732", 'p', 12, "222211001100"},
    {"Neidhardt_Grosse_Stadt_1724", 'p', 12, "222101110110"}, {"Neidhardt_Grosse_Stadt_1732", 'p', 12, "222101110011"},
    {"Sorge_1758", 'p', 12, "222101101110"}, {"Young_I", 's', 16, "3333ww0000ww"},
    {"Lehman_Bach", 'p', 12, "2222000111a2"}, {"Barnes", 'p', 6, "111101000001"}, {"Lambert", 'p', 7, "111111000001"},
    {"Stanhope", 'p', 3, "011100000000"}, {"Grammateus", 'p', 2, "000001000010"},
    {"Just_C", 0, 0, "16/15 9/8 6/5 5/4 4/3 45/32 3/2 8/5 5/3 9/5 15/8"},
    {"Euler_1739", 0, 0, "135/128 9/8 75/64 5/4 675/512 45/32 3/2 25/16 27/16 225/128 15/8"},
};

// C to B in cents above C, within the octave.
std::array<double, 12> Notes(const Definition& d, std::vector<std::string>& ratios) {
  std::array<double, 12> cents{};
  std::istringstream words(d.fifths_or_ratios);
  if (d.parts == 0) {
    for (std::string ratio; words >> ratio;) {
      ratios.push_back(ratio);
      cents[ratios.size()] = Cents(std::stod(ratio) / std::stod(ratio.substr(ratio.find('/') + 1)));
    }
    return cents;
  }
  const std::string code = d.fifths_or_ratios;
  const double pure = Cents(1.5), part = Cents(d.comma == 'p' ? 531441.0 / 524288 : 81.0 / 80) / d.parts;
  const auto fifth = [&](char c) {
    return c == 'a' ? pure + part : c == 'k' ? pure - Cents(32805.0 / 32768) : pure - (c - '0') * part;
  };
  double known = 0.0;
  for (const char c : code) known += c == 'w' ? 0.0 : fifth(c);
  const std::ptrdiff_t sharing = std::max<std::ptrdiff_t>(1, std::count(code.begin(), code.end(), 'w'));
  const double shared = (8400.0 - known) / static_cast<double>(sharing);
  double at = 0.0;
  for (std::size_t i = 0; i < 12; at += code[i] == 'w' ? shared : fifth(code[i]), ++i) {
    cents[7 * i % 12] = std::fmod(at, 1200.0);
  }
  return cents;
}

TEST(ShippedTemperaments, EachTableIsItsDefinitionAndAScalaFileOfItGivesTheSameNotes) {
  ScratchDirectory dir;  // the current directory: no list of its own, the scale files
  const CurrentDirectory here(dir.path());
  const std::string beside = std::string(ZELVANOR_SOURCE_DIR) + "/data/zelvanor";
  const auto load = [&](const std::string& request) {
    return LoadTemperament(TemperamentSlot::kTarget, request, beside, Settings{.verbosity = 0});
  };
  std::set<std::string> expected_names;
  for (const Definition& d : kDefinitions) {
    expected_names.insert(d.name);
    std::vector<std::string> ratios;
    const std::array<double, 12> notes = Notes(d, ratios);
    // As the field writes scales: comments, CR LF, blanks before a value, remarks behind it; ratios where defined so.
    std::string scale = std::string("! ") + d.name + ".scl\r\n!\r\n" + d.name + "\r\n 12\r\n";
    for (std::size_t n = 1; n < 12; ++n) {
      scale += (ratios.empty() ? zelvanor::Format(" %.6f", notes[n]) : " " + ratios[n - 1]) + " r\r\n";
    }
    WriteFile(dir.path() / "s.scl", scale + "2/1\r\n");
    const Temperament shipped = load(d.name), scaled = load("s.scl");
    EXPECT_EQ(shipped.name, d.name);
    for (std::size_t n = 0; n < 12; ++n) {
      // Three decimals, correctly rounded; A kept at 900 cents.
      EXPECT_NEAR(shipped.cents[n], notes[n] - notes[9] + 900.0, 0.0005 + 1e-9) << d.name << " " << kNoteNames[n];
      EXPECT_NEAR(scaled.cents[n], shipped.cents[n], 0.001) << d.name << " " << kNoteNames[n];
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
