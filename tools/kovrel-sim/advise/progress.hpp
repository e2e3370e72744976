// The search's progress: on a terminal one line redrawn in place (a bar, the
// evaluations done, the best score so far, the time left); otherwise a plain
// line per evaluation.
#pragma once

#include <chrono>
#include <iosfwd>

namespace ksim {

class ProgressLine {
 public:
  ProgressLine(std::ostream& out, bool terminal);
  void Update(int done, int budget, double best);
  // Ends the redrawn line.
  void Finish();

 private:
  std::ostream& mOut;
  bool mTerminal;
  bool mDrawn = false;
  std::chrono::steady_clock::time_point mStart;
};

}  // namespace ksim
