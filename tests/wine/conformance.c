/* The plug-in as the simulator meets it: loaded by LoadLibraryA, found by its
 * five exports, and driven only through virtual slots by number.
 *
 * usage: conformance <dll> <work folder> <stage> [example settings file]
 *
 * The program always walks the same life (create, set-up, start-up, snapshots,
 * destroy) as far as the stage needs; only the named stage's checks count:
 *   boundary     exports, the object's layout, every slot's answer, slot 0
 *   environment  SetEnvironment: the INI file completed with the defaults
 *   example      the example settings file of the release, used as it is:
 *                every key is known and kept, only filespath is added
 *   notice       the start-up notice through WantsToDisplayMessage
 *   streams      the stream files' start contents and their first refresh
 *   scoring      a snapshot turned into a camera command
 *   race         a race snapshot with a battle for second place
 *   replay       an incident in the results stream replayed through
 *                CheckHWControl and WantsToViewVehicle
 *   contacts     the stream handed as the simulator hands it, each snapshot
 *                only its additions: of a crash's lines the strongest is
 *                replayed, on its own car, and once */
#include <math.h>
#include <string.h>

#include "plugin_host.h"

static const char* gStage = "";

static int Stage(const char* name) {
  gHostChecking = strcmp(gStage, name) == 0;
  return gHostChecking;
}

/* ---- helpers ------------------------------------------------------------------ */

/* Busy blocks on every heap of the process: an object created and destroyed
 * again must leave the count as it was. */
static long BusyHeapBlocks(void) {
  HANDLE heaps[64];
  DWORD count = GetProcessHeaps(64, heaps);
  long busy = 0;
  DWORD i;
  if (count > 64) count = 64;
  for (i = 0; i < count; ++i) {
    PROCESS_HEAP_ENTRY entry;
    memset(&entry, 0, sizeof entry);
    if (!HeapLock(heaps[i])) continue;
    while (HeapWalk(heaps[i], &entry)) {
      if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) ++busy;
    }
    HeapUnlock(heaps[i]);
  }
  return busy;
}

static int InsideModule(HMODULE module, const void* address) {
  MEMORY_BASIC_INFORMATION region;
  if (VirtualQuery(address, &region, sizeof region) == 0) return 0;
  return region.AllocationBase == (void*)module;
}

static void ExpectFile(const char* folder, const char* name, const char* expected) {
  char path[MAX_PATH];
  char bytes[8192];
  long length;
  HostJoin(path, sizeof path, folder, name);
  length = HostReadFile(path, bytes, sizeof bytes);
  HOST_CHECK(length >= 0, "%s is missing", path);
  HOST_CHECK(length >= 0 && strcmp(bytes, expected) == 0, "%s holds \"%s\", expected \"%s\"", name,
             bytes, expected);
}

static int EndsWith(const char* text, const char* tail) {
  size_t n = strlen(text);
  size_t m = strlen(tail);
  return n >= m && strcmp(text + n - m, tail) == 0;
}

/* Four cars on lap 4 of 20, far apart on the track. Array order is not the
 * order of places. Place 2 (slot 3) runs 0.45 s behind the leader: the only
 * battle, just outside the onboard window of 0.4 s. */
static void FourCars(HostSnapshot* snapshot, int32_t session, unsigned char phase, double t) {
  HostSnapshotInit(snapshot, session, phase, t);
  HostSnapshotAddCar(snapshot, 12, "Driver B", 3, 1.0, 900.0);
  HostSnapshotAddCar(snapshot, 7, "Driver Lead", 1, 0.0, 1300.0);
  HostSnapshotAddCar(snapshot, 5, "Driver C", 4, 2.5, 100.0);
  HostSnapshotAddCar(snapshot, 3, "Driver A", 2, 0.45, 500.0);
}

static void ClearCamera(HostCameraControl* camera) {
  memset(camera, 0, sizeof *camera);
  camera->mID = -5;
  camera->mCameraType = -5;
}

/* One scoring snapshot followed by the camera-control call the simulator
 * makes between snapshots; the call's answer. */
