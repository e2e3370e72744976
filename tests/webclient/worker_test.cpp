#include "webclient/worker.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using std::chrono::milliseconds;

// What the workers of one test saw; a worker's only input is its argument,
// so they report here.
struct Board {
  std::mutex lock;
  std::condition_variable changed;
  std::vector<std::int32_t> arguments;
  std::vector<std::thread::id> threads;
  int waiting = 0;
  bool allArrived = false;
  bool released = false;
};

Board& Shared() {
  static Board board;
  return board;
}

void Reset() {
  Board& b = Shared();
  std::lock_guard<std::mutex> guard(b.lock);
  b.arguments.clear();
  b.threads.clear();
  b.waiting = 0;
  b.allArrived = false;
  b.released = false;
}

void Note(std::int32_t argument) {
  Board& b = Shared();
  std::lock_guard<std::mutex> guard(b.lock);
  b.arguments.push_back(argument);
  b.threads.push_back(std::this_thread::get_id());
  b.changed.notify_all();
}

// Waits for the other two workers (or the test's release), then notes itself:
// three of them can only all arrive when they run side by side.
void MeetTwoOthers(std::int32_t argument) {
  {
    Board& b = Shared();
    std::unique_lock<std::mutex> guard(b.lock);
    if (++b.waiting == 3) b.allArrived = true;
    b.changed.notify_all();
    b.changed.wait_for(guard, milliseconds(10000), [&] { return b.allArrived && b.released; });
  }
  Note(argument);
}

void Throw(std::int32_t argument) {
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

std::size_t WaitForNotes(std::size_t count) {
  Board& b = Shared();
  std::unique_lock<std::mutex> guard(b.lock);
  b.changed.wait_for(guard, milliseconds(10000), [&] { return b.arguments.size() >= count; });
  return b.arguments.size();
}

class WorkerThread : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { EXPECT_TRUE(WaitForWorkersToEnd()); }
};

TEST_F(WorkerThread, RunsTheFunctionWithItsArgumentOnAThreadOfItsOwn) {
  ASSERT_TRUE(StartWorker(&Note, -5));
  ASSERT_EQ(WaitForNotes(1), 1u);
  EXPECT_EQ(Shared().arguments[0], -5);
  EXPECT_NE(Shared().threads[0], std::this_thread::get_id());
  EXPECT_TRUE(WaitForWorkersToEnd());
}

TEST_F(WorkerThread, WorkersRunSideBySideAndAreCountedUntilTheyReturn) {
  for (std::int32_t id = 1; id <= 3; ++id) ASSERT_TRUE(StartWorker(&MeetTwoOthers, id));
  {
    Board& b = Shared();
    std::unique_lock<std::mutex> guard(b.lock);
    ASSERT_TRUE(b.changed.wait_for(guard, milliseconds(10000), [&] { return b.allArrived; }));
  }
  EXPECT_EQ(CountRunningWorkers(), 3);
  {
    std::lock_guard<std::mutex> guard(Shared().lock);
    Shared().released = true;
  }
  Shared().changed.notify_all();
  ASSERT_EQ(WaitForNotes(3), 3u);
  EXPECT_TRUE(WaitForWorkersToEnd());
  EXPECT_EQ(CountRunningWorkers(), 0);
}

TEST_F(WorkerThread, AnExceptionStaysInsideTheWorker) {
  ASSERT_TRUE(StartWorker(&Throw, 9));
  ASSERT_EQ(WaitForNotes(1), 1u);
  EXPECT_TRUE(WaitForWorkersToEnd());  // ended, and the process lives on
}

}  // namespace
