// Items worked on side by side and completed strictly in order: the frame
// of a run that retunes several files at once yet behaves, to anyone
// watching its output and its files, exactly like one that retunes them
// one after the other.
#pragma once

#include <cstddef>
#include <functional>

namespace zelvanor {

// Runs `work(item, lane)` for the items 0 .. count-1 on `lanes` threads and
// `complete(item, lane)` on the calling thread, strictly in item order, each
// after its item's work. Item i runs on lane i % lanes, and a lane starts
// its next item (i + lanes) only once item i is complete: at most `lanes`
// items are in flight, each with its lane's resources (the caller keeps
// one set per lane, indexed by `lane`).
//
// `work` must not throw: it keeps its item's failure for `complete` to
// report. When `complete` throws, no further item is started, the lanes
// finish what they are doing, and the exception goes on to the caller,
// who then discards the lanes' resources.
void RunOrdered(std::size_t count, std::size_t lanes,
                const std::function<void(std::size_t item, std::size_t lane)>& work,
                const std::function<void(std::size_t item, std::size_t lane)>& complete);

}  // namespace zelvanor
