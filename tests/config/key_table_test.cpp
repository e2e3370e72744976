// The table of keys against the plug-in that reads them and the user guide
// that lists them: a key added to one and not to the others fails here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config/key_table.hpp"
#include "support/director_fixture.hpp"

namespace {

// The "key=value" lines of a file, in order.
std::vector<std::pair<std::string, std::string>> KeyLines(const std::string& bytes) {
  std::vector<std::pair<std::string, std::string>> lines;
  std::istringstream in(bytes);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos) lines.emplace_back(line.substr(0, equals), line.substr(equals + 1));
  }
  return lines;
}

TEST(KeyTable, HoldsEveryKeyThePluginWritesInItsOrderWithItsDefault) {
  TempFolder folder;
  rF2kovrel plugin;
  plugin.mIniPath = folder.Path() + "\\rF2kovrel.ini";
  plugin.ReadSettingsUpToFilesPath();
  plugin.ReadSettingsFromDebug();
  const auto written = KeyLines(ReadFileBytes(folder.File("rF2kovrel.ini")));
  std::vector<SettingKey> table;
  for (const SettingKey& key : SettingKeys()) {
    if (key.writtenBack) table.push_back(key);
  }
  ASSERT_EQ(written.size(), table.size());
  for (std::size_t i = 0; i < table.size(); ++i) {
    EXPECT_EQ(written[i].first, table[i].key) << i;
    // The folder's default is computed from where the file lies.
    if (written[i].first != "filespath") {
      EXPECT_EQ(written[i].second, table[i].defaultText) << table[i].key;
    }
    EXPECT_EQ(FindSettingKey(written[i].first)->key, table[i].key);
  }
  EXPECT_EQ(FindSettingKey("WaitSec"), FindSettingKey("waitsec"));
  EXPECT_EQ(FindSettingKey("scoring"), nullptr);
}

TEST(KeyTable, EveryDefaultIsUsableAndTheBoundsHoldAsWritten) {
  for (const SettingKey& key : SettingKeys()) {
    if (key.kind != SettingKind::Text) {
      EXPECT_TRUE(IsUsableNumber(key, std::strtod(key.defaultText, nullptr))) << key.key;
    }
  }
  EXPECT_FALSE(IsUsableNumber(*FindSettingKey("sbsdist"), 0.0));
  EXPECT_TRUE(IsUsableNumber(*FindSettingKey("rearview"), 100.0));
  EXPECT_FALSE(IsUsableNumber(*FindSettingKey("rearview"), 101.0));
}

// The cells of a table row "| a | b | c |", trimmed.
std::vector<std::string> Cells(const std::string& row) {
  std::vector<std::string> cells;
  std::istringstream in(row);
  std::string cell;
  std::getline(in, cell, '|');  // before the first bar
  while (std::getline(in, cell, '|')) {
    const std::size_t begin = cell.find_first_not_of(' ');
    const std::size_t end = cell.find_last_not_of(' ');
    cells.push_back(begin == std::string::npos ? "" : cell.substr(begin, end - begin + 1));
  }
  if (!cells.empty() && cells.back().empty()) cells.pop_back();
  return cells;
}

TEST(KeyTable, TheUserGuideListsEveryKeyWithItsUsableValues) {
  std::ifstream guide(std::string(KOVREL_DOCS) + "/user-guide.md");
  ASSERT_TRUE(guide) << KOVREL_DOCS;
  std::string line;
  while (std::getline(guide, line) && line.rfind("| Setting | Default | Usable values |", 0) != 0) {
  }
  ASSERT_TRUE(guide) << "the guide's settings table has a column of usable values";
  std::getline(guide, line);  // the rule under the header
  std::vector<std::string> listed;
  while (std::getline(guide, line) && line.rfind("| ", 0) == 0) {
    const std::vector<std::string> cells = Cells(line);
    ASSERT_GE(cells.size(), 3u) << line;
    const std::string key = cells[0].substr(1, cells[0].size() - 2);  // `key`
    listed.push_back(key);
    const SettingKey* known = FindSettingKey(key);
    ASSERT_NE(known, nullptr) << key;
    EXPECT_EQ(cells[2], UsableValuesText(*known)) << key;
  }
  std::vector<std::string> expected;
  for (const SettingKey& key : SettingKeys()) expected.push_back(key.key);
  EXPECT_EQ(listed, expected) << "every key once, in the plug-in's order";
}

}  // namespace
