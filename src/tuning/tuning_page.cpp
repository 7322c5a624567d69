#include "tuning/tuning_page.h"

#include <string_view>

#include "common/console.h"
#include "common/path_length.h"
#include "common/run_error.h"
#include "platform/output_file.h"
#include "platform/path_separators.h"
#include "tuning/temperament_entry.h"
#include "tuning/temperament_list_file.h"

namespace zelvanor {
namespace {

// The page is a Windows text file: every line feed reaches the file as
// carriage return and line feed, also behind the carriage returns that the
// page's own texts carry.
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
  return CheckedPath(path);
}

void WriteTuningPage(const std::string& request, const std::string& destination,
                     const std::string& executable_path) {
  TemperamentListText list = OpenTemperamentList(executable_path);
  // Only lines that start with a printable character may name the
  // temperament, by the whole of their first word; the lines below it that
  // start otherwise are its description.
  FindTemperamentEntry(list, request,
                       {.name_limit = std::string_view::npos, .name_lines = NameLines::kPrintableStart});

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
      ThrowWriteFailed();
  }
}

}  // namespace zelvanor
