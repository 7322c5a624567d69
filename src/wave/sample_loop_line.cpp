#include "wave/sample_loop_line.h"

#include "common/console.h"
#include "wave/byte_reader.h"
#include "wave/chunk_layout.h"

namespace zelvanor {

void PrintSampleLoopLine(std::span<const std::uint8_t> record) {
  ByteReader loop(record);
  Print("  SAMPLE LOOP %ld", AsLong(loop.U32At(kLoopIdentifier)));
  const std::uint32_t type = loop.U32At(kLoopType);
  switch (type) {
    case 0:
      Print(" FORWARD");
      break;
    case 1:
      Print(" ALTERNATING");
      break;
    case 2:
      Print(" BACKWARD");
      break;
    default:
      Print(" TYPE=%ld?", AsLong(type));
      break;
  }
  Print(" Start=%ld, End=%ld", AsLong(loop.U32At(kLoopStart)), AsLong(loop.U32At(kLoopEnd)));
  const std::uint32_t fraction = loop.U32At(kLoopFraction);
  const std::uint32_t play_count = loop.U32At(kLoopPlayCount);
  if (fraction != 0) Print(", Fraction=%ld", AsLong(fraction));
  if (play_count != 0) Print(", PlayCount=%ld", AsLong(play_count));
  Print("\n");
}

}  // namespace zelvanor
