#include <HIServices/Icons.h>

#include "../common/Object.h"
#include "../common/TypeIDs.h"
#include "ImageFiles.h"

#include <cstring>

struct OpaqueIconRef : platform::Object {
    std::string data;
};

namespace {

const platform::ObjectClass kIconClass = {
    "IconRef", platform::kTypeIDToolbox, nullptr, nullptr, nullptr, nullptr};

constexpr size_t kMaxIconFileBytes = 4 * 1024 * 1024;
constexpr size_t kHeaderBytes = 8;

UInt32 bigEndian32(const unsigned char* p) {
    return (static_cast<UInt32>(p[0]) << 24) | (static_cast<UInt32>(p[1]) << 16) |
           (static_cast<UInt32>(p[2]) << 8) | p[3];
}

// An icon family starts with 'icns' and the length of the whole family.
bool isIconFamily(const unsigned char* bytes, size_t size, size_t* familyLength) {
    if (bytes == nullptr || size < kHeaderBytes || bigEndian32(bytes) != 'icns') {
        return false;
    }
    UInt32 length = bigEndian32(bytes + 4);
    if (length < kHeaderBytes || length > size) {
        return false;
    }
    *familyLength = length;
    return true;
}

} // namespace

extern "C" {

OSErr ReadIconFile(const FSSpec* iconFile, IconFamilyHandle* iconFamily) {
    if (iconFile == nullptr || iconFamily == nullptr) {
        return paramErr;
    }
    platform::ItemRef item;
    if (!platform::itemForSpec(iconFile, &item) || item.isFolder) {
        return fnfErr;
    }
    std::string bytes;
    if (!platform::readImageFileBytes(item, kMaxIconFileBytes, &bytes)) {
        return ioErr;
    }
    size_t length = 0;
    if (!isIconFamily(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                      &length) ||
        length != bytes.size()) {
        return paramErr;
    }
    Handle h = *iconFamily;
    bool made = h == nullptr;
    if (made) {
        h = NewHandle(0);
        if (h == nullptr) {
            return memFullErr;
        }
    }
    if (SetHandleSize(h, static_cast<Size>(bytes.size())) != noErr) {
        if (made) {
            DisposeHandle(h);
        }
        return memFullErr;
    }
    std::memcpy(*h, bytes.data(), bytes.size());
    *iconFamily = h;
    return noErr;
}

OSErr GetIconRefFromIconFamilyPtr(const IconFamilyResource* iconFamPtr, Size iconFamilySize,
                                  IconRef* iconRef) {
    if (iconRef == nullptr) {
        return paramErr;
    }
    size_t length = 0;
    if (iconFamilySize < 0 || !isIconFamily(reinterpret_cast<const unsigned char*>(iconFamPtr),
                                            static_cast<size_t>(iconFamilySize), &length)) {
        return invalidIconRefErr;
    }
    auto* icon = platform::createObject<OpaqueIconRef>(&kIconClass);
    if (icon == nullptr) {
        return memFullErr;
    }
    icon->data.assign(reinterpret_cast<const char*>(iconFamPtr), length);
    *iconRef = icon;
    return noErr;
}

OSErr ReleaseIconRef(IconRef theIconRef) {
    OpaqueIconRef* icon = platform::objectAs<OpaqueIconRef>(theIconRef, &kIconClass);
    if (icon == nullptr) {
        return invalidIconRefErr;
    }
    platform::releaseObject(icon);
    return noErr;
}

} // extern "C"
