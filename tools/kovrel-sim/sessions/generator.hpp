// A synthetic session with a seed: cars of different pace and consistency on a
// made-up circuit, so that battles, overtakes, side-by-side moments, pit
// stops, retirements and contacts happen as in a real one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sessions/session.hpp"

namespace ksim {

// A class of a synthetic field: its name, its cars and its lap time as a
// factor of the fastest car's.
struct FieldClass {
  std::string name;
  int cars = 0;
  double lapFactor = 1.0;
};

// Reads "LMP2:13:1.00,GT3:21:1.10"; on a fault, false and what it is.
bool ParseFieldClasses(const std::string& list, std::vector<FieldClass>& classes, std::string& problem);

struct GeneratorOptions {
  SessionKind kind = SessionKind::Race;
  int cars = 20;
  // Classes of the field, fastest first or not; when given, they make up the
  // field instead of `cars` cars of one class.
  std::vector<FieldClass> classes;
  std::uint64_t seed = 2026;
  int laps = 20;          // race length; 0 makes a timed race of `minutes`
  double minutes = 0.0;   // timed race, practice or qualifying; 0: 20 for practice, 15 for qualifying
  double trackLength = 4800.0;  // metres
  double lapTime = 100.0;       // the fastest car's clean lap, seconds
  bool randomContacts = true;   // contacts between cars and with the walls happen by chance
  // Session times at which the closest pair of cars touches heavily (0.95).
  std::vector<double> injectedContacts;
};

std::unique_ptr<SessionSource> GenerateSession(const GeneratorOptions& options);

// The session number the generator gives a kind of session.
int SessionNumberOf(SessionKind kind);

}  // namespace ksim
