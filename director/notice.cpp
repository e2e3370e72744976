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
    // The broadcaster's own notices are for the broadcaster: the message centre.
    msgInfo.mDestination = mWebServerUp && !mNoticeByHand ? 1 : 0;
    mNoticeByHand = false;
    mPendingMessage.mText[0] = '\0';
    return true;
  });
}
