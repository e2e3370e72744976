// The plug-in as the simulator sees it: a library opened by name whose five
// exports identify it and create and destroy the one plug-in object.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>

#include "sdk/InternalsPlugin.hpp"

namespace {

using NameFunction = const char* (*)();
using TypeFunction = PluginObjectType (*)();
using VersionFunction = int (*)();
using CreateFunction = PluginObject* (*)();
using DestroyFunction = void (*)(PluginObject*);

class Exports : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { library = dlopen(KOVREL_PLUGIN_FILE, RTLD_NOW | RTLD_LOCAL); }

  template <typename Function>
  static Function Find(const char* name) {
    if (library == nullptr) return nullptr;
    return reinterpret_cast<Function>(dlsym(library, name));
  }

  void SetUp() override { ASSERT_NE(library, nullptr) << dlerror(); }

  static void* library;
};

void* Exports::library = nullptr;

TEST_F(Exports, TheFiveNamesAreExported) {
  for (const char* name : {"GetPluginName", "GetPluginType", "GetPluginVersion",
                           "CreatePluginObject", "DestroyPluginObject"}) {
    EXPECT_NE(dlsym(library, name), nullptr) << name;
  }
}

TEST_F(Exports, ThePluginNamesItselfAsAnInternalsPluginOfVersion7) {
  const auto name = Find<NameFunction>("GetPluginName");
  const auto type = Find<TypeFunction>("GetPluginType");
  const auto version = Find<VersionFunction>("GetPluginVersion");
  ASSERT_TRUE(name != nullptr && type != nullptr && version != nullptr);
  const char* first = name();
  EXPECT_STREQ(first, "rF2 kovrel - 2026.05.29.");
  EXPECT_EQ(name(), first) << "the same constant every time";
  EXPECT_EQ(type(), PO_INTERNALS);
  EXPECT_EQ(static_cast<int>(type()), 3);
  EXPECT_EQ(version(), 7);
}

TEST_F(Exports, TheObjectIsCreatedAnsweredAndDestroyed) {
  const auto create = Find<CreateFunction>("CreatePluginObject");
  const auto destroy = Find<DestroyFunction>("DestroyPluginObject");
  ASSERT_TRUE(create != nullptr && destroy != nullptr);
  destroy(nullptr);
  for (int round = 0; round < 2; ++round) {
    PluginObject* object = create();
    ASSERT_NE(object, nullptr);
    // The simulator holds the PluginObject base, which does not start the object.
    auto* plugin = static_cast<InternalsPluginV07*>(object);
    EXPECT_NE(static_cast<void*>(plugin), static_cast<void*>(object));
    EXPECT_TRUE(plugin->WantsScoringUpdates());
    EXPECT_EQ(plugin->WantsTelemetryUpdates(), 0);
    EXPECT_TRUE(plugin->HasHardwareInputs());
    MessageInfoV01 message{};
    EXPECT_FALSE(plugin->WantsToDisplayMessage(message)) << "nothing pending before Startup";
    destroy(object);
  }
}

}  // namespace
