// The CF type identifiers of this platform.
#pragma once

#include <CoreFoundation/CFBase.h>

namespace platform {

enum : CFTypeID {
    kTypeIDString = 7,
    kTypeIDNumber = 22,
    kTypeIDArray = 19,
    kTypeIDDictionary = 18,
    kTypeIDUUID = 33,
    kTypeIDURL = 29,
    kTypeIDBoolean = 21,
    kTypeIDBundle = 31,
    kTypeIDImage = 260,
    kTypeIDImageSource = 261,
    kTypeIDToolbox = 100, // windows, controls and the other non-CF objects
    kTypeIDPrinting = 200 // sessions and tickets
};

} // namespace platform
