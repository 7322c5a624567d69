#include "tuning/temperament_entry.h"

#include <algorithm>
#include <cstdint>

#include "common/ascii.h"
#include "common/run_error.h"
#include "tuning/temperament_request.h"

namespace zelvanor {
namespace {

bool MayNameTemperament(std::string_view line, NameLines name_lines) {
  const bool excluded =
      name_lines == NameLines::kNotBlankStart ? IsSpace(line.front()) : IsDescriptionLine(line);
  return !excluded && line.front() != '[';
}

}  // namespace

bool IsDescriptionLine(std::string_view line) {
  const auto first = static_cast<std::uint8_t>(line.front());
  return first <= 32 || first >= 128;
}

TemperamentEntry FindTemperamentEntry(TemperamentListText& list, const std::string& request,
                                      const EntrySearch& search) {
  const std::string_view wanted = RequestNamePart(request);
  for (;;) {
    TemperamentEntry entry{ReadListLine(list)};
    if (entry.line.empty()) {
      ThrowExit(kExitFatal, "Can't find temperament %s in my list\n", request.c_str());
    }
    if (!MayNameTemperament(entry.line, search.name_lines)) continue;
    entry.name_length = std::min(FirstWordLength(entry.line), search.name_limit);
    if (entry.name() == wanted) return entry;
  }
}

}  // namespace zelvanor
