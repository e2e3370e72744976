// The callbacks of a session on snapshots built from arbitrary bytes: any
// vehicle count (negative, zero, a null array), names without NUL, NaN and
// huge times, places 0 and 255, a null results stream, any settings.
//
// Input: U8 random seed, settings (see ReadSettings), then host calls until
// the input ends, each a U8 call code (modulo 8) and its arguments:
//   0, 1  UpdateScoring of a snapshot (see ReadSnapshot)
//   2     WantsToViewVehicle; U8 whose lowest bit is the replay-active input
//   3     CheckHWControl; U8 name code (modulo 5: no name, "InstantReplay",
//         "INSTANTREPLAY", "Throttle", a ShortText), Real value
//   4     WantsToDisplayMessage
//   5     a key: U8 which (modulo 3: Ctrl, autokey, any U8 code), U8 down
//   6     U8 (modulo 3): StartSession, EnableHardware, DisableHardware
//   7     UpdateScoring of the last snapshot again, Real seconds later
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "bench/fuzz/byte_reader.hpp"
#include "bench/fuzz/fuzz_formats.hpp"
#include "director/keyboard.hpp"

namespace {

void Check(bool holds) {
  if (!holds) __builtin_trap();
}

void Score(rF2kovrel& plugin, FuzzSnapshot& snapshot) {
  plugin.UpdateScoring(snapshot.Info());
  Check(!plugin.mInUpdate);
}

void PollControl(rF2kovrel& plugin, ByteReader& in) {
  const std::uint8_t code = in.U8() % 5;
  const std::string own = code == 4 ? in.ShortText() : std::string();
  const char* names[] = {nullptr, "InstantReplay", "INSTANTREPLAY", "Throttle", own.c_str()};
  double value = in.Real();
  const double before = value;
  if (plugin.CheckHWControl(names[code], value)) {
    Check(value == 1.0);
  } else {
    Check(std::memcmp(&value, &before, sizeof value) == 0);  // left alone, NaN included
  }
}

void TakeMessage(rF2kovrel& plugin) {
  MessageInfoV01 message;
  std::memset(&message, 0x7f, sizeof message);
  if (plugin.WantsToDisplayMessage(message)) {
    Check(std::memchr(message.mText, '\0', sizeof message.mText) != nullptr);
    Check(message.mDestination == 0);  // the web server never answered here
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteReader in(data, size);
  rF2kovrel plugin;
  SetUpFuzzPlugin(plugin, in.U8());
  ReadSettings(in, plugin);
  FuzzSnapshot snapshot;
  bool scored = false;
  while (!in.Empty()) {
    switch (in.U8() % 8) {
      case 0:
      case 1:
        ReadSnapshot(in, snapshot);
        Score(plugin, snapshot);
        scored = true;
        break;
      case 2: {
        CameraControlInfoV01 camera{};
        camera.mReplayActive = (in.U8() & 1) != 0;
        plugin.WantsToViewVehicle(camera);
        break;
      }
      case 3: PollControl(plugin, in); break;
      case 4: TakeMessage(plugin); break;
      case 5: {
        const std::uint8_t which = in.U8() % 3;
        const int key = which == 0 ? 17 : which == 1 ? plugin.autokey : in.U8();
        SetVirtualKeyDown(key, (in.U8() & 1) != 0);
        break;
      }
      case 6:
        switch (in.U8() % 3) {
          case 0: plugin.StartSession(); break;
          case 1: plugin.EnableHardware(); break;
          default: plugin.DisableHardware(); break;
        }
        break;
      default:
        if (scored) {
          snapshot.info.mCurrentET += in.Real();
          Score(plugin, snapshot);
        }
        break;
    }
  }
  return 0;
}
