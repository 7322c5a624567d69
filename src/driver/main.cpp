#include <exception>
#include <string>
#include <vector>

#include "common/console.h"
#include "common/run_error.h"
#include "driver/run.h"
#include "platform/process_signals.h"

int main(int argc, char** argv) {
  // Before the banner: a closed standard output or a file-size limit must
  // find the run ready to end cleanly from its first write on.
  zelvanor::platform::SetUpProcessSignals();
  try {
    const std::vector<std::string> words(argv, argv + argc);
    zelvanor::Run(words);
    return zelvanor::kExitSuccess;
  } catch (const zelvanor::RunError& error) {
    zelvanor::Print("%s", error.message().c_str());
    return error.exit_code();
  } catch (const std::exception& error) {
    // Out of memory or a library failure: partial outputs are already gone
    // (they delete themselves while the exception unwinds).
    zelvanor::Print("Fatal: %s\n", error.what());
    return zelvanor::kExitFatal;
  }
}
