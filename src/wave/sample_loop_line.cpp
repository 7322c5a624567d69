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

void PrintSamplerFields(std::span<const std::uint8_t> header) {
  ByteReader fields(header);
  const std::uint32_t manufacturer = fields.U32();
  const std::uint32_t product = fields.U32();
  const std::uint32_t sample_period = fields.U32();
  const std::uint32_t unity_note = fields.U32();
  const std::uint32_t pitch_fraction = fields.U32();
  const std::uint32_t smpte_format = fields.U32();
  const std::uint32_t smpte_offset = fields.U32();
  if (manufacturer != 0) Print(" Manufacturer=%ld", AsLong(manufacturer));
  if (product != 0) Print(" Product=%ld", AsLong(product));
  if (sample_period != kUsualSamplePeriod) Print(" SamplePeriod=%ld", AsLong(sample_period));
  if (unity_note != 0) Print(" MIDI-Notenumber=%ld", AsLong(unity_note));
  if (pitch_fraction != 0) Print(" MIDI-PitchFraction=%ld", AsLong(pitch_fraction));
  if (smpte_format != 0) Print(" SMPTE-Format=%ld", AsLong(smpte_format));
  if (smpte_offset != 0) Print(" SMPTE-Offset=%ld", AsLong(smpte_offset));
}

}  // namespace zelvanor
