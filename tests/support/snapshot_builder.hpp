// Builds scoring snapshots so that a test states only what matters to it.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "sdk/InternalsPlugin.hpp"

class CarBuilder {
 public:
  explicit CarBuilder(VehicleScoringInfoV01& v) : mV(v) {}
  CarBuilder& Behind(double seconds) { mV.mTimeBehindNext = seconds; return *this; }
  CarBuilder& BehindLeader(double seconds) { mV.mTimeBehindLeader = seconds; return *this; }
  CarBuilder& Pit(int state) { mV.mPitState = static_cast<unsigned char>(state); return *this; }
  CarBuilder& Finish(int status) { mV.mFinishStatus = static_cast<signed char>(status); return *this; }
  CarBuilder& Player() { mV.mIsPlayer = true; return *this; }
  CarBuilder& Name(const std::string& name);
  CarBuilder& Vehicle(const std::string& name);  // "Oreca 07 #23"
  CarBuilder& Class(const std::string& name);
  CarBuilder& LapsBehind(int laps) { mV.mLapsBehindLeader = laps; return *this; }
  CarBuilder& LapDist(double metres) { mV.mLapDist = metres; return *this; }
  CarBuilder& Laps(int laps) { mV.mTotalLaps = static_cast<short>(laps); return *this; }
  CarBuilder& Sector(int sector) { mV.mSector = static_cast<signed char>(sector); return *this; }
  CarBuilder& Best(double lap, double s1, double s2);
  CarBuilder& Current(double s1, double s2);
  CarBuilder& LapStart(double et) { mV.mLapStartET = et; return *this; }
  VehicleScoringInfoV01& Record() { return mV; }

 private:
  VehicleScoringInfoV01& mV;
};

class Snapshot {
 public:
  Snapshot();
  Snapshot& Session(int session) { mInfo.mSession = session; return *this; }
  Snapshot& Time(double et) { mInfo.mCurrentET = et; return *this; }
  Snapshot& EndTime(double et) { mInfo.mEndET = et; return *this; }
  Snapshot& MaxLaps(int laps) { mInfo.mMaxLaps = laps; return *this; }
  Snapshot& Phase(int phase) { mInfo.mGamePhase = static_cast<unsigned char>(phase); return *this; }
  Snapshot& Stream(const std::string& text) { mStream = text; return *this; }

  // A car with its slot id and place, named "Driver <id>" until renamed.
  CarBuilder Car(int id, int place);
  VehicleScoringInfoV01& CarAt(std::size_t index) { return mCars[index]; }
  std::size_t Count() const { return mCars.size(); }

  // The record to hand to the plug-in; valid until the builder changes.
  const ScoringInfoV01& Info();

 private:
  ScoringInfoV01 mInfo;
  std::deque<VehicleScoringInfoV01> mCars;
  std::vector<VehicleScoringInfoV01> mArray;
  std::string mStream;
  std::vector<char> mStreamBytes;
};
