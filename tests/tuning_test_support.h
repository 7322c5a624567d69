// Helpers for the temperament tests: an empty scratch directory that is
// also the current directory while a test runs (the list is looked for
// there first), and catching the RunError that ends a run.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "common/run_error.h"
#include "run_program.h"

namespace zelvanor::testing_support {

using zelvanor::testing::ScratchDirectory;
using zelvanor::testing::WriteFile;

// Makes `directory` the current directory for the lifetime of the object.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::filesystem::path& directory)
      : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(directory);
  }
  CurrentDirectory(const CurrentDirectory&) = delete;
  CurrentDirectory& operator=(const CurrentDirectory&) = delete;
  ~CurrentDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
  }

 private:
  std::filesystem::path previous_;
};

// A test that runs in an empty scratch directory of its own.
class InScratchDirectory : public ::testing::Test {
 protected:
  std::string InScratch(const std::string& relative) const {
    return (scratch_.path() / relative).string();
  }

  ScratchDirectory scratch_;
  CurrentDirectory current_{scratch_.path()};
  // An executable path whose directory holds no list.
  std::string no_list_executable_ = InScratch("bin/zelvanor");
};

inline std::string ReadText(const std::filesystem::path& path) {
  const std::vector<std::uint8_t> bytes = zelvanor::testing::ReadFile(path);
  return std::string(bytes.begin(), bytes.end());
}

struct RunEnd {
  bool thrown = false;
  int exit_code = -1;
  std::string message;
};

// Runs `action` and returns how it ended the run, if it did.
template <typename Action>
RunEnd CatchRunEnd(Action&& action) {
  try {
    std::forward<Action>(action)();
  } catch (const RunError& error) {
    return {true, error.exit_code(), error.message()};
  }
  return {};
}

}  // namespace zelvanor::testing_support
