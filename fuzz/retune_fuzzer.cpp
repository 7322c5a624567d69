// libFuzzer entry: every input goes through the whole per-file pipeline
// (see pipeline_exercise.h); a broken guarantee aborts with its description.
#include <stdlib.h>  // mkdtemp

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "fuzz/pipeline_exercise.h"

namespace {

std::filesystem::path g_scratch;  // this process's directory for the file writer

void RemoveScratch() {
  std::error_code ignored;
  std::filesystem::remove_all(g_scratch, ignored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The program's messages would make the fuzzer I/O bound; the checks
  // look at results, not at text.
  if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
  std::string pattern = (std::filesystem::temp_directory_path() / "zelvanor-fuzz-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  g_scratch = pattern;
  std::atexit(RemoveScratch);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string problem = zelvanor::fuzzing::ExercisePipeline({data, size}, g_scratch);
  if (!problem.empty()) {
    std::fprintf(stderr, "guarantee broken: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
