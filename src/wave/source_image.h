// The bytes of the current source file, in one buffer that serves the whole
// batch: it is replaced only when a larger file comes, by one of the file's
// size + 65536 bytes, so a set of pipes of similar size allocates once. A
// file the system lets the program map safely is mapped instead, which
// spares copying its bytes (about a tenth of a retune's processor time).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "platform/file_system.h"

namespace zelvanor {

class SourceImage {
 public:
  static constexpr std::uint32_t kHeadroom = 65536;

  // Returns an empty pointer when the memory cannot be had.
  using Allocator = std::function<std::unique_ptr<std::uint8_t[]>(std::uint32_t capacity)>;

  SourceImage();
  explicit SourceImage(Allocator allocator);

  std::uint32_t capacity() const { return capacity_; }
  std::uint32_t length() const { return length_; }
  bool has_buffer() const { return buffer_ != nullptr; }

  // The loaded file: the extent of every walk over the image.
  std::span<const std::uint8_t> bytes() const {
    return {mapped_.data() != nullptr ? mapped_.data() : buffer_.get(), length_};
  }

  // Makes room for a file of `size` bytes by the growth rule (a mapped file
  // is released). False when the allocation failed: there is then no buffer
  // and the capacity is 0.
  bool Reserve(std::uint32_t size);

  // Maps the file at `path` as the image (see platform::MappedFile); false,
  // and the image empty, when it is not mapped or longer than `limit`.
  bool Map(const std::string& path, std::uint64_t limit);

  // Where a loader puts the file's bytes: the whole buffer, headroom included.
  std::span<std::uint8_t> writable_buffer() { return {buffer_.get(), capacity_}; }
  void set_length(std::uint32_t length) { length_ = length <= capacity_ ? length : capacity_; }

  // Loads bytes that are already in memory, by the same growth rule as a
  // file: lets the tests check that rule without files. False when the
  // allocation failed.
  bool Assign(std::span<const std::uint8_t> bytes);

 private:
  Allocator allocator_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::uint32_t capacity_ = 0;
  std::uint32_t length_ = 0;
  platform::MappedFile mapped_;  // the image when mapped, else nothing
};

// Reads the file at `path` whole into the image and returns its length;
// 0 means nothing was loaded and the source is to be skipped. A file that
// cannot be stat'ed or opened ends the run (exit code 1).
std::uint32_t LoadSourceImage(const std::string& path, SourceImage& image);

}  // namespace zelvanor
