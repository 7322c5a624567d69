#include "tuning/note_name_guess.h"

#include <string_view>

#include "common/ascii.h"
#include "common/midi_note.h"
#include "common/run_error.h"
#include "platform/path_separators.h"
#include "tuning/note_names.h"

namespace zelvanor {
namespace {

struct NoteSpelling {
  char letter;
  bool sharp;
};

[[noreturn]] void CannotGuess(const std::string& source_path) {
  ThrowExit(kExitFatal, "can't guess notename from filename %s\n", source_path.c_str());
}

std::string_view FileNameOf(const std::string& source_path) {
  const std::size_t separator = platform::LastSeparator(source_path);
  return separator == std::string::npos ? std::string_view(source_path)
                                        : std::string_view(source_path).substr(separator + 1);
}

// Digits (the key number, maybe none), a dash, then the note; the rest of
// the name does not matter.
bool DashForm(std::string_view file_name, NoteSpelling& note, std::string_view& key_number) {
  std::size_t at = 0;
  while (at < file_name.size() && IsDigit(file_name[at])) ++at;
  if (at + 1 >= file_name.size() || file_name[at] != '-') return false;
  key_number = file_name.substr(0, at);
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

// The index of a spelt note in kNoteNames; the run ends for a spelling
// that is no note.
int NoteIndex(const NoteSpelling& note, const std::string& source_path) {
  std::string name(1, UpperAscii(note.letter));
  if (note.sharp) name += '#';
  for (std::size_t i = 0; i < kNoteNames.size(); ++i) {
    if (name == kNoteNames[i]) return static_cast<int>(i);
  }
  CannotGuess(source_path);
}

}  // namespace

int GuessNoteIndex(const std::string& source_path) {
  NoteSpelling note{};
  std::string_view key_number;
  if (!DashForm(FileNameOf(source_path), note, key_number)) note = SuffixForm(source_path);
  return NoteIndex(note, source_path);
}

std::optional<int> GuessMidiNote(const std::string& source_path) {
  NoteSpelling note{};
  std::string_view key_number;
  if (!DashForm(FileNameOf(source_path), note, key_number) || key_number.empty()) return std::nullopt;
  int number = 0;
  for (const char digit : key_number) {
    number = number * 10 + (digit - '0');
    if (number > kHighestMidiNote) return std::nullopt;  // no MIDI note (and soon past an int)
  }
  if (number % 12 != NoteIndex(note, source_path)) return std::nullopt;
  return number;
}

}  // namespace zelvanor
