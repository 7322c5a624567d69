#include "tuning/tuning_factor.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "common/console.h"
#include "tuning/note_name_guess.h"

namespace zelvanor {
namespace {

// The offset as whole cents for the "Tuning to" line, the fraction dropped
// toward zero. The conversion saturates instead of overflowing: an offset
// of 1e300 cents is nonsense the range check rejects right after the line.
int WholeCents(double cents) {
  if (std::isnan(cents)) return 0;
  constexpr double kInt64Limit = 9223372036854775808.0;  // 2^63
  std::int64_t whole;
  if (cents >= kInt64Limit) {
    whole = std::numeric_limits<std::int64_t>::max();
  } else if (cents < -kInt64Limit) {
    whole = std::numeric_limits<std::int64_t>::min();
  } else {
    whole = static_cast<std::int64_t>(cents);
  }
  if (whole > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (whole < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<int>(whole);
}

}  // namespace

double CentsToFactor(double cents) { return std::exp(cents * kCentsToLogRatio); }

int ApplyKeyOffset(int note_index, std::int32_t key_offset) {
  const std::int64_t shifted = (static_cast<std::int64_t>(note_index) + key_offset) % 12;
  return static_cast<int>(shifted < 0 ? shifted + 12 : shifted);
}

double TemperamentTuningFactor(const std::string& source_path, const Temperament& original,
                               const Temperament& target, const Settings& settings) {
  const int note = ApplyKeyOffset(GuessNoteIndex(source_path), settings.key_offset);
  if (settings.verbosity > 1) {
    Print("Tuning to %s %s %c%d\n", target.name.c_str(), kNoteNames[note],
          target.offset >= 0 ? '+' : ' ', WholeCents(target.offset));
  }
  const std::size_t n = static_cast<std::size_t>(note);
  const double delta = target.cents[n] - original.cents[n] + target.offset - original.offset;
  return CentsToFactor(delta);
}

}  // namespace zelvanor
