// Reading image files named by the File Manager.
#pragma once

#include "../carboncore/FileSystem.h"

#include <string>

namespace platform {

// The whole file, when it can be read and holds at most maxBytes.
bool readImageFileBytes(const ItemRef& item, size_t maxBytes, std::string* bytes);

} // namespace platform
