#include "support/director_fixture.hpp"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "director/keyboard.hpp"

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  const char* root = std::getenv("KOVREL_TEST_TMP");
  fs::path base = root != nullptr ? fs::path(root) : fs::temp_directory_path() / "kovrel-tests";
  fs::path folder = base / ("t" + std::to_string(static_cast<long>(::getpid())) + "-" +
                            std::to_string(counter++));
  fs::remove_all(folder);
  fs::create_directories(folder);
  mPath = folder.string();
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::remove_all(mPath, ignored);
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool FileExists(const std::string& path) { return fs::exists(path); }

void ApplyDefaultSettings(rF2kovrel& plugin, const std::string& filesFolder) {
  plugin.auto_ = 1;
  plugin.autokey = 0x41;
  plugin.waitsec = 15;
  plugin.interest = 12;
  plugin.interestdiff = 3;
  plugin.onboarddiff = 0.4;
  plugin.onboardcam = 0;
  plugin.rearview = 0;
  plugin.rearviewcam = 6;
  plugin.camtest = "no";
  plugin.walkthrough = 1;
  plugin.showinpit = "interestdiff";
  plugin.mShowInPitNum = 0;
  plugin.lowinc = 0.4;
  plugin.highinc = 0.8;
  plugin.msessioninc = 10;
  plugin.filespath = filesFolder;
  plugin.debug = 0;
  plugin.sbsdist = 1.5;
  plugin.sbscount = 2;
  plugin.replayduration = 20;
  plugin.replayoffset = 5.0;
  plugin.mTimeFilePath = filesFolder + "\\time.txt";
  plugin.mDriverFilePath = filesFolder + "\\driver.txt";
  plugin.mInfoFilePath = filesFolder + "\\info.html";
  plugin.mStatusFilePath = filesFolder + "\\status.json";
  plugin.mStandingsFilePath = filesFolder + "\\standings.json";
  plugin.mHardwareEnabled = true;
  plugin.ResetDirector();
}

void ReleaseAllKeys() {
  for (int key = 0; key < 256; ++key) SetVirtualKeyDown(key, false);
}
