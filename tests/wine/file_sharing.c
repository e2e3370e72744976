/* A stream file held open by another process while the plug-in rewrites it,
 * as an overlay program (OBS, a browser) or an editor may hold it.
 *
 * usage: file_sharing <dll> <work folder>
 *        file_sharing hold <path> <share flags> <ready event> <release event>
 *
 * A reader that shares writing sees every snapshot's text land at once. A
 * holder that refuses writers (or everyone) may keep the old text in the file
 * while it holds it, but never a torn or empty one, and the next snapshot
 * after it lets go writes the text of that snapshot. Nothing crashes, and no
 * stray file is left beside the stream files. */
#include <stdlib.h>
#include <string.h>

#include "plugin_host.h"

/* ---- the other process ------------------------------------------------------------ */

static int Hold(char** argv) {
  HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[4]);
  HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, argv[5]);
  HANDLE file = CreateFileA(argv[2], GENERIC_READ, (DWORD)strtoul(argv[3], NULL, 0), NULL,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (ready == NULL || release == NULL || file == INVALID_HANDLE_VALUE) {
    printf("holder: cannot open %s (error %lu)\n", argv[2], (unsigned long)GetLastError());
    return 3;
  }
  SetEvent(ready);
  WaitForSingleObject(release, 60000);
  CloseHandle(file);
  return 0;
}

typedef struct Holder {
  PROCESS_INFORMATION process;
  HANDLE ready;
  HANDLE release;
} Holder;

static int StartHolder(Holder* holder, const char* path, DWORD share) {
  static int count = 0;
  char self[MAX_PATH];
  char readyName[64];
  char releaseName[64];
  char command[3 * MAX_PATH];
  STARTUPINFOA startup;
  HANDLE waits[2];
  ++count;
  snprintf(readyName, sizeof readyName, "kovrel-hold-ready-%lu-%d",
           (unsigned long)GetCurrentProcessId(), count);
  snprintf(releaseName, sizeof releaseName, "kovrel-hold-release-%lu-%d",
           (unsigned long)GetCurrentProcessId(), count);
  holder->ready = CreateEventA(NULL, TRUE, FALSE, readyName);
  holder->release = CreateEventA(NULL, TRUE, FALSE, releaseName);
  GetModuleFileNameA(NULL, self, sizeof self);
  snprintf(command, sizeof command, "\"%s\" hold \"%s\" 0x%lx %s %s", self, path,
           (unsigned long)share, readyName, releaseName);
  memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  if (!CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                      &holder->process)) {
    printf("cannot start the holder: error %lu\n", (unsigned long)GetLastError());
    return 0;
  }
  waits[0] = holder->ready;
  waits[1] = holder->process.hProcess;
  return WaitForMultipleObjects(2, waits, FALSE, 30000) == WAIT_OBJECT_0;
}

static void StopHolder(Holder* holder) {
  SetEvent(holder->release);
  WaitForSingleObject(holder->process.hProcess, 30000);
  CloseHandle(holder->process.hProcess);
  CloseHandle(holder->process.hThread);
  CloseHandle(holder->ready);
  CloseHandle(holder->release);
}

/* ---- the plug-in's side ------------------------------------------------------------- */

/* A practice session with an hour to run: "time.txt" shows the time left. */
static void Snapshot(void* object, double t) {
  HostSnapshot snapshot;
  HostSnapshotInit(&snapshot, 1, 5, t);
  HostSnapshotAddCar(&snapshot, 7, "Driver Lead", 1, 0.0, 1300.0);
  HostSnapshotAddCar(&snapshot, 3, "Driver A", 2, 0.45, 500.0);
  SlotCallRecord(object, kSlotUpdateScoring, &snapshot.info);
}

static void ClockOf(double t, char* text, size_t capacity) {
  int left = (int)(3600.0 - t);
  snprintf(text, capacity, "%02d:%02d:%02d", left / 3600, left % 3600 / 60, left % 60);
}

/* The files folder holds the four stream files and nothing else: no
 * temporary file may stay behind, whatever held the files. */
