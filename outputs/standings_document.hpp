// "standings.json": the whole field in running order, by class, with the car
// on air marked, for the overlay's standings tower.
#pragma once

#include <cstdint>
#include <string>

#include "sdk/InternalsPlugin.hpp"

// What the director adds to the snapshot.
struct StandingsContext {
  const char* director = "auto";  // "auto", "off"
  std::int32_t onAirId = -1;      // -1: none known
  std::int32_t replayId = -1;     // the car of a running replay; -1 none
  double fightGap = 0.4;          // onboarddiff: the widest gap of a fight on air
};

// The document, with line feeds (the writer turns them into CR LF).
std::string StandingsDocument(const ScoringInfoV01& info, const StandingsContext& context);
