// Runs that end early never leave a partial file, never replace an existing
// one, and keep the outputs finished before: a destination that cannot
// take a new file, a fatal error in the middle of a file, a full disk (a
// file-size limit on the spawned program), and signals. Retuning in place
// (the destination is the source folder) is the hardest case: a source may
// be replaced only by its complete retuned file.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

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
      {.files = {"in/a.wav"}, .arguments = {"in/a.wav", "missing", "1"}, .output = CantCreate("missing", "a.wav"),
       .exit_code = 1, .after = "in/ in/a.wav"},
      {.files = {"in/a.wav", "notes.txt:not a folder"}, .arguments = {"in/a.wav", "notes.txt/out", "1"},
       .output = CantCreate("notes.txt/out", "a.wav"), .exit_code = 1, .after = "in/ in/a.wav notes.txt"},
      // The temporary file is made, the final name is a folder's.
      {.files = {"in/a.wav", "out/a.wav/inside/"}, .arguments = {"in/a.wav", "out", "1"},
       .output = "Tune in/a.wav to " + DestinationPath("out", "a.wav") + " by factor 1.000000\n" +
                 CantCreate("out", "a.wav"),
       .exit_code = 1, .after = "in/ in/a.wav out/ out/a.wav/ out/a.wav/inside/"},
      // A position inside the cut is found after the audio is written; with U nothing is cut.
      {.files = {"cut.wav", "out/cut.wav:previous result"}, .arguments = {"cut.wav", "out", "1"},
       .output = "Tune cut.wav to " + DestinationPath("out", "cut.wav") + " by factor 1.000000\n" + kInsideTheCut,
       .exit_code = 99, .after = "cut.wav out/ out/cut.wav"},
      {.files = {"cut.wav", "out/cut.wav:previous result"}, .arguments = {"cut.wav", "out", "1", "U", "V=0"},
       .after = "cut.wav out/ out/cut.wav*"},
      {.files = {"a.wav", "cut.wav", "z.wav"}, .arguments = {"*.wav", ".", "0.5", "V=0"}, .output = kInsideTheCut,
       .exit_code = 99, .after = "a.wav* cut.wav z.wav"},
      // Past a WAVE file's 4 GB: refused before anything is written.
      {.files = {"a.wav"}, .arguments = {"a.wav", ".", "1", "L=2147483647", "V=0"},
       .output = "fatal error: output would exceed the 4 GB size limit of a WAVE file\n", .exit_code = 99,
       .after = "a.wav"},
#ifndef _WIN32
      // A full disk in the middle of the audio (the output passes the
      // writer's buffer), and at the last flush before the rename.
      {.files = {"a.wav", "long.wav", "z.wav"}, .arguments = {"*.wav", ".", "0.5", "U"},
       .output = "Tune a.wav to ./a.wav by factor 0.500000\nTune long.wav to ./long.wav by factor 0.500000\n" +
                 kCantWrite,
       .exit_code = 99, .after = "a.wav* long.wav z.wav", .prepare = LimitFileSize<300>},
      {.files = {"long.wav", "out/"}, .arguments = {"long.wav", "out", "4", "U", "V=0"}, .output = kCantWrite,
       .exit_code = 99, .after = "long.wav out/", .prepare = LimitFileSize<64>},
#endif
  };
  for (const RunCase& c : cases) ExpectRun(c);
}

#ifndef _WIN32
// Ctrl-C, kill, a closed terminal in the middle of the second file of a
// set retuned in place: the first is retuned, the others are as they
// were, no temporary is left, and a shell sees the signal's exit status.
TEST(Reliability, SignalsLeaveFinishedFilesAndUntouchedSources) {
  const Bytes pipe = examples::SynthesizePipe({.note = 40, .bits = 24, .channels = 2, .seconds = 5}).bytes;
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal_number);
    ScratchDirectory dir;
    for (const char* name : {"a.wav", "b.wav", "c.wav"}) WriteFile(dir.path() / name, pipe);
    const pid_t child = StartProgram(ZELVANOR_EXECUTABLE, {"*.wav", ".", "0.2", "U"}, dir.path(), -1);
    ASSERT_GT(child, 0);
    bool caught = false;
    siginfo_t ended{};
    for (int tries = 0; tries < 40000 && !caught && ended.si_pid == 0; ++tries) {
      const std::vector<std::string> temporaries = TemporariesIn(dir.path());
      caught = !temporaries.empty() && temporaries[0].rfind("b.wav", 0) == 0;
      std::this_thread::sleep_for(std::chrono::microseconds(caught ? 0 : 100));
      ::waitid(P_PID, static_cast<id_t>(child), &ended, WEXITED | WNOHANG | WNOWAIT);
    }
    ::kill(child, signal_number);
    EXPECT_EQ(WaitForExit(child), 128 + signal_number);
    ASSERT_TRUE(caught) << "the run ended before it could be interrupted";
    const std::map<std::string, Bytes> before = {{"a.wav", pipe}, {"b.wav", pipe}, {"c.wav", pipe}};
    EXPECT_EQ(Listing(dir.path(), before), "a.wav* b.wav c.wav");
  }
}
#endif

}  // namespace
}  // namespace zelvanor::testing
