#include "tuning/tuning_page.h"

#include <optional>
#include <string_view>

#include "common/console.h"
#include "common/path_length.h"
#include "common/run_error.h"
#include "platform/path_separators.h"
#include "platform/whole_file.h"
#include "tuning/scala_scale.h"
#include "tuning/temperament_entry.h"
#include "tuning/temperament_list_file.h"

namespace zelvanor {
namespace {

// The page is a Windows text file: every line feed reaches the file as
// carriage return and line feed, also behind the carriage returns that the
// page's own texts carry.
void AppendText(std::string& page, std::string_view text) {
  for (const char c : text) {
    if (c == '\n') page.push_back('\r');
    page.push_back(c);
  }
}

}  // namespace

std::string TuningPagePath(const std::string& destination) {
  std::string path = destination;
  if (!path.empty() && platform::IsPathSeparator(path.back())) path += "tuning.html";
  return CheckedPath(path);
}

void WriteTuningPage(const std::string& request, const std::string& destination,
                     const std::string& executable_path) {
  std::string description;
  if (const std::optional<std::string_view> path = ScalaScalePath(request)) {
    description = ReadScalaScale(std::string(*path), request).description + "\n";
  } else {
    TemperamentListText list = OpenTemperamentList(executable_path);
    // Only lines that start with a printable character may name the
    // temperament, by the whole of their first word; the lines below it that
    // start otherwise are its description.
    FindTemperamentEntry(list, request,
                         {.name_limit = std::string_view::npos, .name_lines = NameLines::kPrintableStart});
    for (std::string line = ReadListLine(list); !line.empty() && IsDescriptionLine(line);
         line = ReadListLine(list)) {
      description += line;
    }
  }

  const std::string page_path = TuningPagePath(destination);
  std::string page;
  // The request is written in full, however long: the page quotes what was asked for.
  AppendText(page, Format("<HTML><HEAD><TITLE>Current tuning of the organ: %s</TITLE></HEAD>\r\n"
                          "<BODY>\r\n",
                          request.c_str()));
  AppendText(page, Format("<H1>Current tuning of the organ: %s</H1>\r\n", request.c_str()));
  AppendText(page, description);
  AppendText(page, "\r\n</BODY></HTML>\r\n");
  platform::WriteWholeFile(page_path, page);
}

}  // namespace zelvanor
