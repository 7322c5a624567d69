#include "pitch/small_fft.h"

#include <cstddef>
#include <utility>

#include "common/series_math.h"

namespace zelvanor::pitch {

void Transform(std::vector<double>& re, std::vector<double>& im, bool inverse) {
  const std::size_t n = re.size();
  if (n < 2) return;
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) {
      std::swap(re[i], re[j]);
      std::swap(im[i], im[j]);
    }
  }
  // cos and sin of 2 pi k / n for k < n/2, from the series sine.
  std::vector<double> cosine(n / 2), sine(n / 2);
  for (std::size_t k = 0; k < n / 2; ++k) {
    const double turns = 2.0 * static_cast<double>(k) / static_cast<double>(n);
    sine[k] = series::SinPi(turns);
    cosine[k] = series::SinPi(turns + 0.5);
  }
  const double sign = inverse ? 1.0 : -1.0;
  for (std::size_t length = 2; length <= n; length <<= 1) {
    const std::size_t stride = n / length;
    for (std::size_t start = 0; start < n; start += length) {
      for (std::size_t k = 0; k < length / 2; ++k) {
        const double wr = cosine[k * stride];
        const double wi = sign * sine[k * stride];
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

}  // namespace zelvanor::pitch
