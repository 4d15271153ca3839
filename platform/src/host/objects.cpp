#include <PlatformHost.h>

#include "../common/LiveObjects.h"
#include "../common/SmallBlocks.h"

namespace PlatformHost {

long liveObjectCount() {
    return platform::liveObjectCount();
}
std::string liveObjectReport() {
    return platform::liveObjectReport();
}
void failAllocations(const char* className, int skip, int count) {
    platform::failAllocations(className, skip, count);
}
void clearAllocationFailures() {
    platform::clearAllocationFailures();
}
size_t smallRecordPageBytes() {
    return platform::smallBlockPageBytes();
}

} // namespace PlatformHost

#include "../corefoundation/PlugIns.h"

namespace PlatformHost {

std::string lastPlugInError() {
    return platform::lastPlugInError();
}
long liveInstancesForFactory(const std::string& factoryUUID) {
    return platform::liveInstancesForFactory(factoryUUID);
}
int unloadUnusedPlugIns() {
    return platform::unloadUnusedPlugIns();
}
bool isPlugInLoaded(CFPlugInRef plugIn) {
    return platform::isPlugInLoaded(plugIn);
}

} // namespace PlatformHost
