// What the host-facing API reads of the live-object list, and its allocation-failure seam.
#pragma once

#include <string>

namespace platform {

long liveObjectCount();
// "2 CFString, 1 Window": the live objects counted by class name.
std::string liveObjectReport();
// The creations of the class after the next `skip` ones fail, `count` times.
void failAllocations(const char* className, int skip, int count);
void clearAllocationFailures();

} // namespace platform
