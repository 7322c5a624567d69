// Files retuned side by side (J=n) must be indistinguishable from a run one
// file after another: the same standard output byte for byte, the same
// files, the same exit code, also when the batch stops in the middle. Each
// batch runs the built program at J=1, 2 and 7, every time in a fresh copy
// of the same folder, and everything observable is compared.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "examples/example_pipes.h"
#include "reliability_support.h"

namespace zelvanor::testing {
namespace {

namespace fs = std::filesystem;

// Every file below `root` by its relative path, with its bytes: outputs,
// sources retuned in place, and any temporary left behind; every folder.
std::map<std::string, Bytes> Snapshot(const fs::path& root) {
  std::map<std::string, Bytes> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string path = fs::relative(entry.path(), root).generic_string();
    if (entry.is_regular_file()) files[path] = ReadFile(entry.path());
    if (entry.is_directory()) files[path + "/"] = {};
  }
  return files;
}

struct Batch {
  const char* name;
  std::vector<std::string> words;  // J=n is added
  int exit_code;
  const char* shows;  // part of what the J=1 run prints
  std::function<void(const fs::path&)> prepare = {};
};

void PrintTo(const Batch& row, std::ostream* out) { *out << row.name; }

// Eight pipes of three formats and lengths, so that the lanes finish out of
// order, in in/; out/ exists.
void EightPipes(const fs::path& root) {
  fs::create_directories(root / "in");
  fs::create_directories(root / "out");
  for (int i = 0; i < 8; ++i) {
    const examples::PipeSpec spec{.note = 36 + i, .bits = i % 3 == 2 ? 24 : 16, .channels = 1 + i % 3,
                                  .seconds = 0.15 + 0.1 * (i % 4), .seed = static_cast<std::uint32_t>(i)};
    WriteFile(root / "in" / examples::PipeFileName(36 + i), examples::SynthesizePipe(spec).bytes);
  }
}

// A cue point inside the cut region (loop end 50000, release 70000): found
// by the writer after the audio, so the file fails while it is written.
Bytes FailsWhileWritten() {
  const std::vector<CuePoint> cues = {{.id = 1}, {.id = 2, .offset = 70000}, {.id = 3, .position = 60000}};
  return WaveBuilder().Fmt({.channels = 2}).Data(Bytes(300000, 7)).Cue(cues).Smpl({{.start = 10000, .end = 50000}})
      .Build();
}

void FatalInTheMiddle(const fs::path& root) {
  EightPipes(root);
  WriteFile(root / "in" / "040-E.wav", FailsWhileWritten());
}

// The same in four folders below in/, the third's first pipe failing.
void FatalInAFolder(const fs::path& root) {
  FatalInTheMiddle(root);
  int i = 0;
  for (const std::string& name : ListDirectory(root / "in")) {
    const fs::path rank = root / "in" / std::to_string(i++ / 2);
    fs::create_directories(rank);
    fs::rename(root / "in" / name, rank / name);
  }
}

const Batch kBatches[] = {
    {"AllGood", {"in/*.wav", "out", "+100", "V=5"}, 0, "043-G.wav tuning by factor 1.059463"},
    {"FatalInTheMiddle", {"in/*.wav", "out", "0.7", "V=3"}, 99, "0.700000\nfatal error: Illegal", FatalInTheMiddle},
    {"FatalInAFolder", {"in/*/*.wav", "out", "0.7", "V=3"}, 99, "0.700000\nfatal error: Illegal", FatalInAFolder},
    {"FatalInPlace", {"in/*.wav", "in", "Werckmeister_III", "V=2"}, 99, "1.001130\nfatal error: Illegal",
     FatalInTheMiddle},
    {"NotRiffSkipped", {"in/*.wav", "out", "1.3", "V=4"}, 0, "in/039-D#.wav is not a RIFF-file\n",
     [](const fs::path& root) {
       EightPipes(root);
       WriteFile(root / "in" / "039-D#.wav", std::string("a text file, not a recorded pipe\n"));
     }},
    {"DestinationMissing", {"in/*.wav", "nowhere", "2", "V=1"}, 1, "can't create new file nowhere"},
    {"DestinationIsAFolder", {"in/*.wav", "out", "-35", "V=1"}, 1, "0.979986\ncan't create new file out",
     [](const fs::path& root) {
       EightPipes(root);
       fs::create_directories(root / "out" / "041-F.wav");
     }},
    // A long pipe first: the lanes behind it finish short ones, which wait
    // for their turn until every record is taken, then wait themselves.
    {"LongFileFirst", {"in/*.wav", "out", "-100", "V=5"}, 0, "035-B.wav tuning by factor 0.943874",
     [](const fs::path& root) {
       fs::create_directories(root / "in");
       fs::create_directories(root / "out");
       for (int i = 0; i < 20; ++i) {
         const examples::PipeSpec spec{.note = 35 + i, .channels = i == 0 ? 2 : 1, .seconds = i == 0 ? 8.0 : 0.15};
         WriteFile(root / "in" / examples::PipeFileName(35 + i), examples::SynthesizePipe(spec).bytes);
       }
     }},
    {"NoteNotFound", {"in/*.wav", "out", "Kellner", "T=Equal"}, 99, "can't guess notename from filename in/037-pipe",
     [](const fs::path& root) {
       EightPipes(root);
       WriteFile(root / "in" / "037-pipe.wav", examples::SynthesizePipe({}).bytes);
     }},
    // A= and M measure side by side too; the first pipe in file order that stops A= is the one named.
    {"PitchStandard", {"in/*.wav", "out", "Equal", "A=430", "S", "V=2"}, 0, "Pitch of in/043-G.wav: note G, 97.999"},
    {"PitchReport", {"in/*.wav", "out", "Kellner", "M"}, 0, "in/043-G.wav G: target 98.309 Hz, measured 98.000"},
    {"SafetyStop", {"in/*.wav", "out", "Equal", "A=440", "S"}, 99, "037-C#.wav: correction of +500.00 cents",
     [](const fs::path& root) {
       EightPipes(root);
       for (const int note : {37, 42}) {
         WriteFile(root / "in" / examples::PipeFileName(note), examples::SynthesizePipe({.note = note + 7}).bytes);
       }
     }},
};

class ParallelRun : public ::testing::TestWithParam<Batch> {};

TEST_P(ParallelRun, SameOutputFilesAndExitCodeAtEveryJ) {
  const Batch& batch = GetParam();
  ZelvanorRun sequential;
  std::map<std::string, Bytes> sequential_files;
  for (const std::string lanes : {"J=1", "J=2", "J=7"}) {
    ScratchDirectory dir;
    (batch.prepare ? batch.prepare : EightPipes)(dir.path());
    std::vector<std::string> words = batch.words;
    words.insert(words.begin() + 3, lanes);  // before V=, which would report it
    const ZelvanorRun run = RunZelvanor(words, dir.path());
    const std::map<std::string, Bytes> files = Snapshot(dir.path());
    if (lanes == "J=1") {  // one file after another: does what the batch is about
      EXPECT_EQ(run.exit_code, batch.exit_code) << run.output;
      EXPECT_NE(run.output.find(batch.shows), std::string::npos) << run.output;
      EXPECT_EQ(TemporariesIn(dir.path() / "out"), std::vector<std::string>{});
      EXPECT_EQ(TemporariesIn(dir.path() / "in"), std::vector<std::string>{});
      sequential = run;
      sequential_files = files;
      continue;
    }
    EXPECT_EQ(run.exit_code, sequential.exit_code) << lanes;
    EXPECT_EQ(run.output, sequential.output) << lanes;
    EXPECT_TRUE(files == sequential_files) << lanes << ": the files differ";
  }
}

INSTANTIATE_TEST_SUITE_P(Batches, ParallelRun, ::testing::ValuesIn(kBatches),
                         [](const auto& batch) { return std::string(batch.param.name); });

}  // namespace
}  // namespace zelvanor::testing
