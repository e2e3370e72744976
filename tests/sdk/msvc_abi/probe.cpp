// The smallest plug-in class: what the simulator's compiler makes of the
// interface header, and where a derived class's own fields begin.
#include "sdk/InternalsPlugin.hpp"

class ProbePlugin : public InternalsPluginV07 {
 public:
  int mOwnField = 0;
};

// Makes the compiler lay out, and emit, the class's virtual table.
ProbePlugin* MakeProbePlugin() { return new ProbePlugin(); }
