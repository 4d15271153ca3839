#include <PlatformHost.h>

#include "../common/LiveObjects.h"

namespace PlatformHost {

long liveObjectCount() {
    return platform::liveObjectCount();
}
std::string liveObjectReport() {
    return platform::liveObjectReport();
}
std::string liveObjectList(long limit) {
    return platform::liveObjectList(limit);
}
void failAllocations(const char* className, int skip, int count) {
    platform::failAllocations(className, skip, count);
}
void clearAllocationFailures() {
    platform::clearAllocationFailures();
}

} // namespace PlatformHost
