#include <ImageIO/CGImageSource.h>

#include "../common/Object.h"
#include "../common/PropertyList.h"
#include "../common/TypeIDs.h"
#include "../corefoundation/URLs.h"
#include "Bitmap.h"
#include "ImageSources.h"

struct CGImage : platform::Object {
    platform::Bitmap bitmap;
};

struct CGImageSource : platform::Object {
    CGImageSourceStatus status = kCGImageStatusUnknownType;
    platform::Bitmap first;
};

namespace {

const platform::ObjectClass kImageClass = {
    "CGImage", platform::kTypeIDImage, nullptr, nullptr, nullptr, nullptr};
const platform::ObjectClass kSourceClass = {
    "CGImageSource", platform::kTypeIDImageSource, nullptr, nullptr, nullptr, nullptr};

bool gImageSourcesAvailable = true;

CGImageSourceRef createWithURL(CFURLRef url, CFDictionaryRef) {
    std::string path = platform::urlPath(url);
    std::string bytes;
    std::string error;
    if (path.empty() ||
        !platform::readWholeFile(path, platform::kMaxImageFileBytes, &bytes, &error)) {
        return nullptr;
    }
    auto* source = platform::createObject<CGImageSource>(&kSourceClass);
    if (source == nullptr) {
        return nullptr;
    }
    if (!platform::looksLikeGif(bytes)) {
        source->status = kCGImageStatusUnknownType;
    } else if (platform::decodeGif(bytes, &source->first, &error)) {
        source->status = kCGImageStatusComplete;
    } else {
        source->status = kCGImageStatusInvalidData;
    }
    return source;
}

CGImageSourceStatus getStatus(CGImageSourceRef isrc) {
    CGImageSource* source = platform::objectAs<CGImageSource>(isrc, &kSourceClass);
    return source == nullptr ? kCGImageStatusInvalidData : source->status;
}

CGImageRef createImageAtIndex(CGImageSourceRef isrc, size_t index, CFDictionaryRef) {
    CGImageSource* source = platform::objectAs<CGImageSource>(isrc, &kSourceClass);
    if (source == nullptr || index != 0 || source->status != kCGImageStatusComplete) {
        return nullptr;
    }
    auto* image = platform::createObject<CGImage>(&kImageClass);
    if (image != nullptr) {
        image->bitmap = source->first;
    }
    return image;
}

} // namespace

namespace platform {

void setImageSourcesAvailable(bool available) {
    gImageSourcesAvailable = available;
}

} // namespace platform

extern "C" {

__CGImageSourceCreateWithURLProc __CGImageSourceCreateWithURLAddress(void) {
    return gImageSourcesAvailable ? createWithURL : nullptr;
}

__CGImageSourceGetStatusProc __CGImageSourceGetStatusAddress(void) {
    return gImageSourcesAvailable ? getStatus : nullptr;
}

__CGImageSourceCreateImageAtIndexProc __CGImageSourceCreateImageAtIndexAddress(void) {
    return gImageSourcesAvailable ? createImageAtIndex : nullptr;
}

CFTypeID CGImageSourceGetTypeID(void) {
    return platform::kTypeIDImageSource;
}

CFTypeID CGImageGetTypeID(void) {
    return platform::kTypeIDImage;
}

size_t CGImageGetWidth(CGImageRef image) {
    CGImage* i = platform::objectAs<CGImage>(image, &kImageClass);
    return i == nullptr ? 0 : static_cast<size_t>(i->bitmap.width);
}

size_t CGImageGetHeight(CGImageRef image) {
    CGImage* i = platform::objectAs<CGImage>(image, &kImageClass);
    return i == nullptr ? 0 : static_cast<size_t>(i->bitmap.height);
}

void CGImageRelease(CGImageRef image) {
    if (image != nullptr) {
        platform::releaseObject(image);
    }
}

} // extern "C"
