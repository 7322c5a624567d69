#include "driver/command_line.h"

#include <algorithm>

#include "common/ascii.h"
#include "common/console.h"
#include "common/number_text.h"
#include "common/run_error.h"
#include "driver/option_help.h"
#include "tuning/pitch_standard.h"

namespace zelvanor {
namespace {

constexpr std::size_t kPositionalArguments = 3;

// The options that are a single letter, in either case; each sets a flag.
struct LetterOption {
  char letter;
  bool Settings::*flag;
  bool value;
};
constexpr LetterOption kLetterOptions[] = {
    {'H', &Settings::write_tuning_page, true},
    {'U', &Settings::keep_unused_part, true},
    {'X', &Settings::copy_unknown_chunks, false},
    {'S', &Settings::use_stated_pitch, true},
};

// A= is refused as a factor out of range is: a line with the value, a line
// with the range, exit code 99.
double CheckedPitchStandard(const std::string& value) {
  const double hz = LeadingDouble(value);
  if (hz >= kLowestPitchStandard && hz <= kHighestPitchStandard) return hz;
  Print("Pitch standard of %f Hz makes no sense.\n", hz);
  ThrowFatal("Should be in range %.0f <= A= <= %.0f\n", kLowestPitchStandard, kHighestPitchStandard);
}

bool ApplyLetterOption(const std::string& word, OptionOutcome& outcome) {
  if (word.size() != 1) return false;
  if (UpperAscii(word[0]) == 'M') return outcome.report_pitches = true;
  Settings& settings = outcome.settings;
  for (const LetterOption& option : kLetterOptions) {
    if (UpperAscii(word[0]) != option.letter) continue;
    settings.*option.flag = option.value;
    return true;
  }
  return false;
}

}  // namespace

void ThrowUsage() { ThrowExit(kExitFailure, "%s", kUsageLine); }

Arguments SplitArguments(std::span<const std::string> words_after_program) {
  if (words_after_program.size() < kPositionalArguments) ThrowUsage();
  Arguments arguments;
  arguments.source_pattern = words_after_program[0];
  arguments.destination = words_after_program[1];
  arguments.detune = words_after_program[2];
  arguments.options.assign(words_after_program.begin() + kPositionalArguments,
                           words_after_program.end());
  return arguments;
}

OptionOutcome ParseOptions(std::span<const std::string> words, const TemperamentLoader& load) {
  OptionOutcome outcome;
  Settings& settings = outcome.settings;
  for (const std::string& word : words) {
    if (ApplyLetterOption(word, outcome)) continue;
    if (word.size() < 2 || word[1] != '=') {
      PrintOptionHelp();
      continue;
    }
    const std::string value = word.substr(2);
    switch (UpperAscii(word[0])) {
      case 'V':
        settings.verbosity = LeadingInt32(value);
        break;
      case 'R':
        settings.reverb_cut = LeadingDouble(value);
        if (settings.verbosity > 1) Print("Cutting reverb to %f seconds\n", settings.reverb_cut);
        break;
      case 'O':
        settings.key_offset = LeadingInt32(value);
        if (settings.verbosity > 1) Print("Pipe_offset set to %d\n", settings.key_offset);
        break;
      case 'T':
        outcome.original = load(TemperamentSlot::kOriginal, value, settings);
        outcome.original_named = true;
        break;
      case 'A':
        outcome.pitch_standard = CheckedPitchStandard(value);
        if (settings.verbosity > 1) Print("Pitch standard A4 = %f Hz\n", *outcome.pitch_standard);
        break;
      case 'L':
        settings.dummy_loop_length = LeadingInt32(value);
        // A negative length has no meaning (the silence would have a
        // negative size); it is most likely a typo, so say so and add none.
        if (settings.dummy_loop_length < 0) {
          Print("Dummy loop length %d is negative, no dummy loop is added\n",
                settings.dummy_loop_length);
          settings.dummy_loop_length = 0;
        }
        break;
      case 'Q':
        settings.quality = LeadingInt32(value);
        break;
      case 'P':
        settings.update_stated_pitch = LeadingInt32(value) != 0;
        if (settings.verbosity > 1) {
          Print(settings.update_stated_pitch ? "Stated pitch moves with the retune\n"
                                             : "Stated pitch kept as the sources have it\n");
        }
        break;
      case 'J':
        outcome.parallel_files = std::clamp(LeadingInt32(value), 1, kMaxParallelFiles);
        if (settings.verbosity > 1) Print("Parallel files set to %d\n", *outcome.parallel_files);
        break;
      default:
        Print("Unknown special option %s\n", word.c_str());
        break;
    }
  }
  return outcome;
}

}  // namespace zelvanor
