// The MD5 digest (RFC 1321). A WavPack file may store the MD5 sum of its
// audio, which wvunpack checks on every unpacking; a retuned file whose
// source had one gets the sum of its own audio.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace zelvanor {

class Md5 {
 public:
  Md5();
  void Add(std::span<const std::uint8_t> bytes);
  // The digest of everything added; the object is spent afterwards.
  std::array<std::uint8_t, 16> Finish();

 private:
  void Transform(const std::uint8_t* block);

  std::array<std::uint32_t, 4> state_;
  std::array<std::uint8_t, 64> pending_{};
  std::uint64_t length_ = 0;  // bytes added
};

}  // namespace zelvanor