static unsigned char SnapshotThenView(void* object, HostSnapshot* snapshot,
                                      HostCameraControl* camera) {
  SlotCallRecord(object, kSlotUpdateScoring, &snapshot->info);
  ClearCamera(camera);
  return SlotAskRecord(object, kSlotWantsToViewVehicle, camera);
}

/* ---- stages --------------------------------------------------------------------- */

static void BoundaryStage(PluginHost* host, void* object, void* pluginObject,
                          HostPluginInfo* info) {
  unsigned char scratch[4096];
  double value;
  int slot;
  const char* name = host->GetPluginName();
  void* const* table;

  Stage("boundary");
  HOST_CHECK(name != NULL && strcmp(name, "rF2 kovrel - 2026.05.29.") == 0, "name \"%s\"",
             name ? name : "(null)");
  HOST_CHECK(host->GetPluginName() == name, "the name's pointer changes between calls");
  HOST_CHECK(host->GetPluginType() == 3, "type %d", (int)host->GetPluginType());
  HOST_CHECK(host->GetPluginVersion() == 7, "version %d", host->GetPluginVersion());

  /* SetInfo wrote mInfo at the PluginObject pointer; the table pointer 8 bytes
   * before it must be untouched and point into the plug-in's image, as must
   * every one of the fifty entries. */
  HOST_CHECK(memcmp(pluginObject, &info, sizeof info) == 0, "mInfo is not at the PluginObject");
  memcpy(&table, object, sizeof table);
  HOST_CHECK(InsideModule(host->module, table), "the table pointer lies outside the plug-in");
  for (slot = 0; slot < kSlotCount && InsideModule(host->module, table); ++slot) {
    HOST_CHECK(InsideModule(host->module, table[slot]), "slot %d points outside the plug-in",
               slot);
  }

  /* Every slot answers as the interface says, at its own number. */
  memset(scratch, 0, sizeof scratch);
  HOST_CHECK(SlotAsk(object, kSlotWantsScoringUpdates) == 1, "WantsScoringUpdates is not true");
  HOST_CHECK(SlotAskInt(object, kSlotWantsTelemetryUpdates) == 0, "WantsTelemetryUpdates %d",
             (int)SlotAskInt(object, kSlotWantsTelemetryUpdates));
  HOST_CHECK(SlotAsk(object, kSlotWantsGraphicsUpdates) == 0, "WantsGraphicsUpdates is true");
  HOST_CHECK(SlotAskRecord(object, kSlotRequestCommentary, scratch) == 0,
             "RequestCommentary is true");
  HOST_CHECK(SlotAsk(object, kSlotHasHardwareInputs) == 1, "HasHardwareInputs is not true");
  value = 0.25;
  HOST_CHECK(SlotForceFeedback(object, &value) == 0 && value == 0.25,
             "ForceFeedback answered or changed the force (%f)", value);
  HOST_CHECK(SlotAskRecord(object, kSlotInitCustomControl, scratch) == 0,
             "InitCustomControl is true");
  HOST_CHECK(SlotAsk(object, kSlotWantsWeatherAccess) == 0, "WantsWeatherAccess is true");
  HOST_CHECK(SlotAskDoubleRecord(object, kSlotAccessWeather, 1.0, scratch) == 0,
             "AccessWeather is true");
  HOST_CHECK(SlotAskIntRecord(object, kSlotGetCustomVariable, 0, scratch) == 0,
             "GetCustomVariable is true");
  HOST_CHECK(SlotAsk(object, kSlotWantsMultiSessionRulesAccess) == 0,
             "WantsMultiSessionRulesAccess is true");
  HOST_CHECK(SlotAskRecord(object, kSlotAccessMultiSessionRules, scratch) == 0,
             "AccessMultiSessionRules is true");
  HOST_CHECK(SlotAsk(object, kSlotWantsTrackRulesAccess) == 0, "WantsTrackRulesAccess is true");
  HOST_CHECK(SlotAskRecord(object, kSlotAccessTrackRules, scratch) == 0,
             "AccessTrackRules is true");
  HOST_CHECK(SlotAsk(object, kSlotWantsPitMenuAccess) == 0, "WantsPitMenuAccess is true");
  HOST_CHECK(SlotAskRecord(object, kSlotAccessPitMenu, scratch) == 0, "AccessPitMenu is true");

  /* The callbacks that only listen take their arguments and return. */
  SlotCall(object, kSlotLoad);
  SlotCall(object, kSlotUnload);
  SlotCall(object, kSlotEndSession);
  SlotCall(object, kSlotEnterRealtime);
  SlotCall(object, kSlotExitRealtime);
  SlotCallRecord(object, kSlotUpdateTelemetry, scratch);
  SlotCallRecord(object, kSlotUpdateGraphics, scratch);
  SlotCallDouble(object, kSlotUpdateHardware, 0.016);
  SlotCallRecord(object, kSlotError, "a message from the host");
  SlotCallRecord(object, kSlotSetPhysicsOptions, scratch);
  SlotCallRecord(object, kSlotUpdateGraphicsV02, scratch);
  for (slot = kSlotInitScreen; slot <= kSlotPostReset; ++slot) {
    SlotCallRecord(object, slot, scratch);
  }
  SlotCallInt(object, kSlotThreadStarted, 1);
  SlotCallInt(object, kSlotThreadStopping, 1);
  SlotCallRecord(object, kSlotAccessCustomVariable, scratch);
  SlotCallRecordIntRecord(object, kSlotGetCustomVariableSetting, scratch, 0, scratch + 1024);
  HOST_CHECK(memcmp(scratch, scratch + 2048, 2048) == 0,
             "a callback wrote into a record it has no business with");

  /* Before set-up: hardware off, automatic camera off, nothing to say. */
  {
    HostCameraControl camera;
    HostMessage message;
    value = 0.5;
    HOST_CHECK(SlotCheckHWControl(object, "InstantReplay", &value) == 0 && value == 0.5,
               "CheckHWControl answered before Startup");
    SlotCall(object, kSlotEnableHardware);
    HOST_CHECK(SlotCheckHWControl(object, "InstantReplay", &value) == 0 && value == 0.5,
               "CheckHWControl answered with no replay scheduled");
    SlotCall(object, kSlotDisableHardware);
    ClearCamera(&camera);
    HOST_CHECK(SlotAskRecord(object, kSlotWantsToViewVehicle, &camera) == 0 && camera.mID == -5,
               "WantsToViewVehicle acted with the automatic camera off");
    memset(&message, 0, sizeof message);
    HOST_CHECK(SlotAskRecord(object, kSlotWantsToDisplayMessage, &message) == 0 &&
                   message.mText[0] == '\0',
               "WantsToDisplayMessage delivered \"%s\" with nothing pending", message.mText);
  }

  /* Slot 0 behaves as a scalar deleting destructor: flags bit 0 frees, and
   * either way the object's address comes back. */
  {
    long before = BusyHeapBlocks();
    void* other = host->CreatePluginObject();
    void* otherObject = HostObjectOf(other);
    long during = BusyHeapBlocks();
    void* returned = SlotDestroy(otherObject, 1u);
    long after = BusyHeapBlocks();
    HOST_CHECK(during > before, "creating an object allocated nothing (%ld, %ld)", before, during);
    HOST_CHECK(returned == otherObject, "slot 0 returned %p for %p", returned, otherObject);
    HOST_CHECK(after == before, "slot 0 with flags 1 left %ld block(s) behind", after - before);

    other = host->CreatePluginObject();
    otherObject = HostObjectOf(other);
    during = BusyHeapBlocks();
    returned = SlotDestroy(otherObject, 0u); /* destroys; the memory stays the caller's */
    after = BusyHeapBlocks();
    HOST_CHECK(returned == otherObject, "slot 0 returned %p for %p", returned, otherObject);
    HOST_CHECK(after == during, "slot 0 with flags 0 freed the object's memory");

    before = BusyHeapBlocks();
    other = host->CreatePluginObject();
    host->DestroyPluginObject(other);
    after = BusyHeapBlocks();
    HOST_CHECK(after == before, "DestroyPluginObject left %ld block(s) behind", after - before);
    host->DestroyPluginObject(NULL);
  }
}

