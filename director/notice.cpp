#include <cstring>

#include "plugin/boundary.hpp"
#include "plugin/rF2kovrel.hpp"

bool rF2kovrel::WantsToDisplayMessage(MessageInfoV01& msgInfo) {
  // Never wait for the scoring cycle on the simulator's thread: a busy cycle
  // just delays the notice to the next call.
  return RunGuarded(false, [&] {
    std::unique_lock<std::mutex> lock(mCycleLock, std::try_to_lock);
    if (!lock.owns_lock() || mPendingMessage.mText[0] == '\0') return false;
    std::memcpy(&msgInfo, &mPendingMessage, sizeof(MessageInfoV01));
    msgInfo.mDestination = mWebServerUp ? 1 : 0;
    mPendingMessage.mText[0] = '\0';
    return true;
  });
}
