// Which cars race each other. A field may mix classes (prototypes and GT
// cars), and some leagues name each car model as a class: a name held by too
// few running cars joins the class nearest to it in pace, and two classes
// nearly as fast as each other are one. The director and the host's coverage
// measure both use this rule, so that they agree on what a class's race is.
#pragma once

#include <string>
#include <vector>

constexpr int kMinClassCars = 3;         // running cars a name needs to be a class of its own
constexpr double kSameClassPace = 0.03;  // medians of best laps closer than this share are one class

struct ClassMember {
  std::string name;      // the class as the host names it (`mVehicleClass`)
  double bestLap = 0.0;  // seconds; 0 or less: no lap yet
  bool running = true;   // only running cars make a name a class of its own
};

struct ClassGroups {
  std::vector<int> classOf;        // per member, an index into names
  std::vector<std::string> names;  // each class by its most common name; fastest first, unknown pace last
  std::vector<double> medianLap;   // each class's median best lap; 0 when no car has a lap
  int Count() const { return static_cast<int>(names.size()); }
};

// Every member gets a class; a field with no name of kMinClassCars running
// cars is one class.
ClassGroups GroupClasses(const std::vector<ClassMember>& members);
