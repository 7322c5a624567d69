// Writes a set of synthetic organ pipes into a folder: the demo's examples,
// and with larger counts and lengths a benchmark corpus.
//
//   zelvanor_make_examples FOLDER [--count N] [--seconds MIN[:MAX]]
//                          [--formats BITSxCHANNELS,...] [--seed N]
//                          [--first-note N] [--note-step N] [--rate HZ]
//
// The same arguments always give the same files, byte for byte.
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "common/console.h"
#include "examples/example_pipes.h"
#include "platform/output_file.h"

namespace {

using zelvanor::Print;
using zelvanor::examples::SetSpec;

constexpr const char* kUsage =
    "usage: zelvanor_make_examples FOLDER [--count N] [--seconds MIN[:MAX]]\n"
    "                              [--formats BITSxCHANNELS,...] [--seed N]\n"
    "                              [--first-note N] [--note-step N] [--rate HZ]\n"
    "defaults: --count 4 --seconds 0.6:0.9 --formats 16x2,24x1 --seed 1 --first-note 36\n"
    "          --note-step 13 --rate 44100\n";

struct UsageError {
  std::string message;
};

long long ParseInteger(const std::string& option, const std::string& text, long long low,
                       long long high) {
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);  // long is 32 bits on Windows
  if (text.empty() || *end != '\0' || value < low || value > high) {
    throw UsageError{option + " wants a whole number from " + std::to_string(low) + " to " + std::to_string(high)};
  }
  return value;
}

double ParseSeconds(const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(value >= 0.05 && value <= 600.0)) {
    throw UsageError{"--seconds wants lengths from 0.05 to 600"};
  }
  return value;
}

std::vector<std::pair<int, int>> ParseFormats(const std::string& text) {
  std::vector<std::pair<int, int>> formats;
  std::size_t begin = 0;
  while (begin <= text.size()) {
    const std::size_t comma = std::min(text.find(',', begin), text.size());
    const std::string item = text.substr(begin, comma - begin);
    const std::size_t x = item.find('x');
    if (x == std::string::npos) throw UsageError{"--formats items look like 16x2 or 24x1"};
    const int bits = static_cast<int>(ParseInteger("--formats", item.substr(0, x), 16, 24));
    const int channels = static_cast<int>(ParseInteger("--formats", item.substr(x + 1), 1, 4));
    if (bits != 16 && bits != 24) throw UsageError{"--formats takes 16 or 24 bits"};
    formats.emplace_back(bits, channels);
    begin = comma + 1;
  }
  return formats;
}

SetSpec ParseArguments(const std::vector<std::string>& args, std::string& folder) {
  SetSpec set;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.rfind("--", 0) != 0) {
      if (!folder.empty()) throw UsageError{"more than one folder given"};
      folder = arg;
      continue;
    }
    if (i + 1 >= args.size()) throw UsageError{arg + " needs a value"};
    const std::string& value = args[++i];
    if (arg == "--count") {
      set.count = static_cast<int>(ParseInteger(arg, value, 1, 100000));
    } else if (arg == "--seconds") {
      const std::size_t colon = value.find(':');
      set.min_seconds = ParseSeconds(value.substr(0, colon));
      set.max_seconds = colon == std::string::npos ? set.min_seconds : ParseSeconds(value.substr(colon + 1));
      if (set.max_seconds < set.min_seconds) throw UsageError{"--seconds MIN:MAX wants MIN <= MAX"};
    } else if (arg == "--formats") {
      set.formats = ParseFormats(value);
    } else if (arg == "--seed") {
      set.seed = static_cast<std::uint32_t>(ParseInteger(arg, value, 0, 4294967295LL));
    } else if (arg == "--first-note") {
      set.first_note = static_cast<int>(ParseInteger(arg, value, 24, 108));
    } else if (arg == "--note-step") {
      set.note_step = static_cast<int>(ParseInteger(arg, value, 1, 84));
    } else if (arg == "--rate") {
      set.rate = static_cast<std::uint32_t>(ParseInteger(arg, value, 8000, 192000));
    } else {
      throw UsageError{"unknown option " + arg};
    }
  }
  if (folder.empty()) throw UsageError{"no folder given"};
  return set;
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder;
  SetSpec set;
  try {
    set = ParseArguments(std::vector<std::string>(argv + 1, argv + argc), folder);
  } catch (const UsageError& error) {
    Print("%s\n%s", error.message.c_str(), kUsage);
    return 1;
  }
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  std::uint64_t total = 0;
  for (const zelvanor::examples::NamedPipe& planned : zelvanor::examples::PlanSet(set)) {
    const zelvanor::examples::Pipe pipe = zelvanor::examples::SynthesizePipe(planned.spec);
    const std::string path = (std::filesystem::path(folder) / planned.file_name).string();
    zelvanor::platform::OutputFile file;
    if (!file.Create(path)) {
      Print("can't create %s\n", path.c_str());
      return 1;
    }
    file.Write(pipe.bytes.data(), pipe.bytes.size());
    if (file.Commit() != zelvanor::platform::OutputFile::CommitResult::kDone) {
      Print("can't write %s\n", path.c_str());
      return 1;
    }
    total += pipe.bytes.size();
    Print("wrote %s: %d-bit, %d channel%s, %.2f s, loop %u-%u, release at %u\n", path.c_str(), planned.spec.bits,
          planned.spec.channels, planned.spec.channels == 1 ? "" : "s",
          static_cast<double>(pipe.markers.frames) / planned.spec.rate, pipe.markers.loop_start,
          pipe.markers.loop_end, pipe.markers.release_start);
  }
  Print("%d pipes, %.1f MB\n", set.count, static_cast<double>(total) / 1e6);
  return 0;
}
