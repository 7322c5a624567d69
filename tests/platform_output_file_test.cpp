#include "platform/output_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "scratch_directory.h"

#ifdef _WIN32
#include "platform/windows/interrupt_cleanup.h"
#endif

namespace zelvanor::platform {
namespace {

using testing_support::ScratchDirectory;
using Names = std::vector<std::string>;

std::vector<std::uint8_t> Pattern(std::size_t size, unsigned seed) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>((i * 131 + seed) >> 3);
  return bytes;
}

TEST(OutputFile, AppearsOnlyWhenCommitted) {
  ScratchDirectory dir;
  dir.WriteBytes("pipe.wav", {1, 2, 3});
  const std::vector<std::uint8_t> bytes = Pattern(1000, 7);
  {
    OutputFile out;
    ASSERT_TRUE(out.Create(dir.Str("pipe.wav")));
    out.Write(bytes.data(), bytes.size());
    EXPECT_EQ(out.Position(), 1000u);
    // Until the commit the old file is untouched beside the temporary.
    EXPECT_EQ(dir.ReadBytes("pipe.wav"), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(dir.Names().size(), 2u);
    EXPECT_EQ(out.Commit(), OutputFile::CommitResult::kDone);
  }
  EXPECT_EQ(dir.Names(), Names{"pipe.wav"});
  EXPECT_EQ(dir.ReadBytes("pipe.wav"), bytes);
}

TEST(OutputFile, DiscardAndDestructorLeaveNothing) {
  ScratchDirectory dir;
  dir.WriteBytes("kept.wav", {9});
  {
    OutputFile out;
    ASSERT_TRUE(out.Create(dir.Str("kept.wav")));
    out.Write("abc", 3);
    out.Discard();
    EXPECT_EQ(out.Commit(), OutputFile::CommitResult::kWriteFailed);
  }
  {
    OutputFile out;
    ASSERT_TRUE(out.Create(dir.Str("new.wav")));
    const std::vector<std::uint8_t> big = Pattern(3 << 20, 1);  // reaches the disk before the end
    out.Write(big.data(), big.size());
  }
  EXPECT_EQ(dir.Names(), Names{"kept.wav"});
  EXPECT_EQ(dir.ReadBytes("kept.wav"), std::vector<std::uint8_t>{9});
}

// The final header rewrite lands partly in bytes already flushed and partly
// in the buffer; both parts, and writes of every size around the buffer's,
// must come out in place.
TEST(OutputFile, RewritesAcrossFlushedAndBufferedBytes) {
  ScratchDirectory dir;
  std::vector<std::uint8_t> expected;
  OutputFile out;
  ASSERT_TRUE(out.Create(dir.Str("out.wav")));
  for (const std::size_t size : {std::size_t{12}, std::size_t{(1 << 20) - 5}, std::size_t{1 << 20},
                                 std::size_t{3}, std::size_t{(2 << 20) + 1}, std::size_t{700}}) {
    const std::vector<std::uint8_t> piece = Pattern(size, static_cast<unsigned>(size));
    out.Write(piece.data(), piece.size());
    expected.insert(expected.end(), piece.begin(), piece.end());
  }
  const std::vector<std::uint8_t> header = Pattern(8, 99);
  out.WriteAt(4, header.data(), header.size());
  std::copy(header.begin(), header.end(), expected.begin() + 4);
  const std::vector<std::uint8_t> straddle = Pattern(1000, 5);
  const std::uint64_t straddle_at = out.Position() - 1200;  // last flush boundary lies inside
  out.WriteAt(straddle_at, straddle.data(), straddle.size());
  std::copy(straddle.begin(), straddle.end(), expected.begin() + static_cast<std::ptrdiff_t>(straddle_at));
  out.WriteAt(out.Position() - 2, "zz", 2);
  expected[expected.size() - 2] = 'z';
  expected[expected.size() - 1] = 'z';
  EXPECT_TRUE(out.ok());
  ASSERT_EQ(out.Commit(), OutputFile::CommitResult::kDone);
  EXPECT_EQ(dir.ReadBytes("out.wav"), expected);
}

TEST(OutputFile, FailureIsStickyAndLeavesNothing) {
  ScratchDirectory dir;
  OutputFile out;
  ASSERT_TRUE(out.Create(dir.Str("out.wav")));
  out.Write("RIFF", 4);
  out.WriteAt(2, "abc", 3);  // reaches past what was written
  EXPECT_FALSE(out.ok());
  out.Write("more", 4);
  out.WriteAt(0, "R", 1);
  EXPECT_FALSE(out.ok());
  EXPECT_EQ(out.Commit(), OutputFile::CommitResult::kWriteFailed);
  EXPECT_TRUE(dir.Names().empty());

  OutputFile huge;
  ASSERT_TRUE(huge.Create(dir.Str("huge.wav")));
  huge.Write("RIFF", 4);
  huge.WriteAt(UINT64_MAX - 1, "ab", 2);  // an offset whose end would wrap
  EXPECT_FALSE(huge.ok());
}

TEST(OutputFile, CreationAndRenameFailures) {
  ScratchDirectory dir;
  OutputFile out;
  EXPECT_FALSE(out.Create(dir.Str("missing") + "/out.wav"));
  EXPECT_EQ(out.Commit(), OutputFile::CommitResult::kWriteFailed);

  // A destination that names a directory is not replaced.
  std::filesystem::create_directory(dir.path() / "taken.wav");
  ASSERT_TRUE(out.Create(dir.Str("taken.wav")));
  out.Write("data", 4);
  EXPECT_EQ(out.Commit(), OutputFile::CommitResult::kRenameFailed);
  EXPECT_EQ(dir.Names(), Names{"taken.wav"});
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "taken.wav"));
}

#ifdef _WIN32
// What Ctrl+C does to an output in the making: the open temporary goes,
// an existing destination stays.
TEST(OutputFile, ConsoleInterruptDeletesTheOpenTemporary) {
  ScratchDirectory dir;
  dir.WriteBytes("pipe.wav", {4, 5});
  OutputFile out;
  ASSERT_TRUE(out.Create(dir.Str("pipe.wav")));
  out.Write("partial", 7);
  windows::DeleteRememberedFiles();
  out.Discard();
  EXPECT_EQ(dir.Names(), Names{"pipe.wav"});
  EXPECT_EQ(dir.ReadBytes("pipe.wav"), (std::vector<std::uint8_t>{4, 5}));

  // A committed output is forgotten: a later interrupt leaves it alone.
  ASSERT_TRUE(out.Create(dir.Str("done.wav")));
  out.Write("complete", 8);
  ASSERT_EQ(out.Commit(), OutputFile::CommitResult::kDone);
  windows::DeleteRememberedFiles();
  EXPECT_EQ(dir.Names(), (Names{"done.wav", "pipe.wav"}));
}
#endif

}  // namespace
}  // namespace zelvanor::platform
