#include "platform/temporary_file.h"

#include <algorithm>

#include "platform/path_separators.h"
#include "platform/windows/interrupt_cleanup.h"
#include "platform/windows/windows_api.h"

namespace zelvanor::platform {
namespace {

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

bool TemporaryFile::Create(const std::string& final_path) {
  Delete();
  const HANDLE file = CreateTemporaryBeside(final_path, path_);
  if (file == INVALID_HANDLE_VALUE) return false;
  handle_ = reinterpret_cast<OsHandle>(file);
  interrupt_ticket_ = windows::RememberForInterrupt(path_);
  return true;
}

// Every write names its offset, so the header rewrite and the appends
// never depend on the file pointer.
bool TemporaryFile::WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(offset);
    where.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD done = 0;
    const auto request = static_cast<DWORD>(std::min(size, kMaxTransfer));
    if (!::WriteFile(AsHandle(handle_), data, request, &done, &where) || done == 0) return false;
    data += done;
    size -= done;
    offset += done;
  }
  return true;
}

bool TemporaryFile::WouldReplace(const std::string& final_path) {
  return ::GetFileAttributesA(final_path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Windows has no call that only starts a file's write-back: the flushes of
// the files waiting for their turn, issued together before their renames
// (ReplacementFlushes), are all it gets.
void TemporaryFile::StartWriteBack() {}

bool TemporaryFile::FlushToDisk() { return ::FlushFileBuffers(AsHandle(handle_)) != 0; }

OsHandle TemporaryFile::HoldReplaced(const std::string&) { return kNoOsHandle; }

void TemporaryFile::CloseHeld(OsHandle replaced) { ::CloseHandle(AsHandle(replaced)); }

bool TemporaryFile::Close() {
  const bool closed = ::CloseHandle(AsHandle(handle_)) != 0;
  handle_ = kNoOsHandle;
  return closed;
}

bool TemporaryFile::RenameTo(const std::string& final_path) {
  // A destination that is a directory, read-only or held open without
  // delete sharing by another program is not replaced.
  if (!::MoveFileExA(path_.c_str(), final_path.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
  path_.clear();
  windows::ForgetForInterrupt(interrupt_ticket_);
  interrupt_ticket_ = -1;
  return true;
}

void TemporaryFile::Delete() {
  if (handle_ != kNoOsHandle) Close();
  if (!path_.empty()) {
    ::DeleteFileA(path_.c_str());
    path_.clear();
  }
  windows::ForgetForInterrupt(interrupt_ticket_);
  interrupt_ticket_ = -1;
}

}  // namespace zelvanor::platform
