#include "platform/file_system.h"

#include <algorithm>

#include "platform/windows/windows_api.h"

namespace zelvanor::platform {

std::optional<std::uint64_t> FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA status;
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &status)) return std::nullopt;
  return (static_cast<std::uint64_t>(status.nFileSizeHigh) << 32) | status.nFileSizeLow;
}

bool IsRegularFile(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

bool IsDirectory(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

InputFile::~InputFile() { Close(); }

bool InputFile::Open(const std::string& path) {
  Close();
  // Other programs may keep the file open, even for writing (a sample
  // editor, a virus scanner); reading it must not fail for that.
  const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  handle_ = reinterpret_cast<OsHandle>(file);
  return true;
}

std::size_t InputFile::Read(std::uint8_t* into, std::size_t size) {
  if (handle_ == kNoOsHandle) return 0;
  DWORD got = 0;
  const auto request = static_cast<DWORD>(std::min(size, kMaxTransfer));
  if (!::ReadFile(AsHandle(handle_), into, request, &got, nullptr)) return 0;
  return got;
}

void InputFile::Close() {
  if (handle_ != kNoOsHandle) ::CloseHandle(AsHandle(handle_));
  handle_ = kNoOsHandle;
}

// Windows sources are always read whole (InputFile): the mapping and the
// lease that makes it safe are Linux measures, measured there.
bool MappedFile::Map(const std::string& /*path*/) {
  Release();
  return false;
}

void MappedFile::Release() {}

bool RemoveFile(const std::string& path) { return ::DeleteFileA(path.c_str()) != 0; }

bool MakeFolder(const std::string& path) { return ::CreateDirectoryA(path.c_str(), nullptr) != 0; }

}  // namespace zelvanor::platform
