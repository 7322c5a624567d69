#include "tuning/tuning_report.h"

#include <cstdint>
#include <string_view>

#include "common/console.h"
#include "common/run_error.h"
#include "platform/output_file.h"
#include "platform/path_separators.h"
#include "tuning/temperament_list_file.h"
#include "tuning/temperament_request.h"

namespace zelvanor {
namespace {

// Lines that begin with whitespace, another control character or a byte of
// 128 and above belong to the temperament line above them; only they are
// taken into the page.
bool IsDescriptionLine(std::string_view line) {
  const auto first = static_cast<std::uint8_t>(line.front());
  return first <= 32 || first >= 128;
}

// Finds the line of the temperament that `request` names and leaves `list`
// just behind it.
void FindTemperamentLine(TemperamentListText& list, const std::string& request) {
  const std::string_view wanted = RequestNamePart(request);
  for (;;) {
    const std::string line = ReadListLine(list);
    if (line.empty()) {
      ThrowExit(kExitFatal, "Can't find temperament %s in my list\n", request.c_str());
    }
    if (IsDescriptionLine(line) || line.front() == '[') continue;
    if (std::string_view(line).substr(0, FirstWordLength(line)) == wanted) return;
  }
}

// The page is a text file of the program's original platform: every line
// feed reaches the file as carriage return and line feed, also behind the
// carriage returns that the page's own texts carry.
void WriteText(platform::OutputFile& page, std::string_view text) {
  std::string translated;
  translated.reserve(text.size() + text.size() / 16 + 2);
  for (const char c : text) {
    if (c == '\n') translated.push_back('\r');
    translated.push_back(c);
  }
  page.Write(translated.data(), translated.size());
}

}  // namespace

std::string TuningPagePath(const std::string& destination) {
  std::string path = destination;
  if (!path.empty() && platform::IsPathSeparator(path.back())) path += "tuning.html";
  if (path.size() > platform::kMaxPathLength) {
    ThrowExit(kExitFailure, "Path longer than %d characters: %s\n",
              static_cast<int>(platform::kMaxPathLength), path.c_str());
  }
  return path;
}

void WriteTuningReport(const std::string& request, const std::string& destination,
                       const std::string& executable_path) {
  TemperamentListText list = OpenTemperamentList(executable_path);
  FindTemperamentLine(list, request);

  const std::string page_path = TuningPagePath(destination);
  platform::OutputFile page;
  // An empty destination names no file; the temporary would land in the
  // current directory only to fail at the rename.
  if (page_path.empty() || !page.Create(page_path)) {
    ThrowExit(kExitFailure, "can't create file %s\n", page_path.c_str());
  }
  // The request is written in full, however long: the page quotes what was asked for.
  WriteText(page, Format("<HTML><HEAD><TITLE>Current tuning of the organ: %s</TITLE></HEAD>\r\n"
                         "<BODY>\r\n",
                         request.c_str()));
  WriteText(page, Format("<H1>Current tuning of the organ: %s</H1>\r\n", request.c_str()));
  for (std::string line = ReadListLine(list); !line.empty() && IsDescriptionLine(line);
       line = ReadListLine(list)) {
    WriteText(page, line);
  }
  WriteText(page, "\r\n</BODY></HTML>\r\n");

  switch (page.Commit()) {
    case platform::OutputFile::CommitResult::kDone:
      return;
    case platform::OutputFile::CommitResult::kRenameFailed:
      // A directory of that name, say: the page cannot be made under it.
      ThrowExit(kExitFailure, "can't create file %s\n", page_path.c_str());
    case platform::OutputFile::CommitResult::kWriteFailed:
      ThrowFatal("Fatal: can't write to output file!\n");
  }
  ThrowFatal("Fatal: can't write to output file!\n");
}

}  // namespace zelvanor
