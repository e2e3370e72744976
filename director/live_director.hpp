// Why the live director overruled the usual choice of a snapshot (the host's
// reasons for cuts read it).
#pragma once

enum LiveReason {
  kLiveNone = 0,
  kLiveCloserBattle = 1,  // an early switch to a car clearly better worth watching
  kLiveBestFight = 2,     // at the wait's end, the car whose close fights are worth most
  kLiveContact = 3,       // a fresh strong contact
  kLiveScene = 4,         // five or more cars reporting contact at once
};
