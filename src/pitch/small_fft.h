// A radix-2 Fourier transform for the coarse period search. Its twiddles
// come from the series sine and its operations run in a fixed order, so
// even this coarse stage gives the same result everywhere and the pitch's
// octave can never depend on the machine.
#pragma once

#include <vector>

namespace zelvanor::pitch {

// Transforms re + i im in place (their common size a power of 2): the
// forward transform sums x[n] e^(-2 pi i k n / N); the inverse uses e^(+...)
// and leaves the scaling by 1/N to the caller.
void Transform(std::vector<double>& re, std::vector<double>& im, bool inverse);

}  // namespace zelvanor::pitch
