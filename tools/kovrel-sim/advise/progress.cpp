#include "advise/progress.hpp"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>

#include "common/text.hpp"

namespace ksim {

namespace {

std::string Minutes(double seconds) {
  const int whole = static_cast<int>(seconds + 0.5);
  char text[16];
  std::snprintf(text, sizeof text, "%d:%02d", whole / 60, whole % 60);
  return text;
}

}  // namespace

ProgressLine::ProgressLine(std::ostream& out, bool terminal)
    : mOut(out), mTerminal(terminal), mStart(std::chrono::steady_clock::now()) {}

void ProgressLine::Update(int done, int budget, double best) {
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - mStart).count();
  // The budget is a ceiling: a descent that stops gaining ends sooner.
  const double left = done > 0 ? elapsed / done * std::max(0, budget - done) : 0.0;
  const std::string figures = std::to_string(done) + "/" + std::to_string(budget) + " evaluations, best score " +
                              Fixed(best, 3) + ", at most " + Minutes(left) + " left";
  if (!mTerminal) {
    mOut << "advise: " << figures << '\n' << std::flush;
    return;
  }
  constexpr int kWidth = 30;
  const int filled = budget > 0 ? std::min(kWidth, done * kWidth / budget) : kWidth;
  mOut << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
       << std::string(static_cast<std::size_t>(kWidth - filled), '.') << "] " << figures << "   " << std::flush;
  mDrawn = true;
}

void ProgressLine::Finish() {
  if (mDrawn) mOut << '\n' << std::flush;
  mDrawn = false;
}

}  // namespace ksim
