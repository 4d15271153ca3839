// What other platform families need of CFURL's inside.
#pragma once

#include <CoreFoundation/CFURL.h>

#include <string>

namespace platform {

// The URL's path bytes; empty for null.
std::string urlPath(CFURLRef url);
CFURLRef createURL(const std::string& path, bool isDirectory);

} // namespace platform
