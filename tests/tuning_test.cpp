// Temperaments: the list read as Windows text-mode files are, a request
// found by its whole name, each note guessed from a file name, the factor
// between two temperaments, and the tuning page byte for byte.
#include <gtest/gtest.h>

#include <limits>

#include "common/console.h"
#include "reliability_support.h"
#include "tuning/note_name_guess.h"
#include "tuning/temperament_list.h"
#include "tuning/temperament_list_file.h"
#include "tuning/tuning_factor.h"
#include "tuning/tuning_page.h"

namespace zelvanor::testing {
namespace {

// "" when `action` returns, else "CODE: MESSAGE" of the RunError that ends the run.
template <typename Action>
std::string Ending(Action&& action) {
  try {
    action();
  } catch (const RunError& error) {
    return zelvanor::Format("%d: %s", error.exit_code(), error.message().c_str());
  }
  return "";
}

std::string Page(const std::string& request, const std::string& description) {
  return "<HTML><HEAD><TITLE>Current tuning of the organ: " + request + "</TITLE></HEAD>\r\r\n<BODY>\r\r\n" +
         "<H1>Current tuning of the organ: " + request + "</H1>\r\r\n" + description + "\r\r\n</BODY></HTML>\r\r\n";
}

// What `request` gets from `list`, or how the run ended: without a
// destination the temperament loaded ("NAME|CENTS|OFFSET"), else the page
// written there. The folder holds "pages/" and an older, longer "page.htm".
std::string Outcome(const std::string& list, const std::string& request, const std::string& destination) {
  ScratchDirectory dir;
  const CurrentDirectory here(dir.path());
  WriteFile("ZELVANOR.INI", list);
  WriteFile("page.htm", "an older page, longer than any of the new ones will be ..............................");
  fs::create_directory("pages");
  std::string found;
  const std::string ended = Ending([&] {
    if (!destination.empty()) return WriteTuningPage(request, destination, "bin/zelvanor");
    const Settings quiet{.verbosity = 0};
    const Temperament loaded = LoadTemperament(TemperamentSlot::kTarget, request, "bin/zelvanor", quiet);
    found = loaded.name + "|";
    for (const double cents : loaded.cents) found += zelvanor::Format("%g ", cents);
    found.back() = '|';
    found += zelvanor::Format("%g", loaded.offset);
  });
  EXPECT_EQ(TemporariesIn(".").size() + TemporariesIn("pages").size(), 0u);
  return ended + (ended.empty() && !destination.empty() ? ReadText(TuningPagePath(destination)) : found);
}

TEST(Tuning, ListRequestsAndPages) {
  const std::string list =
      "[Temperaments]\nDescribed 0 90 196\n\tFirst line of its description.\n  Second line, <b>as it stands</b>.\n"
      "Bare 1 2 3\nSpaced 4\n\tAfter it come blank lines.\n\n\n[Next section]\nLast 5\n";
  std::string crlf;
  for (const char c : list) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  const std::string described = "\tFirst line of its description.\r\n  Second line, <b>as it stands</b>.\r\n";
  const std::string long_request = "Bare+" + std::string(300, '1');
  const std::string d243(243, 'd');
  const std::string example =
      "[Temperaments]\nExample 0 90 196 294 392 498 588 698 792 894 996 1090\n\tFor the tests.\nTemp 5\n";
  const std::string lookalikes = "example 1\nExample2 2\nExampl 3\nExample 4\nExample 5\n";
  const std::string headings = "[Example 1]\n\n Example 2\n\tExample 3\n\r\nExample 4\n\tdescribed\n\n[Example 5]\n";
  const std::string numbers = "Signs -3.5 92.18 +5 .5 x7y 1e+2 -0 1.2.3 4-5\nExponent 1E2\nThree 1 2 3\n";
  const std::string pieces = "Long 1 2 3" + std::string(243, ' ') + "44 5 6\n";
  // What the Example line and an equal-tempered rest of the octave load.
  const std::string loaded = "Example|0 90 196 294 392 498 588 698 792 894 996 1090|", n64(64, 'N');
  const std::string up = " 100 200 300 400 500 600 700 800 900 1000 1100|";
  const struct { std::string list, request, expected, destination = ""; } cases[] = {
      {example, "Example", loaded + "0"},
      {example, "Example+2.5", loaded + "2.5"},
      {example, "Example+.5", loaded + "0"},
      {example, "Temp-2", "Temp|5" + up + "-2"},
      {example, "Temp+1e-1x", "Temp|5" + up + "0.1"},
      // A name is compared in full length and case; the first line of that name wins.
      {lookalikes, "Example", "Example|4" + up + "0"},
      {lookalikes, "example", "example|1" + up + "0"},
      {lookalikes, "Examples", "99: Can't find temperament Examples in my list\n"},
      // Headings, blank and indented lines (a tab as a blank) name nothing; a name ends at a tab, not at
      // other control bytes or bytes from 128.
      {headings, "+5", "99: Can't find temperament +5 in my list\n"},
      {"T\x01 1\nT\xA0 2\nT\t7\n", "T", "T|7" + up + "0"},
      {headings, "Example", "Example|4" + up + "0"},
      {headings, "[Example", "99: Can't find temperament [Example in my list\n"},
      // Numbers: "+" and "." separate, an exponent's digits are read again,
      // a run of digits, "-" and "." is passed over as one; missing ones stay equal.
      {numbers, "Signs", "Signs|-3.5 92.18 5 5 7 100 2 -0 1.2 4 1000 1100|0"},
      {numbers, "Exponent", "Exponent|100 2 200 300 400 500 600 700 800 900 1000 1100|0"},
      {numbers, "Three", "Three|1 2 3 300 400 500 600 700 800 900 1000 1100|0"},
      {"[Head]\r\nFirst 1 2\r\n\tdescribed\r\nSecond 3.5 -4\r\n", "Second",
       "Second|3.5 -4 200 300 400 500 600 700 800 900 1000 1100|0"},
      // Lines are read in 255-byte pieces; a name keeps 64 characters, the
      // rest of its word is scanned for numbers.
      {pieces, "Long", "Long|1 2 3 44 400 500 600 700 800 900 1000 1100|0"},
      {n64 + "5x 10\n", n64, n64 + "|5 10 200 300 400 500 600 700 800 900 1000 1100|0"},
      // Pages: the description as it stands, every line end written in text mode (CR CR LF for the page's own).
      {list, "Described+2.5", Page("Described+2.5", described), "pages/"},
      {crlf + "\x1A" + "Garbage after the end\r\n", "Described", Page("Described", described), "pages/"},
      {list, "Bare", Page("Bare", ""), "page.htm"},
      {list, "Last", Page("Last", ""), "page.htm"},
      {list, "Spaced", Page("Spaced", "\tAfter it come blank lines.\r\n\r\n\r\n"), "page.htm"},
      {list, long_request, Page(long_request, ""), "page.htm"},
      // Descriptions go on over control bytes and bytes from 128; a 255-byte piece starting with a letter ends them.
      {std::string("Long 1\n\t").append(254, 'a') + "bcd\n\t\xC3\xA9t\n", "Long",
       Page("Long", std::string("\t").append(254, 'a')), "p.htm"},
      {"Long 1\n\x01one\n\x80t\xC3\xA9\nNext\n", "Long", Page("Long", "\x01one\r\n\x80t\xC3\xA9\r\n"), "p.htm"},
      {list, "First", "99: Can't find temperament First in my list\n", "page.htm"},
      {list, "Bare", "1: can't create file missing/tuning.html\n", "missing/"},
      {list, "Bare", "1: can't create file pages\n", "pages"},
      {list, "Bare", "1: Path longer than 255 characters: " + d243 + "d/tuning.html\n", d243 + "d/"},
  };
  for (const auto& c : cases) EXPECT_EQ(Outcome(c.list, c.request, c.destination), c.expected) << c.request;
  EXPECT_EQ(TuningPagePath(d243 + "\\"), d243 + "\\tuning.html");
  EXPECT_EQ(TuningPagePath("C:\\pages\\organ.htm"), "C:\\pages\\organ.htm");
}

TEST(Tuning, ListFileReadsTextModeLinesIn255BytePieces) {
  using Lines = std::vector<std::string>;
  const struct { std::string bytes; Lines lines; } cases[] = {
      // CR is dropped only before LF; Ctrl-Z ends the text, a zero byte its line (and the list at a line start).
      {"a 1\r\nb\n\r\n", {"a 1\n", "b\n", "\n"}},
      {"a\rb\r\r\nc\r", {"a\rb\r\n", "c\r"}},
      {"a\nb\x1A\nc\n", {"a\n", "b"}},
      {"a\r\x1A\n", {"a\r"}},
      {std::string("ab\0cd\nef\n\0gh\n", 13), {"ab", "ef\n"}},
      {std::string(300, 'x') + "\ny\n", {std::string(255, 'x'), std::string(45, 'x') + "\n", "y\n"}},
      {std::string(255, 'x') + "\n", {std::string(255, 'x'), "\n"}},
      {std::string(254, 'x') + "\r\n", {std::string(254, 'x') + "\n"}},
  };
  for (const auto& c : cases) {
    TemperamentListText list(std::vector<std::uint8_t>(c.bytes.begin(), c.bytes.end()));
    Lines lines;
    for (std::string line = ReadListLine(list); !line.empty(); line = ReadListLine(list)) lines.push_back(line);
    EXPECT_EQ(lines, c.lines) << ::testing::PrintToString(c.bytes);
  }
  EXPECT_EQ(TemperamentListBesideExecutable("C:\\Organ/bin\\zelvanor.exe"), "C:\\Organ/bin\\ZELVANOR.INI");
  const std::string deep = std::string("/").append(242, 'd');
  EXPECT_EQ(Ending([&] { OpenTemperamentList(deep + "/zelvanor"); }),
            "1: Path longer than 255 characters: " + deep + "/ZELVANOR.INI\n");
}

TEST(Tuning, NotesAreGuessedFromTheFileName) {
  const struct { const char* path; int note; } cases[] = {  // -1: no note fits, the run ends
      {"036-c#.wav", 1}, {"12-Gis.wav", 7}, {"Prin8_F#3.wav", 6}, {"pipe_a2.wav", 9}, {"Bb2.wav", 11},
      {"036C.wav", 0}, {"pipe_g#2.wav", 8}, {"-E.wav", 4}, {"8-Principal/036-C.wav", 0},
      {"8-Principal\\036-d.wav", 2}, {"d:\\set\\8-Octave/pipe_A0.wav", 9}, {"G/pipe036", 7}, {"set_c.v2/pipe036", 0},
      {"036-C", 0}, {"set_c.v2/036-", 0}, {"C3.wav", 0}, {"036-F#x.wav", 6}, {"E#.wav", -1}, {"H.wav", -1},
      {"C-3.wav", -1}, {"B#2.wav", -1},
      {"pipes/036-H.wav", -1}, {"036-.wav", -1}, {"#.wav", -1}, {"123.wav", -1}, {"x/.wav", -1}, {"", -1},
  };
  for (const auto& c : cases) {
    int note = -1;
    const std::string ended = Ending([&] { note = GuessNoteIndex(c.path); });
    EXPECT_EQ(note, c.note) << c.path;
    EXPECT_EQ(ended, c.note < 0 ? std::string("99: can't guess notename from filename ") + c.path + "\n" : "");
  }
}

TEST(Tuning, FactorsBetweenTemperaments) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max(), kMin = -kMax - 1;
  for (const auto& [note, offset, moved] :
       {std::tuple{0, -1, 11}, {0, -13, 11}, {11, 13, 0}, {11, kMax, 6}, {0, kMin, 4}}) {
    EXPECT_EQ(ApplyKeyOffset(note, offset), moved) << note << " " << offset;
  }

