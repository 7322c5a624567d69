// Items worked on side by side and completed strictly in order: the frame
// of a run that retunes several files at once yet behaves, to anyone
// watching its output and its files, exactly like one that retunes them
// one after the other.
#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "common/console.h"
#include "driver/command_line.h"

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

// What an item worked on leaves for the completing thread.
template <typename Result>
struct CapturedItem {
  Result result{};
  std::string messages;        // what its work printed
  std::exception_ptr failure;  // what its work threw
};

// The batch both passes over the files run (A= measuring, then writing):
// RunOrdered on `lanes` lanes, each with its own `Lane` resources, and
// kFilesInFlightPerLane records per lane. `work(item, lane, result)` runs
// under a MessageCapture; what it throws is kept. In the completing thread,
// strictly in item order, a failed item's messages are printed and its
// failure rethrown, which ends the batch as a run one item after another
// would end; otherwise `complete(item, messages, result)` decides what
// becomes of the messages and the result.
template <typename Lane, typename Result, typename Work, typename Complete>
void RunOrderedCapturing(std::size_t count, std::size_t lanes, const Work& work, const Complete& complete) {
  std::vector<Lane> lane_resources(lanes);
  std::vector<CapturedItem<Result>> records(lanes * std::size_t{kFilesInFlightPerLane});
  const auto work_capturing = [&](std::size_t item, std::size_t lane) {
    CapturedItem<Result>& record = records[item % records.size()];
    record.messages.clear();
    record.failure = nullptr;
    const MessageCapture capture(record.messages);
    try {
      work(item, lane_resources[lane], record.result);
    } catch (...) {
      record.failure = std::current_exception();
    }
  };
  const auto complete_in_order = [&](std::size_t item) {
    CapturedItem<Result>& record = records[item % records.size()];
    if (record.failure) {
      PrintCaptured(record.messages);
      std::rethrow_exception(record.failure);
    }
    complete(item, record.messages, record.result);
  };
  RunOrdered(count, lanes, records.size(), work_capturing, complete_in_order);
}

}  // namespace zelvanor
