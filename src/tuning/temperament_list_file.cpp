#include "tuning/temperament_list_file.h"

#include <optional>
#include <utility>

#include "common/ascii.h"
#include "common/path_length.h"
#include "common/run_error.h"
#include "platform/file_system.h"
#include "platform/path_separators.h"

namespace zelvanor {
namespace {

constexpr std::uint8_t kEndOfText = 26;

std::optional<TemperamentListText> ReadList(const std::string& path) {
  // A directory of that name is no list; the search goes on. Checked here
  // because POSIX, unlike Windows, opens a directory for reading.
  if (!platform::IsRegularFile(path)) return std::nullopt;
  std::optional<std::vector<std::uint8_t>> bytes = platform::ReadWholeFile(path);
  if (!bytes) return std::nullopt;
  return TemperamentListText(*bytes);
}

}  // namespace

TemperamentListText::TemperamentListText(const std::vector<std::uint8_t>& raw) {
  text_.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const std::uint8_t byte = raw[i];
    if (byte == kEndOfText) break;
    if (byte == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    text_.push_back(static_cast<char>(byte));
  }
}

std::string_view TemperamentListText::TakeLine(std::size_t limit) {
  const std::string_view rest = std::string_view(text_).substr(next_);
  std::size_t length = rest.find('\n');
  length = length == std::string_view::npos ? rest.size() : length + 1;
  if (length > limit) length = limit;
  next_ += length;
  return rest.substr(0, length);
}

std::string TemperamentListBesideExecutable(const std::string& executable_path) {
  const std::size_t separator = platform::LastSeparator(executable_path);
  const std::string directory =
      separator == std::string::npos ? std::string() : executable_path.substr(0, separator + 1);
  return directory + kTemperamentListName;
}

FoundTemperamentList FindTemperamentList(const std::string& executable_path) {
  if (std::optional<TemperamentListText> list = ReadList(kTemperamentListName)) {
    return {kTemperamentListName, std::move(*list)};
  }
  const std::string beside = CheckedPath(TemperamentListBesideExecutable(executable_path));
  if (std::optional<TemperamentListText> list = ReadList(beside)) return {beside, std::move(*list)};
  ThrowExit(kExitFailure, "can't find/open %s\n", beside.c_str());
}

TemperamentListText OpenTemperamentList(const std::string& executable_path) {
  return FindTemperamentList(executable_path).text;
}

std::string ReadListLine(TemperamentListText& list) {
  const std::string_view piece = list.TakeLine(kListLinePieceSize);
  return std::string(piece.substr(0, piece.find('\0')));
}

std::size_t FirstWordLength(std::string_view line) {
  std::size_t length = 0;
  while (length < line.size() && !IsSpace(line[length])) ++length;
  return length;
}

}  // namespace zelvanor
