#include "wave/stated_pitch.h"

#include <cmath>
#include <cstdint>

#include "common/midi_note.h"

namespace zelvanor {
namespace {

constexpr double kFractionUnits = 4294967296.0;  // 2^32: one note
constexpr std::int64_t kHighestNote = kHighestMidiNote;

}  // namespace

double CentsOfStatement(StatedPitch pitch) {
  // 100 / 2^32 is exact in binary, and so is its product with a 32-bit fraction.
  return 100.0 * static_cast<double>(pitch.unity_note) +
         static_cast<double>(pitch.pitch_fraction) * (100.0 / kFractionUnits);
}

std::optional<StatedPitch> StatementOfCents(double cents) {
  // Also refuses NaN, and keeps the conversions below inside 64 bits.
  if (!(cents >= 0.0 && cents < 100.0 * (kHighestNote + 1))) return std::nullopt;
  const double notes = cents / 100.0;
  const double unity = std::floor(notes);
  // notes - unity and the scaling by 2^32 are exact: only the + 0.5 rounds.
  auto fraction = static_cast<std::int64_t>((notes - unity) * kFractionUnits + 0.5);
  auto note = static_cast<std::int64_t>(unity);
  if (fraction == static_cast<std::int64_t>(kFractionUnits)) {
    ++note;
    fraction = 0;
  }
  if (note > kHighestNote || (note == 0 && fraction == 0)) return std::nullopt;
  return StatedPitch{static_cast<std::uint32_t>(note), static_cast<std::uint32_t>(fraction)};
}

}  // namespace zelvanor
