// The detune argument and the range every tuning factor must lie in.
#pragma once

#include <string>

namespace zelvanor {

enum class DetuneForm {
  kCents,        // starts with "+" or "-": signed cents
  kFactor,       // starts with a digit: the factor itself
  kTemperament,  // anything else, ".5", the empty word and a Scala file (2024/old.scl) included
};

DetuneForm ClassifyDetune(const std::string& argument);

// The base factor of a cents or factor argument (leading number, as atof;
// cents through CentsToFactor). Only meaningful for those two forms.
double DetuneToFactor(const std::string& argument);

inline constexpr double kMinTuningFactor = 0.2;
inline constexpr double kMaxTuningFactor = 4.03;

// True for 0.2 to 4.03 inclusive; false for NaN.
bool IsTuningFactorInRange(double factor);

// Ends the run (exit code 99) for a factor outside the range. The message
// names 0.5 to 2.0 although the accepted range is wider: scripts match it.
void CheckTuningFactor(double factor);

}  // namespace zelvanor
