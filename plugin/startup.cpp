// What the plug-in does when the simulator starts it and at each session.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "plugin/boundary.hpp"
#include "plugin/rF2kovrel.hpp"

namespace {

void SetMessage(MessageInfoV01& message, const std::string& text) {
  std::memset(message.mText, 0, sizeof(message.mText));
  std::memcpy(message.mText, text.data(), std::min(text.size(), sizeof(message.mText) - 1));
  message.mDestination = 0;
  message.mTranslate = 0;
}

}  // namespace

void rF2kovrel::Startup(std::int32_t /*version*/) {
  RunGuarded([&] {
    // Camera control may be asked on another thread: it sees the state before
    // or after start-up, never halfway.
    std::lock_guard<std::mutex> lock(mCycleLock);
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    mHardwareEnabled = true;
    const std::string state = auto_ != 0 ? "Auto camera: on" : "Auto camera: off";
    // A notice still pending gives way to this one.
    SetMessage(mPendingMessage, "rF2kovrel 2026.05.29. " + state);
    mNoticeByHand = false;
    AppendDebugText(state + "\n");
    // The stream files stay where this start put them, even if a later set-up
    // names another files folder.
    mTimeFilePath = filespath + "\\time.txt";
    mDriverFilePath = filespath + "\\driver.txt";
    mInfoFilePath = filespath + "\\info.html";
    mStatusFilePath = filespath + "\\status.json";
    mStandingsFilePath = filespath + "\\standings.json";
    ResetDirector();
    ResetStreamFiles();
  });
}

void rF2kovrel::StartSession() {
  RunGuarded([&] {
    std::lock_guard<std::mutex> lock(mCycleLock);
    FlushTrace();
    ResetDirector();
    ResetStreamFiles();
  });
}

// A trace kept in memory reaches its file before the session or the
// simulator goes.
void rF2kovrel::EndSession() {
  RunGuarded([&] {
    std::lock_guard<std::mutex> lock(mCycleLock);
    FlushTrace();
  });
}

void rF2kovrel::Shutdown() {
  RunGuarded([&] {
    std::lock_guard<std::mutex> lock(mCycleLock);
    FlushTrace();
  });
}
