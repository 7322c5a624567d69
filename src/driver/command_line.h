// The command line: three positional arguments, then option words that
// take effect strictly from left to right.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/settings.h"
#include "platform/temporary_file.h"
#include "tuning/temperament.h"
#include "tuning/temperament_list.h"

namespace zelvanor {

struct Arguments {
  std::string source_pattern;  // path whose last component may hold wildcards
  std::string destination;     // directory of the new files (page path with H)
  std::string detune;          // factor, signed cents or temperament request
  std::vector<std::string> options;
};

inline constexpr char kUsageLine[] =
    "usage: Zelvanor Name_of_source_WAV_File Path_to_Destination detune-factor "
    "optional_parameters\n";

// Prints the usage line and ends the run with exit code 1 (RunError).
[[noreturn]] void ThrowUsage();

// Splits the words after the program name. Fewer than three positional
// arguments take the usage exit (RunError, exit code 1).
Arguments SplitArguments(std::span<const std::string> words_after_program);

// Looks a temperament request up for a slot (LoadTemperament in the
// program; tests pass their own). Gets the settings as they stand when the
// word is read, because the report it prints depends on the verbosity.
using TemperamentLoader =
    std::function<Temperament(TemperamentSlot slot, const std::string& request, const Settings&)>;

struct OptionOutcome {
  Settings settings;
  Temperament original;  // the default temperament unless T= named one
  bool original_named = false;  // T= was given
  std::optional<int> parallel_files;  // J=, 1 to kMaxParallelFiles
  std::optional<double> pitch_standard;  // A=, Hz of A4
  bool report_pitches = false;           // M: report every pipe's pitch, write no audio
};

// The most files a run works on at once. Beyond this the disk, not the
// processor, sets the pace.
inline constexpr int kMaxParallelFiles = 16;
// Files in flight per lane: the one it works on and those it finished
// ahead of their turn. A lane behind a long file goes on with short ones
// until this many wait; every temporary output of the run, working or
// waiting, must fit the table that an interrupt cleans up.
inline constexpr int kFilesInFlightPerLane = 4;
static_assert(kMaxParallelFiles * kFilesInFlightPerLane <= platform::kTemporariesCleanedOnInterrupt);

// Applies the option words in order. Unknown words print the help or
// "Unknown special option" and the run goes on. A negative L= is taken as
// 0, with a notice. J= is held to 1 .. kMaxParallelFiles. An A= outside
// 300 .. 600 Hz ends the run (RunError, exit code 99) at its word.
OptionOutcome ParseOptions(std::span<const std::string> words, const TemperamentLoader& load);

}  // namespace zelvanor
