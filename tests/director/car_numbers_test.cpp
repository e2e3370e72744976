#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "director/car_numbers.hpp"

namespace {

TEST(CarNumbers, DigitsAfterTheLastHash) {
  const struct {
    const char* name;
    const char* number;
  } cases[] = {
      {"Oreca 07 #23", "23"},      {"#7 Toyota GR010 #8", "8"}, {"Ligier JS P320 #12:LM", "12"},
      {"Ferrari 296 GT3", ""},     {"BMW M4 #", ""},            {"Porsche #x91", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(NumberInName(c.name), c.number) << c.name;

  char unterminated[sizeof(VehicleScoringInfoV01::mVehicleName)];
  std::memset(unterminated, '7', sizeof(unterminated));
  unterminated[0] = '#';
  EXPECT_EQ(NumberInName(unterminated).size(), sizeof(unterminated) - 1);  // never read past the field
}

TEST(CarNumbers, ANumberTwoCarsShareNamesNeither) {
  std::vector<VehicleScoringInfoV01> cars(4);
  const char* names[] = {"Oreca #23", "Porsche GT3 #23", "Ligier #7", "Ginetta"};
  for (std::size_t i = 0; i < cars.size(); ++i) std::strcpy(cars[i].mVehicleName, names[i]);
  EXPECT_EQ(UniqueCarNumbers(cars.data(), 4), (std::vector<std::string>{"", "", "7", ""}));
  EXPECT_TRUE(UniqueCarNumbers(nullptr, 3).empty());
}

}  // namespace
