#include "tuning/temperament_list_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tuning_test_support.h"

namespace zelvanor {
namespace {

using testing_support::CatchRunEnd;
using testing_support::InScratchDirectory;
using testing_support::WriteFile;

TemperamentListText ListOf(const std::string& bytes) {
  return TemperamentListText(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

std::vector<std::string> AllLines(TemperamentListText list) {
  std::vector<std::string> lines;
  for (std::string line = ReadListLine(list); !line.empty(); line = ReadListLine(list)) {
    lines.push_back(line);
  }
  return lines;
}

using Lines = std::vector<std::string>;

TEST(ReadListLine, ReadsTextModeLines) {
  // CR directly before LF is dropped, any other CR stays; no LF needed at the end.
  EXPECT_EQ(AllLines(ListOf("a 1\r\nb\n\r\n")), (Lines{"a 1\n", "b\n", "\n"}));
  EXPECT_EQ(AllLines(ListOf("a\rb\r\r\nc\r")), (Lines{"a\rb\r\n", "c\r"}));
  // Ctrl-Z ends the file, also between a CR and its LF.
  EXPECT_EQ(AllLines(ListOf("a\nb\x1A\nc\n")), (Lines{"a\n", "b"}));
  EXPECT_EQ(AllLines(ListOf("a\r\x1A\n")), (Lines{"a\r"}));
  EXPECT_EQ(AllLines(ListOf("")), Lines{});
}

TEST(ReadListLine, CutsLongLinesInto255BytePieces) {
  const std::string long_line = std::string(300, 'x') + "\n";
  EXPECT_EQ(AllLines(ListOf(long_line + "y\n")),
            (Lines{std::string(255, 'x'), std::string(45, 'x') + "\n", "y\n"}));
  // 255 bytes before the LF: the LF alone comes as the next line.
  EXPECT_EQ(AllLines(ListOf(std::string(255, 'x') + "\n")), (Lines{std::string(255, 'x'), "\n"}));
  // A CR dropped before the LF does not count: 254 bytes and the LF fit one piece.
  EXPECT_EQ(AllLines(ListOf(std::string(254, 'x') + "\r\n")), (Lines{std::string(254, 'x') + "\n"}));
}

TEST(ReadListLine, ZeroByteEndsLineAndList) {
  // A zero byte cuts its line; a line that starts with one ends the list.
  EXPECT_EQ(AllLines(ListOf(std::string("ab\0cd\nef\n", 9))), (Lines{"ab", "ef\n"}));
  EXPECT_EQ(AllLines(ListOf(std::string("ab\n\0cd\nef\n", 10))), (Lines{"ab\n"}));
}

TEST(TemperamentListBesideExecutable, TakesDirectoryUpToEitherSeparator) {
  EXPECT_EQ(TemperamentListBesideExecutable("/opt/zelvanor/bin/zelvanor"),
            "/opt/zelvanor/bin/ZELVANOR.INI");
  EXPECT_EQ(TemperamentListBesideExecutable("C:\\Organ\\zelvanor.exe"), "C:\\Organ\\ZELVANOR.INI");
  EXPECT_EQ(TemperamentListBesideExecutable("C:\\Organ/bin\\zelvanor.exe"),
            "C:\\Organ/bin\\ZELVANOR.INI");
  EXPECT_EQ(TemperamentListBesideExecutable("zelvanor"), "ZELVANOR.INI");
  EXPECT_EQ(TemperamentListBesideExecutable(""), "ZELVANOR.INI");
}

class OpenTemperamentListTest : public InScratchDirectory {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(scratch_.path() / "bin");
    WriteFile(scratch_.path() / "bin" / "ZELVANOR.INI", "Beside 1\n");
  }
  std::string executable_ = InScratch("bin/zelvanor");
};

TEST_F(OpenTemperamentListTest, PrefersCurrentDirectory) {
  WriteFile("ZELVANOR.INI", "Here 1\n");
  TemperamentListText list = OpenTemperamentList(executable_);
  EXPECT_EQ(ReadListLine(list), "Here 1\n");
}

TEST_F(OpenTemperamentListTest, FallsBackToExecutableDirectory) {
  TemperamentListText list = OpenTemperamentList(executable_);
  EXPECT_EQ(ReadListLine(list), "Beside 1\n");
  // A directory of the list's name in the current directory is no list.
  std::filesystem::create_directory("ZELVANOR.INI");
  TemperamentListText again = OpenTemperamentList(executable_);
  EXPECT_EQ(ReadListLine(again), "Beside 1\n");
}

TEST_F(OpenTemperamentListTest, NamesPathBesideExecutableWhenMissingEverywhere) {
  const std::string lonely = InScratch("elsewhere/zelvanor");
  const auto end = CatchRunEnd([&] { OpenTemperamentList(lonely); });
  EXPECT_EQ(end.exit_code, 1);
  EXPECT_EQ(end.message, "can't find/open " + InScratch("elsewhere/ZELVANOR.INI") + "\n");
}

TEST_F(OpenTemperamentListTest, RefusesJoinedPathOver255Characters) {
  // 243 characters of directory and the 12 of the name still fit ...
  const std::string fits = std::string("/") + std::string(241, 'd') + "/zelvanor";
  EXPECT_EQ(CatchRunEnd([&] { OpenTemperamentList(fits); }).message,
            "can't find/open /" + std::string(241, 'd') + "/ZELVANOR.INI\n");
  // ... one more does not, and is refused rather than cut.
  const std::string too_long = std::string("/") + std::string(242, 'd') + "/zelvanor";
  const auto end = CatchRunEnd([&] { OpenTemperamentList(too_long); });
  EXPECT_EQ(end.exit_code, 1);
  EXPECT_EQ(end.message, std::string("Path longer than 255 characters: /") + std::string(242, 'd') +
                             "/ZELVANOR.INI\n");
}

}  // namespace
}  // namespace zelvanor
