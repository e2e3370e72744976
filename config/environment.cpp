#include "config/folder.hpp"
#include "config/paths.hpp"
#include "plugin/boundary.hpp"
#include "plugin/rF2kovrel.hpp"

void rF2kovrel::SetEnvironment(const EnvironmentInfoV01& info) {
  RunGuarded([&] {
    {
      // Settings change under the cycle's lock, so camera control on another
      // thread never sees them half read.
      std::lock_guard<std::mutex> lock(mCycleLock);
      mIniPath = IniPathFor(info.mPath[1]);
      ReadSettingsUpToFilesPath();
      CreateOneFolder(filespath);
      ReadSettingsFromDebug();
      ReadOptInSettings();
    }
    // The probe may hold the call for seconds; nothing else waits for it.
    ProbeWebServer();
  });
}
