// A GIF from any bytes: the decoder gives a picture within its limits or refuses it; a graphics
// importer over the same file reports the same size and draws into a window at any destination;
// the image source agrees; nothing is left behind.
#include "FuzzSupport.h"

#include "platform/src/graphics/Bitmap.h"

#include <cstring>

namespace {

std::string gPath;
WindowRef gWindow = nullptr;

bool specFor(const std::string& path, FSSpec* spec) {
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(path.data()), static_cast<CFIndex>(path.size()),
        false);
    FSRef ref;
    std::memset(&ref, 0, sizeof ref);
    bool ok = url != nullptr && CFURLGetFSRef(url, &ref) &&
              FSGetCatalogInfo(&ref, kFSCatInfoNone, nullptr, nullptr, spec, nullptr) == noErr;
    if (url != nullptr) {
        CFRelease(url);
    }
    return ok;
}

void drawThroughAnImporter(const platform::Bitmap* decoded) {
    FSSpec spec;
    fuzzCheck(specFor(gPath, &spec), "the picture file has an FSSpec");
    ComponentInstance importer = nullptr;
    if (GetGraphicsImporterForFileWithFlags(&spec, &importer, 1) != noErr) {
        return;
    }
    GraphicsImportSetGWorld(importer, GetWindowPort(gWindow), nullptr);
    Rect natural = {0, 0, 0, 0};
    if (GraphicsImportGetNaturalBounds(importer, &natural) == noErr) {
        fuzzCheck(decoded != nullptr, "an importer sizes only what decodes");
        fuzzCheck(natural.right - natural.left == decoded->width &&
                      natural.bottom - natural.top == decoded->height,
                  "the importer's size is the decoder's");
        for (const Rect& dest : {Rect{10, 10, static_cast<SInt16>(10 + natural.bottom),
                                      static_cast<SInt16>(10 + natural.right)},
                                 Rect{-5, -7, 60, 90}, Rect{20, 20, 20, 20}, Rect{50, 50, 0, 0}}) {
            GraphicsImportSetDestRect(importer, &dest);
            GraphicsImportDraw(importer);
        }
    } else {
        fuzzCheck(decoded == nullptr, "what decodes has a size");
    }
    CloseComponent(importer);
}

void readThroughAnImageSource(const platform::Bitmap* decoded) {
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(gPath.data()), static_cast<CFIndex>(gPath.size()),
        false);
    CGImageSourceRef source = CGImageSourceCreateWithURL(url, nullptr);
    if (source != nullptr) {
        CGImageRef image = CGImageSourceGetStatus(source) == 0
                               ? CGImageSourceCreateImageAtIndex(source, 0, nullptr)
                               : nullptr;
        if (image != nullptr) {
            fuzzCheck(decoded != nullptr &&
                          CGImageGetWidth(image) == static_cast<size_t>(decoded->width),
                      "the image source agrees with the decoder");
            CGImageRelease(image);
        }
        CFRelease(source);
    }
    CFRelease(url);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    gPath = fuzzFolder() + "/picture.gif";
    gWindow = PlatformHost::createWindow("pictures", Rect{0, 0, 120, 160});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    NoObjectLeftAlive guard;
    std::string bytes(reinterpret_cast<const char*>(data), size);
    platform::Bitmap bitmap;
    std::string error;
    bool decoded = platform::decodeGif(bytes, &bitmap, &error);
    if (decoded) {
        fuzzCheck(bitmap.width > 0 && bitmap.height > 0 &&
                      bitmap.width <= platform::kMaxImageSide &&
                      bitmap.height <= platform::kMaxImageSide,
                  "a decoded picture's sides are within the limits");
        fuzzCheck(bitmap.pixels.size() == static_cast<size_t>(bitmap.width) * bitmap.height,
                  "a decoded picture has a pixel for every place");
    } else {
        fuzzCheck(!error.empty(), "a refused picture says why");
    }
    writeFuzzFile(gPath, data, size);
    drawThroughAnImporter(decoded ? &bitmap : nullptr);
    readThroughAnImageSource(decoded ? &bitmap : nullptr);
    return 0;
}
