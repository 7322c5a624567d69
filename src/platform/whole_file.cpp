#include "platform/whole_file.h"

#include "common/run_error.h"
#include "platform/output_file.h"

namespace zelvanor::platform {

void WriteWholeFile(const std::string& path, std::string_view bytes) {
  OutputFile file;
  // An empty path names no file; the temporary would land in the current
  // directory only to fail at the rename.
  if (path.empty() || !file.Create(path)) ThrowExit(kExitFailure, "can't create file %s\n", path.c_str());
  file.Write(bytes.data(), bytes.size());
  switch (file.Commit()) {
    case OutputFile::CommitResult::kDone:
      return;
    case OutputFile::CommitResult::kRenameFailed:
      ThrowExit(kExitFailure, "can't create file %s\n", path.c_str());
    case OutputFile::CommitResult::kWriteFailed:
      ThrowWriteFailed();
  }
}

}  // namespace zelvanor::platform
