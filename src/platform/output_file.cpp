#include "platform/output_file.h"

#include <algorithm>
#include <cstring>

#include "platform/file_system.h"
#include "platform/path_separators.h"

namespace zelvanor::platform {

OutputFile::~OutputFile() { Discard(); }

namespace {

// The length of the folder part of the first `length` characters of
// `path`, its last separator included.
std::size_t FolderLength(const std::string& path, std::size_t length) {
  if (length == 0) return 0;
  const std::size_t cut = LastSeparator(path, length - 1);
  return cut == std::string::npos ? 0 : cut + 1;
}

// Where the temporary for `final_path` goes: beside it, or, while folders
// after the first `new_folders_from` characters are missing, in the deepest
// that is there, under the same name. Both are on the file system the new
// folders will be made on, so the rename still never copies.
std::string TemporaryPlace(const std::string& final_path, std::size_t new_folders_from) {
  if (new_folders_from == std::string::npos) return final_path;
  const std::size_t folder = FolderLength(final_path, final_path.size());
  std::size_t there = folder;
  while (there > new_folders_from && !IsDirectory(final_path.substr(0, there - 1))) {
    there = FolderLength(final_path, there - 1);
  }
  return there == folder ? final_path : final_path.substr(0, there) + final_path.substr(folder);
}

}  // namespace

bool OutputFile::Create(const std::string& final_path, std::size_t new_folders_from) {
  Discard();
  final_path_ = final_path;
  new_folders_from_ = new_folders_from;
  if (!file_.Create(TemporaryPlace(final_path, new_folders_from))) return false;
  buffer_.clear();
  buffer_.reserve(kBufferSize);
  position_ = 0;
  flushed_ = 0;
  ok_ = true;
  finished_ = false;
  return true;
}

void OutputFile::Write(const void* data, std::size_t size) {
  if (!ok_ || !file_.is_open()) return;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  position_ += size;
  if (buffer_.size() + size > kBufferSize) {
    Flush();
    if (!ok_) return;
    if (size >= kBufferSize) {
      ok_ = file_.WriteAt(flushed_, bytes, size);
      flushed_ += size;
      return;
    }
  }
  buffer_.insert(buffer_.end(), bytes, bytes + size);
}

void OutputFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
  if (!ok_ || !file_.is_open()) return;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  if (offset > position_ || size > position_ - offset) {
    ok_ = false;  // only bytes already written can be replaced
    return;
  }
  // The part that has reached the file is rewritten there, the rest in the buffer.
  if (offset < flushed_) {
    const auto on_disk = static_cast<std::size_t>(std::min<std::uint64_t>(size, flushed_ - offset));
    if (!file_.WriteAt(offset, bytes, on_disk)) ok_ = false;
    bytes += on_disk;
    offset += on_disk;
    size -= on_disk;
  }
  if (size > 0) std::memcpy(buffer_.data() + (offset - flushed_), bytes, size);
}

void OutputFile::Flush() {
  if (!ok_ || !file_.is_open() || buffer_.empty()) return;
  ok_ = file_.WriteAt(flushed_, buffer_.data(), buffer_.size());
  flushed_ += buffer_.size();
  buffer_.clear();
}

bool OutputFile::Finish() {
  if (finished_) return true;
  if (!file_.is_open()) return false;
  Flush();
  replacing_ = ok_ && TemporaryFile::WouldReplace(final_path_);
  if (replacing_) {
    // The disk starts on the bytes now; Commit waits for them (flushed
    // with other files in a group of flushes).
    file_.StartWriteBack();
    if (flushes_) flushes_->Enlist(file_);
  } else if (const bool closed = file_.Close(); !ok_ || !closed) {
    Discard();
    return false;
  }
  finished_ = true;
  // A finished file may wait for its turn while others are written; it
  // holds no buffer meanwhile.
  std::vector<std::uint8_t>().swap(buffer_);
  return true;
}

OutputFile::CommitResult OutputFile::Commit() {
  if (!Finish()) return CommitResult::kWriteFailed;
  finished_ = false;
  const bool replacing = replacing_;
  if (replacing) {
    replacing_ = false;
    const bool on_disk = flushes_ ? flushes_->AwaitFlushed(file_) : file_.FlushToDisk();
    if (const bool closed = file_.Close(); !on_disk || !closed) {
      Discard();
      return CommitResult::kWriteFailed;
    }
  }
  const OsHandle replaced = replacing && flushes_ ? TemporaryFile::HoldReplaced(final_path_) : kNoOsHandle;
  const bool renamed = CreateMissingFolders(final_path_, new_folders_from_) && file_.RenameTo(final_path_);
  if (replaced != kNoOsHandle) flushes_->CloseLater(replaced);
  if (!renamed) {
    Discard();
    return CommitResult::kRenameFailed;
  }
  return CommitResult::kDone;
}

void OutputFile::Discard() {
  if (replacing_ && flushes_) flushes_->Withdraw(file_);
  replacing_ = false;
  file_.Delete();
  buffer_.clear();
  finished_ = false;
}

}  // namespace zelvanor::platform
