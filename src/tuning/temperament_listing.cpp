#include "tuning/temperament_listing.h"

#include <algorithm>
#include <string_view>

#include "common/ascii.h"
#include "tuning/temperament_list.h"
#include "tuning/temperament_list_file.h"

namespace zelvanor {
namespace {

std::string Trimmed(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return std::string(text);
}

}  // namespace

TemperamentListing ListTemperaments(const std::string& executable_path) {
  FoundTemperamentList list = FindTemperamentList(executable_path);
  TemperamentListing listing{.path = list.path, .temperaments = {}};
  ListedTemperament* current = nullptr;  // the temperament the lines below describe, if listed
  for (std::string line = ReadListLine(list.text); !line.empty(); line = ReadListLine(list.text)) {
    if (IsSpace(line.front())) {
      if (current != nullptr && current->summary.empty()) current->summary = Trimmed(line);
      continue;
    }
    current = nullptr;
    if (line.front() == '[') continue;
    const std::string name = line.substr(0, std::min(FirstWordLength(line), kMaxTemperamentNameLength));
    const auto same = [&name](const ListedTemperament& listed) { return listed.name == name; };
    if (std::none_of(listing.temperaments.begin(), listing.temperaments.end(), same)) {
      current = &listing.temperaments.emplace_back(ListedTemperament{name, {}});
    }
  }
  return listing;
}

}  // namespace zelvanor
