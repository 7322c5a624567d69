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
constexpr std::uint32_t kLoudnessStride = 3;
// The attack ends, and the release begins, where the power crosses a
// quarter of the loudest block's (half its amplitude).
constexpr double kQuarter = 0.25;
// The shortest stretch worth measuring without a loop.
constexpr std::uint32_t kShortestBlocks = 3;

std::uint32_t Seconds(double seconds, std::uint32_t rate) {
  return static_cast<std::uint32_t>(seconds * rate);
}

}  // namespace

FrameRange LoopStretch(const LoopPoints& loop, std::uint32_t sample_rate) {
  const std::uint32_t length = loop.end - loop.start + 1;
  const std::uint32_t longest = Seconds(kLongestStretchSeconds, sample_rate);
  if (length > longest) return {loop.start + (length - longest) / 2, longest};
  return {loop.start, length};
}

Loudness ScanLoudness(std::span<const std::uint8_t> image, const SourceAnalysis& analysis, std::uint32_t readable) {
  Loudness loudness;
  loudness.block = std::max<std::uint32_t>(1, analysis.sample_rate / kBlocksPerSecond);
  const std::uint32_t scanned = std::min<std::uint64_t>(readable, std::uint64_t{kScannedSeconds} * analysis.sample_rate);
  std::vector<double>& power = loudness.power;
  power.assign(scanned / loudness.block, 0.0);
  double loudest = 0.0;
  for (std::uint32_t b = 0; b < power.size(); ++b) {
    // Every third frame tells the loudness as well as all of them.
    const PipeFrames frames(image, analysis, b * loudness.block, loudness.block);
    for (std::uint32_t n = 0; n < loudness.block; n += kLoudnessStride) {
      for (int c = 0; c < frames.channels; ++c) power[b] = power[b] + frames.at(n, c) * frames.at(n, c);
    }
    loudest = std::max(loudest, power[b]);
  }
  std::uint32_t& attack = loudness.attack;
  std::uint32_t& release = loudness.release;
  while (attack < power.size() && power[attack] < kQuarter * loudest) ++attack;
  release = static_cast<std::uint32_t>(power.size());
  while (release > attack && power[release - 1] < kQuarter * loudest) --release;
  return loudness;
}

FrameRange SteadiestStretch(const Loudness& loudness, std::uint32_t settling_frames) {
  const std::vector<double>& power = loudness.power;
  const std::uint32_t blocks = loudness.release;
  const std::uint32_t attack = loudness.attack;
  if (blocks < attack + kShortestBlocks) return {};
  // Settled where the file leaves room for it; the stretch no longer than
  // it need be, so the steadiest one can be looked for.
  const std::uint32_t settling = (settling_frames + loudness.block - 1) / loudness.block;
  const std::uint32_t from = blocks - attack >= settling + kShortestBlocks ? attack + settling : attack;
  const std::uint32_t span = std::min<std::uint32_t>(blocks - from, kLongestStretchSeconds * kBlocksPerSecond);
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
  return {best * loudness.block, span * loudness.block};
}

}  // namespace zelvanor::pitch
