#include "platform/output_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "run_program.h"

#ifdef _WIN32
#include "platform/windows/interrupt_cleanup.h"
#endif

namespace zelvanor::platform {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Names = std::vector<std::string>;
using zelvanor::testing::ListDirectory;
using zelvanor::testing::ReadFile;
using zelvanor::testing::ScratchDirectory;
using zelvanor::testing::WriteFile;

Bytes Pattern(std::size_t size, std::uint8_t seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 31);
  return bytes;
}

class OutputFileTest : public ::testing::Test {
 protected:
  std::string Final() const { return (dir_.path() / "pipe.wav").string(); }
  Names Entries() const { return ListDirectory(dir_.path()); }
  ScratchDirectory dir_;
};

TEST_F(OutputFileTest, NothingUnderTheFinalNameBeforeCommit) {
  OutputFile file;
  ASSERT_TRUE(file.Create(Final()));
  const Bytes bytes = Pattern(3 << 20, 1);  // more than the buffer: some bytes reach the disk
  file.Write(bytes.data(), bytes.size());
  EXPECT_EQ(file.Position(), bytes.size());
  EXPECT_FALSE(fs::exists(Final()));
  const Names during = Entries();
  ASSERT_EQ(during.size(), 1u);
#ifdef _WIN32
  // A short name keeps a path near the length limit under MAX_PATH.
  EXPECT_EQ(during[0].rfind("zlv", 0), 0u) << during[0];
  EXPECT_EQ(fs::path(during[0]).extension(), ".tmp") << during[0];
#else
  EXPECT_EQ(during[0].rfind("pipe.wav.", 0), 0u) << during[0];  // beside it, recognisable
#endif

  EXPECT_EQ(file.Commit(), OutputFile::CommitResult::kDone);
  EXPECT_EQ(Entries(), Names{"pipe.wav"});
  EXPECT_EQ(ReadFile(Final()), bytes);
}

TEST_F(OutputFileTest, DiscardAndDestructorLeaveNothingAndKeepAnOldFile) {
  WriteFile(Final(), std::string("previous run"));
  {
    OutputFile file;
    ASSERT_TRUE(file.Create(Final()));
    file.Write("new", 3);
    file.Discard();
    EXPECT_EQ(Entries(), Names{"pipe.wav"});
  }
  {
    OutputFile file;
    ASSERT_TRUE(file.Create(Final()));
    file.Write("new", 3);
  }
  EXPECT_EQ(Entries(), Names{"pipe.wav"});
  const Bytes old = ReadFile(Final());
  EXPECT_EQ(std::string(old.begin(), old.end()), "previous run");
}

TEST_F(OutputFileTest, CommitReplacesAnOldFile) {
  WriteFile(Final(), std::string("previous run, longer than the new one"));
  OutputFile file;
  ASSERT_TRUE(file.Create(Final()));
  file.Write("new", 3);
  EXPECT_EQ(file.Commit(), OutputFile::CommitResult::kDone);
  EXPECT_EQ(ReadFile(Final()), (Bytes{'n', 'e', 'w'}));
}

TEST_F(OutputFileTest, WriteAtReplacesBytesOnDiskAndInTheBuffer) {
  OutputFile file;
  ASSERT_TRUE(file.Create(Final()));
  Bytes expected = Pattern((1 << 20) + 1000, 7);
  // Two writes: the first is larger than the buffer and reaches the disk,
  // the second stays buffered; the boundary is at 1 MiB - 24.
  const std::size_t first = (1 << 20) - 24;
  file.Write(expected.data(), first);
  file.Write(expected.data() + first, expected.size() - first);

  const Bytes header = Pattern(12, 200);
  const Bytes across = Pattern(64, 100);
  const Bytes tail = Pattern(8, 50);
  file.WriteAt(0, header.data(), header.size());
  file.WriteAt(first - 32, across.data(), across.size());
  file.WriteAt(expected.size() - tail.size(), tail.data(), tail.size());
  std::copy(header.begin(), header.end(), expected.begin());
  std::copy(across.begin(), across.end(), expected.begin() + (first - 32));
  std::copy(tail.begin(), tail.end(), expected.end() - tail.size());

  EXPECT_TRUE(file.ok());
  EXPECT_EQ(file.Commit(), OutputFile::CommitResult::kDone);
  EXPECT_EQ(ReadFile(Final()), expected);
}

TEST_F(OutputFileTest, WriteAtBeyondTheEndFailsTheFile) {
  OutputFile file;
  ASSERT_TRUE(file.Create(Final()));
  file.Write("abcd", 4);
  file.WriteAt(2, "xyz", 3);
  EXPECT_FALSE(file.ok());
  file.WriteAt(UINT64_MAX, "x", 1);  // no wrap-around either
  EXPECT_EQ(file.Commit(), OutputFile::CommitResult::kWriteFailed);
  EXPECT_EQ(Entries(), Names{});
}

TEST_F(OutputFileTest, FailuresToCreateOrRename) {
  OutputFile file;
  EXPECT_FALSE(file.Create((dir_.path() / "missing" / "pipe.wav").string()));
  fs::create_directory(Final());  // the destination names a directory
  ASSERT_TRUE(file.Create(Final()));
  file.Write("abc", 3);
  EXPECT_EQ(file.Commit(), OutputFile::CommitResult::kRenameFailed);
  EXPECT_EQ(Entries(), Names{"pipe.wav"});
  EXPECT_TRUE(fs::is_directory(Final()));
}

TEST_F(OutputFileTest, VeryLongNameGetsAShortTemporary) {
  const std::string name(250, 'n');
  const std::string final_path = (dir_.path() / name).string();
  OutputFile file;
  ASSERT_TRUE(file.Create(final_path));
  file.Write("abc", 3);
  EXPECT_EQ(file.Commit(), OutputFile::CommitResult::kDone);
  EXPECT_EQ(Entries(), Names{name});
}

#ifndef _WIN32
TEST_F(OutputFileTest, InterruptRemovesTheTemporary) {
  for (const int signal_number : {SIGINT, SIGTERM}) {
    EXPECT_EXIT(
        {
          OutputFile file;
          if (!file.Create(Final())) std::_Exit(1);
          file.Write("partial", 7);
          std::raise(signal_number);
          std::_Exit(2);  // not reached: the signal ends the process
        },
        ::testing::KilledBySignal(signal_number), "");
    EXPECT_EQ(Entries(), Names{}) << "signal " << signal_number;
  }
}
#else
// What Ctrl+C, Ctrl+Break or closing the console does before the process
// ends: the open temporary goes, an existing destination stays, and an
// output already committed is left alone.
TEST_F(OutputFileTest, ConsoleInterruptDeletesTheOpenTemporary) {
  WriteFile(Final(), std::string("previous run"));
  OutputFile file;
  ASSERT_TRUE(file.Create(Final()));
  file.Write("partial", 7);
  windows::DeleteRememberedFiles();
  file.Discard();
  EXPECT_EQ(Entries(), Names{"pipe.wav"});
  EXPECT_EQ(ReadFile(Final()), Bytes(std::begin("previous run"), std::end("previous run") - 1));

  const std::string done = (dir_.path() / "done.wav").string();
  ASSERT_TRUE(file.Create(done));
  file.Write("complete", 8);
  ASSERT_EQ(file.Commit(), OutputFile::CommitResult::kDone);
  windows::DeleteRememberedFiles();
  EXPECT_EQ(Entries(), (Names{"done.wav", "pipe.wav"}));
}
#endif

}  // namespace
}  // namespace zelvanor::platform
