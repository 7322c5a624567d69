// The kernels' input values for a run of output frames whose four source
// frames (before, at, after and two after the read position) lie one
// after the other: the common stretch of every retune. Done one frame at a
// time, this is four loads and four stores per channel and frame, and the
// stores bound the resampler; here four frames are loaded whole, their
// values widened and transposed in vector registers and stored four at a
// time. Integer moves only, so the values are exactly those of
// ReadSampleValue. 16-bit mono and stereo, the formats of nearly every
// sample set; the others (and machines without SSE2) go value by value.
#pragma once

#include <cstdint>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define ZELVANOR_TAP_GATHER 1
#endif

namespace zelvanor {

// Where one channel's taps go: row[t][k] is tap t (x-1, x0, x1, x2) of frame k.
struct TapRows {
  std::int32_t* row[4];
};

#ifdef ZELVANOR_TAP_GATHER

namespace tap_gather {

// Four frames' taps, one vector per frame, to one vector per tap.
inline void StoreTransposed(const TapRows& rows, int k, __m128i f0, __m128i f1, __m128i f2, __m128i f3) {
  const __m128i t0 = _mm_unpacklo_epi32(f0, f1);  // x-1 of 0, 1; x0 of 0, 1
  const __m128i t1 = _mm_unpacklo_epi32(f2, f3);
  const __m128i t2 = _mm_unpackhi_epi32(f0, f1);  // x1 of 0, 1; x2 of 0, 1
  const __m128i t3 = _mm_unpackhi_epi32(f2, f3);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(rows.row[0] + k), _mm_unpacklo_epi64(t0, t1));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(rows.row[1] + k), _mm_unpackhi_epi64(t0, t1));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(rows.row[2] + k), _mm_unpacklo_epi64(t2, t3));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(rows.row[3] + k), _mm_unpackhi_epi64(t2, t3));
}

// 16-bit values to 32 bits, sign extended: each value into the top half, then shifted down.
inline __m128i WidenLow(__m128i v) { return _mm_srai_epi32(_mm_unpacklo_epi16(v, v), 16); }
inline __m128i WidenHigh(__m128i v) { return _mm_srai_epi32(_mm_unpackhi_epi16(v, v), 16); }

// The 8 bytes of four mono frames from the one before `current`: x-1, x0, x1, x2.
inline __m128i MonoTaps(const std::uint8_t* frames, std::int64_t current) {
  return WidenLow(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(frames + current - 2)));
}

// The 16 bytes of four stereo frames: left's four taps, right's four taps.
inline void StereoTaps(const std::uint8_t* frames, std::int64_t current, __m128i& left, __m128i& right) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(frames + current - 4));
  // L-1 L0 R-1 R0 and L1 L2 R1 R2
  const __m128i a = _mm_shuffle_epi32(WidenLow(v), _MM_SHUFFLE(3, 1, 2, 0));
  const __m128i b = _mm_shuffle_epi32(WidenHigh(v), _MM_SHUFFLE(3, 1, 2, 0));
  left = _mm_unpacklo_epi64(a, b);
  right = _mm_unpackhi_epi64(a, b);
}

}  // namespace tap_gather

// Frames k0 .. k0+count-1, frame k's current frame at byte offset
// current[k] of `frames`; returns how many it filled (a multiple of four),
// the rest is left to the caller.
template <int kChannels>
int GatherTaps16(const std::uint8_t* frames, const std::int64_t* current, int k0, int count,
                 const TapRows* rows) {
  using namespace tap_gather;
  int k = k0;
  for (; k + 4 <= k0 + count; k += 4) {
    if constexpr (kChannels == 1) {
      StoreTransposed(rows[0], k, MonoTaps(frames, current[k]), MonoTaps(frames, current[k + 1]),
                      MonoTaps(frames, current[k + 2]), MonoTaps(frames, current[k + 3]));
    } else {
      __m128i left[4], right[4];
      for (int i = 0; i < 4; ++i) StereoTaps(frames, current[k + i], left[i], right[i]);
      StoreTransposed(rows[0], k, left[0], left[1], left[2], left[3]);
      StoreTransposed(rows[1], k, right[0], right[1], right[2], right[3]);
    }
  }
  return k - k0;
}

#endif  // ZELVANOR_TAP_GATHER

}  // namespace zelvanor
