#pragma once

#include <array>
#include <string>

#include "tuning/note_names.h"

namespace zelvanor {

// A temperament: the pitch of each note of the octave in cents above C,
// and a shift of the whole temperament in cents.
struct Temperament {
  std::string name;  // at most 64 characters
  std::array<double, 12> cents{0, 100, 200, 300, 400, 500, 600, 700, 800, 900, 1000, 1100};
  double offset = 0.0;
};

}  // namespace zelvanor
