#include "plugin_host.h"

#include <string.h>

int gHostFailures = 0;
int gHostChecking = 1;

int HostVerdict(const char* what) {
  if (gHostFailures == 0) {
    printf("%s: all checks passed\n", what);
    return 0;
  }
  printf("%s: %d check(s) failed\n", what, gHostFailures);
  return 1;
}

/* ---- the module and its object ---------------------------------------------- */

typedef void (*HostAnyFunction)(void);

static HostAnyFunction FindExport(HMODULE module, const char* name) {
  FARPROC found = GetProcAddress(module, name);
  HostAnyFunction function;
  if (found == NULL) {
    printf("export %s: not found\n", name);
    return NULL;
  }
  memcpy(&function, &found, sizeof function);
  return function;
}

int HostLoad(PluginHost* host, const char* dllPath) {
  memset(host, 0, sizeof *host);
  host->module = LoadLibraryA(dllPath);
  if (host->module == NULL) {
    printf("LoadLibraryA(%s) failed: error %lu\n", dllPath, (unsigned long)GetLastError());
    return 0;
  }
  host->GetPluginName = (const char* (*)(void))FindExport(host->module, "GetPluginName");
  host->GetPluginType = (int32_t(*)(void))FindExport(host->module, "GetPluginType");
  host->GetPluginVersion = (int (*)(void))FindExport(host->module, "GetPluginVersion");
  host->CreatePluginObject = (void* (*)(void))FindExport(host->module, "CreatePluginObject");
  host->DestroyPluginObject = (void (*)(void*))FindExport(host->module, "DestroyPluginObject");
  return host->GetPluginName != NULL && host->GetPluginType != NULL &&
         host->GetPluginVersion != NULL && host->CreatePluginObject != NULL &&
         host->DestroyPluginObject != NULL;
}

void* HostObjectOf(void* pluginObject) { return (char*)pluginObject - 8; }

void HostSetInfo(void* pluginObject, HostPluginInfo* info) {
  memcpy(pluginObject, &info, sizeof info);
}

/* ---- virtual slots ---------------------------------------------------------- */

static HostAnyFunction Slot(void* object, int slot) {
  HostAnyFunction const* table;
  memcpy(&table, object, sizeof table);
  return table[slot];
}

void* SlotDestroy(void* object, unsigned int flags) {
  return ((void* (*)(void*, unsigned int))Slot(object, kSlotDestructor))(object, flags);
}

void SlotCall(void* object, int slot) { ((void (*)(void*))Slot(object, slot))(object); }

unsigned char SlotAsk(void* object, int slot) {
  return ((unsigned char (*)(void*))Slot(object, slot))(object);
}

void SlotCallInt(void* object, int slot, int32_t value) {
  ((void (*)(void*, int32_t))Slot(object, slot))(object, value);
}

int32_t SlotAskInt(void* object, int slot) {
  return ((int32_t(*)(void*))Slot(object, slot))(object);
}

void SlotCallRecord(void* object, int slot, const void* record) {
  ((void (*)(void*, const void*))Slot(object, slot))(object, record);
}

unsigned char SlotAskRecord(void* object, int slot, void* record) {
  return ((unsigned char (*)(void*, void*))Slot(object, slot))(object, record);
}

void SlotCallDouble(void* object, int slot, double value) {
  ((void (*)(void*, double))Slot(object, slot))(object, value);
}

unsigned char SlotAskDoubleRecord(void* object, int slot, double value, void* record) {
  return ((unsigned char (*)(void*, double, void*))Slot(object, slot))(object, value, record);
}

unsigned char SlotAskIntRecord(void* object, int slot, int32_t value, void* record) {
  return ((unsigned char (*)(void*, int32_t, void*))Slot(object, slot))(object, value, record);
}

void SlotCallRecordIntRecord(void* object, int slot, void* first, int32_t value, void* second) {
  ((void (*)(void*, void*, int32_t, void*))Slot(object, slot))(object, first, value, second);
}

