#include "driver/information_words.h"

#include "common/console.h"
#include "driver/command_line.h"
#include "driver/option_help.h"

namespace zelvanor {

bool AnswerInformationWord(std::span<const std::string> words_after_program) {
  if (words_after_program.size() != 1) return false;
  const std::string& word = words_after_program.front();
  if (word == "--version") return true;
  if (word != "--help") return false;
  Print("%s", kUsageLine);
  PrintOptionHelp();
  Print("P=0 keeps the pitch each source's smpl chunk states; by default it moves with the retune.\n");
  Print("Every option, the temperaments and the exit codes: man zelvanor, or the README.\n");
  return true;
}

}  // namespace zelvanor
