#include "driver/ordered_batch.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace zelvanor {
namespace {

// What the lanes and the completing thread tell each other. Every field is
// read and written under `lock`.
struct Progress {
  std::mutex lock;
  std::condition_variable work_done;       // a lane finished an item
  std::condition_variable item_completed;  // the window moved on, or stop
  std::vector<bool> finished;              // per record: its item's work is done
  std::size_t next = 0;                    // the first item no lane has taken
  std::size_t completed = 0;               // items 0 .. completed-1 are complete
  bool stop = false;
};

void RunLane(std::size_t count, std::size_t window, std::size_t lane, Progress& progress,
             const std::function<void(std::size_t, std::size_t)>& work) {
  for (;;) {
    std::size_t item = 0;
    {
      std::unique_lock<std::mutex> hold(progress.lock);
      // The next item's record is free once the item `window` before it is complete.
      progress.item_completed.wait(hold, [&] {
        return progress.stop || progress.next == count || progress.next < progress.completed + window;
      });
      if (progress.stop || progress.next == count) return;
      item = progress.next++;
    }
    work(item, lane);
    {
      const std::lock_guard<std::mutex> hold(progress.lock);
      progress.finished[item % window] = true;
    }
    // Only the completing thread waits for this.
    progress.work_done.notify_one();
  }
}

// Joins the lanes however the completing loop ends; after a failure it
// first tells them to start nothing new.
class Crew {
 public:
  explicit Crew(Progress& progress) : progress_(progress) {}
  Crew(const Crew&) = delete;
  Crew& operator=(const Crew&) = delete;
  ~Crew() {
    {
      const std::lock_guard<std::mutex> hold(progress_.lock);
      progress_.stop = true;
    }
    progress_.item_completed.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }

  std::vector<std::thread>& threads() { return threads_; }

 private:
  Progress& progress_;
  std::vector<std::thread> threads_;
};

}  // namespace

void RunOrdered(std::size_t count, std::size_t lanes, std::size_t window,
                const std::function<void(std::size_t, std::size_t)>& work,
                const std::function<void(std::size_t)>& complete) {
  if (count == 0 || lanes == 0) return;
  window = std::max<std::size_t>(window, 1);
  Progress progress;
  progress.finished.assign(window, false);
  Crew crew(progress);
  for (std::size_t lane = 0; lane < lanes; ++lane) {
    // An exception escaping `work` would end the process (std::terminate):
    // it cannot cross to the completing thread, hence the contract.
    crew.threads().emplace_back([&, lane] { RunLane(count, window, lane, progress, work); });
  }
  for (std::size_t item = 0; item < count; ++item) {
    {
      std::unique_lock<std::mutex> hold(progress.lock);
      progress.work_done.wait(hold, [&] { return progress.finished[item % window]; });
      progress.finished[item % window] = false;  // for the item that will take the record next
    }
    complete(item);
    {
      const std::lock_guard<std::mutex> hold(progress.lock);
      progress.completed = item + 1;
    }
    progress.item_completed.notify_all();
  }
}

}  // namespace zelvanor
