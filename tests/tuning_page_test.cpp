#include "tuning/tuning_page.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <utility>

#include "tuning_test_support.h"

namespace zelvanor {
namespace {

using testing_support::CatchRunEnd;
using testing_support::ReadText;
using testing_support::WriteFile;

// The page's fixed texts as they reach the file: each "\r\n" of the texts
// becomes CR CR LF because the page is written in text mode.
std::string PageHead(const std::string& request) {
  return "<HTML><HEAD><TITLE>Current tuning of the organ: " + request +
         "</TITLE></HEAD>\r\r\n<BODY>\r\r\n<H1>Current tuning of the organ: " + request +
         "</H1>\r\r\n";
}
constexpr char kPageTail[] = "\r\r\n</BODY></HTML>\r\r\n";

constexpr char kList[] =
    "[Temperaments]\n"
    "Described 0 90 196\n"
    "\tFirst line of its description.\n"
    "  Second line, <b>as it stands</b>.\n"
    "Bare 1 2 3\n"
    "Spaced 4\n"
    "\tAfter it come blank lines.\n"
    "\n"
    "\n"
    "[Next section]\n"
    "Last 5\n";

class WriteTuningPageTest : public testing_support::InScratchDirectory {
 protected:
  void SetUp() override { WriteFile("ZELVANOR.INI", kList); }
  void Write(const std::string& request, const std::string& destination) {
    WriteTuningPage(request, destination, no_list_executable_);
  }
};

TEST_F(WriteTuningPageTest, CopiesDescriptionWithTextModeLineEnds) {
  std::filesystem::create_directory("pages");
  ::testing::internal::CaptureStdout();
  Write("Described+2.5", "pages/");
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(ReadText("pages/tuning.html"),
            PageHead("Described+2.5") +
                "\tFirst line of its description.\r\n"
                "  Second line, <b>as it stands</b>.\r\n" +
                kPageTail);
}

TEST_F(WriteTuningPageTest, WritesBareAndBlankLineDescriptions) {
  std::filesystem::create_directory("pages");
  // Followed directly by another temperament, by a heading, or by nothing.
  Write("Bare", "pages/bare.htm");
  EXPECT_EQ(ReadText("pages/bare.htm"), PageHead("Bare") + kPageTail);
  Write("Last", "pages/last.htm");
  EXPECT_EQ(ReadText("pages/last.htm"), PageHead("Last") + kPageTail);
  // Blank lines between the description and the next heading are copied.
  Write("Spaced", "pages/spaced.htm");
  EXPECT_EQ(ReadText("pages/spaced.htm"),
            PageHead("Spaced") + "\tAfter it come blank lines.\r\n\r\n\r\n" + kPageTail);
}

TEST_F(WriteTuningPageTest, ReadsCrLfListLikeLfList) {
  std::string crlf;
  for (const char c : std::string(kList)) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  WriteFile("ZELVANOR.INI", crlf + "\x1A" + "garbage after the end\r\n");
  std::filesystem::create_directory("pages");
  Write("Described", "pages/");
  EXPECT_EQ(ReadText("pages/tuning.html"),
            PageHead("Described") +
                "\tFirst line of its description.\r\n"
                "  Second line, <b>as it stands</b>.\r\n" +
                kPageTail);
}

TEST_F(WriteTuningPageTest, CopiesLongDescriptionLinesInPieces) {
  // The second 255-byte piece begins with a letter, which ends the description.
  const std::string long_line = std::string("\t") + std::string(254, 'a') + "bcd\n";
  WriteFile("ZELVANOR.INI", "Long 1\n" + long_line + "\t\xC3\xA9t\xC3\xA9\n");
  Write("Long", "page.htm");
  EXPECT_EQ(ReadText("page.htm"), PageHead("Long") + "\t" + std::string(254, 'a') + kPageTail);
  // Lines beginning with other control bytes or bytes of 128 and above are
  // description too.
  WriteFile("ZELVANOR.INI", "Long 1\n\x01one\n\xC3\xA9t\xC3\xA9\nNext\n");
  Write("Long", "page.htm");
  EXPECT_EQ(ReadText("page.htm"), PageHead("Long") + "\x01one\r\n\xC3\xA9t\xC3\xA9\r\n" + kPageTail);
}

TEST_F(WriteTuningPageTest, WritesLongRequestInFull) {
  const std::string request = std::string("Bare+") + std::string(300, '1');
  Write(request, "page.htm");
  EXPECT_EQ(ReadText("page.htm"), PageHead(request) + kPageTail);
}

TEST_F(WriteTuningPageTest, OverwritesExistingPageAndLeavesNoTemporaryFile) {
  WriteFile("page.htm", "old page, much longer than the new one will be ............");
  Write("Bare", "page.htm");
  EXPECT_EQ(ReadText("page.htm"), PageHead("Bare") + kPageTail);
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(".")) ++entries;
  EXPECT_EQ(entries, 2u);  // the list and the page
}

TEST_F(WriteTuningPageTest, EndsRunWhenTemperamentIsMissing) {
  for (const char* request : {"Nowhere", "+5", "1.5", "described", "[Next"}) {
    const auto end = CatchRunEnd([&] { Write(request, "page.htm"); });
    EXPECT_EQ(end.exit_code, 99) << request;
    EXPECT_EQ(end.message, std::string("Can't find temperament ") + request + " in my list\n");
  }
  // Description lines are never taken for temperaments.
  EXPECT_EQ(CatchRunEnd([&] { Write("First", "page.htm"); }).exit_code, 99);
  EXPECT_FALSE(std::filesystem::exists("page.htm"));
}

TEST_F(WriteTuningPageTest, EndsRunWhenPageCannotBeCreated) {
  std::filesystem::create_directory("pages");
  // A missing directory, and a directory named without its final separator.
  const std::pair<const char*, const char*> cases[] = {{"missing/", "missing/tuning.html"},
                                                       {"pages", "pages"},
                                                       {"", ""}};
  for (const auto& [destination, page] : cases) {
    const auto end = CatchRunEnd([&] { Write("Bare", destination); });
    EXPECT_EQ(end.exit_code, 1) << destination;
    EXPECT_EQ(end.message, std::string("can't create file ") + page + "\n");
  }
  EXPECT_TRUE(std::filesystem::is_directory("pages"));
  EXPECT_TRUE(std::filesystem::is_empty("pages"));
  // Nothing is left behind: only the list and the directory remain.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."),
                          std::filesystem::directory_iterator()),
            2);
}

TEST(TuningPagePath, AppendsPageNameAfterEitherSeparator) {
  EXPECT_EQ(TuningPagePath("pages/"), "pages/tuning.html");
  EXPECT_EQ(TuningPagePath("C:\\pages\\"), "C:\\pages\\tuning.html");
  EXPECT_EQ(TuningPagePath("C:\\pages\\organ.htm"), "C:\\pages\\organ.htm");
  EXPECT_EQ(TuningPagePath("pages"), "pages");
  EXPECT_EQ(TuningPagePath(std::string(243, 'd') + "/"), std::string(243, 'd') + "/tuning.html");
  const auto end = CatchRunEnd([] { TuningPagePath(std::string(244, 'd') + "/"); });
  EXPECT_EQ(end.exit_code, 1);
  EXPECT_EQ(end.message,
            "Path longer than 255 characters: " + std::string(244, 'd') + "/tuning.html\n");
}

}  // namespace
}  // namespace zelvanor
