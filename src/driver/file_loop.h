// The run over the files the source pattern matches: in A= mode the
// measuring pass first (pitch_standard_run.h), in M mode only that pass and
// the report (pitch_report_run.h), then, but for M, the writing pass.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "driver/pipe_judgement.h"
#include "driver/run_config.h"

namespace zelvanor {

// Retunes, measures or reports every regular file that matches the source
// pattern, as config.mode says, into the destination directory,
// config.parallel_files at a time, with the same messages, files and end
// as one after the other in bytewise name order. Ends the run by RunError
// when the pattern matches nothing (99), a path is refused, the
// destination is no folder or a file vanishes (1), a factor is out of
// range (99), or an A= pipe stops the run (99, pitch_standard_run.h).
void ProcessMatchingFiles(const RunConfig& config);

// The writing pass alone over `names`, on `lanes` lanes: `tunings` are the
// files' judgements from A='s measuring pass, in file order, or empty in the
// other modes. A file the measuring pass skipped that loads now ends the
// run (99) before it is written.
void WriteFiles(const RunConfig& config, const std::vector<std::string>& names,
                const std::vector<PipeJudgement>& tunings, std::size_t lanes);

}  // namespace zelvanor
