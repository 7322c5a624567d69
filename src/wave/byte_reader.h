// Bounds-checked reading of little-endian fields out of a byte span.
// Failure is sticky: a record's fields can be read in a row and checked
// once; a failed read yields zeros and never touches memory outside the span.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace zelvanor {

using FourCC = std::array<char, 4>;

inline std::uint16_t LoadU16le(const std::uint8_t* at) {
  return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}
inline std::uint32_t LoadU32le(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
         (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}
inline void StoreU32le(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
  at[2] = static_cast<std::uint8_t>(value >> 16);
  at[3] = static_cast<std::uint8_t>(value >> 24);
}
inline bool IsFourCC(std::span<const std::uint8_t> bytes, const char (&id)[5]) {
  return bytes.size() >= 4 && bytes[0] == static_cast<std::uint8_t>(id[0]) &&
         bytes[1] == static_cast<std::uint8_t>(id[1]) &&
         bytes[2] == static_cast<std::uint8_t>(id[2]) &&
         bytes[3] == static_cast<std::uint8_t>(id[3]);
}

class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  bool ok() const { return ok_; }

  // Fields in a row from the start of the span: each read moves past its field.
  std::uint32_t U32() {
    if (!Require(4)) return 0;
    const std::uint32_t value = LoadU32le(bytes_.data() + offset_);
    offset_ += 4;
    return value;
  }

  FourCC Id() {
    FourCC id{0, 0, 0, 0};
    if (!Require(4)) return id;
    for (std::size_t i = 0; i < 4; ++i) id[i] = static_cast<char>(bytes_[offset_ + i]);
    offset_ += 4;
    return id;
  }

  // Fields at a named offset from the start of the span, without moving the
  // cursor; out of range they read as zeros and fail like the reads above.
  std::uint16_t U16At(std::size_t at) {
    if (!RequireAt(at, 2)) return 0;
    return LoadU16le(bytes_.data() + at);
  }
  std::uint32_t U32At(std::size_t at) {
    if (!RequireAt(at, 4)) return 0;
    return LoadU32le(bytes_.data() + at);
  }
  FourCC IdAt(std::size_t at) {
    FourCC id{0, 0, 0, 0};
    if (!RequireAt(at, 4)) return id;
    for (std::size_t i = 0; i < 4; ++i) id[i] = static_cast<char>(bytes_[at + i]);
    return id;
  }

 private:
  bool Require(std::size_t n) {
    if (!ok_ || n > bytes_.size() - offset_) {
      ok_ = false;
      return false;
    }
    return true;
  }
  bool RequireAt(std::size_t at, std::size_t n) {
    if (at > bytes_.size() || n > bytes_.size() - at) ok_ = false;
    return ok_;
  }

  std::span<const std::uint8_t> bytes_;
  std::size_t offset_ = 0;
  bool ok_ = true;
};

}  // namespace zelvanor
