#pragma once

#include <string>

#include "driver/settings.h"
#include "tuning/temperament.h"

namespace zelvanor {

enum class TemperamentSlot { kOriginal = 0, kTarget = 1 };

// Looks `request` (a name with an optional "+"/"-" cents suffix) up in the
// list file ZELVANOR.INI (current directory first, then beside the
// executable) and reports it. A missing list throws RunError (exit code 1),
// a name the list does not hold RunError (exit code 99).
Temperament LoadTemperament(TemperamentSlot slot, const std::string& request,
                            const std::string& executable_path, const Settings& settings);

}  // namespace zelvanor
