#include "driver/command_line.h"

#include "common/console.h"
#include "common/number_text.h"
#include "driver/option_help.h"
#include "common/run_error.h"

namespace zelvanor {
namespace {

constexpr std::size_t kPositionalArguments = 3;

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsSingleLetter(const std::string& word, char upper) {
  return word.size() == 1 && UpperAscii(word[0]) == upper;
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
    if (IsSingleLetter(word, 'H')) {
      settings.write_tuning_page = true;
      continue;
    }
    if (IsSingleLetter(word, 'U')) {
      settings.keep_unused_part = true;
      continue;
    }
    if (IsSingleLetter(word, 'X')) {
      settings.copy_unknown_chunks = false;
      continue;
    }
    if (word.size() < 2 || word[1] != '=') {
      PrintOptionHelp();
      continue;
    }
    const std::string value = word.substr(2);
    switch (UpperAscii(word[0])) {
      case 'V':
        settings.verbosity = DecimalToInt32(value);
        break;
      case 'R':
        settings.reverb_cut = DecimalToDouble(value);
        if (settings.verbosity > 1) Print("Cutting reverb to %f seconds\n", settings.reverb_cut);
        break;
      case 'O':
        settings.key_offset = DecimalToInt32(value);
        if (settings.verbosity > 1) Print("Pipe_offset set to %d\n", settings.key_offset);
        break;
      case 'T':
        outcome.original = load(TemperamentSlot::kOriginal, value, settings);
        break;
      case 'L':
        settings.dummy_loop_length = DecimalToInt32(value);
        // A negative length has no meaning (the silence would have a
        // negative size); it is most likely a typo, so say so and add none.
        if (settings.dummy_loop_length < 0) {
          Print("Dummy loop length %d is negative, no dummy loop is added\n",
                settings.dummy_loop_length);
          settings.dummy_loop_length = 0;
        }
        break;
      case 'Q':
        settings.quality = DecimalToInt32(value);
        break;
      default:
        Print("Unknown special option %s\n", word.c_str());
        break;
    }
  }
  return outcome;
}

}  // namespace zelvanor
