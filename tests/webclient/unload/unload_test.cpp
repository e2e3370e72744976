#include <dlfcn.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

bool IsLoaded(const char* path) {
  void* handle = ::dlopen(path, RTLD_NOLOAD | RTLD_NOW);
  if (handle == nullptr) return false;
  ::dlclose(handle);
  return true;
}

// One byte within the time-out, or -1.
int ReadByte(int fd, int timeoutMs) {
  pollfd watch{fd, POLLIN, 0};
  if (::poll(&watch, 1, timeoutMs) != 1) return -1;
  char byte = 0;
  return ::read(fd, &byte, 1) == 1 ? byte : -1;
}

class ModuleUnload : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(::pipe(mPipe), 0); }
  void TearDown() override {
    ::close(mPipe[0]);
    ::close(mPipe[1]);
  }
  int mPipe[2] = {-1, -1};
};

// Without a worker the library unloads as any other: the check below means something.
TEST_F(ModuleUnload, UnloadsWhenNoWorkerWasStarted) {
  void* module = ::dlopen(KOVREL_WORKER_MODULE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << ::dlerror();
  ASSERT_NE(::dlsym(module, "kovrel_test_start_sleeper"), nullptr);
  ::dlclose(module);
  EXPECT_FALSE(IsLoaded(KOVREL_WORKER_MODULE));
}

TEST_F(ModuleUnload, AWorkerInFlightKeepsItsCodeLoaded) {
  void* module = ::dlopen(KOVREL_WORKER_MODULE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << ::dlerror();
  using Start = int (*)(int);
  using Running = int (*)();
  const auto start = reinterpret_cast<Start>(::dlsym(module, "kovrel_test_start_sleeper"));
  const auto running = reinterpret_cast<Running>(::dlsym(module, "kovrel_test_running_workers"));
  ASSERT_NE(start, nullptr);
  ASSERT_NE(running, nullptr);

  ASSERT_EQ(start(mPipe[1]), 1);
  ::dlclose(module);  // the host lets go while the worker sleeps
  EXPECT_TRUE(IsLoaded(KOVREL_WORKER_MODULE));

  // The worker wakes in code that is still there and finishes.
  EXPECT_EQ(ReadByte(mPipe[0], 10000), 'x');
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (running() > 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(running(), 0);
}

}  // namespace
