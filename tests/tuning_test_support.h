// Helpers for the temperament tests: a scratch directory that is also the
// current directory while a test runs (the list is looked for there first),
// file writing, and catching the RunError that ends a run.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <utility>

#include "driver/run_error.h"

namespace zelvanor::testing_support {

class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::random_device random;
    const std::string name = "zelvanor-tuning-" + std::to_string(random()) + std::to_string(random());
    path_ = std::filesystem::temp_directory_path() / name;
    std::filesystem::create_directories(path_);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  ~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

  const std::filesystem::path& path() const { return path_; }
  std::string Join(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

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
  ScratchDirectory scratch_;
  CurrentDirectory current_{scratch_.path()};
  // An executable path whose directory holds no list.
  std::string no_list_executable_ = scratch_.Join("bin/zelvanor");
};

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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
