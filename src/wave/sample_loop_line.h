#pragma once

#include <cstdint>
#include <span>

namespace zelvanor {

// The description of one 24-byte smpl loop record, as both the analysis of a
// source and the writing of its output show it.
void PrintSampleLoopLine(std::span<const std::uint8_t> record);

}  // namespace zelvanor
