// Stand-in until note guessing lands.
#include "tuning/tuning_factor.h"

#include "driver/run_error.h"

namespace zelvanor {

int GuessNoteIndex(const std::string& source_path) {
  ThrowFatal("can't guess notename from filename %s\n", source_path.c_str());
}

double TemperamentTuningFactor(const std::string& source_path, const Temperament&,
                               const Temperament&, const Settings&) {
  return GuessNoteIndex(source_path);
}

}  // namespace zelvanor
