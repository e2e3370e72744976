// Loads a plug-in library the way the simulator does: by its five exported
// names. Creates the one plug-in object and hands out the interface through
// which the host calls it.
#pragma once

#include <string>

#include "sdk/InternalsPlugin.hpp"

namespace ksim {

class PluginHost {
 public:
  // Throws std::runtime_error naming the library and what is missing.
  explicit PluginHost(const std::string& path);
  ~PluginHost();
  PluginHost(const PluginHost&) = delete;
  PluginHost& operator=(const PluginHost&) = delete;

  const std::string& Path() const { return mPath; }
  const std::string& Name() const { return mName; }
  int Type() const { return mType; }
  int Version() const { return mVersion; }

  // The object as the interface of version 7 (null after Destroy).
  InternalsPluginV07* Plugin() const { return mPlugin; }
  // Hands the object back to DestroyPluginObject.
  void Destroy();

  // The plug-in's virtual keyboard on POSIX; false when the library has none.
  bool HasVirtualKeyboard() const { return mSetKey != nullptr; }
  void SetKey(int virtualKey, bool down) const;

 private:
  using GetNameFn = const char* (*)();
  using GetTypeFn = PluginObjectType (*)();
  using GetVersionFn = int (*)();
  using CreateFn = PluginObject* (*)();
  using DestroyFn = void (*)(PluginObject*);
  using SetKeyFn = void (*)(int, int);

  std::string mPath;
  void* mHandle = nullptr;
  DestroyFn mDestroy = nullptr;
  SetKeyFn mSetKey = nullptr;
  PluginObject* mObject = nullptr;
  InternalsPluginV07* mPlugin = nullptr;
  std::string mName;
  int mType = 0;
  int mVersion = 0;
};

}  // namespace ksim
