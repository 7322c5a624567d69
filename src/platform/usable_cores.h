#pragma once

namespace zelvanor::platform {

// The number of processor cores this process may run on: its affinity
// mask where the system has one (a `taskset` or a container's limit), else
// what the standard library reports; at least 1.
int UsableCores();

}  // namespace zelvanor::platform
