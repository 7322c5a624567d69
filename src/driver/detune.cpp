#include "driver/detune.h"

#include <cmath>

#include "common/console.h"
#include "common/number_text.h"
#include "common/run_error.h"

namespace zelvanor {
namespace {

// ln(2) / 1200, to the digits earlier versions used.
constexpr double kLogRatioPerCent = 0.00057762265;

}  // namespace

DetuneForm ClassifyDetune(const std::string& argument) {
  if (argument.empty()) return DetuneForm::kTemperament;
  const char first = argument[0];
  if (first == '+' || first == '-') return DetuneForm::kCents;
  if (first >= '0' && first <= '9') return DetuneForm::kFactor;
  return DetuneForm::kTemperament;
}

double CentsToFactor(double cents) { return std::exp(cents * kLogRatioPerCent); }

double DetuneToFactor(const std::string& argument) {
  const double number = DecimalToDouble(argument);
  return ClassifyDetune(argument) == DetuneForm::kCents ? CentsToFactor(number) : number;
}

bool IsTuningFactorInRange(double factor) {
  return factor >= kMinTuningFactor && factor <= kMaxTuningFactor;
}

void CheckTuningFactor(double factor) {
  if (IsTuningFactorInRange(factor)) return;
  Print("Detune value of %f makes no sense.\n", factor);
  ThrowFatal("Should be in range 0.5 <= detune <= 2.0\n");
}

}  // namespace zelvanor