  const Temperament equal;
  const auto example = [](double offset) {
    return Temperament{"Example", {0, 90, 196, 294, 392, 498, 588, 698, 792, 894, 996, 1090}, offset};
  };
  const auto factor = [&](const char* path, const Temperament& original, const Temperament& target,
                          std::int32_t key_offset = 0) {
    return TemperamentTuningFactor(path, original, target, Settings{.key_offset = key_offset});
  };
  EXPECT_NEAR(factor("036-C#.wav", equal, example(0)), 0.99424042, 5e-9);
  EXPECT_NEAR(factor("036-C#.wav", equal, example(2.5)), 0.99567720, 5e-9);
  EXPECT_NEAR(factor("036-C.wav", equal, example(0), 1), 0.99424042, 5e-9);  // C takes C#'s pitch
  EXPECT_NEAR(factor("C.wav", equal, Temperament{"", equal.cents, 1200}), 2.0, 1e-8);
  EXPECT_EQ(factor("D#.wav", example(-1.25), example(-1.25)), 1.0);

  // The "Tuning to" line above verbosity 1, its cents rounded toward zero and clamped.
  const struct { double offset; std::int32_t verbosity; const char* path; const char* line; } lines[] = {
      {0, 1, "036-C#.wav", ""},
      {0, 2, "036-C#.wav", "Tuning to Example C# +0\n"},
      {-3, 2, "036-C#.wav", "Tuning to Example C#  -3\n"},
      {2.9, 3, "Prin8_F#3.wav", "Tuning to Example F# +2\n"},
      {-0.5, 2, "036-C#.wav", "Tuning to Example C#  0\n"},
      {1e300, 2, "036-C#.wav", "Tuning to Example C# +2147483647\n"},
      {9223372036854775808.0, 2, "036-C.wav", "Tuning to Example C +2147483647\n"},  // 2^63 cents exactly
      {-1e300, 2, "036-C#.wav", "Tuning to Example C#  -2147483648\n"},
  };
  for (const auto& c : lines) {
    ::testing::internal::CaptureStdout();
    TemperamentTuningFactor(c.path, equal, example(c.offset), Settings{.verbosity = c.verbosity});
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.line) << c.offset;
  }
}

}  // namespace
}  // namespace zelvanor::testing
