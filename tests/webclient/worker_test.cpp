#include "webclient/worker.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

// Running side by side and the count of workers in flight are shown against a
// real server in tests/webclient/server; here, what a worker does with its one
// argument and with a failure.
namespace {

using std::chrono::milliseconds;

// A worker's only input is its argument, so the workers report here.
struct Board {
  std::mutex lock;
  std::condition_variable changed;
  std::vector<std::int32_t> arguments;
  std::vector<std::thread::id> threads;
};

Board& Shared() {
  static Board board;
  return board;
}

void Note(std::int32_t argument) {
  Board& b = Shared();
  std::lock_guard<std::mutex> guard(b.lock);
  b.arguments.push_back(argument);
  b.threads.push_back(std::this_thread::get_id());
  b.changed.notify_all();
}

void NoteThenThrow(std::int32_t argument) {
  Note(argument);
  throw std::runtime_error("failed request");
}

bool WaitForWorkersToEnd() {
  const auto deadline = std::chrono::steady_clock::now() + milliseconds(10000);
  while (CountRunningWorkers() > 0) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(milliseconds(1));
  }
  return true;
}

class WorkerThread : public ::testing::Test {
 protected:
  void SetUp() override {
    std::lock_guard<std::mutex> guard(Shared().lock);
    Shared().arguments.clear();
    Shared().threads.clear();
  }
  void TearDown() override { EXPECT_TRUE(WaitForWorkersToEnd()); }

  // The notes once `count` have arrived (or the wait ran out).
  Board& WaitForNotes(std::size_t count) {
    Board& b = Shared();
    std::unique_lock<std::mutex> guard(b.lock);
    b.changed.wait_for(guard, milliseconds(10000), [&] { return b.arguments.size() >= count; });
    return b;
  }
};

TEST_F(WorkerThread, RunsTheFunctionWithItsArgumentOnAThreadOfItsOwn) {
  ASSERT_TRUE(StartWorker(&Note, -5));
  ASSERT_TRUE(StartWorker(&Note, 2147483647));
  Board& b = WaitForNotes(2);
  EXPECT_TRUE(WaitForWorkersToEnd());
  std::lock_guard<std::mutex> guard(b.lock);
  std::vector<std::int32_t> seen = b.arguments;
  std::sort(seen.begin(), seen.end());  // the two may run in either order
  EXPECT_EQ(seen, (std::vector<std::int32_t>{-5, 2147483647}));
  for (const std::thread::id& id : b.threads) EXPECT_NE(id, std::this_thread::get_id());
}

TEST_F(WorkerThread, AnExceptionStaysInsideTheWorker) {
  ASSERT_TRUE(StartWorker(&NoteThenThrow, 9));
  EXPECT_EQ(WaitForNotes(1).arguments.size(), 1u);
  EXPECT_TRUE(WaitForWorkersToEnd());  // it ended and was counted out; the process lives on
  EXPECT_EQ(CountRunningWorkers(), 0);
}

}  // namespace
