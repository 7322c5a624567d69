// Temperaments through the built program: the shipped list found beside the
// executable, the tuning page, per-file factors and their failures.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "common/console.h"
#include "run_program.h"
#include "tuning/tuning_factor.h"
#include "wave_builder.h"

namespace zelvanor::testing {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  const Bytes bytes = ReadFile(path);
  return std::string(bytes.begin(), bytes.end());
}

// The description lines of `name` in the shipped list, as the page has them.
std::string ShippedDescription(const std::string& name) {
  const std::string list = ReadText(fs::path(ZELVANOR_SOURCE_DIR) / "data" / "ZELVANOR.INI");
  std::string description;
  bool inside = false;
  for (std::size_t at = 0; at < list.size();) {
    const std::size_t end = list.find('\n', at);
    const std::string line = list.substr(at, end - at);
    at = end + 1;
    const bool indented = line.empty() || line[0] == ' ' || line[0] == '\t';
    if (inside && !indented) break;
    if (inside) description += line + "\r\n";
    if (line.rfind(name + " ", 0) == 0) inside = true;
  }
  return description;
}

std::string Page(const std::string& request, const std::string& description) {
  return "<HTML><HEAD><TITLE>Current tuning of the organ: " + request +
         "</TITLE></HEAD>\r\r\n<BODY>\r\r\n<H1>Current tuning of the organ: " + request +
         "</H1>\r\r\n" + description + "\r\r\n</BODY></HTML>\r\r\n";
}

Bytes SmallPipe() {
  std::vector<std::int32_t> values;
  for (int i = 0; i < 400; ++i) values.push_back(static_cast<std::int32_t>(8000 * std::sin(i * 0.2)));
  return WaveBuilder().Fmt(Format{}).Data(Pcm(values, 16)).Build();
}

class TuningEndToEnd : public ::testing::Test {
 protected:
  ZelvanorRun Run(const std::vector<std::string>& arguments) {
    return RunZelvanor(arguments, dir_.path());
  }
  fs::path At(const std::string& name) const { return dir_.path() / name; }

  ScratchDirectory dir_;
};

TEST_F(TuningEndToEnd, WritesPageForShippedTemperamentFromAnyDirectory) {
  fs::create_directory(At("pages"));
  const ZelvanorRun run = Run({"*.wav", "pages/", "Kellner+1.5", "H"});
  EXPECT_EQ(run.output, "Using temperament Kellner+1.500000 cent\n");
  EXPECT_EQ(run.exit_code, 0);
  const std::string description = ShippedDescription("Kellner");
  ASSERT_FALSE(description.empty());
  EXPECT_EQ(ReadText(At("pages/tuning.html")), Page("Kellner+1.5", description));
  EXPECT_EQ(ListDirectory(At("pages")), std::vector<std::string>{"tuning.html"});
}

TEST_F(TuningEndToEnd, PageFailuresEndTheRun) {
  // A numeric detune argument names no temperament for the page.
  ZelvanorRun run = Run({"*.wav", "pages/", "+5", "H"});
  EXPECT_EQ(run.output, "Can't find temperament +5 in my list\n");
  EXPECT_EQ(run.exit_code, 99);
  run = Run({"*.wav", "missing/", "Vallotti", "H", "V=0"});
  EXPECT_EQ(run.output, "can't create file missing/tuning.html\n");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_TRUE(fs::is_empty(dir_.path()));
}

TEST_F(TuningEndToEnd, ReportsTemperamentsInOptionOrder) {
  EXPECT_EQ(Run({"*.wav", "out", "Young_II-2", "T=Vallotti", "O=1"}).output,
            "Temperament of original samples Vallotti\n"
            "Using temperament Young_II-2.000000 cent key_offset=1\n"
            "can't find source-file *.wav\n");
  EXPECT_EQ(Run({"*.wav", "out", "1", "V=0", "T=Vallotti"}).output,
            "can't find source-file *.wav\n");
  const ZelvanorRun unknown = Run({"*.wav", "out", "1", "T=vallotti"});
  EXPECT_EQ(unknown.output, "Can't find temperament vallotti in my list\n");
  EXPECT_EQ(unknown.exit_code, 99);
}

