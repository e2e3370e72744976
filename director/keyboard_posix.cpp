// No desktop keyboard to ask on POSIX: the keys are those that tests and the
// host simulator press. The table stands for the operating system's own key
// state, which is process-wide as well.
#include "director/keyboard.hpp"

#include <atomic>

namespace {
constexpr int kKeyCount = 256;

std::atomic<bool>* KeyTable() {
  static std::atomic<bool> keys[kKeyCount] = {};
  return keys;
}

bool IsKnownKey(int virtualKey) { return virtualKey >= 0 && virtualKey < kKeyCount; }
}  // namespace

bool IsVirtualKeyDown(int virtualKey) {
  return IsKnownKey(virtualKey) && KeyTable()[virtualKey].load();
}

void SetVirtualKeyDown(int virtualKey, bool down) {
  if (IsKnownKey(virtualKey)) KeyTable()[virtualKey].store(down);
}

// The host simulator loads the plug-in as a shared object and presses keys here.
extern "C" __attribute__((visibility("default"))) void kovrel_set_virtual_key(int virtualKey,
                                                                               int down) {
  SetVirtualKeyDown(virtualKey, down != 0);
}
