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
// A folder, or a link to one.
bool IsDirectory(const std::string& path);

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

// A whole file mapped into memory for reading, so that its bytes are not
// copied at all. A mapped file that shrinks under the program would make
// the next read of a lost page kill the process (SIGBUS), so a file is
// mapped only where the system can hold that off: on Linux, under a read
// lease, which makes any other process that opens the file for writing or
// truncates it wait until the mapping is released (or, if the program is
// held up, for the system's lease-break time, 45 s by default). Elsewhere,
// and where no lease can be had (a file of another user, a file open for
// writing, a file system without leases), Map declines and the caller
// reads the file instead.
class MappedFile {
 public:
  MappedFile() = default;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile() { Release(); }

  // Maps the file at `path`, releasing any earlier one; false (and nothing
  // mapped) when it cannot be mapped safely or is empty.
  bool Map(const std::string& path);
  const std::uint8_t* data() const { return data_; }
  std::uint64_t size() const { return size_; }
  // Unmaps the file and lets writers at it again.
  void Release();

 private:
  OsHandle handle_ = kNoOsHandle;
  const std::uint8_t* data_ = nullptr;
  std::uint64_t size_ = 0;
};

// The whole file, or nothing when it cannot be opened.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path);

bool RemoveFile(const std::string& path);

// One new folder, in a folder that is there; false when it cannot be made
// (it is there already, say).
bool MakeFolder(const std::string& path);

// Creates the folders on the way to the file at `path` that come after its
// first `existing` characters (a folder that must be there already, with
// its separator) and are missing, with the permissions of any new folder
// (0777 under the umask on POSIX, the parent's inherited on Windows). True
// when they are all there afterwards; nothing to do when `existing` is
// std::string::npos.
bool CreateMissingFolders(const std::string& path, std::size_t existing);

}  // namespace zelvanor::platform
