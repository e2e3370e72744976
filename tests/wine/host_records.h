/* The simulator's records as a host written in C lays them out: 4-byte
 * packing, 32-bit integers where the simulator's header says "long". Kept
 * apart from sdk/InternalsPlugin.hpp on purpose: the Windows test programs see
 * the plug-in only as the simulator does, through these bytes. */
#ifndef KOVREL_HOST_RECORDS_H
#define KOVREL_HOST_RECORDS_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 4)

typedef struct HostVect3 {
  double x, y, z;
} HostVect3;

typedef struct HostVehicle {
  int32_t mID;
  char mDriverName[32];
  char mVehicleName[64];
  int16_t mTotalLaps;
  signed char mSector;
  signed char mFinishStatus;
  double mLapDist;
  double mPathLateral;
  double mTrackEdge;
  double mBestSector1;
  double mBestSector2;
  double mBestLapTime;
  double mLastSector1;
  double mLastSector2;
  double mLastLapTime;
  double mCurSector1;
  double mCurSector2;
  int16_t mNumPitstops;
  int16_t mNumPenalties;
  unsigned char mIsPlayer;
  signed char mControl;
  unsigned char mInPits;
  unsigned char mPlace;
  char mVehicleClass[32];
  double mTimeBehindNext;
  int32_t mLapsBehindNext;
  double mTimeBehindLeader;
  int32_t mLapsBehindLeader;
  double mLapStartET;
  HostVect3 mPos;
  HostVect3 mLocalVel;
  HostVect3 mLocalAccel;
  HostVect3 mOri[3];
  HostVect3 mLocalRot;
  HostVect3 mLocalRotAccel;
  unsigned char mHeadlights;
  unsigned char mPitState;
  unsigned char mServerScored;
  unsigned char mIndividualPhase;
  int32_t mQualification;
  double mTimeIntoLap;
  double mEstimatedLapTime;
  char mPitGroup[24];
  unsigned char mFlag;
  unsigned char mUnderYellow;
  unsigned char mCountLapFlag;
  unsigned char mInGarageStall;
  unsigned char mUpgradePack[16];
  float mPitLapDist;
  float mBestLapSector1;
  float mBestLapSector2;
  unsigned char mExpansion[48];
} HostVehicle;

typedef struct HostScoring {
  char mTrackName[64];
  int32_t mSession;
  double mCurrentET;
  double mEndET;
  int32_t mMaxLaps;
  double mLapDist;
  char* mResultsStream;
  int32_t mNumVehicles;
  unsigned char mGamePhase;
  signed char mYellowFlagState;
  signed char mSectorFlag[3];
  unsigned char mStartLight;
  unsigned char mNumRedLights;
  unsigned char mInRealtime;
  char mPlayerName[32];
  char mPlrFileName[64];
  double mDarkCloud;
  double mRaining;
  double mAmbientTemp;
  double mTrackTemp;
  HostVect3 mWind;
  double mMinPathWetness;
  double mMaxPathWetness;
  unsigned char mGameMode;
  unsigned char mIsPasswordProtected;
  uint16_t mServerPort;
  uint32_t mServerPublicIP;
  int32_t mMaxPlayers;
  char mServerName[32];
  float mStartET;
  double mAvgPathWetness;
  unsigned char mExpansion[200];
  HostVehicle* mVehicle;
} HostScoring;

typedef struct HostCameraControl {
  int32_t mID;
  int32_t mCameraType;
  unsigned char mReplayActive;
  unsigned char mReplayUnused;
  unsigned char mReplayCommand;
  unsigned char mReplaySetTime;
  float mReplaySeconds;
  unsigned char mExpansion[120];
} HostCameraControl;

typedef struct HostMessage {
  char mText[128];
  unsigned char mDestination;
  unsigned char mTranslate;
  unsigned char mExpansion[126];
} HostMessage;

typedef struct HostEnvironment {
  const char* mPath[16];
  unsigned char mExpansion[256];
} HostEnvironment;

/* What the host keeps about a plug-in; the plug-in only stores the pointer. */
typedef struct HostPluginInfo {
  char mName[32];
} HostPluginInfo;

#pragma pack(pop)

