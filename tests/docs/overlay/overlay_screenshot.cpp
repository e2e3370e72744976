// Renders the overlay page over a plain backdrop to a PNG, reading the
// documents of a files folder (status.json, standings.json) as OBS would:
//   kovrel_overlay_screenshot FILES_FOLDER OUT.png [WIDTH [QUERY]]
// A width below 1920 shows the 1920 x 1080 page scaled down (1280: as a 720p
// stream shows it). Serves a temporary copy of the folder on 127.0.0.1 while headless
// Chromium takes the picture.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "headless_browser.hpp"
#include "page_server.hpp"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: kovrel_overlay_screenshot FILES_FOLDER OUT.png [WIDTH [QUERY]]\n";
    return 2;
  }
  const std::string chromium = overlay_test::FindChromium();
  if (chromium.empty()) {
    std::cerr << "kovrel_overlay_screenshot: no Chromium (tools/setup-machine.sh installs it)\n";
    return 1;
  }
  const int width = argc > 3 ? std::atoi(argv[3]) : 1920;
  const std::string query = argc > 4 ? std::string("?") + argv[4] : "";
  if (width < 320 || width > 3840) {
    std::cerr << "kovrel_overlay_screenshot: a width of 320 to 3840 pixels\n";
    return 2;
  }
  const fs::path site = fs::temp_directory_path() / ("kovrel-screenshot-" + std::to_string(::getpid()));
  std::error_code error;
  fs::remove_all(site, error);
  fs::create_directories(site);
  for (const char* name : {"status.json", "standings.json"}) {
    const fs::path from = fs::path(argv[1]) / name;
    if (fs::exists(from)) fs::copy_file(from, site / name);
  }
  fs::copy_file(KOVREL_OVERLAY_PAGE, site / "overlay.html");
  fs::copy_file(KOVREL_OVERLAY_BACKDROP, site / "backdrop.html");

  int status = 1;
  {
    overlay_test::PageServer server(site.string());
    const std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/backdrop.html" + query;
    const double scale = width / 1920.0;
    std::vector<std::string> args = {chromium, "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                                     "--no-first-run", "--disable-background-networking",
                                     "--disable-component-update", "--disable-sync",
                                     "--user-data-dir=" + (site / "profile").string(),
                                     "--window-size=1920,1080",
                                     "--force-device-scale-factor=" + std::to_string(scale),
                                     // The page's polls and fades run on this clock: time to read both files.
                                     "--virtual-time-budget=5000", "--screenshot=" + fs::absolute(argv[2]).string(),
                                     url};
    std::vector<char*> argvOut;
    for (std::string& arg : args) argvOut.push_back(arg.data());
    argvOut.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int quiet = ::open("/dev/null", O_WRONLY);
      ::dup2(quiet, STDOUT_FILENO);
      ::dup2(quiet, STDERR_FILENO);
      ::execv(argvOut[0], argvOut.data());
      ::_exit(127);
    }
    int wait = 0;
    if (pid > 0 && ::waitpid(pid, &wait, 0) == pid && WIFEXITED(wait)) status = WEXITSTATUS(wait);
  }
  fs::remove_all(site, error);
  if (status != 0 || !fs::exists(argv[2])) {
    std::cerr << "kovrel_overlay_screenshot: Chromium did not write " << argv[2] << "\n";
    return 1;
  }
  std::cout << argv[2] << "\n";
  return 0;
}
