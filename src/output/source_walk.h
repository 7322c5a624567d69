// The resampler's walk over the source frames: for each output frame, the
// read position r and the four source frames the kernels read. The walk is
// the reference step-by-step bookkeeping in doubles (the position starts at
// the tuning factor, loses exactly 1.0 per consumed frame and gains the
// factor per output frame), never recomputed from the frame index, because
// retuned sets must stay byte-identical to those already made. Byte counters
// are 64-bit, so that a cut jumping past the end of the audio can never lead
// a read outside the body.
//
// Its chain of dependent double operations is the resampler's critical
// path, so the walk has a shortcut for the common stretch (far from the
// start, the cut and the end) that does one addition per output frame
// instead of two, with the same results; see AdvanceRegular.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "output/map_position.h"

namespace zelvanor {

// Byte offsets into the body of the frames whose values are x-1, x0, x1, x2.
struct TapOffsets {
  std::int64_t previous;
  std::int64_t current;
  std::int64_t next;
  std::int64_t after_next;
};

template <std::int64_t kFrameBytes>
class SourceWalk {
 public:
  SourceWalk(std::uint64_t frame_count, double tuning_factor, const CutRegion& cut)
      : tuning_factor_(tuning_factor),
        remaining_(static_cast<std::int64_t>(frame_count) * kFrameBytes - kFrameBytes),
        read_position_(tuning_factor),
        cut_active_(cut.active()),
        cut_first_(cut.first),
        cut_limit_(cut.limit),
        cut_bytes_(static_cast<std::int64_t>(cut.length()) * kFrameBytes) {
    // The shortcut folds "subtract the consumed frames, add the factor" into
    // one addition of factor - m, m the frames consumed (ceil(f) - 1 or
    // ceil(f)). That gives the same double only when factor - m is exact,
    // which holds for every factor of at least 0.5 (for m <= factor the
    // difference is a multiple of the factor's ulp and smaller than it; for
    // m = ceil(factor) > factor Sterbenz's lemma applies, m/2 <= factor).
    const double ceiling = std::ceil(tuning_factor);
    if (tuning_factor >= 0.5 && ceiling <= 64.0) {
      shortcut_ = true;
      most_ = ceiling;
      fewer_ = ceiling - 1.0;
      most_consumed_ = static_cast<std::int64_t>(ceiling);
      step_fewer_ = tuning_factor - fewer_;
      step_most_ = tuning_factor - most_;
      shortcut_remaining_ = (most_consumed_ + 1) * kFrameBytes;
      const auto most = static_cast<std::uint64_t>(most_consumed_);
      shortcut_counter_stop_ = cut_first_ > most ? cut_first_ - most : 0;
    }
  }

  // Moves on to the next interpolated output frame: consumes the source
  // frames behind it, makes the cut when it is due, and returns the frame's
  // position r after the current frame. The factor is added for the frame
  // after it at once (nothing in between depends on it).
  double Advance() {
    while (read_position_ > 1.0 && remaining_ > 0) {
      read_position_ -= 1.0;
      ++source_frame_counter_;
      previous_frame_ = current_frame_;
      current_frame_ = read_pointer_;
      read_pointer_ += kFrameBytes;
      remaining_ -= kFrameBytes;
    }
    // The cut always drops exactly its length, even when the counter has
    // already passed its first frame, so the audio stays in step with the
    // mapped markers. The history is kept: the kernel joins both sides.
    if (cut_active_ && source_frame_counter_ >= cut_first_ && source_frame_counter_ < cut_limit_) {
      read_pointer_ += cut_bytes_;
      remaining_ -= cut_bytes_;
      source_frame_counter_ = cut_limit_;
    }
    const double r = read_position_;
    read_position_ += tuning_factor_;
    return r;
  }

  // The frames the kernels read for the frame Advance moved to. Past the end
  // of the body the current frame stands in for the missing ones.
  TapOffsets Taps() const {
    const std::int64_t next = remaining_ > 0 ? read_pointer_ : current_frame_;
    return {previous_frame_, current_frame_, next, remaining_ > kFrameBytes ? read_pointer_ + kFrameBytes : next};
  }