#define KOVREL_AT(type, field, offset) \
  _Static_assert(offsetof(type, field) == (offset), #type "." #field)

_Static_assert(sizeof(HostVect3) == 24, "vector3");

KOVREL_AT(HostScoring, mTrackName, 0);
KOVREL_AT(HostScoring, mSession, 64);
KOVREL_AT(HostScoring, mCurrentET, 68);
KOVREL_AT(HostScoring, mEndET, 76);
KOVREL_AT(HostScoring, mMaxLaps, 84);
KOVREL_AT(HostScoring, mLapDist, 88);
KOVREL_AT(HostScoring, mResultsStream, 96);
KOVREL_AT(HostScoring, mNumVehicles, 104);
KOVREL_AT(HostScoring, mGamePhase, 108);
KOVREL_AT(HostScoring, mYellowFlagState, 109);
KOVREL_AT(HostScoring, mSectorFlag, 110);
KOVREL_AT(HostScoring, mStartLight, 113);
KOVREL_AT(HostScoring, mNumRedLights, 114);
KOVREL_AT(HostScoring, mInRealtime, 115);
KOVREL_AT(HostScoring, mPlayerName, 116);
KOVREL_AT(HostScoring, mPlrFileName, 148);
KOVREL_AT(HostScoring, mDarkCloud, 212);
KOVREL_AT(HostScoring, mRaining, 220);
KOVREL_AT(HostScoring, mAmbientTemp, 228);
KOVREL_AT(HostScoring, mTrackTemp, 236);
KOVREL_AT(HostScoring, mWind, 244);
KOVREL_AT(HostScoring, mMinPathWetness, 268);
KOVREL_AT(HostScoring, mMaxPathWetness, 276);
KOVREL_AT(HostScoring, mGameMode, 284);
KOVREL_AT(HostScoring, mIsPasswordProtected, 285);
KOVREL_AT(HostScoring, mServerPort, 286);
KOVREL_AT(HostScoring, mServerPublicIP, 288);
KOVREL_AT(HostScoring, mMaxPlayers, 292);
KOVREL_AT(HostScoring, mServerName, 296);
KOVREL_AT(HostScoring, mStartET, 328);
KOVREL_AT(HostScoring, mAvgPathWetness, 332);
KOVREL_AT(HostScoring, mExpansion, 340);
KOVREL_AT(HostScoring, mVehicle, 540);
_Static_assert(sizeof(HostScoring) == 548, "ScoringInfoV01");

KOVREL_AT(HostVehicle, mID, 0);
KOVREL_AT(HostVehicle, mDriverName, 4);
KOVREL_AT(HostVehicle, mVehicleName, 36);
KOVREL_AT(HostVehicle, mTotalLaps, 100);
KOVREL_AT(HostVehicle, mSector, 102);
KOVREL_AT(HostVehicle, mFinishStatus, 103);
KOVREL_AT(HostVehicle, mLapDist, 104);
KOVREL_AT(HostVehicle, mPathLateral, 112);
KOVREL_AT(HostVehicle, mTrackEdge, 120);
KOVREL_AT(HostVehicle, mBestSector1, 128);
KOVREL_AT(HostVehicle, mBestSector2, 136);
KOVREL_AT(HostVehicle, mBestLapTime, 144);
KOVREL_AT(HostVehicle, mLastSector1, 152);
KOVREL_AT(HostVehicle, mLastSector2, 160);
KOVREL_AT(HostVehicle, mLastLapTime, 168);
KOVREL_AT(HostVehicle, mCurSector1, 176);
KOVREL_AT(HostVehicle, mCurSector2, 184);
KOVREL_AT(HostVehicle, mNumPitstops, 192);
KOVREL_AT(HostVehicle, mNumPenalties, 194);
KOVREL_AT(HostVehicle, mIsPlayer, 196);
KOVREL_AT(HostVehicle, mControl, 197);
KOVREL_AT(HostVehicle, mInPits, 198);
KOVREL_AT(HostVehicle, mPlace, 199);
KOVREL_AT(HostVehicle, mVehicleClass, 200);
KOVREL_AT(HostVehicle, mTimeBehindNext, 232);
KOVREL_AT(HostVehicle, mLapsBehindNext, 240);
KOVREL_AT(HostVehicle, mTimeBehindLeader, 244);
KOVREL_AT(HostVehicle, mLapsBehindLeader, 252);
KOVREL_AT(HostVehicle, mLapStartET, 256);
KOVREL_AT(HostVehicle, mPos, 264);
KOVREL_AT(HostVehicle, mLocalVel, 288);
KOVREL_AT(HostVehicle, mLocalAccel, 312);
KOVREL_AT(HostVehicle, mOri, 336);
KOVREL_AT(HostVehicle, mLocalRot, 408);
KOVREL_AT(HostVehicle, mLocalRotAccel, 432);
KOVREL_AT(HostVehicle, mHeadlights, 456);
KOVREL_AT(HostVehicle, mPitState, 457);
KOVREL_AT(HostVehicle, mServerScored, 458);
KOVREL_AT(HostVehicle, mIndividualPhase, 459);
KOVREL_AT(HostVehicle, mQualification, 460);
KOVREL_AT(HostVehicle, mTimeIntoLap, 464);
KOVREL_AT(HostVehicle, mEstimatedLapTime, 472);
KOVREL_AT(HostVehicle, mPitGroup, 480);
KOVREL_AT(HostVehicle, mFlag, 504);
KOVREL_AT(HostVehicle, mUnderYellow, 505);
KOVREL_AT(HostVehicle, mCountLapFlag, 506);
KOVREL_AT(HostVehicle, mInGarageStall, 507);
KOVREL_AT(HostVehicle, mUpgradePack, 508);
KOVREL_AT(HostVehicle, mPitLapDist, 524);
KOVREL_AT(HostVehicle, mBestLapSector1, 528);
KOVREL_AT(HostVehicle, mBestLapSector2, 532);
KOVREL_AT(HostVehicle, mExpansion, 536);
_Static_assert(sizeof(HostVehicle) == 584, "VehicleScoringInfoV01");

KOVREL_AT(HostCameraControl, mID, 0);
KOVREL_AT(HostCameraControl, mCameraType, 4);
KOVREL_AT(HostCameraControl, mReplayActive, 8);
KOVREL_AT(HostCameraControl, mReplayUnused, 9);
KOVREL_AT(HostCameraControl, mReplayCommand, 10);
KOVREL_AT(HostCameraControl, mReplaySetTime, 11);
KOVREL_AT(HostCameraControl, mReplaySeconds, 12);
KOVREL_AT(HostCameraControl, mExpansion, 16);
_Static_assert(sizeof(HostCameraControl) == 136, "CameraControlInfoV01");

KOVREL_AT(HostMessage, mText, 0);
KOVREL_AT(HostMessage, mDestination, 128);
KOVREL_AT(HostMessage, mTranslate, 129);
KOVREL_AT(HostMessage, mExpansion, 130);
_Static_assert(sizeof(HostMessage) == 256, "MessageInfoV01");

KOVREL_AT(HostEnvironment, mPath, 0);
KOVREL_AT(HostEnvironment, mExpansion, 128);
_Static_assert(sizeof(HostEnvironment) == 384, "EnvironmentInfoV01");

#endif
