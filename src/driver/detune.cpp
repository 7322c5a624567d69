#include "driver/detune.h"

#include "common/ascii.h"
#include "common/console.h"
#include "common/number_text.h"
#include "common/run_error.h"
#include "tuning/scala_scale.h"
#include "tuning/tuning_factor.h"

namespace zelvanor {

DetuneForm ClassifyDetune(const std::string& argument) {
  if (argument.empty()) return DetuneForm::kTemperament;
  const char first = argument[0];
  if (first == '+' || first == '-') return DetuneForm::kCents;
  // A scale file's name may start with a digit (12-tet.scl).
  if (ScalaScalePath(argument)) return DetuneForm::kTemperament;
  if (IsDigit(first)) return DetuneForm::kFactor;
  return DetuneForm::kTemperament;
}

double DetuneToFactor(const std::string& argument) {
  const double number = LeadingDouble(argument);
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
