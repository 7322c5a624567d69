// File access that differs between operating systems. Nothing outside
// src/platform includes an operating-system header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/os_handle.h"

namespace zelvanor::platform {

// Size of the file at `path` by its status; nothing when the status cannot
// be read.
std::optional<std::uint64_t> FileSize(const std::string& path);

bool IsRegularFile(const std::string& path);

// A file opened for reading raw bytes; closed by the destructor.
class InputFile {
 public:
  InputFile() = default;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile();

  bool Open(const std::string& path);
  // Up to `size` bytes; 0 at the end of the file or on a read error.
  std::size_t Read(std::uint8_t* into, std::size_t size);
  void Close();

 private:
  OsHandle handle_ = kNoOsHandle;
};

// The whole file, or nothing when it cannot be opened.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path);

bool RemoveFile(const std::string& path);

}  // namespace zelvanor::platform
