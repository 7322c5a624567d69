#pragma once

#include <cstdint>
#include <span>

namespace zelvanor {

// The descriptions of smpl records, as both the analysis of a source and
// the writing of its output show them.

// One 24-byte loop record, a whole line.
void PrintSampleLoopLine(std::span<const std::uint8_t> record);

// The fields of the 36-byte sampler header that differ from the usual
// values, each as " Name=value", without a line end.
void PrintSamplerFields(std::span<const std::uint8_t> header);

}  // namespace zelvanor
