// The five functions by which the simulator finds and drives the plug-in.
// KOVREL_EXPORT comes from the build: the platform's way to export a name.
#include "plugin/boundary.hpp"
#include "plugin/rF2kovrel.hpp"

namespace {
const char kPluginName[] = "rF2 kovrel - 2026.05.29.";
}

extern "C" {

KOVREL_EXPORT const char* GetPluginName() { return kPluginName; }

KOVREL_EXPORT PluginObjectType GetPluginType() { return PO_INTERNALS; }

KOVREL_EXPORT int GetPluginVersion() { return 7; }

KOVREL_EXPORT PluginObject* CreatePluginObject() {
  // No memory for the object: the host gets no object rather than an exception.
  return RunGuarded<PluginObject*>(nullptr, [] {
    // The host holds the PluginObject base, which does not start the object.
    return static_cast<PluginObject*>(new rF2kovrel());
  });
}

KOVREL_EXPORT void DestroyPluginObject(PluginObject* obj) {
  if (obj == nullptr) return;
  RunGuarded([obj] { DeleteInternalsPlugin(static_cast<rF2kovrel*>(obj)); });
}

}  // extern "C"
