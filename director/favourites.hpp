// Favourite cars by their numbers (director/car_numbers.hpp gives a car's).
#pragma once

#include <string>
#include <vector>

// "7, 23,50": the numbers, blanks around each allowed. False, with `numbers`
// empty, for text that is not such a list (an empty text is an empty list).
bool ReadCarNumberList(const std::string& text, std::vector<std::string>& numbers);
