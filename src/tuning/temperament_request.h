// A TemperamentRequest is a temperament's name, optionally followed by "+"
// or "-" and a number of cents that shifts the whole temperament
// (Example+2.5, Example-3). Messages quote the whole request.
#pragma once

#include <string_view>

namespace zelvanor {

// Everything before the first "+" or "-": the name the list is searched for.
std::string_view RequestNamePart(std::string_view request);

// The cents suffix: the number that starts at the first "+" or "-", sign
// included, when a decimal digit follows the sign; 0.0 otherwise (so
// Example+x, Example+ and Example+.5 are unshifted).
double RequestOffset(std::string_view request);

}  // namespace zelvanor
