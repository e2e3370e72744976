// Reads the director's state out of the plug-in object (its class is part of
// this project) to tell why a cut was made. Only reads; the host drives the
// plug-in through its interface alone.
#pragma once

#include <string>

#include "record/run_record.hpp"

#include "sdk/InternalsPlugin.hpp"

class rF2kovrel;

namespace ksim {

class DirectorView {
 public:
  // `plugin` is the object; `isDirector` says it really is this project's
  // director (by its name), otherwise nothing is read.
  DirectorView(InternalsPluginV07* plugin, bool isDirector);

  bool Available() const { return mDirector != nullptr; }
  DirectorSettings Settings() const;
  int AutoOn() const;
  // The contact thresholds the plug-in holds now (with autoinc, the session's own).
  void TakeThresholdsInForce(DirectorSettings& settings) const;
  // The plug-in found a web server on the simulator's port at set-up: it
  // then hands its cuts to that server rather than to the camera calls.
  bool WebServerSeen() const;
  // The broadcaster has the camera: a hold, a manual cut still holding or a
  // manual replay (the plug-in's ManualState).
  bool ManualNow() const;

  // Around each UpdateScoring.
  void BeforeScoring();
  // True when the snapshot just handled made a cut due (the camera choice ran).
  bool CutPrepared() const;
  CutReason Explain(const ScoringInfoV01& info) const;

 private:
  const rF2kovrel* mDirector = nullptr;
  int mPoleBefore = -1;
};

}  // namespace ksim
