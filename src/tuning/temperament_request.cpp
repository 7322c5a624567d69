#include "tuning/temperament_request.h"

#include "common/ascii.h"
#include "common/number_text.h"

namespace zelvanor {

std::string_view RequestNamePart(std::string_view request) {
  return request.substr(0, request.find_first_of("+-"));
}

double RequestOffset(std::string_view request) {
  const std::size_t sign = request.find_first_of("+-");
  if (sign == std::string_view::npos || sign + 1 >= request.size()) return 0.0;
  const char after = request[sign + 1];
  if (!IsDigit(after)) return 0.0;
  return ScanPlainDecimal(request.substr(sign)).value;
}

}  // namespace zelvanor
