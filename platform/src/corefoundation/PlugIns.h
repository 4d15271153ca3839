// What the host-facing API needs of the plug-in registry.
#pragma once

#include <CoreFoundation/CFBundle.h>

#include <string>

namespace platform {

std::string lastPlugInError();
long liveInstancesForFactory(const std::string& factoryUUID);
// Unloads the executables whose factories have no live instance left; how many it unloaded.
int unloadUnusedPlugIns();
bool isPlugInLoaded(CFBundleRef bundle);
// Drops a plug-in bundle's registration and unloads it (when no instance lives), before the
// bundle itself is released.
void forgetPlugIn(CFBundleRef bundle);

} // namespace platform