  // How many of the next output frames, at most `limit`, lie surely in a
  // regular stretch: the frames around the read pointer consecutive, enough
  // frames left for the most that one output frame consumes plus the two
  // the kernel reads, no cut within reach, and the position before the
  // advance, a, in [f, ceil(f) + 1] (see AdvanceRegular).
  std::int64_t RegularFrames(std::int64_t limit) const {
    if (!shortcut_ || previous_frame_ + kFrameBytes != current_frame_ ||
        read_pointer_ != current_frame_ + kFrameBytes || remaining_ <= shortcut_remaining_ ||
        !(read_position_ >= tuning_factor_ && read_position_ <= most_ + 1.0)) {
      return 0;
    }
    // Each frame consumes at most ceil(f) frames.
    const std::int64_t most = most_consumed_ * kFrameBytes;
    std::int64_t frames = (remaining_ - shortcut_remaining_ - 1) / most + 1;
    if (cut_active_ && source_frame_counter_ < cut_limit_) {
      if (source_frame_counter_ >= shortcut_counter_stop_) return 0;
      const auto before_cut = static_cast<std::int64_t>(
          (shortcut_counter_stop_ - source_frame_counter_ + static_cast<std::uint64_t>(most_consumed_) - 1) /
          static_cast<std::uint64_t>(most_consumed_));
      frames = std::min(frames, before_cut);
    }
    return std::min(frames, limit);
  }

  // Takes `count` output frames (at most what RegularFrames allowed, which
  // must be at least 1) and calls frame(k, r, offset of the current frame)
  // for each; the kernels read the frames before and after the current one
  // and the one after that.
  //
  // With a in [f, c + 1], c = ceil(f), the advance consumes c - 1 frames,
  // or c when a > c: the unique m with a - m in (0, 1] (for a <= c,
  // a - c + 1 >= f - c + 1 > 0). The subtraction a - m is exact (m is an
  // integer not above a), and a + (f - m) is the same real number as
  // (a - m) + f, so it rounds to the same double as the reference walk's two
  // steps. The next a, that sum rounded, lies in [f, c + 1] again (c + 1 is
  // a double not below f + 1), so one check at the start covers the stretch.
  template <class Frame>
  void AdvanceRegular(std::int64_t count, Frame&& frame) {
    if (count <= 0) return;
    const std::int64_t most_bytes = most_consumed_ * kFrameBytes;
    const std::int64_t fewer_bytes = most_bytes - kFrameBytes;
    double a = read_position_;
    std::int64_t current = current_frame_;
    const std::int64_t start = current;
    for (std::int64_t k = 0; k < count; ++k) {
      double r;
      if (a > most_) {
        r = a - most_;
        a = a + step_most_;
        current += most_bytes;
      } else {
        r = a - fewer_;
        a = a + step_fewer_;
        current += fewer_bytes;
      }
      frame(k, r, current);
    }
    read_position_ = a;
    remaining_ -= current - start;
    source_frame_counter_ += static_cast<std::uint64_t>((current - start) / kFrameBytes);
    current_frame_ = current;
    previous_frame_ = current - kFrameBytes;
    read_pointer_ = current + kFrameBytes;
  }

  // For the last output frame: consumes without a cut; returns the offset of
  // the frame it copies (the last one strictly before its position).
  std::int64_t AdvanceToLast() {
    while (read_position_ > 1.0 && remaining_ > 0) {
      read_position_ -= 1.0;
      current_frame_ = read_pointer_;
      read_pointer_ += kFrameBytes;
      remaining_ -= kFrameBytes;
    }
    return current_frame_;
  }

 private:
  const double tuning_factor_;
  std::int64_t previous_frame_ = 0;  // byte offsets into the body
  std::int64_t current_frame_ = 0;
  std::int64_t read_pointer_ = kFrameBytes;
  std::int64_t remaining_;
  std::uint64_t source_frame_counter_ = 1;
  double read_position_;  // before the advance

  const bool cut_active_;
  const std::uint64_t cut_first_;
  const std::uint64_t cut_limit_;
  const std::int64_t cut_bytes_;

  // The shortcut: f >= 0.5, ceil(f) and ceil(f) - 1 as doubles, f minus
  // each (exact), the bytes that must remain before a regular advance, and
  // the counter from which the cut is within reach.
  bool shortcut_ = false;
  double most_ = 0.0;
  double fewer_ = 0.0;
  std::int64_t most_consumed_ = 1;
  double step_fewer_ = 0.0;
  double step_most_ = 0.0;
  std::int64_t shortcut_remaining_ = 0;
  std::uint64_t shortcut_counter_stop_ = 0;
};

}  // namespace zelvanor
