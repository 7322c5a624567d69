#include "wavpack/md5.h"

#include <algorithm>
#include <bit>

namespace zelvanor {
namespace {

// Per-round shift amounts and the sine-derived constants of RFC 1321.
constexpr std::array<int, 64> kShifts = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                         5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                         4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                         6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
constexpr std::array<std::uint32_t, 64> kSines = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

}  // namespace

Md5::Md5() : state_{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476} {}

void Md5::Transform(const std::uint8_t* block) {
  std::array<std::uint32_t, 16> words;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::uint8_t* at = block + 4 * i;
    words[i] = static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
               (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
  }
  std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  for (std::size_t i = 0; i < 64; ++i) {
    std::uint32_t mix;
    std::size_t word;
    if (i < 16) {
      mix = (b & c) | (~b & d);
      word = i;
    } else if (i < 32) {
      mix = (d & b) | (~d & c);
      word = (5 * i + 1) % 16;
    } else if (i < 48) {
      mix = b ^ c ^ d;
      word = (3 * i + 5) % 16;
    } else {
      mix = c ^ (b | ~d);
      word = (7 * i) % 16;
    }
    const std::uint32_t rotated = std::rotl(a + mix + kSines[i] + words[word], kShifts[i]);
    a = d;
    d = c;
    c = b;
    b += rotated;
  }
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
}

void Md5::Add(std::span<const std::uint8_t> bytes) {
  std::size_t used = static_cast<std::size_t>(length_ % 64);
  length_ += bytes.size();
  while (!bytes.empty()) {
    const std::size_t take = std::min(bytes.size(), 64 - used);
    if (used == 0 && take == 64) {
      Transform(bytes.data());
    } else {
      std::copy_n(bytes.begin(), take, pending_.begin() + static_cast<std::ptrdiff_t>(used));
      used += take;
      if (used == 64) {
        Transform(pending_.data());
        used = 0;
      }
    }
    bytes = bytes.subspan(take);
  }
}

std::array<std::uint8_t, 16> Md5::Finish() {
  const std::uint64_t bits = length_ * 8;
  std::array<std::uint8_t, 72> tail{};
  tail[0] = 0x80;
  // Pad to 56 bytes mod 64, then the message length in bits, little-endian.
  const std::size_t pad = 1 + (119 - static_cast<std::size_t>(length_ % 64)) % 64;
  for (int i = 0; i < 8; ++i) tail[pad + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bits >> (8 * i));
  Add(std::span<const std::uint8_t>(tail.data(), pad + 8));
  std::array<std::uint8_t, 16> digest;
  for (std::size_t i = 0; i < 16; ++i) digest[i] = static_cast<std::uint8_t>(state_[i / 4] >> (8 * (i % 4)));
  return digest;
}

}  // namespace zelvanor
