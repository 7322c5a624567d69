// Finding a temperament's line in the list. The loader and the tuning page
// search alike but for two rules, which are parameters here; each caller
// keeps its own so that a list selects the same temperament and writes the
// same page whichever version of the program reads it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "tuning/temperament_list_file.h"

namespace zelvanor {

// Which lines may name a temperament. Headings ("[...") never do.
enum class NameLines {
  kNotBlankStart,   // every line that does not start with whitespace
  kPrintableStart,  // only lines that start with a byte from 33 to 127
};

struct EntrySearch {
  std::size_t name_limit;  // characters of the line's first word that form its name
  NameLines name_lines;
};

struct TemperamentEntry {
  std::string line;  // as ReadListLine gives it
  std::size_t name_length = 0;

  std::string_view name() const { return std::string_view(line).substr(0, name_length); }
};

// Reads `list` up to the first line whose name is the name part of
// `request` and leaves `list` just behind it. Throws RunError (exit code
// 99) when the list ends first.
TemperamentEntry FindTemperamentEntry(TemperamentListText& list, const std::string& request,
                                      const EntrySearch& search);

// A line that begins with whitespace, another control character or a byte
// of 128 and above: a description of the temperament line above it.
bool IsDescriptionLine(std::string_view line);

}  // namespace zelvanor
