#include "sessions/grid_slots.hpp"

#include <algorithm>
#include <numeric>

namespace ksim {

std::vector<int> AssignGridSlots(const std::vector<int>& gridPlaces, const std::vector<double>& firstCrossings) {
  std::vector<std::size_t> order(gridPlaces.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  const auto crossing = [&](std::size_t i) { return i < firstCrossings.size() ? firstCrossings[i] : 0.0; };
  // A duplicated grid position (hand-edited files) keeps file order.
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const bool ka = gridPlaces[a] > 0, kb = gridPlaces[b] > 0;
    if (ka != kb) return ka;
    if (ka) return gridPlaces[a] < gridPlaces[b];
    return crossing(a) < crossing(b);
  });
  std::vector<int> slots(gridPlaces.size());
  for (std::size_t k = 0; k < order.size(); ++k) slots[order[k]] = static_cast<int>(k) + 1;
  return slots;
}

double SlotDistance(int slot) { return 12.0 + 9.0 * (std::max(slot, 1) - 1); }

}  // namespace ksim
