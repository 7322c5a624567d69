#include "platform/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/path_separators.h"

namespace zelvanor::platform {
namespace {

constexpr std::size_t kBufferSize = 1 << 20;

bool WriteFully(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t done = ::write(fd, data, size);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    data += done;
    size -= static_cast<std::size_t>(done);
  }
  return true;
}

bool PwriteFully(int fd, const std::uint8_t* data, std::size_t size, std::uint64_t offset) {
  while (size > 0) {
    const ssize_t done = ::pwrite(fd, data, size, static_cast<off_t>(offset));
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    data += done;
    size -= static_cast<std::size_t>(done);
    offset += static_cast<std::uint64_t>(done);
  }
  return true;
}

}  // namespace

struct OutputFile::Handle {
  int fd = -1;
};

OutputFile::OutputFile() : handle_(std::make_unique<Handle>()) {}

OutputFile::~OutputFile() { Discard(); }

bool OutputFile::Create(const std::string& final_path) {
  Discard();
  final_path_ = final_path;
  // The temporary lives beside the destination so that the rename stays
  // within one file system. mkstemp gives a name no other run uses.
  std::string pattern = final_path + ".zelvanor-XXXXXX";
  int fd = ::mkstemp(pattern.data());
  if (fd < 0) return false;
  ::fchmod(fd, 0666 & ~[] { mode_t m = ::umask(0); ::umask(m); return m; }());
  handle_->fd = fd;
  temp_path_ = pattern;
  buffer_.clear();
  buffer_.reserve(kBufferSize);
  position_ = 0;
  flushed_ = 0;
  ok_ = true;
  return true;
}

void OutputFile::Write(const void* data, std::size_t size) {
  if (!ok_ || handle_->fd < 0) return;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  position_ += size;
  if (buffer_.size() + size > kBufferSize) {
    Flush();
    if (!ok_) return;
    if (size >= kBufferSize) {
      ok_ = WriteFully(handle_->fd, bytes, size);
      flushed_ += size;
      return;
    }
  }
  buffer_.insert(buffer_.end(), bytes, bytes + size);
}

void OutputFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
  if (!ok_ || handle_->fd < 0) return;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  if (offset + size > position_) {
    ok_ = false;  // only bytes already written can be replaced
    return;
  }
  // The part that has reached the file is rewritten there, the rest in the buffer.
  if (offset < flushed_) {
    const std::size_t on_disk = static_cast<std::size_t>(std::min<std::uint64_t>(size, flushed_ - offset));
    if (!PwriteFully(handle_->fd, bytes, on_disk, offset)) ok_ = false;
    bytes += on_disk;
    offset += on_disk;
    size -= on_disk;
  }
  if (size > 0) std::memcpy(buffer_.data() + (offset - flushed_), bytes, size);
}

void OutputFile::Flush() {
  if (!ok_ || handle_->fd < 0 || buffer_.empty()) return;
  ok_ = WriteFully(handle_->fd, buffer_.data(), buffer_.size());
  flushed_ += buffer_.size();
  buffer_.clear();
}

OutputFile::CommitResult OutputFile::Commit() {
  if (handle_->fd < 0) return CommitResult::kWriteFailed;
  Flush();
  const bool closed = ::close(handle_->fd) == 0;
  handle_->fd = -1;
  if (!ok_ || !closed) {
    Discard();
    return CommitResult::kWriteFailed;
  }
  if (::rename(temp_path_.c_str(), final_path_.c_str()) != 0) {
    Discard();
    return CommitResult::kRenameFailed;
  }
  temp_path_.clear();
  return CommitResult::kDone;
}

void OutputFile::Discard() {
  if (handle_ && handle_->fd >= 0) {
    ::close(handle_->fd);
    handle_->fd = -1;
  }
  if (!temp_path_.empty()) {
    ::unlink(temp_path_.c_str());
    temp_path_.clear();
  }
  buffer_.clear();
}

}  // namespace zelvanor::platform
