// Sample sets name their pipes in two common ways: a key number and the note
// after a dash (036-C#.wav), or the note just before the extension, behind
// an octave number (Prin8_F#3.wav). Flats and the German H are not guessed.
#include <string_view>

#include "common/run_error.h"
#include "platform/path_separators.h"
#include "tuning/temperament.h"
#include "tuning/tuning_factor.h"

namespace zelvanor {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

struct NoteSpelling {
  char letter;
  bool sharp;
};

[[noreturn]] void CannotGuess(const std::string& source_path) {
  ThrowExit(kExitFatal, "can't guess notename from filename %s\n", source_path.c_str());
}

// Digits, a dash, then the note; the rest of the name does not matter.
bool DashForm(std::string_view file_name, NoteSpelling& note) {
  std::size_t at = 0;
  while (at < file_name.size() && IsDigit(file_name[at])) ++at;
  if (at + 1 >= file_name.size() || file_name[at] != '-') return false;
  note.letter = file_name[at + 1];
  note.sharp = at + 2 < file_name.size() && file_name[at + 2] == '#';
  return true;
}

// The note before the last "." of the whole path, behind any octave digits.
// Without a "." the path's first character is taken.
NoteSpelling SuffixForm(const std::string& path) {
  if (path.empty()) CannotGuess(path);
  std::size_t at = 0;
  const std::size_t dot = path.rfind('.');
  if (dot != std::string::npos) {
    if (dot == 0) CannotGuess(path);
    at = dot - 1;
  }
  while (at > 0 && IsDigit(path[at])) --at;
  NoteSpelling note{path[at], false};
  if (note.letter == '#') {
    if (at == 0) CannotGuess(path);
    note = {path[at - 1], true};
  }
  return note;
}

char UpperCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

int GuessNoteIndex(const std::string& source_path) {
  const std::size_t separator = platform::LastSeparator(source_path);
  const std::string_view file_name =
      separator == std::string::npos ? std::string_view(source_path)
                                     : std::string_view(source_path).substr(separator + 1);
  NoteSpelling note{};
  if (!DashForm(file_name, note)) note = SuffixForm(source_path);

  std::string name(1, UpperCase(note.letter));
  if (note.sharp) name += '#';
  for (std::size_t i = 0; i < kNoteNames.size(); ++i) {
    if (name == kNoteNames[i]) return static_cast<int>(i);
  }
  CannotGuess(source_path);
}

}  // namespace zelvanor
