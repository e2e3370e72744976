// The broadcaster's keys: each action held with Ctrl like the on/off
// shortcut, given as a Windows virtual-key code. Shared by the plug-in, the
// settings check and the host simulator, so that all three agree on which
// keys act.
#pragma once

#include <cstdint>

enum ManualAction { kManualHold, kManualNext, kManualPrevious, kManualLeader, kManualReplay, kManualActions };

// The INI key of each action, in the order above.
constexpr const char* kManualKeyNames[kManualActions] = {"holdkey", "nextkey", "prevkey", "leaderkey", "replaykey"};

// A virtual-key code the keyboard can report.
constexpr bool IsUsableKeyCode(long long code) { return code >= 1 && code <= 254; }

// The code polled for `action`, given every action's code and `autokey`: 0
// (off) outside 1-254, on the on/off shortcut's own key, or on a key another
// action has too (one press must never do two things).
inline std::int32_t PolledKeyCode(const std::int32_t (&codes)[kManualActions], std::int32_t autokey, int action) {
  const std::int32_t code = codes[action];
  if (!IsUsableKeyCode(code) || code == autokey) return 0;
  for (int other = 0; other < kManualActions; ++other) {
    if (other != action && codes[other] == code) return 0;
  }
  return code;
}
