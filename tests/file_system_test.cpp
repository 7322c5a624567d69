#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "run_program.h"

namespace zelvanor::platform {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using zelvanor::testing::ListDirectory;
using zelvanor::testing::ScratchDirectory;
using zelvanor::testing::WriteFile;

std::string At(const ScratchDirectory& dir, const std::string& name) {
  return (dir.path() / name).string();
}

TEST(FileSystem, StatusOfFilesDirectoriesAndMissingPaths) {
  ScratchDirectory dir;
  WriteFile(dir.path() / "five.wav", Bytes{1, 2, 3, 4, 5});
  fs::create_directory(dir.path() / "sub");
  EXPECT_EQ(FileSize(At(dir, "five.wav")), 5u);
  EXPECT_TRUE(IsRegularFile(At(dir, "five.wav")));
  EXPECT_TRUE(FileSize(At(dir, "sub")).has_value());
  EXPECT_FALSE(IsRegularFile(At(dir, "sub")));
  EXPECT_FALSE(FileSize(At(dir, "missing.wav")).has_value());
  EXPECT_FALSE(IsRegularFile(At(dir, "missing.wav")));
}

TEST(FileSystem, ReadsWholeFilesByteForByte) {
  ScratchDirectory dir;
  // Larger than one read block, and full of the bytes a text mode would
  // change (CR, LF, Ctrl-Z).
  Bytes bytes(200001);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>("\r\n\x1a\0ab"[i % 6]);
  WriteFile(dir.path() / "big.wav", bytes);
  EXPECT_EQ(ReadWholeFile(At(dir, "big.wav")), bytes);
  WriteFile(dir.path() / "empty.wav", Bytes{});
  EXPECT_EQ(ReadWholeFile(At(dir, "empty.wav")), Bytes{});
  EXPECT_FALSE(ReadWholeFile(At(dir, "missing.wav")).has_value());

  InputFile file;
  EXPECT_EQ(file.Read(bytes.data(), 1), 0u);  // nothing open yet
  ASSERT_TRUE(file.Open(At(dir, "big.wav")));
  Bytes head(4);
  EXPECT_EQ(file.Read(head.data(), head.size()), 4u);
  EXPECT_EQ(head, (Bytes{'\r', '\n', 0x1a, 0}));
  file.Close();
  EXPECT_EQ(file.Read(head.data(), head.size()), 0u);
}

TEST(FileSystem, ReadsAFileAnotherProgramIsWriting) {
  ScratchDirectory dir;
  std::ofstream writer(dir.path() / "open.wav", std::ios::binary);
  writer << "RIFF";
  writer.flush();
  EXPECT_EQ(ReadWholeFile(At(dir, "open.wav")), (Bytes{'R', 'I', 'F', 'F'}));
}

TEST(FileSystem, RemovesFilesOnce) {
  ScratchDirectory dir;
  WriteFile(dir.path() / "gone.wav", Bytes{0});
  EXPECT_TRUE(RemoveFile(At(dir, "gone.wav")));
  EXPECT_FALSE(RemoveFile(At(dir, "gone.wav")));
  EXPECT_TRUE(ListDirectory(dir.path()).empty());
}

}  // namespace
}  // namespace zelvanor::platform
