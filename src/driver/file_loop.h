#pragma once

#include "driver/run_config.h"

namespace zelvanor {

// Retunes every regular file that matches the source pattern, in bytewise
// name order, one after the other, into the destination directory. The
// source image serves the whole batch. Ends the run by RunError when the
// pattern matches nothing (99), a path is refused or a file vanishes (1),
// or a factor is out of range (99).
void ProcessMatchingFiles(const RunConfig& config);

}  // namespace zelvanor
