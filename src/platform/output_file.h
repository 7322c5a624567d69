// An output that appears under its name only when it is complete: bytes go
// through a buffer into a temporary file in the destination's directory,
// and Commit renames it into place. Anything else (an error, an exception
// unwinding, the destructor) deletes the temporary file, so a failed run
// leaves no partial file and never replaces an existing one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/temporary_file.h"

namespace zelvanor::platform {

class OutputFile {
 public:
  enum class CommitResult { kDone, kWriteFailed, kRenameFailed };

  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  // Creates the temporary file for `final_path`; false when it cannot be
  // made. The folders of `final_path` after its first `new_folders_from`
  // characters may be missing: Commit makes them (CreateMissingFolders)
  // just before the rename, and the temporary waits meanwhile in the
  // deepest of them that is there, so that an output that never comes
  // leaves no empty folder behind. By default the folder must be there.
  bool Create(const std::string& final_path, std::size_t new_folders_from = std::string::npos);

  // Appends bytes. A failure is remembered (sticky) and reported by ok()
  // and Commit; later writes are ignored.
  void Write(const void* data, std::size_t size);

  // Bytes written so far: the length the file will have.
  std::uint64_t Position() const { return position_; }

  // Replaces bytes already written, at `offset` (the final header rewrite).
  void WriteAt(std::uint64_t offset, const void* data, std::size_t size);

  bool ok() const { return ok_; }

  // The first half of Commit: flushes and closes the file, which stays
  // temporary (and is deleted by Discard) until Commit. Lets the bytes be
  // completed by the thread that wrote them while the rename waits for the
  // file's turn. False (and the file discarded) when a write failed.
  bool Finish();

  // Finishes the file unless done, then makes the missing folders and
  // renames it into place.
  CommitResult Commit();

  // The destination given to Create.
  const std::string& final_path() const { return final_path_; }

  // Closes and deletes the temporary file (also done by the destructor).
  void Discard();

  // Bytes are held in memory up to this many before they go to the file:
  // enough that system calls cost nothing next to the copying, little
  // enough to stay in the processor's cache and to keep the run's memory to
  // little more than the source image.
  static constexpr std::size_t kBufferSize = 256 << 10;

 private:
  void Flush();

  TemporaryFile file_;
  std::string final_path_;
  std::size_t new_folders_from_ = std::string::npos;
  std::vector<std::uint8_t> buffer_;
  std::uint64_t position_ = 0;
  std::uint64_t flushed_ = 0;
  bool ok_ = true;
  bool finished_ = false;  // closed and complete, awaiting the rename
};

}  // namespace zelvanor::platform
