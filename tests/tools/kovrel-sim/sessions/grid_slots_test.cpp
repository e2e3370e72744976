#include <gtest/gtest.h>

#include <limits>

#include "sessions/grid_slots.hpp"

namespace {

using ksim::AssignGridSlots;

constexpr double kNever = std::numeric_limits<double>::infinity();

TEST(GridSlots, KnownPositionsKeepTheirOrderAndUnknownOnesLineUpBehind) {
  // Known: cars 0, 2, 4 on 3, 1, 2. Unknown: car 3 reaches a split before
  // car 1; car 5 never starts.
  const std::vector<int> slots = AssignGridSlots({3, 0, 1, 0, 2, 0}, {30.0, 35.0, 29.0, 33.0, 31.0, kNever});
  EXPECT_EQ(slots, (std::vector<int>{3, 5, 1, 4, 2, 6}));
}

TEST(GridSlots, EveryCarGetsItsOwnSlotEvenWhenPositionsRepeatOrRunPastTheField) {
  // Hand-edited files: a repeated position and one beyond the field size.
  const std::vector<int> slots = AssignGridSlots({2, 2, 40, 0}, {kNever, kNever, kNever, kNever});
  EXPECT_EQ(slots, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(AssignGridSlots({}, {}), std::vector<int>{});
}

TEST(GridSlots, PoleStandsNearestTheLine) {
  EXPECT_GT(ksim::SlotDistance(1), 0.0);
  EXPECT_LT(ksim::SlotDistance(1), ksim::SlotDistance(2));
  EXPECT_LT(ksim::SlotDistance(2), ksim::SlotDistance(3));
  EXPECT_EQ(ksim::SlotDistance(0), ksim::SlotDistance(1));
}

}  // namespace
