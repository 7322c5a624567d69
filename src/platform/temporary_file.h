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

  // Whether a file finished for `final_path` would replace an existing one:
  // its bytes must then reach the disk before the rename (FlushToDisk), so
  // that a power cut leaves the old file or the new one, never a short one.
  // A new name needs no such wait.
  static bool WouldReplace(const std::string& final_path);

  // Starts writing the file's bytes to the disk without waiting for them,
  // where the system can be asked to.
  void StartWriteBack();

  // Waits until the file's bytes are on the disk; false when they cannot be
  // made safe.
  bool FlushToDisk();

  // The file at `final_path` opened for reading, to be held across the
  // rename that replaces it: the rename then only takes its name, and the
  // file is freed when the handle is closed (CloseHeld), by another thread.
  // kNoOsHandle where it cannot be held (on Windows a file held open
  // cannot be replaced).
  static OsHandle HoldReplaced(const std::string& final_path);
  static void CloseHeld(OsHandle replaced);

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
