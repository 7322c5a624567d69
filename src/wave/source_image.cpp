#include "wave/source_image.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <optional>

#include "common/console.h"
#include "common/run_error.h"
#include "platform/file_system.h"

namespace zelvanor {
namespace {

std::unique_ptr<std::uint8_t[]> AllocateFromHeap(std::uint32_t capacity) {
  return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[capacity]);
}

}  // namespace

SourceImage::SourceImage() : SourceImage(AllocateFromHeap) {}

SourceImage::SourceImage(Allocator allocator) : allocator_(std::move(allocator)) {}

bool SourceImage::Reserve(std::uint32_t size) {
  length_ = 0;
  mapped_.Release();
  if (size <= capacity_) return true;
  // The old contents are not kept: release before asking for the new block.
  buffer_.reset();
  capacity_ = size + kHeadroom;  // callers keep size + headroom within 32 bits
  buffer_ = allocator_(capacity_);
  if (!buffer_) {
    Print("Can't alloc %d Bytes of databufferspace for wavfile\n", AsInt(capacity_));
    capacity_ = 0;
    return false;
  }
  return true;
}

bool SourceImage::Map(const std::string& path, std::uint64_t limit) {
  length_ = 0;
  if (!mapped_.Map(path)) return false;
  if (mapped_.size() > limit) {
    mapped_.Release();
    return false;
  }
  length_ = static_cast<std::uint32_t>(mapped_.size());
  return true;
}

bool SourceImage::Assign(std::span<const std::uint8_t> bytes) {
  if (bytes.size() > std::numeric_limits<std::uint32_t>::max() - kHeadroom) return false;
  const auto size = static_cast<std::uint32_t>(bytes.size());
  if (!Reserve(size)) return false;
  if (size > 0) std::memcpy(buffer_.get(), bytes.data(), size);
  length_ = size;
  return true;
}

std::uint32_t LoadSourceImage(const std::string& path, SourceImage& image) {
  const std::optional<std::uint64_t> status_size = platform::FileSize(path);
  if (!status_size) ThrowExit(kExitFailure, "can't stat file %s\n", path.c_str());
  if (*status_size > std::numeric_limits<std::uint32_t>::max() - SourceImage::kHeadroom) {
    Print("%s is too large for a WAVE file (%llu bytes), skipped\n", path.c_str(),
          static_cast<unsigned long long>(*status_size));
    return 0;
  }
  const auto size = static_cast<std::uint32_t>(*status_size);
  // The file as it is when mapped, which may differ from the status read a
  // moment ago, held to the same limit.
  if (image.Map(path, std::numeric_limits<std::uint32_t>::max() - SourceImage::kHeadroom)) return image.length();
  if (!image.Reserve(size)) return 0;

  platform::InputFile file;
  if (!file.Open(path)) ThrowExit(kExitFailure, "can't open %s\n", path.c_str());
  // A file that delivers fewer bytes than its status announced (it shrank,
  // or a read failed) ends the loop; the image is what was actually read.
  std::uint32_t length = 0;
  std::span<std::uint8_t> buffer = image.writable_buffer();
  while (length < size) {
    const std::size_t got = file.Read(buffer.data() + length, size - length);
    if (got == 0) break;
    length += static_cast<std::uint32_t>(std::min<std::size_t>(got, size - length));
  }
  image.set_length(length);
  return length;
}

}  // namespace zelvanor
