#include "driver/run.h"

#include "common/console.h"
#include "driver/file_loop.h"
#include "driver/information_words.h"
#include "driver/run_config.h"
#include "driver/version.h"
#include "platform/directory.h"
#include "tuning/temperament_list.h"
#include "tuning/tuning_page.h"

namespace zelvanor {

void Run(std::span<const std::string> words) {
  Print("Zelvanor Vers %s (c) the Zelvanor developers\n", kVersion);
  const char* program_word = words.empty() ? nullptr : words.front().c_str();
  const std::string executable_path = platform::ExecutablePath(program_word);
  if (AnswerInformationWord(words.empty() ? words : words.subspan(1), executable_path)) return;

  const TemperamentLoader load = [&executable_path](TemperamentSlot slot,
                                                     const std::string& request,
                                                     const Settings& settings) {
    return LoadTemperament(slot, request, executable_path, settings);
  };
  const RunConfig config =
      BuildRunConfig(words.empty() ? words : words.subspan(1), executable_path, load);

  if (config.settings.write_tuning_page) {
    WriteTuningPage(config.detune, config.destination, config.executable_path);
    return;
  }
  ProcessMatchingFiles(config);
}

}  // namespace zelvanor