TEST_F(TuningEndToEnd, ListInCurrentDirectoryComesFirst) {
  WriteFile(At("ZELVANOR.INI"), "Kellner 0 100\n\tNot the shipped one.\n");
  fs::create_directory(At("pages"));
  EXPECT_EQ(Run({"*.wav", "pages/kellner.htm", "Kellner", "H", "V=0"}).exit_code, 0);
  EXPECT_EQ(ReadText(At("pages/kellner.htm")), Page("Kellner", "\tNot the shipped one.\r\n"));
  // A temperament only the shipped list has is not found then.
  EXPECT_EQ(Run({"*.wav", "out", "Vallotti"}).exit_code, 99);
}

TEST_F(TuningEndToEnd, NamesPathBesideExecutableWhenNoListIsFound) {
  // A copy of the program in a directory without a list.
  fs::create_directories(At("bin"));
  fs::create_directories(At("work"));
  const fs::path copy = At("bin") / fs::path(ZELVANOR_EXECUTABLE).filename();
  fs::copy_file(ZELVANOR_EXECUTABLE, copy);
  const ProgramResult run =
      RunProgram(copy.string(), {"*.wav", "out", "Kellner"}, At("work"));
  const std::string beside = (fs::canonical(At("bin")) / "ZELVANOR.INI").string();
  const std::string text = ConsoleText(run.output);
  EXPECT_EQ(text.substr(text.find('\n') + 1), "can't find/open " + beside + "\n");
  EXPECT_EQ(run.exit_code, 1);
}

TEST_F(TuningEndToEnd, GivesEachFileTheFactorOfItsNote) {
  WriteFile(At("036-C#.wav"), SmallPipe());
  WriteFile(At("pipe_a2.wav"), SmallPipe());
  fs::create_directory(At("out"));
  const ZelvanorRun run = Run({"*.wav", "out", "Kellner", "V=2"});
  const std::size_t c_sharp = run.output.find("Tuning to Kellner C# +0\n");
  const std::size_t a = run.output.find("Tuning to Kellner A +0\n");
  EXPECT_NE(c_sharp, std::string::npos) << run.output;
  EXPECT_NE(a, std::string::npos) << run.output;
  EXPECT_LT(c_sharp, a);
  EXPECT_EQ(run.exit_code, 0) << run.output;
}

TEST_F(TuningEndToEnd, UnguessableNoteAndFactorOutOfRangeEndTheRun) {
  WriteFile(At("E#.wav"), SmallPipe());
  ZelvanorRun run = Run({"*.wav", "out", "Equal"});
  EXPECT_EQ(run.output,
            "Using temperament Equal\n"
            "can't guess notename from filename E#.wav\n");
  EXPECT_EQ(run.exit_code, 99);

  fs::remove(At("E#.wav"));
  WriteFile(At("036-C#.wav"), SmallPipe());
  WriteFile(At("ZELVANOR.INI"), "Wild 0 5000\n");
  run = Run({"*.wav", "out", "Wild"});
  EXPECT_EQ(run.output, std::string("Using temperament Wild\n") +
                            zelvanor::Format("Detune value of %f makes no sense.\n",
                                   std::exp(4900 * kCentsToLogRatio)) +
                            "Should be in range 0.5 <= detune <= 2.0\n");
  EXPECT_EQ(run.exit_code, 99);
}

// Holding A at 900 cents means a move from equal temperament leaves every
// A pipe as a plain copy would; other notes move. Needs the retuning stages.
TEST_F(TuningEndToEnd, RetuningFromEqualTemperamentKeepsTheAPipes) {
  for (const char* name : {"036-A.wav", "037-C.wav"}) WriteFile(At(name), SmallPipe());
  for (const char* out : {"copy", "kellner"}) fs::create_directory(At(out));
  ASSERT_EQ(Run({"*.wav", "copy", "1"}).exit_code, 0);
  const ZelvanorRun run = Run({"*.wav", "kellner", "Kellner", "T=Equal"});
  EXPECT_EQ(run.exit_code, 0) << run.output;
  EXPECT_EQ(ReadFile(At("kellner/036-A.wav")), ReadFile(At("copy/036-A.wav")));
  EXPECT_NE(ReadFile(At("kellner/037-C.wav")), ReadFile(At("copy/037-C.wav")));
}

}  // namespace
}  // namespace zelvanor::testing
