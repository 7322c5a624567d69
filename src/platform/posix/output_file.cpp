#include "platform/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/path_separators.h"
#include "platform/posix/interrupt_cleanup.h"

namespace zelvanor::platform {
namespace {

// Large enough that system calls cost nothing next to the copying, small
// enough to stay in the processor's cache and to keep the run's memory to
// little more than the source image.
constexpr std::size_t kBufferSize = 256 << 10;
constexpr char kTemporarySuffix[] = ".zelvanor-XXXXXX";
// The longest file name common file systems take.
constexpr std::size_t kMaxNameLength = 255;

// "NAME.zelvanor-XXXXXX" beside the destination tells a user who finds a
// leftover (after a power cut, say) what it was; a name too long for that
// gets an anonymous temporary in the same directory.
std::string TemporaryPattern(const std::string& final_path) {
  const std::size_t separator = LastSeparator(final_path);
  const std::size_t name_length =
      separator == std::string::npos ? final_path.size() : final_path.size() - separator - 1;
  if (name_length + sizeof kTemporarySuffix - 1 <= kMaxNameLength) {
    return final_path + kTemporarySuffix;
  }
  const std::string directory =
      separator == std::string::npos ? std::string() : final_path.substr(0, separator + 1);
  return directory + kTemporarySuffix;
}

mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

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
  int interrupt_ticket = -1;
};

OutputFile::OutputFile() : handle_(std::make_unique<Handle>()) {}

OutputFile::~OutputFile() { Discard(); }

bool OutputFile::Create(const std::string& final_path) {
  Discard();
  final_path_ = final_path;
  // The temporary lives beside the destination so that the rename stays
  // within one file system. mkstemp gives a name no other run uses.
  std::string pattern = TemporaryPattern(final_path);
  const posix::InterruptDeferral deferral;  // until the handler knows the file
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) return false;
  // mkstemp makes the file private (0600); the output gets the permissions
  // any newly created file would get.
  ::fchmod(fd, 0666 & ~CurrentUmask());
  handle_->fd = fd;
  temp_path_ = pattern;
  handle_->interrupt_ticket = posix::RememberForInterrupt(temp_path_.c_str());
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
  if (offset > position_ || size > position_ - offset) {
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
  // Replacing a file (retuning in place, a run repeated) must not leave a
  // short file under its name after a power cut: the new bytes reach the
  // disk before the name moves to them. A new name needs no such wait.
  if (ok_ && ::access(final_path_.c_str(), F_OK) == 0) ok_ = ::fsync(handle_->fd) == 0;
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
  posix::ForgetForInterrupt(handle_->interrupt_ticket);
  handle_->interrupt_ticket = -1;
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
  if (handle_) {
    posix::ForgetForInterrupt(handle_->interrupt_ticket);
    handle_->interrupt_ticket = -1;
  }
  buffer_.clear();
}

}  // namespace zelvanor::platform
