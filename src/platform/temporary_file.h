// The operating system's part of an OutputFile: a temporary file beside
// the destination, written at explicit offsets, then renamed into place or
// deleted. While it exists, an interrupt (Ctrl-C, a closed terminal or
// console) deletes it. One implementation per system; the buffering above
// it (output_file.cpp) is shared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/os_handle.h"

namespace zelvanor::platform {

// Temporary files that an interrupt is sure to remove when they exist at
// the same moment; a further one would be left behind by a signal. A run
// keeps at most one per file in flight: those its lanes work on and those
// finished and waiting for their turn.
inline constexpr int kTemporariesCleanedOnInterrupt = 64;

class TemporaryFile {
 public:
  TemporaryFile() = default;
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() { Delete(); }

  // Creates an empty temporary file in the folder of `beside`, the path
  // the output will have or one in a folder above it; false when it cannot
  // be made.
  bool Create(const std::string& beside);

  bool is_open() const { return handle_ != kNoOsHandle; }

  // Writes all of `data` at `offset`; false when the system refuses a part.
  bool WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size);

  // Called before the file replaces `final_path`; false when the written
  // bytes cannot be made safe on the disk.
  bool SyncBeforeReplacing(const std::string& final_path);

  // Closes the file; false when the system reports a late write error.
  bool Close();

  // Moves the closed file to `final_path`, replacing what is there; from
  // then on it is no longer temporary. False when it cannot (the file stays
  // temporary, for Delete).
  bool RenameTo(const std::string& final_path);

  // Closes and deletes the temporary file, if there is one.
  void Delete();

 private:
  OsHandle handle_ = kNoOsHandle;
  int interrupt_ticket_ = -1;
  std::string path_;  // empty once renamed or deleted
};

}  // namespace zelvanor::platform
