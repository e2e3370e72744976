/* A small simulator stand-in for the Windows test programs: it loads the
 * plug-in by its exports and drives the object only through virtual slots by
 * number, the way the simulator (built with Microsoft's compiler) does. Plain
 * C, so that no C++ ABI of the plug-in's own compiler is involved. */
#ifndef KOVREL_PLUGIN_HOST_H
#define KOVREL_PLUGIN_HOST_H

#include <windows.h>

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include "host_records.h"

/* ---- checks ---------------------------------------------------------------- */

extern int gHostFailures;
/* Checks count only while this is non-zero: a program that walks through the
 * plug-in's whole life can hold each stage's checks to account on its own. */
extern int gHostChecking;

#define HOST_CHECK(cond, ...)                                                   \
  do {                                                                          \
    if (gHostChecking && !(cond)) {                                             \
      ++gHostFailures;                                                          \
      printf("%s:%d: check failed: %s\n    ", __FILE__, __LINE__, #cond);      \
      printf(__VA_ARGS__);                                                      \
      printf("\n");                                                             \
      fflush(stdout);                                                           \
    }                                                                           \
  } while (0)

/* Prints the verdict; the process exit code. */
int HostVerdict(const char* what);

/* ---- the module and its object ---------------------------------------------- */

typedef struct PluginHost {
  HMODULE module;
  const char* (*GetPluginName)(void);
  int32_t (*GetPluginType)(void);
  int (*GetPluginVersion)(void);
  void* (*CreatePluginObject)(void);
  void (*DestroyPluginObject)(void* pluginObject);
} PluginHost;

/* Loads the DLL and finds the five exports; 0 (with the reason printed) when
 * any is missing. */
int HostLoad(PluginHost* host, const char* dllPath);

/* The simulator holds the PluginObject pointer that CreatePluginObject gives;
 * the object (and its table pointer) starts 8 bytes before it, where the
 * PluginObject base sits behind the virtual-table pointer. */
void* HostObjectOf(void* pluginObject);

/* PluginObject::SetInfo, a non-virtual member the host compiles itself: it
 * stores the pointer in mInfo, the first field of PluginObject. */
void HostSetInfo(void* pluginObject, HostPluginInfo* info);

/* ---- virtual slots, numbered as the simulator's table numbers them ---------- */

enum {
  kSlotDestructor = 0,
  kSlotStartup = 1,
  kSlotShutdown = 2,
  kSlotLoad = 3,
  kSlotUnload = 4,
  kSlotStartSession = 5,
  kSlotEndSession = 6,
  kSlotEnterRealtime = 7,
  kSlotExitRealtime = 8,
  kSlotWantsScoringUpdates = 9,
  kSlotUpdateScoring = 10,
  kSlotWantsTelemetryUpdates = 11,
  kSlotUpdateTelemetry = 12,
  kSlotWantsGraphicsUpdates = 13,
  kSlotUpdateGraphics = 14,
  kSlotRequestCommentary = 15,
  kSlotHasHardwareInputs = 16,
  kSlotUpdateHardware = 17,
  kSlotEnableHardware = 18,
  kSlotDisableHardware = 19,
  kSlotCheckHWControl = 20,
  kSlotForceFeedback = 21,
  kSlotError = 22,
  kSlotSetPhysicsOptions = 23,
  kSlotWantsToViewVehicle = 24,
  kSlotUpdateGraphicsV02 = 25,
  kSlotWantsToDisplayMessage = 26,
  kSlotSetEnvironment = 27,
  kSlotInitScreen = 28,
  kSlotPostReset = 35,
  kSlotInitCustomControl = 36,
  kSlotWantsWeatherAccess = 37,
  kSlotAccessWeather = 38,
  kSlotThreadStarted = 39,
  kSlotThreadStopping = 40,
  kSlotGetCustomVariable = 41,
  kSlotAccessCustomVariable = 42,
  kSlotGetCustomVariableSetting = 43,
  kSlotWantsMultiSessionRulesAccess = 44,
  kSlotAccessMultiSessionRules = 45,
  kSlotWantsTrackRulesAccess = 46,
  kSlotAccessTrackRules = 47,
  kSlotWantsPitMenuAccess = 48,
  kSlotAccessPitMenu = 49,
  kSlotCount = 50
};

/* Microsoft x64 convention: the object first, then the arguments; a bool
 * comes back in the low byte of the result register. */
void* SlotDestroy(void* object, unsigned int flags);
void SlotCall(void* object, int slot);                         /* void f() */
unsigned char SlotAsk(void* object, int slot);                 /* bool f() */
void SlotCallInt(void* object, int slot, int32_t value);       /* void f(long) */
int32_t SlotAskInt(void* object, int slot);                    /* long f() */
void SlotCallRecord(void* object, int slot, const void* record);        /* void f(T&) */
unsigned char SlotAskRecord(void* object, int slot, void* record);      /* bool f(T&) */
void SlotCallDouble(void* object, int slot, double value);     /* void f(double) */
unsigned char SlotAskDoubleRecord(void* object, int slot, double value, void* record);
unsigned char SlotAskIntRecord(void* object, int slot, int32_t value, void* record);
void SlotCallRecordIntRecord(void* object, int slot, void* first, int32_t value, void* second);
unsigned char SlotCheckHWControl(void* object, const char* control, double* value);
unsigned char SlotForceFeedback(void* object, double* value);

/* ---- files ------------------------------------------------------------------ */

/* The whole file into buffer (NUL-terminated); its length, or -1 when it
 * cannot be opened. Opens with every sharing flag, as an overlay reader would. */
long HostReadFile(const char* path, char* buffer, size_t capacity);
int HostFileExists(const char* path);
/* Removes a folder with everything in it (a few levels of sub-folders deep
 * are enough for the plug-in's files), then makes it again, empty, with any
 * folders on its way that are missing. */
void HostFreshFolder(const char* path);
/* folder + "\" + name */
void HostJoin(char* out, size_t capacity, const char* folder, const char* name);

/* ---- a small race ----------------------------------------------------------- */

typedef struct HostSnapshot {
  HostScoring info;
  HostVehicle cars[8];
  char stream[4096];
} HostSnapshot;

void HostSnapshotInit(HostSnapshot* snapshot, int32_t session, unsigned char phase,
                      double currentET);
HostVehicle* HostSnapshotAddCar(HostSnapshot* snapshot, int32_t id, const char* driver,
                                unsigned char place, double behindNext, double lapDist);
/* Appends text to the snapshot's results stream. */
void HostSnapshotStream(HostSnapshot* snapshot, const char* text);

#endif
