#include "platform/temporary_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/path_separators.h"
#include "platform/posix/interrupt_cleanup.h"

namespace zelvanor::platform {
namespace {

constexpr char kTemporarySuffix[] = ".zelvanor-XXXXXX";
// The longest file name common file systems take.
constexpr std::size_t kMaxNameLength = 255;

// ".NAME.zelvanor-XXXXXX" beside the destination tells a user who finds a
// leftover (after a power cut, say) what it was, and its leading dot keeps
// it out of every source pattern (dot names match only when spelt out), so
// a leftover is never taken for a pipe; a name too long for that gets an
// anonymous temporary in the same directory.
std::string TemporaryPattern(const std::string& final_path) {
  const std::size_t separator = LastSeparator(final_path);
  const std::size_t name_start = separator == std::string::npos ? 0 : separator + 1;
  const std::string directory = final_path.substr(0, name_start);
  const std::size_t name_length = final_path.size() - name_start;
  if (1 + name_length + sizeof kTemporarySuffix - 1 <= kMaxNameLength) {
    return directory + "." + final_path.substr(name_start) + kTemporarySuffix;
  }
  return directory + kTemporarySuffix;
}

// The mask can only be read by setting it; read once (under the guard of a
// static's initialisation), since files are created from several threads
// and two overlapping reads would leave the mask at 0.
mode_t ProcessUmask() {
  static const mode_t mask = [] {
    const mode_t current = ::umask(0);
    ::umask(current);
    return current;
  }();
  return mask;
}

int Descriptor(OsHandle handle) { return static_cast<int>(handle); }

}  // namespace

bool TemporaryFile::Create(const std::string& final_path) {
  Delete();
  // The temporary lives beside the destination so that the rename stays
  // within one file system. mkstemp gives a name no other run uses.
  std::string pattern = TemporaryPattern(final_path);
  const posix::InterruptDeferral deferral;  // until the handler knows the file
  if (!deferral.may_create()) return false;
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) return false;
  // mkstemp makes the file private (0600); the output gets the permissions
  // any newly created file would get.
  ::fchmod(fd, 0666 & ~ProcessUmask());
  handle_ = fd;
  path_ = pattern;
  interrupt_ticket_ = posix::RememberForInterrupt(path_.c_str());
  return true;
}

bool TemporaryFile::WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t done = ::pwrite(Descriptor(handle_), data, size, static_cast<off_t>(offset));
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    data += done;
    size -= static_cast<std::size_t>(done);
    offset += static_cast<std::uint64_t>(done);
  }
  return true;
}

bool TemporaryFile::WouldReplace(const std::string& final_path) {
  return ::access(final_path.c_str(), F_OK) == 0;
}

void TemporaryFile::StartWriteBack() {
#ifdef __linux__
  // Queues the bytes for the disk and returns; a failure shows again in
  // FlushToDisk, which is what decides.
  ::sync_file_range(Descriptor(handle_), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

bool TemporaryFile::FlushToDisk() {
  // The bytes and what is needed to read them back (the length, the
  // blocks); the times of the file are not worth a further write.
#ifdef __linux__
  return ::fdatasync(Descriptor(handle_)) == 0;
#else
  return ::fsync(Descriptor(handle_)) == 0;
#endif
}

OsHandle TemporaryFile::HoldReplaced(const std::string& final_path) {
#ifdef O_PATH
  // A reference to the file and nothing more: no read permission needed, no
  // device opened, a symbolic link (which the rename replaces) not followed.
  const int fd = ::open(final_path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
  return fd < 0 ? kNoOsHandle : fd;
#else
  return kNoOsHandle;
#endif
}

void TemporaryFile::CloseHeld(OsHandle replaced) { ::close(Descriptor(replaced)); }

bool TemporaryFile::Close() {
  const bool closed = ::close(Descriptor(handle_)) == 0;
  handle_ = kNoOsHandle;
  return closed;
}

bool TemporaryFile::RenameTo(const std::string& final_path) {
  if (::rename(path_.c_str(), final_path.c_str()) != 0) return false;
  path_.clear();
  posix::ForgetForInterrupt(interrupt_ticket_);
  interrupt_ticket_ = -1;
  return true;
}

void TemporaryFile::Delete() {
  if (handle_ != kNoOsHandle) Close();
  if (!path_.empty()) {
    ::unlink(path_.c_str());
    path_.clear();
  }
  posix::ForgetForInterrupt(interrupt_ticket_);
  interrupt_ticket_ = -1;
}

}  // namespace zelvanor::platform
