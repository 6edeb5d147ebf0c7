// The workers' hand-over: each job's outcome reaches whoever waits for it, its exception of its
// own type, and a set destroyed with jobs still queued leaves them dropped, not hanging.
#include "tools/pck/workers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using pck::Workers;

TEST(WorkersTest, EachJobsOutcomeReachesItsWaiter) {
  for (int threads : {0, 3}) {
    Workers workers(threads);
    std::vector<int> ran(40, -1);
    std::vector<Workers::Pending> pending;
    for (int i = 0; i < 40; ++i) {
      pending.push_back(workers.Submit([&ran, &workers, i](int worker) {
        EXPECT_GE(worker, 0);
        EXPECT_LT(worker, workers.Count());
        ran[static_cast<std::size_t>(i)] = i;
        if (i % 7 == 3) throw std::out_of_range("job " + std::to_string(i));
      }));
    }
    for (int i = 0; i < 40; ++i) {
      Workers::Pending& p = pending[static_cast<std::size_t>(i)];
      ASSERT_TRUE(p.Valid());
      if (i % 7 == 3) {
        EXPECT_THROW(p.Get(), std::out_of_range) << i;
      } else {
        EXPECT_NO_THROW(p.Get()) << i;
      }
      EXPECT_FALSE(p.Valid());
      EXPECT_EQ(ran[static_cast<std::size_t>(i)], i);
    }
  }
}

TEST(WorkersTest, DestroyingTheSetDropsWhatHasNotBegun) {
  std::atomic<bool> started{false};
  Workers::Pending running, queued;
  {
    Workers workers(1);
    running = workers.Submit([&](int) {
      started = true;
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
    });
    queued = workers.Submit([](int) { ADD_FAILURE() << "a dropped job ran"; });
    while (!started) std::this_thread::yield();
    EXPECT_FALSE(queued.Ready());
  }
  EXPECT_TRUE(running.Ready());
  EXPECT_NO_THROW(running.Get());
  ASSERT_TRUE(queued.Ready());
  try {
    queued.Get();
    ADD_FAILURE() << "a dropped job reported success";
  } catch (const std::future_error& e) {
    EXPECT_EQ(e.code(), std::future_errc::broken_promise);
  }
}

}  // namespace