static void ExpectOnlyStreamFiles(const char* files, const char* when) {
  char pattern[MAX_PATH];
  WIN32_FIND_DATAA entry;
  HANDLE search;
  int count = 0;
  HostJoin(pattern, sizeof pattern, files, "*");
  search = FindFirstFileA(pattern, &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (strcmp(entry.cFileName, ".") == 0 || strcmp(entry.cFileName, "..") == 0) continue;
      ++count;
      HOST_CHECK(strcmp(entry.cFileName, "time.txt") == 0 ||
                     strcmp(entry.cFileName, "driver.txt") == 0 ||
                     strcmp(entry.cFileName, "info.html") == 0 ||
                     strcmp(entry.cFileName, "status.json") == 0,
                 "%s: a stray file in the files folder: %s", when, entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
  }
  HOST_CHECK(count == 4, "%s: %d files in the files folder, expected the four stream files", when,
             count);
}

static const char* const kShareNames[] = {"nothing", "read", "write", "read and write",
                                          "delete",  "read and delete", "write and delete",
                                          "read, write and delete"};

int main(int argc, char** argv) {
  static const DWORD kShares[] = {
      FILE_SHARE_READ | FILE_SHARE_WRITE,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      FILE_SHARE_READ,
      FILE_SHARE_READ | FILE_SHARE_DELETE,
      0,
  };
  PluginHost host;
  HostPluginInfo info;
  HostEnvironment environment;
  char player[MAX_PATH];
  char files[MAX_PATH];
  char jsonPath[MAX_PATH];
  char timePath[MAX_PATH];
  char before[64];
  char expected[64];
  char found[256];
  void* pluginObject;
  void* object;
  double t = 100.0;
  size_t i;

  if (argc == 6 && strcmp(argv[1], "hold") == 0) return Hold(argv);
  if (argc != 3) {
    printf("usage: file_sharing <dll> <work folder>\n");
    return 2;
  }
  HostFreshFolder(argv[2]);
  HostJoin(player, sizeof player, argv[2], "player");
  CreateDirectoryA(player, NULL);
  HostJoin(jsonPath, sizeof jsonPath, player, "CustomPluginVariables.JSON");
  HostJoin(files, sizeof files, player, "rF2stream");
  HostJoin(timePath, sizeof timePath, files, "time.txt");

  if (!HostLoad(&host, argv[1])) return 1;
  pluginObject = host.CreatePluginObject();
  memset(&info, 0, sizeof info);
  HostSetInfo(pluginObject, &info);
  object = HostObjectOf(pluginObject);
  memset(&environment, 0, sizeof environment);
  environment.mPath[1] = jsonPath;
  SlotCallRecord(object, kSlotSetEnvironment, &environment);
  SlotCallInt(object, kSlotStartup, 7);

  Snapshot(object, t);
  ClockOf(t, expected, sizeof expected);
  HostReadFile(timePath, found, sizeof found);
  HOST_CHECK(strcmp(found, expected) == 0, "time.txt \"%s\", expected \"%s\"", found, expected);

  for (i = 0; i < sizeof kShares / sizeof kShares[0]; ++i) {
    Holder holder;
    const char* shareName = kShareNames[kShares[i] & 7];
    const int writersWelcome = (kShares[i] & FILE_SHARE_WRITE) != 0;
    strcpy(before, expected);
    if (!StartHolder(&holder, timePath, kShares[i])) {
      HOST_CHECK(0, "the holder sharing %s did not get the file", shareName);
      StopHolder(&holder);
      continue;
    }
    t += 1.0;
    Snapshot(object, t);
    ClockOf(t, expected, sizeof expected);
    /* A holder that shares no reading lets nobody look; only what follows counts. */
    if ((kShares[i] & FILE_SHARE_READ) != 0) {
      HostReadFile(timePath, found, sizeof found);
      if (writersWelcome) {
        HOST_CHECK(strcmp(found, expected) == 0,
                   "held by a reader sharing %s: time.txt \"%s\", expected \"%s\"", shareName,
                   found, expected);
      } else {
        HOST_CHECK(strcmp(found, expected) == 0 || strcmp(found, before) == 0,
                   "held by a reader sharing %s: time.txt \"%s\", neither \"%s\" nor \"%s\"",
                   shareName, found, before, expected);
      }
    }
    StopHolder(&holder);

    t += 1.0;
    Snapshot(object, t);
    ClockOf(t, expected, sizeof expected);
    HostReadFile(timePath, found, sizeof found);
    HOST_CHECK(strcmp(found, expected) == 0,
               "after a reader sharing %s let go: time.txt \"%s\", expected \"%s\"", shareName,
               found, expected);
    snprintf(found, sizeof found, "held by a reader sharing %s", shareName);
    ExpectOnlyStreamFiles(files, found);
  }

  host.DestroyPluginObject(pluginObject);
  FreeLibrary(host.module);
  return HostVerdict("stream files held by another process");
}
