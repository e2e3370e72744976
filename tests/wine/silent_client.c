/* The plug-in against something on the web server's port that accepts and
 * never answers, run under Wine inside silent_server (which checks that every
 * unanswered connection is closed by the plug-in in time).
 *
 * usage: silent_client <dll> <work folder> probe|focus
 *
 * probe: the probe is never answered. SetEnvironment, on the simulator's
 *        thread, returns within the probe's time-outs plus a margin, and the
 *        server counts as down.
 * focus: the probe is answered, focus requests never are. The scoring cycle
 *        does not wait for them, every cut starts a fresh worker (also after
 *        earlier ones have given up), and the DLL, pinned by the last worker
 *        after the host has let go of it, unloads once that worker's own
 *        time-outs have run out. */
#include <string.h>

#include "plugin_host.h"

enum {
  kProbeTimeoutsMs = 2000 + 2000, /* connect, receive */
  kFocusReceiveMs = 3000,         /* the wait a silent server costs a worker */
  kMarginMs = 1500,
  kCycleLimitMs = 1000
};

static double gTicksPerMs = 0.0;

static double NowMs(void) {
  LARGE_INTEGER now;
  if (gTicksPerMs == 0.0) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    gTicksPerMs = (double)frequency.QuadPart / 1000.0;
  }
  QueryPerformanceCounter(&now);
  return (double)now.QuadPart / gTicksPerMs;
}

static double TimedSetEnvironment(void* object, HostEnvironment* environment) {
  const double start = NowMs();
  SlotCallRecord(object, kSlotSetEnvironment, environment);
  return NowMs() - start;
}

/* A yellow-flag snapshot with one car: whatever the director weighs, the cut
 * goes to that car. Returns how long the scoring cycle took. */
static double CutTo(void* object, int32_t slot, double t) {
  HostSnapshot snapshot;
  double start;
  HostSnapshotInit(&snapshot, 10, 6, t);
  HostSnapshotAddCar(&snapshot, slot, "Driver", 1, 0.0, 900.0);
  start = NowMs();
  SlotCallRecord(object, kSlotUpdateScoring, &snapshot.info);
  return NowMs() - start;
}

static int NoticeDestination(void* object) {
  HostMessage message;
  memset(&message, 0, sizeof message);
  if (SlotAskRecord(object, kSlotWantsToDisplayMessage, &message) != 1) return -1;
  return message.mDestination;
}

/* Waits for the DLL to leave the process; the milliseconds it took, or -1. */
static double WaitForUnload(int limitMs) {
  const double start = NowMs();
  while (GetModuleHandleA("rf2kovrel_x64.dll") != NULL) {
    if (NowMs() - start > limitMs) return -1.0;
    Sleep(20);
  }
  return NowMs() - start;
}

static void Probe(void* object, HostEnvironment* environment) {
  const double first = TimedSetEnvironment(object, environment);
  const double second = TimedSetEnvironment(object, environment);
  printf("SetEnvironment against a silent server: %.0f ms (then %.0f ms without the probe)\n",
         first, second);
  HOST_CHECK(first <= kProbeTimeoutsMs + kMarginMs, "SetEnvironment held the host %.0f ms",
             first);
  HOST_CHECK(second <= kCycleLimitMs, "the second SetEnvironment took %.0f ms", second);
  SlotCallInt(object, kSlotStartup, 7);
  HOST_CHECK(NoticeDestination(object) == 0, "a silent server counted as up");
}

static void Focus(void* object, HostEnvironment* environment) {
  double cycle[3];
  TimedSetEnvironment(object, environment);
  SlotCallInt(object, kSlotStartup, 7);
  HOST_CHECK(NoticeDestination(object) == 1, "the answered probe did not count as up");
  cycle[0] = CutTo(object, 7, 100.0);
  /* A fresh worker while the first one still waits... */
  cycle[1] = CutTo(object, 12, 130.0);
  /* ...and one after both have given up. */
  Sleep(kFocusReceiveMs + kMarginMs);
  cycle[2] = CutTo(object, 3, 160.0);
  printf("scoring cycles with a cut: %.1f, %.1f, %.1f ms\n", cycle[0], cycle[1], cycle[2]);
  HOST_CHECK(cycle[0] < kCycleLimitMs && cycle[1] < kCycleLimitMs && cycle[2] < kCycleLimitMs,
             "a scoring cycle waited for the network");
}

int main(int argc, char** argv) {
  PluginHost host;
  HostPluginInfo info;
  HostEnvironment environment;
  char player[MAX_PATH];
  char jsonPath[MAX_PATH];
  void* pluginObject;
  void* object;
  double unloaded;
  int focus;

  if (argc != 4 || (strcmp(argv[3], "probe") != 0 && strcmp(argv[3], "focus") != 0)) {
    printf("usage: silent_client <dll> <work folder> probe|focus\n");
    return 2;
  }
  focus = strcmp(argv[3], "focus") == 0;
  HostFreshFolder(argv[2]);
  HostJoin(player, sizeof player, argv[2], "player");
  CreateDirectoryA(player, NULL);
  HostJoin(jsonPath, sizeof jsonPath, player, "CustomPluginVariables.JSON");

  if (!HostLoad(&host, argv[1])) return 1;
  pluginObject = host.CreatePluginObject();
  memset(&info, 0, sizeof info);
  HostSetInfo(pluginObject, &info);
  object = HostObjectOf(pluginObject);
  memset(&environment, 0, sizeof environment);
  environment.mPath[1] = jsonPath;

  if (focus) {
    Focus(object, &environment);
  } else {
    Probe(object, &environment);
  }

  host.DestroyPluginObject(pluginObject);
  FreeLibrary(host.module);
  if (focus) {
    HOST_CHECK(GetModuleHandleA("rf2kovrel_x64.dll") != NULL,
               "the DLL was unloaded while the last focus request still waited");
  }
  unloaded = WaitForUnload(kFocusReceiveMs + kMarginMs);
  printf("the DLL left the process %.0f ms after the host let go\n", unloaded);
  HOST_CHECK(unloaded >= 0.0, "the DLL stays loaded %d ms after the host let go",
             kFocusReceiveMs + kMarginMs);
  return HostVerdict(focus ? "focus requests to a silent server" : "probe of a silent server");
}
