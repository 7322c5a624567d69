// Ctrl-C (SIGINT), kill (SIGTERM) or a closed terminal (SIGHUP) while a
// file is being written: the temporary output goes, outputs finished before
// stay, a source retuned in place stays as it was, and the process ends the
// way the signal ends it, so that a shell or a batch script sees 130, 143
// or 129.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "fuzz/pipeline_exercise.h"
#include "reliability_support.h"
#include "wave_builder.h"

namespace zelvanor::testing {
namespace {

// 2 MB of 16-bit stereo noise: retuned by 0.2, a file takes long enough
// (five times as many frames out) to be caught while it is written.
Bytes LargePipe() {
  Bytes audio(2u << 20);
  std::uint32_t state = 12345;
  for (std::uint8_t& byte : audio) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<std::uint8_t>(state >> 24);
  }
  return WaveBuilder().Fmt({.channels = 2}).Data(audio).Build();
}

// Waits (a few seconds at most) until `ready` holds or the child is gone.
template <class Condition>
bool WaitUntil(pid_t child, Condition ready) {
  for (int tries = 0; tries < 20000; ++tries) {
    if (ready()) return true;
    siginfo_t ended{};
    if (::waitid(P_PID, static_cast<id_t>(child), &ended, WEXITED | WNOHANG | WNOWAIT) == 0 && ended.si_pid != 0) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(250));
  }
  return false;
}

class Interruption : public ::testing::TestWithParam<int> {
 protected:
  static int ExpectedExitCode() { return 128 + GetParam(); }
  ScratchDirectory dir_;
};

TEST_P(Interruption, RemovesTheTemporaryAndKeepsFinishedOutputs) {
  const Bytes pipe = LargePipe();
  std::filesystem::create_directory(dir_.path() / "in");
  std::filesystem::create_directory(dir_.path() / "out");
  for (const char* name : {"a.wav", "b.wav", "c.wav"}) WriteFile(dir_.path() / "in" / name, pipe);

  const pid_t child = StartZelvanor({"in/*.wav", "out", "0.2"}, dir_.path());
  ASSERT_GT(child, 0);
  // Caught in the middle of the second file: the first one is finished.
  const bool caught = WaitUntil(child, [&] {
    return std::filesystem::exists(dir_.path() / "out" / "a.wav") && !TemporariesIn(dir_.path() / "out").empty();
  });
  ::kill(child, GetParam());
  const int exit_code = WaitForExit(child);
  ASSERT_TRUE(caught) << "the run ended before it could be interrupted (exit code " << exit_code << ")";

  EXPECT_EQ(exit_code, ExpectedExitCode());
  EXPECT_EQ(TemporariesIn(dir_.path() / "out"), std::vector<std::string>{});
  const std::vector<std::string> left = ListDirectory(dir_.path() / "out");
  ASSERT_FALSE(left.empty());
  EXPECT_EQ(left.front(), "a.wav");
  EXPECT_TRUE(std::find(left.begin(), left.end(), "c.wav") == left.end());
  for (const std::string& name : left) {
    EXPECT_EQ(fuzzing::CheckRetunedFile(ReadFile(dir_.path() / "out" / name)), "") << name;
  }
}

TEST_P(Interruption, LeavesASourceRetunedInPlaceAsItWas) {
  const Bytes pipe = LargePipe();
  WriteFile(dir_.path() / "pipe.wav", pipe);

  const pid_t child = StartZelvanor({"pipe.wav", ".", "0.2"}, dir_.path());
  ASSERT_GT(child, 0);
  const bool caught = WaitUntil(child, [&] { return !TemporariesIn(dir_.path()).empty(); });
  ::kill(child, GetParam());
  const int exit_code = WaitForExit(child);
  ASSERT_TRUE(caught) << "the run ended before it could be interrupted (exit code " << exit_code << ")";

  EXPECT_EQ(exit_code, ExpectedExitCode());
  EXPECT_EQ(ListDirectory(dir_.path()), std::vector<std::string>{"pipe.wav"});
  EXPECT_TRUE(ReadFile(dir_.path() / "pipe.wav") == pipe);
}

INSTANTIATE_TEST_SUITE_P(Signals, Interruption, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& signal) {
                           return std::string(signal.param == SIGINT    ? "Sigint"
                                              : signal.param == SIGTERM ? "Sigterm"
                                                                        : "Sighup");
                         });

}  // namespace
}  // namespace zelvanor::testing
