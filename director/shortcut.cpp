#include <cstring>

#include "director/keyboard.hpp"
#include "plugin/rF2kovrel.hpp"

namespace {
constexpr int kVirtualKeyControl = 17;
}

int rF2kovrel::PollShortcut() {
  // Ctrl first: while it is up the other key is not asked at all.
  const bool bothDown = IsVirtualKeyDown(kVirtualKeyControl) && IsVirtualKeyDown(autokey);
  const bool pressed = bothDown && !mKeyLatch;
  // One toggle per press, however long it is held; latched before the toggle,
  // so that a press whose log line fails to be written still counts once.
  mKeyLatch = bothDown;
  if (!pressed) return 0;
  ToggleAuto();
  return auto_ != 0 ? 1 : -1;
}

void rF2kovrel::ToggleAuto() {
  auto_ = auto_ == 0 ? 1 : 0;
  const char* notice = auto_ != 0 ? "Auto camera: on" : "Auto camera: off";
  std::memcpy(mPendingMessage.mText, notice, std::strlen(notice) + 1);
  mNoticeByHand = false;
  if (debug != 0) AppendDebugText(std::string(notice) + "\n");
}
