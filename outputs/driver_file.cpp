#include <string>

#include "outputs/text_mode.hpp"
#include "plugin/rF2kovrel.hpp"

void rF2kovrel::WriteDriverFile() {
  // During a replay the overlay names the replayed driver alone: places move on meanwhile.
  const std::string text = mReplayRunning
                               ? mReplayDriverName
                               : std::to_string(mActualPlace) + ". " + mNextDriver;
  RewriteTextFile(mDriverFilePath, text);
}
