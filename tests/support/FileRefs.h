// File Manager references for paths in tests.
#pragma once

#include <Carbon/Carbon.h>

#include <cstring>
#include <string>

// The FSRef of an existing path; all zero bytes (and *ok false) when there is none.
inline FSRef fsRefFor(const std::string& path, bool* ok = nullptr) {
    FSRef ref;
    std::memset(&ref, 0, sizeof ref);
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(path.data()), static_cast<CFIndex>(path.size()),
        false);
    bool got = url != nullptr && CFURLGetFSRef(url, &ref);
    if (url != nullptr) {
        CFRelease(url);
    }
    if (ok != nullptr) {
        *ok = got;
    }
    return ref;
}
