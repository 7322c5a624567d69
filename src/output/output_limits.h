// RIFF sizes are 32 bits. An output that would not fit (a huge L=, a small
// factor on a huge source) is refused before anything is written with a
// wrapped size.
#pragma once

#include <cstdint>

namespace zelvanor {

inline constexpr std::uint64_t kMaxRiffField = 0xFFFFFFFFu;

// Fatal (exit code 99); the partial output is discarded by its owner.
[[noreturn]] void ThrowOutputTooLarge();

}  // namespace zelvanor
