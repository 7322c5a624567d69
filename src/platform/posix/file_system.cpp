#include "platform/file_system.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <limits>

namespace zelvanor::platform {

namespace {

int OpenForReading(const std::string& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

std::optional<std::uint64_t> FileSize(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(status.st_size);
}

bool IsRegularFile(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

bool IsDirectory(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

InputFile::~InputFile() { Close(); }

bool InputFile::Open(const std::string& path) {
  Close();
  const int fd = OpenForReading(path);
  if (fd < 0) return false;
  handle_ = fd;
  return true;
}

std::size_t InputFile::Read(std::uint8_t* into, std::size_t size) {
  if (handle_ == kNoOsHandle) return 0;
  for (;;) {
    const ssize_t got = ::read(static_cast<int>(handle_), into, size);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) return 0;
  }
}

void InputFile::Close() {
  if (handle_ != kNoOsHandle) ::close(static_cast<int>(handle_));
  handle_ = kNoOsHandle;
}

#ifdef F_SETLEASE
namespace {

// A writer at a leased file makes the system notify the holder by SIGIO,
// whose default action would end the run; the holder needs no notice (it
// releases each file as soon as it is done with it), so the signal is
// ignored, unless whoever started the program has settled it otherwise.
void IgnoreLeaseBreakNotices() {
  static const bool settled = [] {
    struct sigaction current {};
    if (::sigaction(SIGIO, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) ::signal(SIGIO, SIG_IGN);
    return true;
  }();
  (void)settled;
}

}  // namespace

bool MappedFile::Map(const std::string& path) {
  Release();
  IgnoreLeaseBreakNotices();
  const int fd = OpenForReading(path);
  if (fd < 0) return false;
  handle_ = fd;
  // The lease first, the size after it: from then on the file cannot shrink.
  struct stat status {};
  if (::fcntl(fd, F_SETLEASE, F_RDLCK) != 0 || ::fstat(fd, &status) != 0 || status.st_size <= 0 ||
      static_cast<std::uint64_t>(status.st_size) > std::numeric_limits<std::size_t>::max()) {
    Release();
    return false;
  }
  const auto size = static_cast<std::size_t>(status.st_size);
  int flags = MAP_PRIVATE;
#ifdef MAP_POPULATE
  flags |= MAP_POPULATE;  // one call maps every page, instead of a fault per few pages
#endif
  void* const address = ::mmap(nullptr, size, PROT_READ, flags, fd, 0);
  if (address == MAP_FAILED) {
    Release();
    return false;
  }
  data_ = static_cast<const std::uint8_t*>(address);
  size_ = size;
  return true;
}
#else
bool MappedFile::Map(const std::string& /*path*/) {
  Release();
  return false;  // no lease to hold a truncation off: the file is read instead
}
#endif

void MappedFile::Release() {
  if (data_ != nullptr) ::munmap(const_cast<std::uint8_t*>(data_), static_cast<std::size_t>(size_));
  data_ = nullptr;
  size_ = 0;
  // Closing the descriptor ends the lease.
  if (handle_ != kNoOsHandle) ::close(static_cast<int>(handle_));
  handle_ = kNoOsHandle;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool MakeFolder(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0; }

}  // namespace zelvanor::platform
