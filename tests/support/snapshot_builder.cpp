#include "support/snapshot_builder.hpp"

#include <algorithm>
#include <cstring>

CarBuilder& CarBuilder::Name(const std::string& name) {
  std::memset(mV.mDriverName, 0, sizeof(mV.mDriverName));
  std::memcpy(mV.mDriverName, name.data(), std::min(name.size(), sizeof(mV.mDriverName)));
  return *this;
}

CarBuilder& CarBuilder::Class(const std::string& name) {
  std::memset(mV.mVehicleClass, 0, sizeof(mV.mVehicleClass));
  std::memcpy(mV.mVehicleClass, name.data(), std::min(name.size(), sizeof(mV.mVehicleClass) - 1));
  return *this;
}

CarBuilder& CarBuilder::Best(double lap, double s1, double s2) {
  mV.mBestLapTime = lap;
  mV.mBestSector1 = s1;
  mV.mBestSector2 = s2;
  return *this;
}

CarBuilder& CarBuilder::Current(double s1, double s2) {
  mV.mCurSector1 = s1;
  mV.mCurSector2 = s2;
  return *this;
}

Snapshot::Snapshot() {
  std::memset(&mInfo, 0, sizeof(mInfo));
  mInfo.mSession = 10;
  mInfo.mGamePhase = 5;
  mInfo.mMaxLaps = 20;
}

CarBuilder Snapshot::Car(int id, int place) {
  mCars.emplace_back();
  VehicleScoringInfoV01& v = mCars.back();
  std::memset(&v, 0, sizeof(v));
  v.mID = id;
  v.mPlace = static_cast<unsigned char>(place);
  v.mSector = 1;
  CarBuilder car(v);
  car.Name("Driver " + std::to_string(id));
  return car;
}

const ScoringInfoV01& Snapshot::Info() {
  mArray.assign(mCars.begin(), mCars.end());
  mInfo.mNumVehicles = static_cast<int>(mArray.size());
  mInfo.mVehicle = mArray.empty() ? nullptr : mArray.data();
  mStreamBytes.assign(mStream.begin(), mStream.end());
  mStreamBytes.push_back('\0');
  mInfo.mResultsStream = mStreamBytes.data();
  return mInfo;
}
