#include "pitch/steady_part.h"

#include <algorithm>
#include <vector>

#include "pitch/pipe_frames.h"

namespace zelvanor::pitch {
namespace {

// Loudness is followed in blocks of 20 ms.
constexpr std::uint32_t kBlocksPerSecond = 50;
// Without a loop, only the first seconds are looked at: a pipe is steady
// long before that, and a release file has decayed by then.
constexpr std::uint32_t kScannedSeconds = 6;
// After the attack reaches half its loudness, a tenth of a second more is
// left out where the file is long enough: a pipe's speech settles after
// its transient.
constexpr std::uint32_t kSettlingBlocks = 5;
constexpr std::uint32_t kLoudnessStride = 3;
// The shortest stretch worth measuring without a loop.
constexpr std::uint32_t kShortestBlocks = 3;

std::uint32_t Seconds(double seconds, std::uint32_t rate) {
  return static_cast<std::uint32_t>(seconds * rate);
}

}  // namespace

FrameRange LoopStretch(const LoopPoints& loop, std::uint32_t sample_rate) {
  const std::uint32_t length = loop.end - loop.start + 1;
  const std::uint32_t longest = Seconds(kLongestStretchSeconds, sample_rate);
  const std::uint32_t shortest = Seconds(kShortestStretchSeconds, sample_rate);
  if (length > longest) return {loop.start + (length - longest) / 2, longest};
  if (length >= shortest) return {loop.start, length};
  const std::uint32_t count = std::min(shortest, loop.end + 1);
  return {loop.end + 1 - count, count};
}

FrameRange SteadiestStretch(std::span<const std::uint8_t> image, const SourceAnalysis& analysis,
                            std::uint32_t readable) {
  const std::uint32_t block = std::max<std::uint32_t>(1, analysis.sample_rate / kBlocksPerSecond);
  const std::uint32_t scanned = std::min<std::uint64_t>(readable, std::uint64_t{kScannedSeconds} * analysis.sample_rate);
  const std::uint32_t blocks = scanned / block;
  std::vector<double> power(blocks, 0.0);
  double loudest = 0.0;
  for (std::uint32_t b = 0; b < blocks; ++b) {
    // Every third frame tells the loudness as well as all of them.
    const PipeFrames frames(image, analysis, b * block, block);
    for (std::uint32_t n = 0; n < block; n += kLoudnessStride) {
      for (int c = 0; c < frames.channels; ++c) power[b] = power[b] + frames.at(n, c) * frames.at(n, c);
    }
    loudest = std::max(loudest, power[b]);
  }
  std::uint32_t attack = 0;
  while (attack < blocks && power[attack] < 0.25 * loudest) ++attack;
  if (loudest <= 0.0 || blocks - attack < kShortestBlocks) return {};
  const std::uint32_t span =
      std::min(blocks - attack, std::max<std::uint32_t>(kShortestBlocks, kLongestStretchSeconds * kBlocksPerSecond));
  const std::uint32_t from = std::min(attack + kSettlingBlocks, blocks - span);
  // The least ratio of loudest to softest block; the earliest on a tie (a
  // decaying release is as steady everywhere, and loudest first).
  std::uint32_t best = from;
  double best_ratio = 0.0;
  for (std::uint32_t start = from; start + span <= blocks; ++start) {
    const auto [low, high] = std::minmax_element(power.begin() + start, power.begin() + start + span);
    const double ratio = *low > 0.0 ? *high / *low : 0.0;
    if (ratio == 0.0) continue;
    if (best_ratio == 0.0 || ratio < best_ratio) {
      best = start;
      best_ratio = ratio;
    }
  }
  if (best_ratio == 0.0) return {};
  return {best * block, span * block};
}

}  // namespace zelvanor::pitch
