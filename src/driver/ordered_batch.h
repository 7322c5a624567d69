// Items worked on side by side and completed strictly in order: the frame
// of a run that retunes several files at once yet behaves, to anyone
// watching its output and its files, exactly like one that retunes them
// one after the other.
#pragma once

#include <cstddef>
#include <functional>

namespace zelvanor {

// Runs `work(item, lane)` for the items 0 .. count-1 on `lanes` threads and
// `complete(item)` on the calling thread, strictly in item order, each
// after its item's work. A lane that is free takes the next item nobody
// has started, so a long item holds up no lane but its own; and it may
// start item i only once item i - window is complete, so at most `window`
// items are between their start and their completion. The caller keeps one
// set of working resources per lane (indexed by `lane`, free again when
// `work` returns) and `window` records for what a finished item leaves
// until its completion (indexed by item % window, which no other item in
// flight shares). A window under `lanes` leaves lanes idle.
//
// `work` must not throw: it keeps its item's failure for `complete` to
// report. When `complete` throws, no further item is started, the lanes
// finish what they are doing, and the exception goes on to the caller,
// who then discards the records of the items not completed.
void RunOrdered(std::size_t count, std::size_t lanes, std::size_t window,
                const std::function<void(std::size_t item, std::size_t lane)>& work,
                const std::function<void(std::size_t item)>& complete);

}  // namespace zelvanor
