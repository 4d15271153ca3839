#include <CoreFoundation/CFURL.h>

#include "../common/Object.h"
#include "../common/TypeIDs.h"
#include "Strings.h"
#include "URLs.h"

#include <cstring>

struct __CFURL : platform::Object {
    std::string path; // file-system bytes, without a trailing slash except for "/"
    bool isDirectory = false;
};

namespace {

bool urlEqual(const platform::Object* a, const platform::Object* b) {
    return static_cast<const __CFURL*>(a)->path == static_cast<const __CFURL*>(b)->path;
}

std::string urlDescribe(const platform::Object* object) {
    return "file://" + static_cast<const __CFURL*>(object)->path;
}

const platform::ObjectClass kURLClass = {"CFURL", platform::kTypeIDURL, nullptr, urlEqual,
                                         nullptr, urlDescribe};

const __CFURL* asURL(CFURLRef url) {
    return platform::objectAs<const __CFURL>(url, &kURLClass);
}

std::string normalise(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

} // namespace

namespace platform {

std::string urlPath(CFURLRef url) {
    const __CFURL* u = asURL(url);
    return u == nullptr ? std::string() : u->path;
}

CFURLRef createURL(const std::string& path, bool isDirectory) {
    if (path.empty()) {
        return nullptr;
    }
    auto* url = createObject<__CFURL>(&kURLClass);
    if (url != nullptr) {
        url->path = normalise(path);
        url->isDirectory = isDirectory;
    }
    return url;
}

} // namespace platform

extern "C" {

CFTypeID CFURLGetTypeID(void) {
    return platform::kTypeIDURL;
}

CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef, CFStringRef filePath, CFURLPathStyle,
                                       Boolean isDirectory) {
    if (filePath == nullptr) {
        return nullptr;
    }
    return platform::createURL(platform::stringToUtf8(filePath), isDirectory != 0);
}

CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef, const UInt8* buffer,
                                                 CFIndex bufLen, Boolean isDirectory) {
    if (buffer == nullptr || bufLen <= 0) {
        return nullptr;
    }
    return platform::createURL(
        std::string(reinterpret_cast<const char*>(buffer), static_cast<size_t>(bufLen)),
        isDirectory != 0);
}

CFURLRef CFURLCreateCopyAppendingPathComponent(CFAllocatorRef, CFURLRef url,
                                               CFStringRef pathComponent, Boolean isDirectory) {
    const __CFURL* base = asURL(url);
    if (base == nullptr || pathComponent == nullptr) {
        return nullptr;
    }
    std::string path = base->path == "/" ? "" : base->path;
    return platform::createURL(path + "/" + platform::stringToUtf8(pathComponent),
                               isDirectory != 0);
}

CFStringRef CFURLCopyFileSystemPath(CFURLRef anURL, CFURLPathStyle) {
    const __CFURL* u = asURL(anURL);
    return u == nullptr ? nullptr : platform::createStringFromUtf8Lenient(u->path);
}

CFStringRef CFURLCopyLastPathComponent(CFURLRef url) {
    const __CFURL* u = asURL(url);
    if (u == nullptr) {
        return nullptr;
    }
    size_t slash = u->path.find_last_of('/');
    std::string last =
        slash == std::string::npos || u->path == "/" ? u->path : u->path.substr(slash + 1);
    return platform::createStringFromUtf8Lenient(last);
}

Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean, UInt8* buffer, CFIndex maxBufLen) {
    const __CFURL* u = asURL(url);
    if (u == nullptr || buffer == nullptr || maxBufLen <= 0 ||
        u->path.size() + 1 > static_cast<size_t>(maxBufLen)) {
        return false;
    }
    std::memcpy(buffer, u->path.c_str(), u->path.size() + 1);
    return true;
}

Boolean CFURLHasDirectoryPath(CFURLRef anURL) {
    const __CFURL* u = asURL(anURL);
    return u != nullptr && u->isDirectory;
}

} // extern "C"
