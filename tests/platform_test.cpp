// The operating-system layer: the atomic output file, pattern matching and
// whole-file reads, on each system by its own rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "platform/directory.h"
#include "platform/file_system.h"
#include "platform/output_file.h"
#include "reliability_support.h"

#ifdef _WIN32
#include "platform/windows/interrupt_cleanup.h"
#endif

namespace zelvanor::testing {
namespace {

using platform::OutputFile;
using Names = std::vector<std::string>;

// The final header rewrite lands on bytes already on disk, on bytes still
// buffered and across both; nothing has the final name before Commit. Sources
// are read as they are on disk, never as text, also while a program writes them.
TEST(Platform, OutputFilesAndWholeFileReads) {
  ScratchDirectory dir;
  const std::string final_path = (dir.path() / "pipe.wav").string();
  Bytes expected((3 << 20) + 1000);
  for (std::size_t i = 0; i < expected.size(); ++i) expected[i] = static_cast<std::uint8_t>(7 + i * 31);
  OutputFile file;
  ASSERT_TRUE(file.Create(final_path));
  const std::size_t first = (3 << 20) - 24;  // more than the buffer: after 24 buffered bytes, this reaches the disk
  file.Write(expected.data(), 24);
  file.Write(expected.data() + 24, first - 24);
  file.Write(expected.data() + first, expected.size() - first);
  EXPECT_EQ(ListDirectory(dir.path()), TemporariesIn(dir.path()));
  EXPECT_EQ(TemporariesIn(dir.path()).size(), 1u);
  for (const std::size_t at : {std::size_t{0}, first - 32, expected.size() - 8}) {
    const Bytes patch(at == first - 32 ? 64 : 1, static_cast<std::uint8_t>(at));  // one byte: the shortest write
    file.WriteAt(at, patch.data(), patch.size());
    std::copy(patch.begin(), patch.end(), expected.begin() + static_cast<std::ptrdiff_t>(at));
  }
  EXPECT_EQ(file.Commit(), OutputFile::CommitResult::kDone);
  EXPECT_EQ(ListDirectory(dir.path()), Names{"pipe.wav"});
  EXPECT_TRUE(platform::ReadWholeFile(final_path) == expected);  // every byte value, CR LF and Ctrl-Z included

  // A rewrite beyond the end fails the file, which then leaves nothing.
  ASSERT_TRUE(file.Create((dir.path() / "b.wav").string()));
  file.Write("abcd", 4);
  file.WriteAt(2, "xyz", 3);
  EXPECT_EQ(file.Commit(), OutputFile::CommitResult::kWriteFailed);
  EXPECT_EQ(ListDirectory(dir.path()), Names{"pipe.wav"});
  // A name as long as a file name may be still gets a temporary beside it: an anonymous one, and the name's own
  // (.NAME.zelvanor-XXXXXX, 255 characters) up to 238 characters.
  for (const std::size_t length : {250, 238}) {
    ASSERT_TRUE(file.Create((dir.path() / std::string(length, 'n')).string()));
    file.Write("abc", 3);
#ifndef _WIN32
    EXPECT_EQ(TemporariesIn(dir.path()).at(0).size(), length == 250 ? 16u : 255u);
#endif
    EXPECT_EQ(file.Commit(), OutputFile::CommitResult::kDone);
  }
  EXPECT_EQ(ListDirectory(dir.path()), (Names{std::string(238, 'n'), std::string(250, 'n'), "pipe.wav"}));

  std::ofstream writer(dir.path() / "open.wav", std::ios::binary);
  writer << "RIFF" << std::flush;
  EXPECT_EQ(platform::ReadWholeFile((dir.path() / "open.wav").string()), (Bytes{'R', 'I', 'F', 'F'}));
  // An output gets the permissions of any new file (the umask's), not a temporary's private ones.
  EXPECT_EQ(fs::status(final_path).permissions(), fs::status(dir.path() / "open.wav").permissions());
  EXPECT_FALSE(platform::ReadWholeFile((dir.path() / "missing.wav").string()).has_value());
}

#ifdef _WIN32
// Ctrl+C, Ctrl+Break or a closed console: the open temporary goes before
// the process ends, an existing destination and a committed output stay.
TEST(Platform, ConsoleInterruptDeletesTheOpenTemporary) {
  ScratchDirectory dir;
  WriteFile(dir.path() / "old.wav", std::string("previous run"));
  OutputFile done;
  ASSERT_TRUE(done.Create((dir.path() / "done.wav").string()));
  ASSERT_EQ(done.Commit(), OutputFile::CommitResult::kDone);
  OutputFile file;
  ASSERT_TRUE(file.Create((dir.path() / "old.wav").string()));
  file.Write("partial", 7);
  platform::windows::DeleteRememberedFiles();
  file.Discard();  // an open file deleted goes with its last handle, as when the process ends
  EXPECT_EQ(ListDirectory(dir.path()), (Names{"done.wav", "old.wav"}));
  EXPECT_EQ(ReadText(dir.path() / "old.wav"), "previous run");
}
#endif

#ifdef __linux__
// A mapped source cannot shrink under the program (a read of a lost page
// would kill it): another process's truncation waits until the file is
// released, and the notice of it does not end the process.
TEST(Platform, MappedSourceHoldsOffATruncation) {
  ScratchDirectory dir;
  const fs::path path = dir.path() / "pipe.wav";
  WriteFile(path, Bytes(1 << 20, 7));
  platform::MappedFile mapped;
  ASSERT_TRUE(mapped.Map(path.string()));
  const pid_t child = StartProgram("/bin/sh", {"-c", ": >pipe.wav"}, dir.path(), -1);
  ::usleep(200000);  // the truncation is under way
  EXPECT_EQ(std::count(mapped.data(), mapped.data() + mapped.size(), 7), 1 << 20);
  mapped.Release();
  EXPECT_EQ(WaitForExit(child), 0);
  EXPECT_EQ(fs::file_size(path), 0u);
}
#endif

TEST(Platform, MatchFilesTakesRegularFilesInAReproducibleOrder) {
  ScratchDirectory dir;
  for (const char* name : {"b.wav", "a.wav", "B2.wav", "A10.wav", "A9.wav", ".hidden.wav", "036-C.WAV", "notes.txt"}) {
    WriteFile(dir.path() / name, std::string("x"));
  }
  fs::create_directory(dir.path() / "folder.wav");
  const auto match = [&](const std::string& pattern) { return platform::MatchFiles((dir.path() / pattern).string()); };
#ifndef _WIN32
  // Shell wildcards, case counts, bytewise order; hidden files only by name.
  fs::create_symlink(dir.path() / "a.wav", dir.path() / "link.wav");
  fs::create_symlink(dir.path() / "missing", dir.path() / "dangling.wav");
  EXPECT_EQ(match("*.wav"), (Names{"A10.wav", "A9.wav", "B2.wav", "a.wav", "b.wav", "link.wav"}));
  EXPECT_EQ(match("[ab].wav"), (Names{"a.wav", "b.wav"}));
  EXPECT_EQ(match(".hidden.wav"), Names{".hidden.wav"});
#else
  // Windows' own rules, the ones Explorer and cmd.exe follow: case does not
  // count, the file system's order, a leading dot is nothing special.
  EXPECT_EQ(match("*.wav"), (Names{".hidden.wav", "036-C.WAV", "a.wav", "A10.wav", "A9.wav", "b.wav", "B2.wav"}));
  EXPECT_EQ(match("A.WAV"), Names{"a.wav"});
  EXPECT_EQ(platform::MatchFiles(dir.path().string() + "/b*.wav"), (Names{"b.wav", "B2.wav"}));
#endif
  EXPECT_EQ(match("folder.wav"), Names{});
  EXPECT_EQ(match("missing/*.wav"), Names{});
}

TEST(Platform, MatchFilesOverFolders) {
  ScratchDirectory dir;
  for (const char* name : {"o/a/x.wav", "o/a/b/x.wav", "o/a/b/y.wav", "o/x.wav", "o/.h/x.wav", "o/c.wav/x.wav"}) {
    fs::create_directories((dir.path() / name).parent_path());
    WriteFile(dir.path() / name, std::string("x"));
  }
  const auto match = [&](const std::string& pattern) {
    Names found = platform::MatchFiles(dir.path().string() + "/" + pattern);
    for (std::string& path : found) std::replace(path.begin(), path.end(), '\\', '/');
    return found;
  };
  // A level per component, either separator, a plain name after a wildcard.
  EXPECT_EQ(match("o/*\\b/*.wav"), (Names{"a/b/x.wav", "a/b/y.wav"}));
  EXPECT_EQ(match("o/**/y.wav"), Names{"a/b/y.wav"});
#ifndef _WIN32
  // "**" for no folder too, into no link, no hidden folder unless its dot is spelled.
  fs::create_directory_symlink(dir.path() / "o" / "a", dir.path() / "o" / "l");
  EXPECT_EQ(match("o/**/x.wav"), (Names{"a/b/x.wav", "a/x.wav", "c.wav/x.wav", "x.wav"}));
  EXPECT_EQ(match("o/*/x.wav"), (Names{"a/x.wav", "c.wav/x.wav", "l/x.wav"}));
  EXPECT_EQ(match("o/.*/x.wav"), Names{".h/x.wav"});
#else
  // Each folder as listed, its own files first; a dot is nothing special.
  EXPECT_EQ(match("o/**/x.wav"), (Names{"x.wav", ".h/x.wav", "a/x.wav", "a/b/x.wav", "c.wav/x.wav"}));
#endif
}

}  // namespace
}  // namespace zelvanor::testing
