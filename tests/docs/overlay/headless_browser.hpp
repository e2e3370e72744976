// Headless Chromium showing one page, for as long as the object lives.
#pragma once

#include <string>

namespace overlay_test {

// The Chromium program: $KOVREL_CHROMIUM if set, else chromium or
// chromium-browser from PATH; empty when there is none.
std::string FindChromium();

bool IsProgram(const std::string& path);

class HeadlessBrowser {
 public:
  // `profile` is an empty folder of its own, so no earlier run leaks in;
  // the browser's own output goes to `logFile`.
  HeadlessBrowser(const std::string& program, const std::string& url, const std::string& profile,
                  const std::string& logFile);
  ~HeadlessBrowser();
  HeadlessBrowser(const HeadlessBrowser&) = delete;
  HeadlessBrowser& operator=(const HeadlessBrowser&) = delete;

 private:
  int mPid = -1;
};

}  // namespace overlay_test