static const char* const kDefaultSettings[][2] = {
    {"auto", "1"},          {"autokey", "0x41"},         {"waitsec", "15"},
    {"interest", "12"},     {"interestdiff", "3"},       {"onboarddiff", "0.4"},
    {"onboardcam", "0"},    {"rearview", "0"},           {"rearviewcam", "6"},
    {"camtest", "no"},      {"walkthrough", "1"},        {"showinpit", "interestdiff"},
    {"lowinc", "0.4"},      {"highinc", "0.8"},          {"msessioninc", "10"},
    {"filespath", NULL},    {"debug", "0"},              {"sbsdist", "1.5"},
    {"sbscount", "2"},      {"replayduration", "20"},    {"replayoffset", "5.0"},
};

static void EnvironmentStage(void* object, const char* player, const char* files) {
  char expected[4096];
  char iniPath[MAX_PATH];
  char bytes[8192];
  size_t i;
  Stage("environment");
  strcpy(expected, "[KOVREL]\r\n");
  for (i = 0; i < sizeof kDefaultSettings / sizeof kDefaultSettings[0]; ++i) {
    strcat(expected, kDefaultSettings[i][0]);
    strcat(expected, "=");
    strcat(expected, kDefaultSettings[i][1] != NULL ? kDefaultSettings[i][1] : files);
    strcat(expected, "\r\n");
  }
  HostJoin(iniPath, sizeof iniPath, player, "rF2kovrel.ini");
  HOST_CHECK(HostReadFile(iniPath, bytes, sizeof bytes) >= 0, "no %s", iniPath);
  HOST_CHECK(strcmp(bytes, expected) == 0, "the INI file reads\n%s\nexpected\n%s", bytes,
             expected);
  HOST_CHECK((GetFileAttributesA(files) & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                 GetFileAttributesA(files) != INVALID_FILE_ATTRIBUTES,
             "the files folder %s was not created", files);

  /* A second set-up reads the completed file and leaves it as it is. */
  {
    HostEnvironment environment;
    char jsonPath[MAX_PATH];
    memset(&environment, 0, sizeof environment);
    HostJoin(jsonPath, sizeof jsonPath, player, "CustomPluginVariables.JSON");
    environment.mPath[1] = jsonPath;
    SlotCallRecord(object, kSlotSetEnvironment, &environment);
    HostReadFile(iniPath, bytes, sizeof bytes);
    HOST_CHECK(strcmp(bytes, expected) == 0, "a second SetEnvironment changed the file:\n%s",
               bytes);
  }
}

/* The value of "key=value" lines, found by key; NULL when absent. Lines may
 * end in CR LF or LF. */
static const char* IniValue(const char* text, const char* key, char* value, size_t capacity) {
  size_t keyLength = strlen(key);
  const char* line = text;
  while (*line != '\0') {
    size_t length = strcspn(line, "\r\n");
    if (length > keyLength && strncmp(line, key, keyLength) == 0 && line[keyLength] == '=') {
      size_t valueLength = length - keyLength - 1;
      if (valueLength >= capacity) valueLength = capacity - 1;
      memcpy(value, line + keyLength + 1, valueLength);
      value[valueLength] = '\0';
      return value;
    }
    line += length;
    line += strspn(line, "\r\n");
  }
  return NULL;
}

static int CountSettings(const char* text) {
  int count = 0;
  const char* line = text;
  while (*line != '\0') {
    size_t length = strcspn(line, "\r\n");
    if (length > 0 && line[0] != ';' && line[0] != '[' && memchr(line, '=', length) != NULL) {
      ++count;
    }
    line += length;
    line += strspn(line, "\r\n");
  }
  return count;
}

static void ExampleStage(const char* player, const char* files, const char* example) {
  char iniPath[MAX_PATH];
  char shipped[8192];
  char completed[8192];
  char wanted[512];
  char found[512];
  size_t i;
  Stage("example");
  HostJoin(iniPath, sizeof iniPath, player, "rF2kovrel.ini");
  HOST_CHECK(HostReadFile(example, shipped, sizeof shipped) > 0, "no example file %s", example);
  HOST_CHECK(HostReadFile(iniPath, completed, sizeof completed) > 0, "no %s", iniPath);
  for (i = 0; i < sizeof kDefaultSettings / sizeof kDefaultSettings[0]; ++i) {
    const char* key = kDefaultSettings[i][0];
    if (kDefaultSettings[i][1] == NULL) {
      HOST_CHECK(IniValue(shipped, key, wanted, sizeof wanted) == NULL,
                 "the example sets %s, which depends on the player's folder", key);
      HOST_CHECK(IniValue(completed, key, found, sizeof found) != NULL && strcmp(found, files) == 0,
                 "%s was not added as %s", key, files);
      continue;
    }
    if (IniValue(shipped, key, wanted, sizeof wanted) == NULL) {
      HOST_CHECK(0, "the example lacks %s", key);
      continue;
    }
    if (IniValue(completed, key, found, sizeof found) == NULL) strcpy(found, "(nothing)");
    HOST_CHECK(strcmp(found, wanted) == 0,
               "%s: the example says \"%s\", after set-up the file says \"%s\"", key, wanted,
               found);
  }
  /* Set-up adds filespath alone: the example's opt-in keys stay as they are. */
  HOST_CHECK(CountSettings(completed) == CountSettings(shipped) + 1,
             "%d settings after set-up, expected the example's %d and filespath:\n%s",
             CountSettings(completed), CountSettings(shipped), completed);
  HOST_CHECK(IniValue(completed, "livedirector", found, sizeof found) != NULL && strcmp(found, "1") == 0,
             "the example's livedirector=1 did not stay");
}

static void NoticeStage(void* object) {
  HostMessage message;
  Stage("notice");
  memset(&message, 0x55, sizeof message);
  HOST_CHECK(SlotAskRecord(object, kSlotWantsToDisplayMessage, &message) == 1,
             "no notice after Startup");
  HOST_CHECK(memchr(message.mText, '\0', sizeof message.mText) != NULL &&
                 strcmp(message.mText, "rF2kovrel 2026.05.29. Auto camera: on") == 0,
             "notice \"%.128s\"", message.mText);
  /* The message centre without a web server, the chat with one; never another
   * destination, and the text is shown as it stands. */
  HOST_CHECK(message.mDestination <= 1, "destination %d", message.mDestination);
  HOST_CHECK(message.mTranslate == 0, "translate %d", message.mTranslate);
  memset(&message, 0, sizeof message);
  HOST_CHECK(SlotAskRecord(object, kSlotWantsToDisplayMessage, &message) == 0,
             "the notice was delivered twice");
}

static void StreamsStage(void* object, const char* files) {
  char path[MAX_PATH];
  char bytes[16384];
  HostSnapshot snapshot;
  HostCameraControl camera;
  Stage("streams");
  ExpectFile(files, "time.txt", "-");
  ExpectFile(files, "driver.txt", "rF2kovrel");
  ExpectFile(files, "status.json", "");
  HostJoin(path, sizeof path, files, "info.html");
  HOST_CHECK(HostReadFile(path, bytes, sizeof bytes) > 0, "info.html is missing or empty");
  HOST_CHECK(strncmp(bytes, "<!DOCTYPE html><html><head>", 27) == 0 &&
                 EndsWith(bytes, "</body></html>") &&
                 strstr(bytes, "<td class=\"value\" width=\"65px\">2147483640.000</td>") != NULL,
             "info.html at start-up:\n%s", bytes);
  HOST_CHECK(strchr(bytes, '\n') == NULL, "info.html holds a line feed");

  /* The first snapshot of a race under a full-course yellow: the lap counter,
   * a page without the lap table, and the cut to the leader. */
  FourCars(&snapshot, 10, 6, 100.0);
  SnapshotThenView(object, &snapshot, &camera);
  ExpectFile(files, "time.txt", "4 / 20");
  ExpectFile(files, "driver.txt", "1. Driver Lead");
  HostReadFile(path, bytes, sizeof bytes);
  HOST_CHECK(strstr(bytes, "<table>") == NULL && EndsWith(bytes, "</body></html>"),
             "info.html in a race:\n%s", bytes);
  HostJoin(path, sizeof path, files, "status.json");
  HOST_CHECK(HostReadFile(path, bytes, sizeof bytes) > 0 && bytes[0] == '{',
             "status.json after a snapshot:\n%s", bytes);
}

static void ScoringStage(void* object) {
  HostSnapshot snapshot;
  HostCameraControl camera;
  unsigned char answer;
  Stage("scoring");
  FourCars(&snapshot, 10, 6, 100.0);
  answer = SnapshotThenView(object, &snapshot, &camera);
  HOST_CHECK(answer == 1, "WantsToViewVehicle answered %d", answer);
  HOST_CHECK(camera.mID == 7 && camera.mCameraType == 4, "camera on slot %d, type %d",
             (int)camera.mID, (int)camera.mCameraType);
  HOST_CHECK(camera.mReplayCommand == 0 && camera.mReplaySetTime == 0,
             "the camera command touched the replay fields");
  ClearCamera(&camera);
  answer = SlotAskRecord(object, kSlotWantsToViewVehicle, &camera);
  HOST_CHECK(answer == 0 && camera.mID == -5, "the cut was sent twice (%d, slot %d)", answer,
             (int)camera.mID);
}

static void RaceStage(void* object) {
  HostSnapshot snapshot;
  HostCameraControl camera;
  unsigned char answer;
  Stage("race");
  FourCars(&snapshot, 10, 6, 100.0);
  answer = SnapshotThenView(object, &snapshot, &camera);
  HOST_CHECK(answer == 1 && camera.mID == 7, "under yellow: %d, slot %d", answer,
             (int)camera.mID);
  /* Green flag 40 s later: the battle for second place is the one to show. */
  FourCars(&snapshot, 10, 5, 140.0);
  answer = SnapshotThenView(object, &snapshot, &camera);
  HOST_CHECK(answer == 1, "WantsToViewVehicle answered %d", answer);
  HOST_CHECK(camera.mID == 3 && camera.mCameraType == 4, "camera on slot %d, type %d",
             (int)camera.mID, (int)camera.mCameraType);
}

static void ReplayStage(void* object) {
  HostSnapshot snapshot;
  HostCameraControl camera;
  double value;
  unsigned char answer;
  Stage("replay");

  value = 0.5;
  HOST_CHECK(SlotCheckHWControl(object, "InstantReplay", &value) == 0 && value == 0.5,
             "InstantReplay pressed while idle");

  /* The stream as it stands at the first snapshot counts as seen. */
  FourCars(&snapshot, 10, 6, 100.0);
  HostSnapshotStream(&snapshot, "<Score et=\"90.0\">Driver A(3) lap=3 point=1</Score>\n");
  SnapshotThenView(object, &snapshot, &camera);

  /* A strong wall contact of slot 3 at 101 s: scheduled, started only after
   * more than 10 s have passed. */
  FourCars(&snapshot, 10, 6, 101.0);
  HostSnapshotStream(&snapshot, "<Score et=\"90.0\">Driver A(3) lap=3 point=1</Score>\n");
  HostSnapshotStream(&snapshot, "Incident Driver A(3) contact (1.25) with Immovable\n");
  SnapshotThenView(object, &snapshot, &camera);
  HOST_CHECK(SlotCheckHWControl(object, "InstantReplay", &value) == 0 && value == 0.5,
             "InstantReplay pressed at once");
  snapshot.info.mCurrentET = 111.0;
  SnapshotThenView(object, &snapshot, &camera);
  HOST_CHECK(SlotCheckHWControl(object, "InstantReplay", &value) == 0 && value == 0.5,
             "InstantReplay pressed exactly 10 s after the incident");
  snapshot.info.mCurrentET = 111.5;
  SnapshotThenView(object, &snapshot, &camera);
  HOST_CHECK(SlotCheckHWControl(object, "Horn", &value) == 0 && value == 0.5,
             "another control was pressed");
  SlotCall(object, kSlotDisableHardware);
  HOST_CHECK(SlotCheckHWControl(object, "InstantReplay", &value) == 0 && value == 0.5,
             "InstantReplay pressed with hardware disabled");
  SlotCall(object, kSlotEnableHardware);
  HOST_CHECK(SlotCheckHWControl(object, "InstantReplay", &value) == 1 && value == 1.0,
             "the replay did not start (value %f)", value);
  value = 0.5;
  HOST_CHECK(SlotCheckHWControl(object, "InstantReplay", &value) == 0 && value == 0.5,
             "the start was pressed for more than one poll");

  /* The replay camera on slot 3, moved to 5 s before the incident. */
  ClearCamera(&camera);
  answer = SlotAskRecord(object, kSlotWantsToViewVehicle, &camera);
  HOST_CHECK(answer == 3, "replay camera call answered %d", answer);
  HOST_CHECK(camera.mID == 3 && camera.mCameraType == 4 && camera.mReplaySetTime == 1 &&
                 fabs(camera.mReplaySeconds - 96.0f) < 1e-3,
             "replay camera: slot %d, type %d, set %d, %f s", (int)camera.mID,
             (int)camera.mCameraType, camera.mReplaySetTime, camera.mReplaySeconds);

  /* Slow play, then normal play, then the end is asked for and pressed. */
  snapshot.info.mCurrentET = 116.0;
  answer = SnapshotThenView(object, &snapshot, &camera);
  HOST_CHECK(answer == 2 && camera.mReplayCommand == 8, "at S+4.5: %d, command %d", answer,
             camera.mReplayCommand);
  snapshot.info.mCurrentET = 125.0;
  answer = SnapshotThenView(object, &snapshot, &camera);
  HOST_CHECK(answer == 2 && camera.mReplayCommand == 9, "at S+13.5: %d, command %d", answer,
             camera.mReplayCommand);
  snapshot.info.mCurrentET = 132.0;
  SnapshotThenView(object, &snapshot, &camera);
  HOST_CHECK(SlotCheckHWControl(object, "InstantReplay", &value) == 1 && value == 1.0,
             "the end of the replay was not pressed");
  value = 0.5;
  HOST_CHECK(SlotCheckHWControl(object, "InstantReplay", &value) == 0 && value == 0.5,
             "the end was pressed for more than one poll");
  snapshot.info.mCurrentET = 133.0;
  answer = SnapshotThenView(object, &snapshot, &camera);
  HOST_CHECK(answer <= 1, "after the replay the camera call still answered %d", answer);
}

static void ContactsStage(void* object) {
  HostSnapshot snapshot;
  HostCameraControl camera;
  double value = 0.5;
  double t;
  int presses = 0;
  int32_t replayed = -1;
  Stage("contacts");
  SlotCall(object, kSlotEnableHardware);

  FourCars(&snapshot, 10, 6, 100.0);
  HostSnapshotStream(&snapshot, "<Score et=\"90.0\">Driver A(3) lap=3 point=1</Score>\n");
  SnapshotThenView(object, &snapshot, &camera);

  /* A crash: a light line first, then the heavy one naming slot 12. */
  FourCars(&snapshot, 10, 6, 101.0);
  HostSnapshotStream(&snapshot,
                     "Incident Driver A(3) contact (0.30) with another vehicle Driver C(5)\n"
                     "Incident Driver B(12) contact (0.95) with another vehicle Driver Lead(7)\n");
  SnapshotThenView(object, &snapshot, &camera);
  /* The other car's report of the same contact, stronger, a moment later. */
  FourCars(&snapshot, 10, 6, 101.2);
  HostSnapshotStream(&snapshot,
                     "Incident Driver Lead(7) contact (1.40) with another vehicle Driver B(12)\n");
  SnapshotThenView(object, &snapshot, &camera);

  /* Snapshots with nothing added, until long after one replay has ended. */
  for (t = 101.5; t < 170.0; t += 0.5) {
    FourCars(&snapshot, 10, 6, t);
    SnapshotThenView(object, &snapshot, &camera);
    if (camera.mReplaySetTime == 1 && replayed == -1) replayed = camera.mID;
    value = 0.5;
    if (SlotCheckHWControl(object, "InstantReplay", &value) == 1) ++presses;
  }
  HOST_CHECK(replayed == 12, "the replay camera went to slot %d, not 12", (int)replayed);
  HOST_CHECK(presses == 2, "InstantReplay pressed %d times, not once to start and once to end", presses);
}

/* ---- the life of the plug-in ------------------------------------------------------ */

int main(int argc, char** argv) {
  PluginHost host;
  HostPluginInfo info;
  HostEnvironment environment;
  char player[MAX_PATH];
  char files[MAX_PATH];
  char jsonPath[MAX_PATH];
  void* pluginObject;
  void* object;

  if (argc != 4 && argc != 5) {
    printf("usage: conformance <dll> <work folder> <stage> [example settings file]\n");
    return 2;
  }
  gStage = argv[3];
  {
    static const char* const kStages[] = {"boundary", "environment", "example", "notice",
                                          "streams",  "scoring",     "race",    "replay",
                                          "contacts"};
    size_t i;
    int known = 0;
    for (i = 0; i < sizeof kStages / sizeof kStages[0]; ++i) known |= strcmp(gStage, kStages[i]) == 0;
    if (!known) {
      printf("unknown stage %s\n", gStage);
      return 2;
    }
  }
  HostFreshFolder(argv[2]);
  HostJoin(player, sizeof player, argv[2], "player");
  CreateDirectoryA(player, NULL);
  HostJoin(files, sizeof files, player, "rF2stream");

  if (!HostLoad(&host, argv[1])) return 1;
  pluginObject = host.CreatePluginObject();
  if (pluginObject == NULL) {
    printf("CreatePluginObject returned nothing\n");
    return 1;
  }
  memset(&info, 0, sizeof info);
  strcpy(info.mName, "conformance host");
  HostSetInfo(pluginObject, &info);
  object = HostObjectOf(pluginObject);

  BoundaryStage(&host, object, pluginObject, &info);

  if (strcmp(gStage, "boundary") != 0) {
    memset(&environment, 0, sizeof environment);
    HostJoin(jsonPath, sizeof jsonPath, player, "CustomPluginVariables.JSON");
    environment.mPath[0] = argv[2];
    environment.mPath[1] = jsonPath;
    environment.mPath[2] = argv[2];
    if (strcmp(gStage, "example") == 0) {
      char iniPath[MAX_PATH];
      HostJoin(iniPath, sizeof iniPath, player, "rF2kovrel.ini");
      if (argc != 5 || !CopyFileA(argv[4], iniPath, FALSE)) {
        printf("the example stage needs the example settings file\n");
        return 2;
      }
    }
    SlotCallRecord(object, kSlotSetEnvironment, &environment);
    if (strcmp(gStage, "example") == 0) ExampleStage(player, files, argv[4]);
    EnvironmentStage(object, player, files);

    SlotCallInt(object, kSlotStartup, 7);
    if (strcmp(gStage, "notice") == 0) NoticeStage(object);
    if (strcmp(gStage, "streams") == 0) StreamsStage(object, files);
    if (strcmp(gStage, "scoring") == 0) ScoringStage(object);
    if (strcmp(gStage, "race") == 0) RaceStage(object);
    if (strcmp(gStage, "replay") == 0) ReplayStage(object);
    if (strcmp(gStage, "contacts") == 0) ContactsStage(object);
    SlotCall(object, kSlotEndSession);
    SlotCall(object, kSlotShutdown);
  }

  host.DestroyPluginObject(pluginObject);
  FreeLibrary(host.module);
  gHostChecking = 1;
  return HostVerdict(gStage);
}
