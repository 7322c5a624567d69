#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "scratch_directory.h"

namespace zelvanor::platform {
namespace {

using testing_support::ScratchDirectory;

TEST(FileSystem, StatusOfFilesDirectoriesAndMissingPaths) {
  ScratchDirectory dir;
  dir.WriteBytes("five.wav", {1, 2, 3, 4, 5});
  std::filesystem::create_directory(dir.path() / "sub");
  EXPECT_EQ(FileSize(dir.Str("five.wav")), 5u);
  EXPECT_TRUE(IsRegularFile(dir.Str("five.wav")));
  EXPECT_TRUE(FileSize(dir.Str("sub")).has_value());
  EXPECT_FALSE(IsRegularFile(dir.Str("sub")));
  EXPECT_FALSE(FileSize(dir.Str("missing.wav")).has_value());
  EXPECT_FALSE(IsRegularFile(dir.Str("missing.wav")));
}

TEST(FileSystem, ReadsWholeFilesByteForByte) {
  ScratchDirectory dir;
  // Larger than one read block, and full of the bytes a text mode would
  // change (CR, LF, Ctrl-Z).
  std::vector<std::uint8_t> bytes(200001);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>("\r\n\x1a\0ab"[i % 6]);
  dir.WriteBytes("big.wav", bytes);
  EXPECT_EQ(ReadWholeFile(dir.Str("big.wav")), bytes);
  dir.WriteBytes("empty.wav", {});
  EXPECT_EQ(ReadWholeFile(dir.Str("empty.wav")), std::vector<std::uint8_t>{});
  EXPECT_FALSE(ReadWholeFile(dir.Str("missing.wav")).has_value());

  InputFile file;
  EXPECT_EQ(file.Read(bytes.data(), 1), 0u);  // nothing open yet
  ASSERT_TRUE(file.Open(dir.Str("big.wav")));
  std::vector<std::uint8_t> head(4);
  EXPECT_EQ(file.Read(head.data(), head.size()), 4u);
  EXPECT_EQ(head, (std::vector<std::uint8_t>{'\r', '\n', 0x1a, 0}));
  file.Close();
  EXPECT_EQ(file.Read(head.data(), head.size()), 0u);
}

TEST(FileSystem, ReadsAFileAnotherProgramIsWriting) {
  ScratchDirectory dir;
  std::ofstream writer(dir.path() / "open.wav", std::ios::binary);
  writer << "RIFF";
  writer.flush();
  EXPECT_EQ(ReadWholeFile(dir.Str("open.wav")), (std::vector<std::uint8_t>{'R', 'I', 'F', 'F'}));
}

TEST(FileSystem, RemovesFilesOnce) {
  ScratchDirectory dir;
  dir.WriteBytes("gone.wav", {0});
  EXPECT_TRUE(RemoveFile(dir.Str("gone.wav")));
  EXPECT_FALSE(RemoveFile(dir.Str("gone.wav")));
  EXPECT_TRUE(dir.Names().empty());
}

}  // namespace
}  // namespace zelvanor::platform
