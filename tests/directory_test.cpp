#include "platform/directory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "run_program.h"

namespace zelvanor::platform {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using zelvanor::testing::ScratchDirectory;
using zelvanor::testing::WriteFile;

class MatchFilesTest : public ::testing::Test {
 protected:
  void Touch(const std::string& name) { WriteFile(dir_.path() / name, std::string("x")); }
  Names Match(const std::string& name_pattern) {
    return MatchFiles((dir_.path() / name_pattern).string());
  }
  ScratchDirectory dir_;
};

TEST_F(MatchFilesTest, NamesComeInBytewiseOrder) {
  for (const std::string name : {"b.wav", "a.wav", "B.wav", "_x.wav", "\xC3\xA9.wav", "A10.wav",
                                 "A9.wav"}) {
    Touch(name);
  }
  EXPECT_EQ(Match("*.wav"),
            (Names{"A10.wav", "A9.wav", "B.wav", "_x.wav", "a.wav", "b.wav", "\xC3\xA9.wav"}));
}

TEST_F(MatchFilesTest, ShellWildcardsOnTheLastComponent) {
  for (const std::string name : {"036-C.wav", "037-C#.wav", "048-C.wav", "036-C.WAV", "notes.txt"}) {
    Touch(name);
  }
  EXPECT_EQ(Match("03?-*.wav"), (Names{"036-C.wav", "037-C#.wav"}));
  EXPECT_EQ(Match("0[34]6-C.wav"), (Names{"036-C.wav"}));  // a set that is not a plain name
  EXPECT_EQ(Match("*.wav"), (Names{"036-C.wav", "037-C#.wav", "048-C.wav"}));  // case counts
  EXPECT_EQ(Match("048-C.wav"), (Names{"048-C.wav"}));
  EXPECT_EQ(Match("049-C#.wav"), Names{});
  EXPECT_EQ(Match("*.flac"), Names{});
}

TEST_F(MatchFilesTest, OnlyRegularFilesAndNoHiddenOnes) {
  Touch("pipe.wav");
  Touch(".hidden.wav");
  fs::create_directory(dir_.path() / "folder.wav");
  fs::create_symlink(dir_.path() / "pipe.wav", dir_.path() / "link.wav");
  fs::create_symlink(dir_.path() / "missing", dir_.path() / "dangling.wav");
  fs::create_directory_symlink(dir_.path() / "folder.wav", dir_.path() / "dirlink.wav");
  EXPECT_EQ(Match("*"), (Names{"link.wav", "pipe.wav"}));
  EXPECT_EQ(Match("folder.wav"), Names{});
  EXPECT_EQ(Match(".hidden.wav"), (Names{".hidden.wav"}));  // named, not matched by a wildcard
}

TEST_F(MatchFilesTest, PatternWithoutDirectoryLooksInTheCurrentOne) {
  // The test binary's current directory is unknown; a name no one uses
  // must simply match nothing there, and a missing directory likewise.
  EXPECT_EQ(MatchFiles("zelvanor-no-such-file-*.wav"), Names{});
  EXPECT_EQ(MatchFiles((dir_.path() / "missing" / "*.wav").string()), Names{});
  EXPECT_EQ(MatchFiles((dir_.path() / "").string()), Names{});
}

TEST(ExecutablePath, NamesTheRunningProgram) {
  const std::string path = ExecutablePath("fallback");
  ASSERT_FALSE(path.empty());
#if defined(__linux__) || defined(__APPLE__)
  EXPECT_TRUE(fs::path(path).is_absolute()) << path;
  EXPECT_TRUE(!fs::exists("/proc/self/exe") || fs::equivalent(path, "/proc/self/exe")) << path;
#endif
}

}  // namespace
}  // namespace zelvanor::platform
