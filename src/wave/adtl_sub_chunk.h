// What the analysis of a source and the writing of its output both read
// from the sub-chunks of an adtl LIST, written once so that both frame a
// text and describe a sub-chunk alike.
#pragma once

#include <cstdint>
#include <span>

#include "wave/chunk_walker.h"

namespace zelvanor {

enum class AdtlSubChunkKind {
  kCueText,     // labl or note, with its cue point id
  kTextRegion,  // ltxt, with its 20-byte fixed part
  kTooShort,    // labl, note or ltxt without those: ignored (the analysis warns)
  kOther,       // any other id: described, copied as it is
};
AdtlSubChunkKind ClassifyAdtlSubChunk(const WalkedChunk& sub);

// The text of a cue text sub-chunk: the bytes after dwName up to the
// terminating zero. The pad byte may supply that zero (writers that count
// only the characters rely on it); without any zero the text ends with the
// sub-chunk, so it never runs on into the bytes that follow.
struct AdtlText {
  ByteRange range;
  bool terminated = true;  // false when no zero ended it
};
AdtlText FindAdtlText(const WalkedChunk& sub, std::span<const std::uint8_t> image);

// The line that describes a sub-chunk at verbosity 3 and above. `ltxt_length`
// is a text region's dwSampleLength as shown: the source's in the analysis,
// the rescaled one in the output. Ignored sub-chunks get no line.
void PrintAdtlSubChunkLine(const WalkedChunk& sub, std::span<const std::uint8_t> image,
                           std::uint32_t ltxt_length);

}  // namespace zelvanor
