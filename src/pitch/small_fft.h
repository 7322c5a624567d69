// A radix-2 Fourier transform for the coarse period search. Its twiddles
// come from the series sine and its operations run in a fixed order, so
// even this coarse stage gives the same result everywhere and the pitch's
// octave can never depend on the machine.
#pragma once

#include <cstddef>
#include <vector>

namespace zelvanor::pitch {

class FourierTransform {
 public:
  explicit FourierTransform(std::size_t size);  // a power of 2, at least 4

  std::size_t size() const { return size_; }

  // Transforms re + i im (each of size()) in place: the forward transform
  // sums x[n] e^(-2 pi i k n / N); the inverse uses e^(+...) and leaves the
  // scaling by 1/N to the caller.
  void Transform(std::vector<double>& re, std::vector<double>& im, bool inverse) const;

 private:
  std::size_t size_;
  std::vector<double> cosine_, sine_;  // of 2 pi k / N for k < N/2
};

// The Hann window of `size` points, sin^2(pi (n + 1/2) / size), from the
// series sine: what both the spectrum and the harmonic fit weigh frames by.
std::vector<double> HannWindow(std::size_t size);

}  // namespace zelvanor::pitch
