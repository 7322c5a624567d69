#include "tuning/temperament_list.h"

#include <array>
#include <optional>
#include <string_view>

#include "common/ascii.h"
#include "common/console.h"
#include "common/number_text.h"
#include "tuning/scala_scale.h"
#include "tuning/temperament_entry.h"
#include "tuning/temperament_list_file.h"
#include "tuning/temperament_request.h"

namespace zelvanor {
namespace {

bool StartsNumber(char c) { return IsDigit(c) || c == '-'; }
bool ContinuesNumberRun(char c) { return IsDigit(c) || c == '-' || c == '.'; }

// Reads up to twelve cent values from `line`, starting at `at`. Anything
// that is neither a digit nor "-" separates numbers, so "+5" and ".5" read
// as 5. After a number the scan resumes behind its run of digits, "-" and
// ".": an exponent is converted with its number and then its digits are
// read once more as the next value. Existing lists rely on exactly this.
void ReadCentValues(std::string_view line, std::size_t at, std::array<double, 12>& cents) {
  for (double& value : cents) {
    while (at < line.size() && !StartsNumber(line[at])) ++at;
    if (at >= line.size()) return;
    value = ScanPlainDecimal(line.substr(at)).value;
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
  Temperament temperament;
  if (const std::optional<std::string_view> path = ScalaScalePath(request)) {
    temperament.name = std::string(*path);
    temperament.cents = ReadScalaScale(temperament.name, request).cents;
    temperament.offset = RequestOffset(std::string_view(request).substr(path->size()));
  } else {
    TemperamentListText list = OpenTemperamentList(executable_path);
    // Any line that does not start with whitespace may name a temperament,
    // by at most 64 characters of its first word.
    const TemperamentEntry entry = FindTemperamentEntry(
        list, request,
        {.name_limit = kMaxTemperamentNameLength, .name_lines = NameLines::kNotBlankStart});
    temperament.name = std::string(entry.name());
    // A name cut at 64 characters leaves the rest of its word to the number scan.
    ReadCentValues(entry.line, entry.name_length, temperament.cents);
    temperament.offset = RequestOffset(request);
  }
  Report(slot, temperament, settings);
  return temperament;
}

}  // namespace zelvanor
