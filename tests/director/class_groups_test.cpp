#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "director/class_groups.hpp"

namespace {

// A field written as "name:count:best lap" groups.
std::vector<ClassMember> Field(const std::vector<std::tuple<std::string, int, double>>& groups) {
  std::vector<ClassMember> field;
  for (const auto& [name, count, lap] : groups) {
    for (int i = 0; i < count; ++i) field.push_back(ClassMember{name, lap > 0.0 ? lap + 0.01 * i : 0.0, true});
  }
  return field;
}

std::vector<std::string> ClassOfEach(const std::vector<ClassMember>& field) {
  const ClassGroups groups = GroupClasses(field);
  std::vector<std::string> out;
  for (int c : groups.classOf) out.push_back(groups.names[static_cast<std::size_t>(c)]);
  return out;
}

TEST(ClassGroups, NamesPaceAndSmallNamesDecideTheClasses) {
  struct Case {
    const char* what;
    std::vector<std::tuple<std::string, int, double>> field;
    std::vector<std::string> names;  // the classes, fastest first
  } cases[] = {
      {"three classes, slowest named first", {{"GT3", 4, 110.0}, {"LMP3", 3, 105.0}, {"LMP2", 3, 100.0}},
       {"LMP2", "LMP3", "GT3"}},
      {"one model name with three cars takes the others (car models as classes)",
       {{"Ferrari", 2, 100.5}, {"Audi", 3, 100.0}, {"BMW", 1, 101.0}, {"Porsche", 2, 99.8}},
       {"Audi"}},
      {"two names within 3% of pace are one class, named by the more common",
       {{"GT3 Pro", 3, 100.0}, {"GT3 Am", 4, 102.5}, {"GT4", 3, 108.0}}, {"GT3 Am", "GT4"}},
      {"no name with three cars: one class", {{"A", 2, 100.0}, {"B", 2, 120.0}}, {"A"}},
      {"no laps yet: the names decide, small names join the biggest",
       {{"LMP2", 3, 0.0}, {"GT3", 5, 0.0}, {"GT3-Lambo", 1, 0.0}}, {"LMP2", "GT3"}},
  };
  for (const Case& c : cases) {
    const ClassGroups groups = GroupClasses(Field(c.field));
    EXPECT_EQ(groups.names, c.names) << c.what;
    EXPECT_EQ(groups.classOf.size(), Field(c.field).size()) << c.what;
  }
}

TEST(ClassGroups, SmallNameJoinsTheClassNearestInPace) {
  const std::vector<ClassMember> field = Field({{"LMP2", 3, 100.0}, {"GT3", 3, 115.0}, {"Porsche GT3 R", 2, 113.0},
                                                {"Ligier", 1, 101.0}});
  const std::vector<std::string> classes = ClassOfEach(field);
  EXPECT_EQ(classes[6], "GT3");
  EXPECT_EQ(classes[7], "GT3");
  EXPECT_EQ(classes[8], "LMP2");
}

TEST(ClassGroups, CarsOutOfTheRaceDoNotMakeAClass) {
  std::vector<ClassMember> field = Field({{"LMP2", 3, 100.0}, {"GT3", 3, 115.0}});
  field[3].running = false;  // one of the GT3 cars has retired: two left
  const ClassGroups groups = GroupClasses(field);
  EXPECT_EQ(groups.names, std::vector<std::string>{"LMP2"});
  EXPECT_TRUE(GroupClasses({}).names.empty());
}

}  // namespace
