// Property-list nodes turned into CF objects.
#pragma once

#include <CoreFoundation/CFBase.h>
#include <plist/plist.h>

namespace platform {

// A new CF object (dictionary, array, string, number, boolean) for the node, or null for a type
// this platform does not hold (its entries are then left out of their container).
CFTypeRef createObjectFromPropertyList(plist_t node);

} // namespace platform
