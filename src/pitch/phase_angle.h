// The angle of a complex number, atan2(y, x), from a series in plain double
// operations in a fixed order: a measured pitch decides a tuning factor and
// so output bytes, and the C library's atan2 may differ in its last bit
// between systems.
#pragma once

namespace zelvanor::pitch {

// In (-pi, pi]; 0 for 0 + 0i.
double PhaseAngle(double y, double x);

}  // namespace zelvanor::pitch
