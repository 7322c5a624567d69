#pragma once

#include "driver/run_config.h"

namespace zelvanor {

// Retunes every regular file that matches the source pattern into the
// destination directory, config.parallel_files at a time, with the same
// messages, files and end as one after the other in bytewise name order.
// Ends the run by RunError when the pattern matches nothing (99), a path
// is refused or a file vanishes (1), or a factor is out of range (99).
void ProcessMatchingFiles(const RunConfig& config);

}  // namespace zelvanor
