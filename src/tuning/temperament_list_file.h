// The temperament list file ZELVANOR.INI, read line by line as a Windows
// text-mode reader sees it, so that a list behaves alike on every system
// whatever its line ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zelvanor {

inline constexpr char kTemperamentListName[] = "ZELVANOR.INI";

// Lines are read in pieces of at most this many bytes; the rest of a
// longer line comes as the next line.
inline constexpr std::size_t kListLinePieceSize = 255;

// The list's text after text-mode translation, and how far it has been read.
class TemperamentListText {
 public:
  // `raw` is the file's bytes: a carriage return directly before a line
  // feed is dropped and a byte 26 (Ctrl-Z) ends the text.
  explicit TemperamentListText(const std::vector<std::uint8_t>& raw);

  // Up to `limit` bytes from the read position, stopping after a line feed.
  std::string_view TakeLine(std::size_t limit);

 private:
  std::string text_;
  std::size_t next_ = 0;
};

// The list from the current directory, or else from beside the executable.
// Throws RunError with exit code 1 when neither place has it (or the path
// beside the executable exceeds 255 characters).
TemperamentListText OpenTemperamentList(const std::string& executable_path);

// The same, with the path it was read from.
struct FoundTemperamentList {
  std::string path;
  TemperamentListText text;
};
FoundTemperamentList FindTemperamentList(const std::string& executable_path);

// The path looked at beside the executable: its directory (up to the last
// "/" or "\\") joined with the list's name.
std::string TemperamentListBesideExecutable(const std::string& executable_path);

// The next line, line feed included when it has one. An empty result is
// the end of the list: the end of the file or a line whose first byte is 0.
// The line stops at a zero byte, as a C string would.
std::string ReadListLine(TemperamentListText& list);

// Length of the line's first word: its characters up to the first
// whitespace (IsSpace; bytes of 128 and above are never whitespace).
std::size_t FirstWordLength(std::string_view line);

}  // namespace zelvanor