unsigned char SlotCheckHWControl(void* object, const char* control, double* value) {
  return ((unsigned char (*)(void*, const char*, double*))Slot(object, kSlotCheckHWControl))(
      object, control, value);
}

unsigned char SlotForceFeedback(void* object, double* value) {
  return ((unsigned char (*)(void*, double*))Slot(object, kSlotForceFeedback))(object, value);
}

/* ---- files ------------------------------------------------------------------ */

long HostReadFile(const char* path, char* buffer, size_t capacity) {
  HANDLE file = CreateFileA(path, GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  DWORD got = 0;
  long total = 0;
  if (file == INVALID_HANDLE_VALUE) {
    buffer[0] = '\0';
    return -1;
  }
  while (total + 1 < (long)capacity &&
         ReadFile(file, buffer + total, (DWORD)(capacity - 1 - (size_t)total), &got, NULL) &&
         got > 0) {
    total += (long)got;
  }
  buffer[total] = '\0';
  CloseHandle(file);
  return total;
}

int HostFileExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

void HostJoin(char* out, size_t capacity, const char* folder, const char* name) {
  snprintf(out, capacity, "%s\\%s", folder, name);
}

static void RemoveTree(const char* path, int depth) {
  char pattern[MAX_PATH];
  char child[MAX_PATH];
  WIN32_FIND_DATAA found;
  HANDLE search;
  HostJoin(pattern, sizeof pattern, path, "*");
  search = FindFirstFileA(pattern, &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0) continue;
      HostJoin(child, sizeof child, path, found.cFileName);
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        if (depth < 3) RemoveTree(child, depth + 1);
      } else {
        DeleteFileA(child);
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(path);
}

void HostFreshFolder(const char* path) {
  char partial[MAX_PATH];
  size_t i;
  RemoveTree(path, 0);
  /* Every folder on the way, then the folder itself. */
  for (i = 0; path[i] != '\0' && i + 1 < sizeof partial; ++i) {
    if ((path[i] == '\\' || path[i] == '/') && i > 0 && path[i - 1] != ':') {
      memcpy(partial, path, i);
      partial[i] = '\0';
      CreateDirectoryA(partial, NULL);
    }
  }
  CreateDirectoryA(path, NULL);
}

/* ---- a small race ----------------------------------------------------------- */

void HostSnapshotInit(HostSnapshot* snapshot, int32_t session, unsigned char phase,
                      double currentET) {
  memset(snapshot, 0, sizeof *snapshot);
  strcpy(snapshot->info.mTrackName, "Test Ring");
  snapshot->info.mSession = session;
  snapshot->info.mCurrentET = currentET;
  snapshot->info.mEndET = 3600.0;
  snapshot->info.mMaxLaps = 20;
  snapshot->info.mLapDist = 4000.0;
  snapshot->info.mResultsStream = snapshot->stream;
  snapshot->info.mGamePhase = phase;
  snapshot->info.mInRealtime = 1;
  snapshot->info.mVehicle = snapshot->cars;
}

HostVehicle* HostSnapshotAddCar(HostSnapshot* snapshot, int32_t id, const char* driver,
                                unsigned char place, double behindNext, double lapDist) {
  HostVehicle* car = &snapshot->cars[snapshot->info.mNumVehicles++];
  car->mID = id;
  strncpy(car->mDriverName, driver, sizeof car->mDriverName - 1);
  strcpy(car->mVehicleName, "Test Car");
  car->mTotalLaps = 3;
  car->mSector = 1;
  car->mLapDist = lapDist;
  car->mPlace = place;
  car->mTimeBehindNext = behindNext;
  car->mLapStartET = snapshot->info.mCurrentET - 20.0;
  return car;
}

void HostSnapshotStream(HostSnapshot* snapshot, const char* text) {
  strncat(snapshot->stream, text, sizeof snapshot->stream - strlen(snapshot->stream) - 1);
}
