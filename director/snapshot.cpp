#include "director/snapshot.hpp"

#include "plugin/text.hpp"

int VehicleCount(const ScoringInfoV01& info) {
  if (info.mVehicle == nullptr || info.mNumVehicles < 0) return 0;
  return info.mNumVehicles;
}

std::string DriverNameOf(const VehicleScoringInfoV01& vehicle) {
  return TextOfField(vehicle.mDriverName, sizeof(vehicle.mDriverName));
}
