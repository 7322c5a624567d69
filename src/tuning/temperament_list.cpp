#include "tuning/temperament_list.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "common/console.h"
#include "common/run_error.h"
#include "common/decimal_number.h"
#include "tuning/temperament_list_file.h"
#include "tuning/temperament_request.h"

namespace zelvanor {
namespace {

bool StartsNumber(char c) { return (c >= '0' && c <= '9') || c == '-'; }
bool ContinuesNumberRun(char c) { return (c >= '0' && c <= '9') || c == '-' || c == '.'; }

// Reads up to twelve cent values from `line`, starting at `at`. Anything
// that is neither a digit nor "-" separates numbers, so "+5" and ".5" read
// as 5. After a number the scan resumes behind its run of digits, "-" and
// ".": an exponent is converted with its number and then its digits are
// read once more as the next value. Existing lists rely on exactly this.
void ReadCentValues(std::string_view line, std::size_t at, std::array<double, 12>& cents) {
  for (double& value : cents) {
    while (at < line.size() && !StartsNumber(line[at])) ++at;
    if (at >= line.size()) return;
    value = ScanDecimal(line.substr(at)).value;
    while (at < line.size() && ContinuesNumberRun(line[at])) ++at;
  }
}

void PrintOffset(double offset) {
  if (offset > 0) {
    Print("+%f cent", offset);
  } else if (offset < 0) {
    Print("%f cent", offset);
  }
}

void Report(TemperamentSlot slot, const Temperament& temperament, const Settings& settings) {
  if (settings.verbosity == 0) return;
  if (slot == TemperamentSlot::kTarget) {
    Print("Using temperament %s", temperament.name.c_str());
    PrintOffset(temperament.offset);
    if (settings.key_offset != 0) Print(" key_offset=%d", settings.key_offset);
  } else {
    Print("Temperament of original samples %s", temperament.name.c_str());
    PrintOffset(temperament.offset);
  }
  Print("\n");
}

}  // namespace

Temperament LoadTemperament(TemperamentSlot slot, const std::string& request,
                            const std::string& executable_path, const Settings& settings) {
  TemperamentListText list = OpenTemperamentList(executable_path);
  const std::string_view wanted = RequestNamePart(request);
  for (;;) {
    const std::string line = ReadListLine(list);
    if (line.empty()) {
      ThrowExit(kExitFatal, "Can't find temperament %s in my list\n", request.c_str());
    }
    const std::size_t name_length = std::min(FirstWordLength(line), kMaxTemperamentNameLength);
    const std::string_view name = std::string_view(line).substr(0, name_length);
    // Headings and blank or indented lines (descriptions) are never temperaments.
    if (name.empty() || name.front() == '[') continue;
    if (name != wanted) continue;

    Temperament temperament;
    temperament.name = std::string(name);
    // A name cut at 64 characters leaves the rest of its word to the number scan.
    ReadCentValues(line, name_length, temperament.cents);
    temperament.offset = RequestOffset(request);
    Report(slot, temperament, settings);
    return temperament;
  }
}

}  // namespace zelvanor
