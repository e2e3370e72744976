// Replaces the global allocation functions of this program, and of the
// plug-in library it opens (whose C++ runtime resolves operator new here).
#include "failing_allocation.hpp"

#include <cstdlib>
#include <new>

namespace {

struct FailurePlan {
  bool armed = false;
  std::size_t left = 0;  // allocations still to succeed
  bool failed = false;
};

FailurePlan& Plan() {
  thread_local FailurePlan plan;
  return plan;
}

bool NextAllocationFails() {
  FailurePlan& plan = Plan();
  if (!plan.armed) return false;
  if (plan.left > 0) {
    --plan.left;
    return false;
  }
  plan.failed = true;
  return true;
}

}  // namespace

void FailAllocationsFrom(std::size_t n) { Plan() = FailurePlan{true, n, false}; }

bool StopFailingAllocations() {
  const bool failed = Plan().failed;
  Plan() = FailurePlan{};
  return failed;
}

void* operator new(std::size_t size) {
  if (NextAllocationFails()) throw std::bad_alloc();
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}

void* operator new[](std::size_t size) { return ::operator new(size); }

void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
