// Where each car of a replayed race stands on the grid. Results files give a
// grid position for most cars; the rest (0, unknown) line up behind them.
#pragma once

#include <vector>

namespace ksim {

// Slots 1..n, one per car, no two alike. Cars with a recorded position keep
// its order; the others follow, the first to reach a timing point first, and
// those that never reach one (infinite time) last, in file order.
std::vector<int> AssignGridSlots(const std::vector<int>& gridPlaces, const std::vector<double>& firstCrossings);

// How far behind the start line a slot lies, in metres: pole close to the
// line, each slot a car length and a gap further back.
double SlotDistance(int slot);

}  // namespace ksim
