// What the chunk analysis learns about one source. References are byte
// ranges inside the SourceImage (valid until the next load); the rest are
// numbers. A fresh SourceAnalysis is the reset state.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace zelvanor {

struct ByteRange {
  std::uint32_t offset = 0;
  std::uint32_t size = 0;

  std::uint64_t end() const { return std::uint64_t{offset} + size; }
};

// The bytes a range refers to; empty when the range does not lie wholly
// inside `image` (a stale range must never reach past the loaded file).
inline std::span<const std::uint8_t> Slice(std::span<const std::uint8_t> image, ByteRange range) {
  if (range.end() > image.size()) return {};
  return image.subspan(range.offset, range.size);
}

struct FrameLayout {
  int bytes_per_sample = 0;  // 2 or 3
  int channels = 0;          // 1 to 4
  int bytes_per_frame = 0;   // their product
};

inline constexpr int kCueSlots = 100;

struct CueSlot {
  std::optional<ByteRange> label_text;  // text of the labl sub-chunk, without its zero
  std::optional<ByteRange> note_text;   // text of the note sub-chunk, without its zero
  std::optional<ByteRange> cue_point;   // the 24-byte record in the cue chunk
  std::optional<ByteRange> ltxt;        // the ltxt sub-chunk body, from its dwName
};

// A loop record's first and last frame (dwStart, dwEnd).
struct LoopPoints {
  std::uint32_t start = 0;
  std::uint32_t end = 0;
};

// The pitch a smpl chunk states for its audio: dwMIDIUnityNote and
// dwMIDIPitchFraction (a fraction of a semitone up, in units of 2^-32).
// Both 0 is how sets say "no pitch stated".
struct StatedPitch {
  std::uint32_t unity_note = 0;
  std::uint32_t pitch_fraction = 0;

  bool states_a_pitch() const { return unity_note != 0 || pitch_fraction != 0; }
  bool operator==(const StatedPitch&) const = default;
};

struct SourceAnalysis {
  std::optional<ByteRange> format;  // body of the last fmt chunk
  FrameLayout layout;               // valid while `format` is set
  std::uint32_t sample_rate = 0;   // nSamplesPerSec of the last fmt chunk
  std::optional<ByteRange> data;    // body of the last data chunk
  std::int32_t frame_count = 0;
  std::array<CueSlot, kCueSlots> cues{};
  std::uint32_t loop_end = 0;
  // dwStart of the sustain loop: the first loop record whose dwEnd is
  // loop_end, the loop a held key repeats and the cut starts behind.
  std::uint32_t loop_start = 0;
  StatedPitch stated_pitch;  // of the last smpl chunk; 0/0 without one
  std::uint32_t release_start = 0;
  // The cut: frames cut_first .. cut_limit-1, left out of the output unless
  // KeepUnusedPart is on. Empty (cut_limit not above cut_first) when none.
  std::uint32_t cut_first = 0;
  std::uint32_t cut_limit = 0;

  // None without a loop (loop_end 0).
  std::optional<LoopPoints> sustain_loop() const {
    if (loop_end == 0) return std::nullopt;
    return LoopPoints{loop_start, loop_end};
  }
};

}  // namespace zelvanor
