#include "driver/source_paths.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "common/run_error.h"
#include "platform/path_separators.h"

namespace zelvanor {
namespace {

const std::string kSep(1, platform::kNativeSeparator);

int ExitCodeOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const RunError& error) {
    return error.exit_code();
  }
  return 0;
}

TEST(SourcePaths, SourceKeepsThePatternsDirectory) {
  EXPECT_EQ(SourcePathFor("*.wav", "036-C.wav"), "036-C.wav");
  EXPECT_EQ(SourcePathFor("pipes/*.wav", "036-C.wav"), "pipes/036-C.wav");
  EXPECT_EQ(SourcePathFor("/a/b/0?6-*.wav", "036-C.wav"), "/a/b/036-C.wav");
  // Sets made on Windows: either separator counts, the text stays as typed.
  EXPECT_EQ(SourcePathFor("pipes\\*.wav", "036-C.wav"), "pipes\\036-C.wav");
  EXPECT_EQ(SourcePathFor("a/b\\c*.wav", "c1.wav"), "a/b\\c1.wav");
  EXPECT_EQ(SourcePathFor("a\\b/c*.wav", "c1.wav"), "a\\b/c1.wav");
}

TEST(SourcePaths, DestinationWithOrWithoutTrailingSeparator) {
  EXPECT_EQ(DestinationPathFor("out", "036-C.wav"), "out" + kSep + "036-C.wav");
  EXPECT_EQ(DestinationPathFor("out/", "036-C.wav"), "out/036-C.wav");
  EXPECT_EQ(DestinationPathFor("out\\", "036-C.wav"), "out\\036-C.wav");
  EXPECT_EQ(DestinationPathFor("/", "a.wav"), "/a.wav");
  EXPECT_EQ(DestinationPathFor(".", "a.wav"), "." + kSep + "a.wav");
  if (kSep == "/") {
    EXPECT_EQ(DestinationPathFor("out", "x.wav"), DestinationPathFor("out/", "x.wav"));
  }
}

TEST(SourcePaths, PathsOver255CharactersAreRefusedNotCut) {
  const std::string name = "036-C.wav";
  const std::string directory_fits(255 - name.size() - 1, 'd');  // joined: exactly 255
  EXPECT_EQ(SourcePathFor(directory_fits + "/*.wav", name).size(), 255u);
  EXPECT_EQ(DestinationPathFor(directory_fits, name).size(), 255u);
  EXPECT_EQ(ExitCodeOf([&] { SourcePathFor(directory_fits + "d/*.wav", name); }), 1);
  EXPECT_EQ(ExitCodeOf([&] { DestinationPathFor(directory_fits + "d", name); }), 1);
  EXPECT_EQ(ExitCodeOf([&] { SourcePathFor("*", std::string(256, 'n')); }), 1);

  EXPECT_EQ(ExitCodeOf([] { CheckRunPaths(std::string(255, 'p'), std::string(255, 'd')); }), 0);
  EXPECT_EQ(ExitCodeOf([] { CheckRunPaths(std::string(256, 'p'), "out"); }), 1);
  EXPECT_EQ(ExitCodeOf([] { CheckRunPaths("*.wav", std::string(256, 'd')); }), 1);
  EXPECT_EQ(ExitCodeOf([] { CheckRunPaths("*.wav", ""); }), 1);
}

}  // namespace
}  // namespace zelvanor
