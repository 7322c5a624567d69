#include "platform/output_file.h"

#include <algorithm>
#include <cstring>

#include "platform/path_separators.h"
#include "platform/windows/interrupt_cleanup.h"
#include "platform/windows/windows_api.h"

namespace zelvanor::platform {
namespace {

constexpr std::size_t kBufferSize = 1 << 20;

// Every write names its offset, so the header rewrite (WriteAt) and the
// appends never depend on the file pointer.
bool WriteFullyAt(HANDLE file, const std::uint8_t* data, std::size_t size, std::uint64_t offset) {
  while (size > 0) {
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(offset);
    where.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD done = 0;
    const auto request = static_cast<DWORD>(std::min(size, kMaxTransfer));
    if (!::WriteFile(file, data, request, &done, &where) || done == 0) return false;
    data += done;
    size -= done;
    offset += done;
  }
  return true;
}

// The temporary file lives in the destination's directory, so that the
// final rename never copies. GetTempFileNameA picks a short unused name
// ("zlvXXXX.tmp"): a name derived from the destination would push a path
// near the 255-character limit over the system's MAX_PATH.
HANDLE CreateTemporaryBeside(const std::string& final_path, std::string& temp_path) {
  const std::size_t cut = LastSeparator(final_path);
  std::string directory = ".";
  if (cut != std::string::npos) {
    directory = final_path.substr(0, cut + 1);
  } else if (final_path.size() >= 2 && final_path[1] == ':') {
    directory = final_path.substr(0, 2);  // "D:name": the current directory of drive D
  }
  char name[MAX_PATH];
  if (::GetTempFileNameA(directory.c_str(), "zlv", 0, name) == 0) return INVALID_HANDLE_VALUE;
  // FILE_SHARE_DELETE lets an interrupted run delete the file while it is
  // still open; it then vanishes when the process ends.
  const HANDLE file = ::CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                    TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    ::DeleteFileA(name);
    return INVALID_HANDLE_VALUE;
  }
  temp_path = name;
  return file;
}

}  // namespace

struct OutputFile::Handle {
  HANDLE file = INVALID_HANDLE_VALUE;
  int interrupt_ticket = -1;
};

OutputFile::OutputFile() : handle_(std::make_unique<Handle>()) {}

OutputFile::~OutputFile() { Discard(); }

bool OutputFile::Create(const std::string& final_path) {
  Discard();
  final_path_ = final_path;
  const HANDLE file = CreateTemporaryBeside(final_path, temp_path_);
  if (file == INVALID_HANDLE_VALUE) return false;
  handle_->file = file;
  handle_->interrupt_ticket = windows::RememberForInterrupt(temp_path_);
  buffer_.clear();
  buffer_.reserve(kBufferSize);
  position_ = 0;
  flushed_ = 0;
  ok_ = true;
  return true;
}

void OutputFile::Write(const void* data, std::size_t size) {
  if (!ok_ || handle_->file == INVALID_HANDLE_VALUE) return;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  position_ += size;
  if (buffer_.size() + size > kBufferSize) {
    Flush();
    if (!ok_) return;
    if (size >= kBufferSize) {
      ok_ = WriteFullyAt(handle_->file, bytes, size, flushed_);
      flushed_ += size;
      return;
    }
  }
  buffer_.insert(buffer_.end(), bytes, bytes + size);
}

void OutputFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
  if (!ok_ || handle_->file == INVALID_HANDLE_VALUE) return;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  if (offset > position_ || size > position_ - offset) {
    ok_ = false;  // only bytes already written can be replaced
    return;
  }
  // The part that has reached the file is rewritten there, the rest in the buffer.
  if (offset < flushed_) {
    const auto on_disk = static_cast<std::size_t>(std::min<std::uint64_t>(size, flushed_ - offset));
    if (!WriteFullyAt(handle_->file, bytes, on_disk, offset)) ok_ = false;
    bytes += on_disk;
    offset += on_disk;
    size -= on_disk;
  }
  if (size > 0) std::memcpy(buffer_.data() + (offset - flushed_), bytes, size);
}

void OutputFile::Flush() {
  if (!ok_ || handle_->file == INVALID_HANDLE_VALUE || buffer_.empty()) return;
  ok_ = WriteFullyAt(handle_->file, buffer_.data(), buffer_.size(), flushed_);
  flushed_ += buffer_.size();
  buffer_.clear();
}

OutputFile::CommitResult OutputFile::Commit() {
  if (handle_->file == INVALID_HANDLE_VALUE) return CommitResult::kWriteFailed;
  Flush();
  const bool closed = ::CloseHandle(handle_->file) != 0;
  handle_->file = INVALID_HANDLE_VALUE;
  if (!ok_ || !closed) {
    Discard();
    return CommitResult::kWriteFailed;
  }
  // A destination that is a directory, read-only or held open without
  // delete sharing by another program is not replaced.
  if (!::MoveFileExA(temp_path_.c_str(), final_path_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    Discard();
    return CommitResult::kRenameFailed;
  }
  temp_path_.clear();
  windows::ForgetForInterrupt(handle_->interrupt_ticket);
  handle_->interrupt_ticket = -1;
  return CommitResult::kDone;
}

void OutputFile::Discard() {
  if (handle_ && handle_->file != INVALID_HANDLE_VALUE) {
    ::CloseHandle(handle_->file);
    handle_->file = INVALID_HANDLE_VALUE;
  }
  if (!temp_path_.empty()) {
    ::DeleteFileA(temp_path_.c_str());
    temp_path_.clear();
  }
  if (handle_) {
    windows::ForgetForInterrupt(handle_->interrupt_ticket);
    handle_->interrupt_ticket = -1;
  }
  buffer_.clear();
}

}  // namespace zelvanor::platform
