#include "platform/directory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/path_separators.h"
#include "scratch_directory.h"

namespace zelvanor::platform {
namespace {

using testing_support::ScratchDirectory;
using Names = std::vector<std::string>;

class MatchFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"060-C.wav", "036-C.wav", "048-C.wav", "notes.txt", "036-C.wav.bak"}) {
      dir_.WriteBytes(name, {0});
    }
    std::filesystem::create_directory(dir_.path() / "old.wav");  // directories never match
  }
  ScratchDirectory dir_;
};

TEST_F(MatchFilesTest, TakesTheFilesOfThePatternsDirectoryInNameOrder) {
  const Names pipes{"036-C.wav", "048-C.wav", "060-C.wav"};
  EXPECT_EQ(MatchFiles(dir_.Str() + "/*.wav"), pipes);
  EXPECT_EQ(MatchFiles(dir_.Str() + kNativeSeparator + "*.wav"), pipes);
  EXPECT_EQ(MatchFiles(dir_.Str() + kNativeSeparator + "0?6-*.wav"), Names{"036-C.wav"});
  EXPECT_EQ(MatchFiles(dir_.Str("036-C.wav")), Names{"036-C.wav"});  // a plain name
}

TEST_F(MatchFilesTest, NothingForNoMatchAMissingDirectoryOrADirectoryName) {
  EXPECT_TRUE(MatchFiles(dir_.Str("*.aif")).empty());
  EXPECT_TRUE(MatchFiles(dir_.Str("missing") + "/*.wav").empty());
  EXPECT_TRUE(MatchFiles(dir_.Str("old.wav")).empty());
  EXPECT_TRUE(MatchFiles(dir_.Str("old.*")).empty());
}

TEST_F(MatchFilesTest, FollowsTheSystemsCaseRules) {
#ifdef _WIN32
  // FindFirstFileA ignores case, as Explorer and cmd.exe do.
  EXPECT_EQ(MatchFiles(dir_.Str("*.WAV")), (Names{"036-C.wav", "048-C.wav", "060-C.wav"}));
#else
  EXPECT_TRUE(MatchFiles(dir_.Str("*.WAV")).empty());
#endif
}

TEST(ExecutablePath, NamesTheRunningProgram) {
  const std::string path = ExecutablePath("fallback");
  const std::filesystem::path as_path(path);
  EXPECT_TRUE(as_path.is_absolute()) << path;
  EXPECT_TRUE(IsRegularFile(path)) << path;
  EXPECT_EQ(as_path.stem().string(), "zelvanor_tests");
}

}  // namespace
}  // namespace zelvanor::platform
