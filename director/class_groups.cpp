#include "director/class_groups.hpp"

#include <algorithm>
#include <cmath>
#include <map>

namespace {

struct NameGroup {
  std::string name;
  std::vector<int> members;
  std::vector<double> laps;
  int running = 0;
  double median = 0.0;
};

double MedianOf(std::vector<double> laps) {
  if (laps.empty()) return 0.0;
  const std::size_t mid = laps.size() / 2;
  std::nth_element(laps.begin(), laps.begin() + static_cast<std::ptrdiff_t>(mid), laps.end());
  const double upper = laps[mid];
  if (laps.size() % 2 == 1) return upper;
  return 0.5 * (upper + *std::max_element(laps.begin(), laps.begin() + static_cast<std::ptrdiff_t>(mid)));
}

// One group per distinct name, in the order the names first appear.
std::vector<NameGroup> CollectNames(const std::vector<ClassMember>& members) {
  std::vector<NameGroup> groups;
  std::map<std::string, std::size_t> index;
  for (std::size_t i = 0; i < members.size(); ++i) {
    const ClassMember& m = members[i];
    auto [it, fresh] = index.emplace(m.name, groups.size());
    if (fresh) groups.push_back(NameGroup{m.name, {}, {}, 0, 0.0});
    NameGroup& g = groups[it->second];
    g.members.push_back(static_cast<int>(i));
    if (m.bestLap > 0.0) g.laps.push_back(m.bestLap);
    if (m.running) ++g.running;
  }
  for (NameGroup& g : groups) g.median = MedianOf(g.laps);
  return groups;
}

// Faster first; names with no lap yet keep their order, after the rest.
void SortByPace(std::vector<NameGroup>& groups) {
  std::stable_sort(groups.begin(), groups.end(), [](const NameGroup& a, const NameGroup& b) {
    if ((a.median > 0.0) != (b.median > 0.0)) return a.median > 0.0;
    return a.median > 0.0 && a.median < b.median;
  });
}

struct Pool {
  std::vector<const NameGroup*> names;
  std::vector<double> laps;
  double median = 0.0;
};

void Absorb(Pool& pool, const NameGroup& g) {
  pool.names.push_back(&g);
  pool.laps.insert(pool.laps.end(), g.laps.begin(), g.laps.end());
  pool.median = MedianOf(pool.laps);
}

bool NearlyAsFast(double faster, double slower) {
  return faster > 0.0 && slower > 0.0 && slower - faster < kSameClassPace * faster;
}

// The pool a name too small to be a class joins: the nearest in pace, or,
// when its pace or every pool's is unknown, the pool of most cars.
std::size_t PoolFor(const NameGroup& small, const std::vector<Pool>& pools) {
  std::size_t best = 0;
  double bestDistance = INFINITY;
  if (small.median > 0.0) {
    for (std::size_t p = 0; p < pools.size(); ++p) {
      if (pools[p].median <= 0.0) continue;
      const double distance = std::fabs(std::log(small.median / pools[p].median));
      if (distance < bestDistance) bestDistance = distance, best = p;
    }
  }
  if (bestDistance < INFINITY) return best;
  std::size_t most = 0;
  for (std::size_t p = 0; p < pools.size(); ++p) {
    std::size_t cars = 0, mostCars = 0;
    for (const NameGroup* g : pools[p].names) cars += g->members.size();
    for (const NameGroup* g : pools[most].names) mostCars += g->members.size();
    if (cars > mostCars) most = p;
  }
  return most;
}

const std::string& MostCommonName(const Pool& pool) {
  const NameGroup* most = pool.names.front();
  for (const NameGroup* g : pool.names) {
    if (g->members.size() > most->members.size()) most = g;
  }
  return most->name;
}

}  // namespace

ClassGroups GroupClasses(const std::vector<ClassMember>& members) {
  std::vector<NameGroup> groups = CollectNames(members);
  SortByPace(groups);

  std::vector<Pool> pools;
  std::vector<const NameGroup*> small;
  for (const NameGroup& g : groups) {
    if (g.running < kMinClassCars) {
      small.push_back(&g);
    } else if (!pools.empty() && NearlyAsFast(pools.back().median, g.median)) {
      Absorb(pools.back(), g);
    } else {
      pools.emplace_back();
      Absorb(pools.back(), g);
    }
  }
  if (pools.empty() && !groups.empty()) {
    // No name is a class of its own: the field is one class.
    pools.emplace_back();
    for (const NameGroup& g : groups) Absorb(pools.back(), g);
    small.clear();
  }
  std::vector<Pool> joined = pools;
  for (const NameGroup* g : small) {
    Pool& p = joined[PoolFor(*g, pools)];
    p.names.push_back(g);
  }

  ClassGroups out;
  out.classOf.assign(members.size(), 0);
  for (std::size_t c = 0; c < joined.size(); ++c) {
    out.names.push_back(MostCommonName(joined[c]));
    out.medianLap.push_back(pools[c].median);
    for (const NameGroup* g : joined[c].names) {
      for (int m : g->members) out.classOf[static_cast<std::size_t>(m)] = static_cast<int>(c);
    }
  }
  return out;
}
