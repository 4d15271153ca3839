#include <QuickTime/ImageCompression.h>

#include "../common/Object.h"
#include "../common/TypeIDs.h"
#include "../hitoolbox/Toolbox.h"
#include "Bitmap.h"
#include "ImageFiles.h"

#include <cairo.h>

#include <algorithm>
#include <cctype>

struct ComponentInstanceRecord : platform::Object {
    platform::ItemRef file;
    GrafPtr port = nullptr;
    Rect dest{0, 0, 0, 0};
    bool haveDest = false;
    enum class State { Unread, Decoded, Failed } state = State::Unread;
    platform::Bitmap bitmap;
};

namespace {

const platform::ObjectClass kImporterClass = {
    "GraphicsImporter", platform::kTypeIDToolbox, nullptr, nullptr, nullptr, nullptr};

ComponentInstanceRecord* asImporter(ComponentInstance ci) {
    return platform::objectAs<ComponentInstanceRecord>(ci, &kImporterClass);
}

bool hasGifName(const std::string& name) {
    if (name.size() < 4) {
        return false;
    }
    std::string extension = name.substr(name.size() - 4);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".gif";
}

// Decodes the file once; later calls answer from what the first found.
bool decode(ComponentInstanceRecord* importer) {
    if (importer->state == ComponentInstanceRecord::State::Unread) {
        std::string bytes;
        std::string error;
        bool ok =
            platform::readImageFileBytes(importer->file, platform::kMaxImageFileBytes, &bytes) &&
            platform::decodeGif(bytes, &importer->bitmap, &error);
        importer->state =
            ok ? ComponentInstanceRecord::State::Decoded : ComponentInstanceRecord::State::Failed;
    }
    return importer->state == ComponentInstanceRecord::State::Decoded;
}

} // namespace

extern "C" {

OSErr GetGraphicsImporterForFileWithFlags(const FSSpec* theFile, ComponentInstance* gi,
                                          long flags) {
    if (theFile == nullptr || gi == nullptr) {
        return paramErr;
    }
    platform::ItemRef item;
    if (!platform::itemForSpec(theFile, &item) || item.isFolder) {
        return fnfErr;
    }
    bool chosen = hasGifName(item.name);
    if (!chosen && (flags & kDontUseValidateToFindGraphicsImporter) == 0) {
        // Without the flag the contents may be looked at to choose the importer.
        std::string bytes;
        chosen = platform::readImageFileBytes(item, platform::kMaxImageFileBytes, &bytes) &&
                 platform::looksLikeGif(bytes);
    }
    if (!chosen) {
        return cantFindHandler;
    }
    auto* importer = platform::createObject<ComponentInstanceRecord>(&kImporterClass);
    if (importer == nullptr) {
        return memFullErr;
    }
    importer->file = item;
    *gi = importer;
    return noErr;
}

ComponentResult GraphicsImportSetGWorld(GraphicsImportComponent ci, CGrafPtr port, GDHandle) {
    ComponentInstanceRecord* importer = asImporter(ci);
    if (importer == nullptr) {
        return badComponentInstance;
    }
    importer->port = port;
    return noErr;
}

ComponentResult GraphicsImportGetNaturalBounds(GraphicsImportComponent ci, Rect* naturalBounds) {
    ComponentInstanceRecord* importer = asImporter(ci);
    if (importer == nullptr) {
        return badComponentInstance;
    }
    if (naturalBounds == nullptr) {
        return paramErr;
    }
    if (!decode(importer)) {
        return codecBadDataErr;
    }
    *naturalBounds = Rect{0, 0, static_cast<SInt16>(importer->bitmap.height),
                          static_cast<SInt16>(importer->bitmap.width)};
    return noErr;
}

ComponentResult GraphicsImportSetDestRect(GraphicsImportComponent ci, const Rect* destRect) {
    ComponentInstanceRecord* importer = asImporter(ci);
    if (importer == nullptr) {
        return badComponentInstance;
    }
    if (destRect == nullptr) {
        return paramErr;
    }
    importer->dest = *destRect;
    importer->haveDest = true;
    return noErr;
}

namespace {

// Paints the image's pixels into DEST, clipped to it, scaled with the nearest filter so that
// each pixel stays sharp at any scale.
void paintScaled(cairo_t* cr, cairo_surface_t* source, const platform::Bitmap& bitmap,
                 const Rect& dest) {
    int destWidth = dest.right - dest.left;
    int destHeight = dest.bottom - dest.top;
    cairo_rectangle(cr, dest.left, dest.top, destWidth, destHeight);
    cairo_clip(cr);
    cairo_translate(cr, dest.left, dest.top);
    cairo_scale(cr, static_cast<double>(destWidth) / bitmap.width,
                static_cast<double>(destHeight) / bitmap.height);
    cairo_set_source_surface(cr, source, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
}

} // namespace

ComponentResult GraphicsImportDraw(GraphicsImportComponent ci) {
    ComponentInstanceRecord* importer = asImporter(ci);
    if (importer == nullptr) {
        return badComponentInstance;
    }
    if (!decode(importer)) {
        return codecBadDataErr;
    }
    cairo_surface_t* target = platform::portSurface(importer->port);
    if (target == nullptr) {
        return paramErr;
    }
    platform::Bitmap& bitmap = importer->bitmap;
    Rect dest = importer->haveDest ? importer->dest
                                   : Rect{0, 0, static_cast<SInt16>(bitmap.height),
                                          static_cast<SInt16>(bitmap.width)};
    int destWidth = dest.right - dest.left;
    int destHeight = dest.bottom - dest.top;
    if (destWidth <= 0 || destHeight <= 0) {
        return noErr;
    }
    cairo_surface_t* source = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(bitmap.pixels.data()), CAIRO_FORMAT_ARGB32, bitmap.width,
        bitmap.height, bitmap.width * 4);
    // Cairo draws only within the port's pixels, so the image is clipped to it.
    cairo_t* cr = cairo_create(target);
    paintScaled(cr, source, bitmap, dest);
    cairo_destroy(cr);
    if (cairo_t* mirror = importer->port->mirror) {
        // Drawn again straight from the image's pixels at the host's scale, never from the
        // port's 1x pixels.
        cairo_save(mirror);
        cairo_translate(mirror, importer->port->mirrorX, importer->port->mirrorY);
        paintScaled(mirror, source, bitmap, dest);
        cairo_restore(mirror);
    }
    platform::recordImage(importer->port, dest, importer->file.name);
    cairo_surface_destroy(source);
    return noErr;
}

OSErr CloseComponent(ComponentInstance aComponentInstance) {
    ComponentInstanceRecord* importer = asImporter(aComponentInstance);
    if (importer == nullptr) {
        return paramErr;
    }
    platform::releaseObject(importer);
    return noErr;
}

} // extern "C"
