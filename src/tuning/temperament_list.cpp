// Stand-in until the temperament list lands: no temperament is known.
#include "tuning/temperament_list.h"

#include "driver/run_error.h"

namespace zelvanor {

Temperament LoadTemperament(TemperamentSlot, const std::string& request, const std::string&,
                            const Settings&) {
  ThrowFatal("Can't find temperament %s in my list\n", request.c_str());
}

}  // namespace zelvanor
