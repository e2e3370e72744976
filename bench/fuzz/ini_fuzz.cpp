// The INI reader and writer on arbitrary files.
//
// Input: U8 mode, U8 key code, U8 value code, U8 section code, then the file.
// Even modes run SetEnvironment on the file (after a first section that
// pins the files folder inside the fuzz folder, so that no input makes the
// set-up create folders elsewhere), twice: the second run must find nothing
// to complete, leaving the file's bytes and every setting as the first left
// them. Odd modes write one key through the profile seam: the key must then
// read back as written, and every other key of every section must read as
// before.
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/fuzz/byte_reader.hpp"
#include "config/profile.hpp"
#include "plugin/rF2kovrel.hpp"
#include "plugin/text.hpp"

namespace fs = std::filesystem;

namespace {

void Check(bool holds) {
  if (!holds) __builtin_trap();
}

const char* const kKeys[] = {
    "auto", "autokey", "waitsec", "interest", "interestdiff", "onboarddiff", "onboardcam",
    "rearview", "rearviewcam", "camtest", "walkthrough", "showinpit", "lowinc", "highinc",
    "msessioninc", "filespath", "debug", "sbsdist", "sbscount", "replayduration", "replayoffset",
    "Other_Key", "AUTO"};
const char* const kSections[] = {"KOVREL", "kovrel", "Other", "x"};
// Read before and after every write; each read opens the file, so a few.
const char* const kProbeKeys[] = {"auto", "waitsec", "camtest", "filespath", "debug",
                                  "replayoffset", "Other_Key"};
const char* const kProbeSections[] = {"KOVREL", "Other", "x"};

struct Folder {
  std::string path;
  Folder() {
    path = (fs::temp_directory_path() / ("kovrel-fuzz-ini-" + std::to_string(::getpid()))).string();
    fs::create_directories(path);
  }
  ~Folder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
};

const Folder& FuzzFolder() {
  static const Folder folder;
  return folder;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool Same(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Every setting, numbers compared bit for bit (a NaN read twice is the same NaN).
bool SameSettings(const rF2kovrel& a, const rF2kovrel& b) {
  return a.auto_ == b.auto_ && a.autokey == b.autokey && a.waitsec == b.waitsec &&
         a.interest == b.interest && a.interestdiff == b.interestdiff &&
         Same(a.onboarddiff, b.onboarddiff) && a.onboardcam == b.onboardcam &&
         a.rearview == b.rearview && a.rearviewcam == b.rearviewcam && a.camtest == b.camtest &&
         a.walkthrough == b.walkthrough && a.showinpit == b.showinpit &&
         a.mShowInPitNum == b.mShowInPitNum && Same(a.lowinc, b.lowinc) &&
         Same(a.highinc, b.highinc) && a.msessioninc == b.msessioninc &&
         a.filespath == b.filespath && a.debug == b.debug && Same(a.sbsdist, b.sbsdist) &&
         a.sbscount == b.sbscount && a.replayduration == b.replayduration &&
         Same(a.replayoffset, b.replayoffset);
}

void SetUpTwice(const std::string& fileBytes) {
  const std::string& folder = FuzzFolder().path;
  const std::string files = folder + "/files";
  const std::string ini = folder + "/rF2kovrel.ini";
  WriteFile(ini, "[KOVREL]\r\nfilespath=" + files + "\r\n" + fileBytes);
  const std::string entry = folder + "\\options.json";
  EnvironmentInfoV01 info{};
  info.mPath[1] = entry.c_str();

  // The web server's probe is not what is fuzzed here: mark it done.
  rF2kovrel first;
  first.mWebProbeDone = true;
  first.SetEnvironment(info);
  Check(first.filespath == files);
  const std::string completed = ReadFile(ini);
  rF2kovrel second;
  second.mWebProbeDone = true;
  second.SetEnvironment(info);
  Check(ReadFile(ini) == completed);
  Check(SameSettings(first, second));
}

// A value the profile functions keep as it is: no blanks, quotes or line breaks.
std::string ValueFor(std::uint8_t code) {
  if (code == 0) return std::string();
  if (code == 1) return "0";
  return "v" + std::to_string(code) + (code % 2 == 0 ? ".5" : "x");
}

void WriteOneKey(std::uint8_t keyCode, std::uint8_t valueCode, std::uint8_t sectionCode,
                 const std::string& fileBytes) {
  const std::string ini = FuzzFolder().path + "/profile.ini";
  WriteFile(ini, fileBytes);
  const std::string key = kKeys[keyCode % (sizeof kKeys / sizeof kKeys[0])];
  const std::string section = kSections[sectionCode % (sizeof kSections / sizeof kSections[0])];
  const std::string value = ValueFor(valueCode);

  std::vector<std::string> before;
  for (const char* probeSection : kProbeSections) {
    for (const char* probeKey : kProbeKeys) {
      before.push_back(ReadProfileText(ini, probeSection, probeKey, "(none)", 256));
    }
  }
  if (!WriteProfileText(ini, section, key, value)) return;  // a file it could not write
  Check(ReadProfileText(ini, section, key, "(none)", 4096) == value.substr(0, 4095));

  std::size_t index = 0;
  for (const char* probeSection : kProbeSections) {
    for (const char* probeKey : kProbeKeys) {
      const bool written = EqualsIgnoringCase(section, probeSection) &&
                           EqualsIgnoringCase(key, probeKey);
      if (!written) Check(ReadProfileText(ini, probeSection, probeKey, "(none)", 256) == before[index]);
      ++index;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteReader in(data, size);
  const std::uint8_t mode = in.U8();
  const std::uint8_t keyCode = in.U8();
  const std::uint8_t valueCode = in.U8();
  const std::uint8_t sectionCode = in.U8();
  const std::string fileBytes = in.Rest();
  if (mode % 2 == 0) {
    SetUpTwice(fileBytes);
  } else {
    WriteOneKey(keyCode, valueCode, sectionCode, fileBytes);
  }
  return 0;
}
