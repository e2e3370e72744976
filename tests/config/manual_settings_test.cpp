// The keys of the broadcaster's hand and of favourite cars, as the file gives them.
#include <gtest/gtest.h>

#include <string>

#include "support/director_fixture.hpp"
#include "support/ini_file.hpp"

namespace {

struct Read {
  std::int32_t holdkey, nextkey;
  double manualhold, favourfactor;
  std::size_t favourites;
};

TEST(ManualSettings, BadCodesFactorsAndListsReadAsOffOrTheirFloor) {
  struct Case {
    const char* lines;
    Read expected;
  };
  const Case cases[] = {
      {"", {0, 0, 30.0, 2.0, 0}},
      {"holdkey=0x48\r\nnextkey=78\r\nmanualhold=12.5\r\nfavourites=7, 23\r\nfavourfactor=3\r\n", {0x48, 78, 12.5, 3.0, 2}},
      {"holdkey=255\r\nnextkey=-4\r\nmanualhold=0.2\r\nfavourfactor=0.5\r\n", {0, 0, 1.0, 1.0, 0}},
      {"holdkey=H\r\nnextkey=0\r\nmanualhold=long\r\nfavourites=7;23\r\nfavourfactor=nan\r\n", {0, 0, 30.0, 1.0, 0}},
      {"holdkey=010\r\n", {8, 0, 30.0, 2.0, 0}},  // octal, as autokey reads
  };
  for (const Case& c : cases) {
    TempFolder folder;
    rF2kovrel plugin;
    plugin.mIniPath = folder.Path() + "\\rF2kovrel.ini";
    WriteFileBytes(folder.File("rF2kovrel.ini"), std::string("[KOVREL]\r\n") + c.lines);
    plugin.ReadSettingsUpToFilesPath();
    plugin.ReadSettingsFromDebug();
    plugin.ReadOptInSettings();
    EXPECT_EQ(plugin.holdkey, c.expected.holdkey) << c.lines;
    EXPECT_EQ(plugin.nextkey, c.expected.nextkey) << c.lines;
    EXPECT_EQ(plugin.manualhold, c.expected.manualhold) << c.lines;
    EXPECT_EQ(plugin.favourfactor, c.expected.favourfactor) << c.lines;
    EXPECT_EQ(plugin.mFavouriteNumbers.size(), c.expected.favourites) << c.lines;
    const std::string file = ReadFileBytes(folder.File("rF2kovrel.ini"));
    for (const char* key : {"holdkey=", "prevkey", "leaderkey", "replaykey", "manualhold", "favour"}) {
      if (std::string(c.lines).find(key) == std::string::npos) {
        EXPECT_EQ(file.find(key), std::string::npos) << key << " is never written";
      }
    }
  }
}

}  // namespace
