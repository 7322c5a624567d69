// Stand-in until the tuning page lands.
#include "tuning/tuning_report.h"

#include "driver/run_error.h"

namespace zelvanor {

void WriteTuningReport(const std::string& request, const std::string&, const std::string&) {
  ThrowFatal("Can't find temperament %s in my list\n", request.c_str());
}

}  // namespace zelvanor
