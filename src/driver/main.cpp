#include <exception>
#include <string>
#include <vector>

#include "common/console.h"
#include "common/run_error.h"
#include "driver/run.h"

int main(int argc, char** argv) {
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
