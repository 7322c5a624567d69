// Runs that end early never leave a partial file, never replace an existing
// one, and keep the outputs finished before: a destination that cannot
// take a new file, a fatal error in the middle of a file, a full disk (a
// file-size limit on the spawned program), and signals. Retuning in place
// (the destination is the source folder) is the hardest case: a source may
// be replaced only by its complete retuned file.
#include <gtest/gtest.h>

#include "common/console.h"
#include "platform/temporary_file.h"
#include "reliability_support.h"

namespace zelvanor::testing {
namespace {

const std::string kCantWrite = "Fatal: can't write to output file!\n";
const std::string kInsideTheCut = "fatal error: Illegal computation of a position within removed sample-area\n";
std::string CantCreate(const std::string& destination, const std::string& name) {
  return "can't create new file " + DestinationPath(destination, name) + "\n";
}

TEST(Reliability, RunsThatEndEarly) {
  const RunCase cases[] = {
      {{"in/a.wav"}, {"in/a.wav", "missing", "1"}, CantCreate("missing", "a.wav"), 1, "in/ in/a.wav"},
      {{"in/a.wav", "notes.txt:not a folder"}, {"in/a.wav", "notes.txt/out", "1"}, CantCreate("notes.txt/out", "a.wav"),
       1, "in/ in/a.wav notes.txt"},
      // The temporary file is made, the final name is a folder's.
      {{"in/a.wav", "out/a.wav/inside/"}, {"in/a.wav", "out", "1"},
       "Tune in/a.wav to " + DestinationPath("out", "a.wav") + " by factor 1.000000\n" + CantCreate("out", "a.wav"), 1,
       "in/ in/a.wav out/ out/a.wav/ out/a.wav/inside/"},
      // A position inside the cut is found after the audio of that file is written.
      {{"a.wav", "cut.wav", "z.wav"}, {"*.wav", ".", "0.5", "V=0"}, kInsideTheCut, 99, "a.wav* cut.wav z.wav"},
      {{"a.wav"}, {"a.wav", ".", "1", "L=2147483647", "V=0"},
       "fatal error: output would exceed the 4 GB size limit of a WAVE file\n", 99, "a.wav"},
#ifndef _WIN32
      // A full disk in the middle of the audio (past the writer's buffer), and at the last flush before the rename.
      {{"a.wav", "long.wav", "z.wav"}, {"*.wav", ".", "0.5", "U"},
       "Tune a.wav to ./a.wav by factor 0.500000\nTune long.wav to ./long.wav by factor 0.500000\n" + kCantWrite, 99,
       "a.wav* long.wav z.wav", LimitFileSize<300>},
      {{"long.wav", "out/"}, {"long.wav", "out", "4", "U", "V=0"}, kCantWrite, 99, "long.wav out/", LimitFileSize<64>},
#endif
  };
  for (const RunCase& c : cases) ExpectRun(c);
}

#ifndef _WIN32
// Ctrl-C, kill, a closed terminal in the middle of a set retuned in place, past more files than
// the interrupt handler has slots (each gives its slot back): the files before are retuned, the
// others are as they were, no temporary is left, and a shell sees the signal's exit status. One
// file at a time (J=1), so the temporary in sight tells which are done.
TEST(Reliability, SignalsLeaveFinishedFilesAndUntouchedSources) {
  const Bytes pipe = examples::SynthesizePipe({.note = 40, .bits = 24, .channels = 2, .seconds = 5}).bytes;
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal_number);
    ScratchDirectory dir;
    // More short pipes than the table has slots (the first with the longest name), then two long ones.
    std::map<std::string, Bytes> before = {{"y.wav", pipe}, {"z.wav", pipe}};
    for (int i = 0; i < platform::kTemporariesCleanedOnInterrupt + 2; ++i) {
      before[zelvanor::Format(i > 0 ? "a%03d.wav" : "a%03d-first.wav", i)] = SourceNamed("a.wav");
    }
    for (const auto& [name, bytes] : before) WriteFile(dir.path() / name, bytes);
    const pid_t child = StartProgram(ZELVANOR_EXECUTABLE, {"*.wav", ".", "0.2", "U", "J=1"}, dir.path(), -1);
    ASSERT_GT(child, 0);
    std::string busy;  // the source being retuned: y.wav, or z.wav after a slow look
    for (siginfo_t ended{}; busy < "y.wav" && ended.si_pid == 0;) {
      const std::vector<std::string> temporaries = TemporariesIn(dir.path());
      if (!temporaries.empty()) busy = temporaries[0].substr(1, 5);  // after the dot
      ::waitid(P_PID, static_cast<id_t>(child), &ended, WEXITED | WNOHANG | WNOWAIT);
    }
    ::kill(child, signal_number);
    EXPECT_EQ(WaitForExit(child), 128 + signal_number);
    ASSERT_TRUE(busy == "y.wav" || busy == "z.wav") << "the run ended before it could be interrupted";
    // The file in work may also have been finished between the look and the signal (on a busy machine).
    std::string expected, finished;
    for (const auto& [name, bytes] : before) {
      expected += name + (name < busy ? "* " : " ");
      finished += name + (name <= busy ? "* " : " ");
    }
    const std::string listing = Listing(dir.path(), before) + " ";
    EXPECT_TRUE(listing == expected || listing == finished) << listing;
  }
}

// SIGKILL at varying moments of a set retuned in place, one file or two at once: each pipe is its source or its
// complete retuned self, nothing else is left but temporaries of the set. (scripts/kill-test.sh kills far more often.)
TEST(Reliability, KilledInPlaceLeavesEachFileOldOrNew) {
  const Bytes pipe = examples::SynthesizePipe({.note = 40, .channels = 2, .seconds = 0.4}).bytes;
  ScratchDirectory retuned;
  WriteFile(retuned.path() / "a.wav", pipe);
  ASSERT_EQ(RunZelvanor({"a.wav", ".", "+100"}, retuned.path()).exit_code, 0);
  const Bytes after = ReadFile(retuned.path() / "a.wav");
  for (int kill = 0; kill < 24; ++kill) {
    ScratchDirectory dir;
    for (int i = 0; i < 6; ++i) WriteFile(dir.path() / zelvanor::Format("p%d.wav", i), pipe);
    const pid_t child = StartProgram(ZELVANOR_EXECUTABLE, {"*.wav", ".", "+100", kill % 2 ? "J=2" : "J=1"},
                                     dir.path(), -1);
    ::usleep(static_cast<useconds_t>(kill * 1500));
    ::kill(child, SIGKILL);
    WaitForExit(child);
    int pipes = 0;
    for (const std::string& name : ListDirectory(dir.path())) {
      if (name.size() == 23 && name[1] == 'p' && name.find(".wav.zelvanor-") == 3) continue;  // in flight
      const Bytes bytes = ReadFile(dir.path() / name);
      EXPECT_TRUE(bytes == pipe || bytes == after) << name;
      ++pipes;
    }
    EXPECT_EQ(pipes, 6);
  }
}
#endif

}  // namespace
}  // namespace zelvanor::testing
