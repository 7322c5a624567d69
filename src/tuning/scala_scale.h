// Scala scale files (.scl), the form in which players, synthesizers, tuning
// apps and the public scale archive exchange tunings. Wherever a temperament
// is asked for, such a file may stand in for a name of the list, so that a
// historical tuning needs no conversion by hand.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace zelvanor {

// The path a request names when it asks for a Scala file: the request up to
// the last ".scl" (any case) that ends it or is followed by "+" or "-", the
// cents shift read as for a name. The path itself may hold "+" and "-"
// (my-scales/werck-4.scl-2 is my-scales/werck-4.scl two cents down).
// Nothing for any other request.
std::optional<std::string_view> ScalaScalePath(std::string_view request);

struct ScalaScale {
  std::string description;  // the file's first line that is not a comment
  // C to B in cents, placed as the list's temperaments are: A at 900 cents.
  std::array<double, 12> cents{};
};

// Reads the twelve-note scale at `path` (relative to the working
// directory). A file that is not there ends the run as a name the list
// lacks: "Can't find temperament REQUEST: no such scale file", exit code 99.
// A malformed one (not 12 notes, a period other than an octave, a ratio not
// above zero, a number that does not parse, fewer pitches than announced)
// ends it with the path, the line number and what is wrong, exit code 99.
ScalaScale ReadScalaScale(const std::string& path, const std::string& request);

// A period this close to 1200 cents is an octave: 2/1, 1200.0 and cents
// rounded to three decimals all pass; a stretched octave does not.
inline constexpr double kOctaveToleranceCents = 0.001;

}  // namespace zelvanor
