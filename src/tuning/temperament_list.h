#pragma once

#include <string>

#include "common/settings.h"
#include "tuning/temperament.h"

namespace zelvanor {

enum class TemperamentSlot { kOriginal = 0, kTarget = 1 };

// Looks `request` (a name with an optional "+"/"-" cents suffix) up in the
// list file ZELVANOR.INI (current directory first, then beside the
// executable) and reports it when settings.verbosity is not 0. A missing
// list throws RunError (exit code 1), a name the list does not hold
// RunError (exit code 99). The first line of that name wins. A request for
// a Scala file (scala_scale.h) reads that file instead, and is named by its
// path.
Temperament LoadTemperament(TemperamentSlot slot, const std::string& request,
                            const std::string& executable_path, const Settings& settings);

// Only this many characters of a temperament's name are kept.
inline constexpr std::size_t kMaxTemperamentNameLength = 64;

}  // namespace zelvanor
