#include "platform/replacement_flushes.h"

#include <algorithm>
#include <system_error>

#include "platform/temporary_file.h"

namespace zelvanor::platform {

ReplacementFlushes::~ReplacementFlushes() {
  {
    const std::lock_guard<std::mutex> hold(lock_);
    stop_ = true;
  }
  work_ready_.notify_all();
  for (std::thread& worker : workers_) worker.join();
  for (const OsHandle replaced : to_close_) TemporaryFile::CloseHeld(replaced);
}

// A thread more only when there is more work than idle threads: only
// batches that replace files pay for threads, and only for as many
// flushes as come at once. Without one (the system refuses a thread) each
// file is flushed by the thread awaiting it, and replaced files are closed
// at the end.
void ReplacementFlushes::StartThread() {
  const auto waiting = static_cast<std::size_t>(
      std::count_if(entries_.begin(), entries_.end(), [](const Entry& e) { return e.state == State::kWaiting; }));
  if (waiting + to_close_.size() <= idle_ || workers_.size() >= kFlushesAtOnce) return;
  try {
    workers_.emplace_back([this] { Work(); });
    ++idle_;  // idle until it takes its first work
  } catch (const std::system_error&) {
  }
}

void ReplacementFlushes::Enlist(TemporaryFile& file) {
  {
    const std::lock_guard<std::mutex> hold(lock_);
    entries_.push_back({&file, State::kWaiting});
    StartThread();
  }
  work_ready_.notify_one();
}

void ReplacementFlushes::CloseLater(OsHandle replaced) {
  {
    const std::lock_guard<std::mutex> hold(lock_);
    if (to_close_.size() < kHeldAtMost) {
      to_close_.push_back(replaced);
      StartThread();
      replaced = kNoOsHandle;
    }
  }
  if (replaced != kNoOsHandle) {
    TemporaryFile::CloseHeld(replaced);
  } else {
    work_ready_.notify_one();
  }
}

bool ReplacementFlushes::AnyWaiting() const {
  return std::any_of(entries_.begin(), entries_.end(), [](const Entry& e) { return e.state == State::kWaiting; });
}

void ReplacementFlushes::Work() {
  std::unique_lock<std::mutex> hold(lock_);
  for (;;) {
    work_ready_.wait(hold, [&] { return stop_ || AnyWaiting() || !to_close_.empty(); });
    --idle_;
    const auto waiting = std::find_if(entries_.begin(), entries_.end(),
                                      [](const Entry& e) { return e.state == State::kWaiting; });
    if (waiting != entries_.end()) {
      // Renames wait for flushes, not for closes: flushes first.
      FlushUnlocked(*waiting, hold);
    } else if (!to_close_.empty()) {
      const OsHandle replaced = to_close_.back();
      to_close_.pop_back();
      hold.unlock();
      TemporaryFile::CloseHeld(replaced);
      hold.lock();
    } else {
      return;  // stopped, and nothing left
    }
    ++idle_;
  }
}

void ReplacementFlushes::FlushUnlocked(Entry& waiting, std::unique_lock<std::mutex>& hold) {
  waiting.state = State::kFlushing;
  TemporaryFile& file = *waiting.file;  // the entry itself may move meanwhile
  hold.unlock();
  const bool on_disk = file.FlushToDisk();
  hold.lock();
  for (Entry& entry : entries_) {
    if (entry.file == &file) entry.state = on_disk ? State::kFlushed : State::kFailed;
  }
  flushed_.notify_all();
}

ReplacementFlushes::State ReplacementFlushes::StateOf(const TemporaryFile& file) const {
  for (const Entry& entry : entries_) {
    if (entry.file == &file) return entry.state;
  }
  return State::kFailed;
}

bool ReplacementFlushes::AwaitFlushed(TemporaryFile& file) {
  std::unique_lock<std::mutex> hold(lock_);
  // Not taken up yet (the threads are busy with the files before): the
  // flush is this thread's, which has nothing else to do.
  const auto own = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.file == &file; });
  if (own != entries_.end() && own->state == State::kWaiting) FlushUnlocked(*own, hold);
  flushed_.wait(hold, [&] {
    const State state = StateOf(file);
    return state == State::kFlushed || state == State::kFailed;
  });
  const bool on_disk = StateOf(file) == State::kFlushed;
  std::erase_if(entries_, [&](const Entry& e) { return e.file == &file; });
  return on_disk;
}

void ReplacementFlushes::Withdraw(const TemporaryFile& file) {
  std::unique_lock<std::mutex> hold(lock_);
  // A file being flushed stays open until its flush returns.
  flushed_.wait(hold, [&] { return StateOf(file) != State::kFlushing; });
  std::erase_if(entries_, [&](const Entry& e) { return e.file == &file; });
}

}  // namespace zelvanor::platform
