// What a list offers: its names, each with the first line of its
// description, for a user who wants to know what to ask for.
#pragma once

#include <string>
#include <vector>

namespace zelvanor {

struct ListedTemperament {
  std::string name;     // as a request must spell it
  std::string summary;  // the first description line, blanks trimmed; may be empty
};

struct TemperamentListing {
  std::string path;  // the list file read
  std::vector<ListedTemperament> temperaments;  // in file order, each name once
};

// The list a run would use (the same search as LoadTemperament), read as
// LoadTemperament reads it: a name that appears twice is listed once, as
// only its first line can be asked for. Throws RunError (exit code 1) when
// there is no list.
TemperamentListing ListTemperaments(const std::string& executable_path);

}  // namespace zelvanor
