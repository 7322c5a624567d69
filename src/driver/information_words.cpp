#include "driver/information_words.h"

#include "common/console.h"
#include "driver/command_line.h"
#include "driver/option_help.h"
#include "tuning/temperament_listing.h"

namespace zelvanor {
namespace {

void PrintTemperaments(const std::string& executable_path) {
  const TemperamentListing listing = ListTemperaments(executable_path);
  Print("Temperaments in %s:\n", listing.path.c_str());
  for (const ListedTemperament& temperament : listing.temperaments) {
    if (temperament.summary.empty()) {
      Print("  %s\n", temperament.name.c_str());
    } else {
      Print("  %-28s %s\n", temperament.name.c_str(), temperament.summary.c_str());
    }
  }
  Print("A Scala file serves where a name goes: its path, ending in .scl (T=old.scl, werck4.scl+2).\n");
}

}  // namespace

bool AnswerInformationWord(std::span<const std::string> words_after_program, const std::string& executable_path) {
  if (words_after_program.size() != 1) return false;
  const std::string& word = words_after_program.front();
  if (word == "--version") return true;
  if (word == "--temperaments") {
    PrintTemperaments(executable_path);
    return true;
  }
  if (word != "--help") return false;
  Print("%s", kUsageLine);
  PrintOptionHelp();
  Print("P=0 keeps the pitch each source's smpl chunk states; by default it moves with the retune.\n");
  Print("A=hz tunes every pipe from its own pitch to a pitch standard, M reports each pipe's pitch, S takes\n"
        "the pitch a pipe states: see \"Tuning a detuned set\" in the README.\n");
  Print("--temperaments lists the temperaments; a Scala file (NAME.scl) may stand for one.\n");
  Print("Every option, the temperaments and the exit codes: man zelvanor, or the README.\n");
  return true;
}

}  // namespace zelvanor
