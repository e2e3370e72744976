#include "host/plugin_host.hpp"

#include <stdexcept>

#include "host/library.hpp"

namespace ksim {

namespace {

template <typename Fn>
Fn Symbol(void* handle, const std::string& path, const char* name, bool required) {
  void* address = LibrarySymbol(handle, name);
  if (address == nullptr && required) {
    throw std::runtime_error(path + ": the plug-in does not export " + name);
  }
  return reinterpret_cast<Fn>(address);
}

}  // namespace

PluginHost::PluginHost(const std::string& path) : mPath(path) {
  std::string why;
  mHandle = OpenLibrary(path, why);
  if (mHandle == nullptr) throw std::runtime_error("cannot load the plug-in " + path + ": " + why);
  const auto getName = Symbol<GetNameFn>(mHandle, path, "GetPluginName", true);
  const auto getType = Symbol<GetTypeFn>(mHandle, path, "GetPluginType", true);
  const auto getVersion = Symbol<GetVersionFn>(mHandle, path, "GetPluginVersion", true);
  const auto create = Symbol<CreateFn>(mHandle, path, "CreatePluginObject", true);
  mDestroy = Symbol<DestroyFn>(mHandle, path, "DestroyPluginObject", true);
  mSetKey = Symbol<SetKeyFn>(mHandle, path, "kovrel_set_virtual_key", false);

  const char* name = getName();
  mName = name != nullptr ? name : "";
  mType = static_cast<int>(getType());
  mVersion = getVersion();
  if (mType != PO_INTERNALS) {
    throw std::runtime_error(path + ": plug-in type " + std::to_string(mType) + ", not an internals plug-in (3)");
  }
  if (mVersion < 7) {
    throw std::runtime_error(path + ": interface version " + std::to_string(mVersion) + ", the host needs 7");
  }
  mObject = create();
  if (mObject == nullptr) throw std::runtime_error(path + ": CreatePluginObject returned no object");
  // The object the host holds is its PluginObject base; the interface is
  // reached by the ordinary conversion, as the simulator does.
  mPlugin = static_cast<InternalsPluginV07*>(mObject);
}

PluginHost::~PluginHost() {
  Destroy();
  // The library stays loaded: a plug-in may have detached worker threads
  // running in it (its focus requests) that must not lose their code.
}

void PluginHost::Destroy() {
  if (mObject != nullptr && mDestroy != nullptr) mDestroy(mObject);
  mObject = nullptr;
  mPlugin = nullptr;
}

void PluginHost::SetKey(int virtualKey, bool down) const {
  if (mSetKey != nullptr) mSetKey(virtualKey, down ? 1 : 0);
}

}  // namespace ksim
