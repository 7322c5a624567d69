#include "pitch/small_fft.h"

#include <utility>

#include "common/series_math.h"

namespace zelvanor::pitch {

FourierTransform::FourierTransform(std::size_t size) : size_(size), cosine_(size / 2), sine_(size / 2) {
  // The first quarter from the series; the rest by symmetry, exactly.
  const std::size_t quarter = size / 4;
  for (std::size_t k = 0; k <= quarter; ++k) {
    const double s = series::SinPi(2.0 * static_cast<double>(k) / static_cast<double>(size));
    if (k < quarter) sine_[k] = s;
    if (quarter - k < size / 2) cosine_[quarter - k] = s;
  }
  for (std::size_t k = quarter + 1; k < size / 2; ++k) {
    sine_[k] = sine_[size / 2 - k];
    cosine_[k] = -cosine_[size / 2 - k];
  }
  if (quarter < size / 2) sine_[quarter] = 1.0;
}

void FourierTransform::Transform(std::vector<double>& re, std::vector<double>& im, bool inverse) const {
  const std::size_t n = size_;
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) {
      std::swap(re[i], re[j]);
      std::swap(im[i], im[j]);
    }
  }
  const double sign = inverse ? 1.0 : -1.0;
  for (std::size_t length = 2; length <= n; length <<= 1) {
    const std::size_t stride = n / length;
    for (std::size_t start = 0; start < n; start += length) {
      for (std::size_t k = 0; k < length / 2; ++k) {
        const double wr = cosine_[k * stride];
        const double wi = sign * sine_[k * stride];
        const std::size_t a = start + k;
        const std::size_t b = a + length / 2;
        const double tr = re[b] * wr - im[b] * wi;
        const double ti = re[b] * wi + im[b] * wr;
        re[b] = re[a] - tr;
        im[b] = im[a] - ti;
        re[a] = re[a] + tr;
        im[a] = im[a] + ti;
      }
    }
  }
}

std::vector<double> HannWindow(std::size_t size) {
  std::vector<double> window(size);
  for (std::size_t n = 0; n < size; ++n) {
    const double s = series::SinPi((n + 0.5) / static_cast<double>(size));
    window[n] = s * s;
  }
  return window;
}

}  // namespace zelvanor::pitch
