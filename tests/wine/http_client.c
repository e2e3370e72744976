/* The plug-in talking to the simulator's web server, run under Wine against
 * http_recorder on 127.0.0.1:6397 (which checks what arrives on the wire).
 *
 * usage: http_client <dll> <work folder> up|down [webport]
 *
 * up:   the probe finds the server: notices go to the chat (destination 1),
 *       and the first cut, to slot 7, is also sent as a focus request by a
 *       worker thread that keeps the DLL loaded until it is done, even after
 *       the host has destroyed the object and freed the library.
 * down: the probe is answered with another status than 200: notices go to
 *       the message centre and no focus request is ever made.
 * webport: the player's rF2kovrel.ini names that port before the set-up, so
 *       the probe and the focus request go there. */
#include <string.h>

#include "plugin_host.h"

static void FourCarsUnderYellow(HostSnapshot* snapshot, double t) {
  HostSnapshotInit(snapshot, 10, 6, t);
  HostSnapshotAddCar(snapshot, 12, "Driver B", 3, 1.0, 900.0);
  HostSnapshotAddCar(snapshot, 7, "Driver Lead", 1, 0.0, 1300.0);
  HostSnapshotAddCar(snapshot, 3, "Driver A", 2, 0.45, 500.0);
}

int main(int argc, char** argv) {
  PluginHost host;
  HostPluginInfo info;
  HostEnvironment environment;
  HostMessage message;
  HostSnapshot snapshot;
  HostCameraControl camera;
  char player[MAX_PATH];
  char jsonPath[MAX_PATH];
  void* pluginObject;
  void* object;
  int up;
  int waited;

  if ((argc != 4 && argc != 5) || (strcmp(argv[3], "up") != 0 && strcmp(argv[3], "down") != 0)) {
    printf("usage: http_client <dll> <work folder> up|down [webport]\n");
    return 2;
  }
  up = strcmp(argv[3], "up") == 0;
  HostFreshFolder(argv[2]);
  HostJoin(player, sizeof player, argv[2], "player");
  CreateDirectoryA(player, NULL);
  HostJoin(jsonPath, sizeof jsonPath, player, "CustomPluginVariables.JSON");
  if (argc == 5) {
    char iniPath[MAX_PATH];
    FILE* ini;
    HostJoin(iniPath, sizeof iniPath, player, "rF2kovrel.ini");
    ini = fopen(iniPath, "w");
    HOST_CHECK(ini != NULL, "cannot write %s", iniPath);
    if (ini != NULL) {
      fprintf(ini, "[KOVREL]\nwebport=%s\n", argv[4]);
      fclose(ini);
    }
  }

  if (!HostLoad(&host, argv[1])) return 1;
  pluginObject = host.CreatePluginObject();
  memset(&info, 0, sizeof info);
  HostSetInfo(pluginObject, &info);
  object = HostObjectOf(pluginObject);

  /* The probe runs inside SetEnvironment, once per object. */
  memset(&environment, 0, sizeof environment);
  environment.mPath[1] = jsonPath;
  SlotCallRecord(object, kSlotSetEnvironment, &environment);
  SlotCallRecord(object, kSlotSetEnvironment, &environment);
  SlotCallInt(object, kSlotStartup, 7);

  memset(&message, 0, sizeof message);
  HOST_CHECK(SlotAskRecord(object, kSlotWantsToDisplayMessage, &message) == 1,
             "no notice after Startup");
  HOST_CHECK(message.mDestination == (up ? 1 : 0), "notice destination %d",
             message.mDestination);

  /* The first cut: to the leader, slot 7. */
  FourCarsUnderYellow(&snapshot, 100.0);
  SlotCallRecord(object, kSlotUpdateScoring, &snapshot.info);
  memset(&camera, 0, sizeof camera);
  HOST_CHECK(SlotAskRecord(object, kSlotWantsToViewVehicle, &camera) == 1 && camera.mID == 7,
             "the camera call did not send slot 7 (slot %d)", (int)camera.mID);

  /* The host lets go of everything at once. */
  host.DestroyPluginObject(pluginObject);
  FreeLibrary(host.module);
  if (up) {
    HOST_CHECK(GetModuleHandleA("rf2kovrel_x64.dll") != NULL,
               "the DLL was unloaded while its focus request was still waiting for the answer");
  }
  for (waited = 0; waited < 150 && GetModuleHandleA("rf2kovrel_x64.dll") != NULL; ++waited) {
    Sleep(100);
  }
  HOST_CHECK(GetModuleHandleA("rf2kovrel_x64.dll") == NULL,
             "the DLL stays loaded %d ms after the last request", waited * 100);
  return HostVerdict(up ? "web server up" : "web server down");
}
