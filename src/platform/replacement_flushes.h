// The disk work of outputs that replace existing files (retuning in place,
// or into a folder holding an earlier run), taken off the thread that
// renames the finished files into place, one after the other.
//
// Each such file's new bytes must be on the disk before its rename (a power
// cut then leaves the old file or the new one, never a short one). Waited
// for once per file, one file after the other, that costs a batch the
// disk's latency per file. So a file's write-back starts as soon as it is
// written, and threads of the group flush the finished files as they come,
// several at once: flushes that wait at the same moment share the file
// system's journal commit and the disk's cache flush, so files finished
// together cost about what one would. A rename waits only for its own
// file's flush.
//
// The file a rename replaces is freed when its last name goes, and freeing
// a file's blocks waits for the file system's journal too. The renaming
// thread holds the old file open across the rename and hands it to the
// group, whose threads close it, and so free it, meanwhile.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/os_handle.h"

namespace zelvanor::platform {

class TemporaryFile;

class ReplacementFlushes {
 public:
  ReplacementFlushes() = default;
  ReplacementFlushes(const ReplacementFlushes&) = delete;
  ReplacementFlushes& operator=(const ReplacementFlushes&) = delete;
  // After every file has left; closes the replaced files still held.
  ~ReplacementFlushes();

  // A finished file, open, its write-back started: to be flushed. From any
  // thread; the group's thread starts with the first file.
  void Enlist(TemporaryFile& file);

  // Waits until the enlisted `file` is flushed and takes it out of the
  // group: true when its bytes are on the disk, false when they could not
  // be made safe.
  bool AwaitFlushed(TemporaryFile& file);

  // Takes `file` out of the group unflushed (it is being deleted), once no
  // flush is using it.
  void Withdraw(const TemporaryFile& file);

  // A replaced file, held open across its rename (TemporaryFile::HoldReplaced),
  // to be closed by the group's thread; closed at once when many wait.
  void CloseLater(OsHandle replaced);

  // Flushes under way at most: the file system joins flushes that wait at
  // the same moment into one commit of its journal, and the disk into one
  // flush of its cache, so a flush costs about what it would alone. A
  // thread each, waiting for the disk nearly all its time.
  static constexpr std::size_t kFlushesAtOnce = 8;

  // Replaced files held open at most, waiting to be closed: the disk space
  // they hold is freed a little later than by a plain rename.
  static constexpr std::size_t kHeldAtMost = 16;

 private:
  enum class State { kWaiting, kFlushing, kFlushed, kFailed };
  struct Entry {
    TemporaryFile* file;
    State state;
  };

  void StartThread();  // under lock_
  void Work();
  // Flushes the file of `waiting`, a kWaiting entry, with `hold` released meanwhile.
  void FlushUnlocked(Entry& waiting, std::unique_lock<std::mutex>& hold);
  bool AnyWaiting() const;  // under lock_
  State StateOf(const TemporaryFile& file) const;  // under lock_

  std::mutex lock_;
  // Two conditions, so that a flush returning wakes only those awaiting a
  // flush, and a file enlisted only one idle thread: on a machine whose
  // cores all retune, every needless wake-up takes time from the retuning.
  std::condition_variable work_ready_;  // a file to flush or to close, or stop
  std::condition_variable flushed_;     // a flush returned
  std::vector<Entry> entries_;
  std::vector<OsHandle> to_close_;
  bool stop_ = false;
  std::vector<std::thread> workers_;
  std::size_t idle_ = 0;  // workers waiting for work
};

}  // namespace zelvanor::platform
