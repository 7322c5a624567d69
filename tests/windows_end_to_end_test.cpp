// The built program on Windows, driven the way Windows users type paths:
// drive letters, backslashes, a destination with or without its final
// backslash, the tuning page named after a backslash. (Under Wine the
// temporary directory is on drive C:, which Wine keeps in its prefix.)
#ifdef _WIN32

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "pipe_fixtures.h"
#include "run_program.h"

namespace zelvanor::testing {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

class WindowsEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(Path("").size(), 3u);
    ASSERT_EQ(Path("").substr(1, 2), ":\\") << "not a drive-letter path: " << Path("");
    sources_ = WritePipes(dir_.path() / "in", 2);
  }

  // `relative` inside the scratch directory, spelled the Windows way.
  std::string Path(const std::string& relative) const {
    return (dir_.path() / fs::path(relative).make_preferred()).string();
  }
  ZelvanorRun Run(const std::vector<std::string>& arguments) {
    return RunZelvanor(arguments, dir_.path());
  }
  // "Tune SOURCE to DESTINATION by factor 1.500000" for every pipe.
  std::string TuneLines(const std::string& source_directory, const std::string& destination_directory) {
    std::string lines;
    for (const SourcePipe& source : sources_) {
      lines += "Tune " + source_directory + source.name + " to " + destination_directory + source.name +
               " by factor 1.500000\n";
    }
    return lines;
  }
  Names PipeNames() const {
    Names names;
    for (const SourcePipe& source : sources_) names.push_back(source.name);
    return names;
  }
  void ExpectSameFiles(const std::string& folder, const std::string& reference) {
    ASSERT_EQ(ListDirectory(Path(folder)), PipeNames());
    for (const SourcePipe& source : sources_) {
      EXPECT_EQ(ReadFile(Path(folder + "/" + source.name)), ReadFile(Path(reference + "/" + source.name)))
          << folder << "/" << source.name;
    }
  }

  ScratchDirectory dir_;
  std::vector<SourcePipe> sources_;
};

TEST_F(WindowsEndToEnd, DriveLetterPathsWithAndWithoutTheFinalBackslash) {
  for (const char* folder : {"plain", "trailing", "slashes", "relative"}) fs::create_directory(Path(folder));

  ZelvanorRun run = Run({Path("in\\*.wav"), Path("plain"), "1.5"});
  EXPECT_EQ(run.output, TuneLines(Path("in\\"), Path("plain\\")));
  EXPECT_EQ(run.exit_code, 0);
  ASSERT_EQ(ListDirectory(Path("plain")), PipeNames());

  // A final backslash is not doubled; the outputs are the same.
  run = Run({Path("in\\*.wav"), Path("trailing\\"), "1.5"});
  EXPECT_EQ(run.output, TuneLines(Path("in\\"), Path("trailing\\")));
  EXPECT_EQ(run.exit_code, 0);
  ExpectSameFiles("trailing", "plain");

  // Forward slashes work as well and are shown as typed.
  const std::string forward = fs::path(Path("")).generic_string();
  run = Run({forward + "in/*.wav", forward + "slashes/", "1.5"});
  EXPECT_EQ(run.output, TuneLines(forward + "in/", forward + "slashes/"));
  ExpectSameFiles("slashes", "plain");

  // Relative to the current directory; the wildcard ignores case as
  // Windows does, the outputs keep the names as stored.
  run = Run({"in\\*.WAV", "relative", "1.5"});
  EXPECT_EQ(run.output, TuneLines("in\\", "relative\\"));
  ExpectSameFiles("relative", "plain");
}

TEST_F(WindowsEndToEnd, TemperamentNotesFromBackslashPaths) {
  fs::create_directory(Path("backslashes"));
  fs::create_directory(Path("slashes"));
  // The note comes from the name after the last separator, whichever it is.
  EXPECT_EQ(Run({Path("in\\0*.wav"), Path("backslashes"), "Werckmeister_III", "V=0"}).exit_code, 0);
  EXPECT_EQ(Run({"in/0*.wav", "slashes/", "Werckmeister_III", "V=0"}).exit_code, 0);
  ExpectSameFiles("backslashes", "slashes");
}

TEST_F(WindowsEndToEnd, TuningPageNamedAfterABackslash) {
  fs::create_directory(Path("pages"));
  // The list is found beside zelvanor.exe: the scratch directory has none.
  ZelvanorRun run = Run({"*.wav", Path("pages\\"), "Werckmeister_III", "H", "V=0"});
  EXPECT_EQ(run.output, "");
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(ListDirectory(Path("pages")), Names{"tuning.html"});
  const Bytes page = ReadFile(Path("pages\\tuning.html"));
  const std::string head = "<HTML><HEAD><TITLE>Current tuning of the organ: Werckmeister_III</TITLE></HEAD>\r\r\n";
  EXPECT_EQ(std::string(page.begin(), page.end()).substr(0, head.size()), head);

  // Relative, and with a forward slash: the same page.
  EXPECT_EQ(Run({"*.wav", "pages\\", "Werckmeister_III", "H", "V=0"}).exit_code, 0);
  EXPECT_EQ(ReadFile(Path("pages\\tuning.html")), page);
  EXPECT_EQ(Run({"*.wav", "pages/", "Werckmeister_III", "H", "V=0"}).exit_code, 0);
  EXPECT_EQ(ReadFile(Path("pages\\tuning.html")), page);
  EXPECT_EQ(ListDirectory(Path("pages")), Names{"tuning.html"});

  // Without the final backslash the destination is the page file itself;
  // here that is a directory, which cannot be created as a file.
  run = Run({"*.wav", Path("pages"), "Werckmeister_III", "H", "V=0"});
  EXPECT_EQ(run.output, "can't create file " + Path("pages") + "\n");
  EXPECT_EQ(run.exit_code, 1);
}

}  // namespace
}  // namespace zelvanor::testing

#endif  // _WIN32
