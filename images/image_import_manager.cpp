#include "images/ImageImportManager.h"

#include "fsutil/FSUtilities.h"

#include <cstdlib>
#include <cstring>
#include <vector>

CFMutableDictionaryRef ImageImportManager::fsSpecs = nullptr;
CFMutableDictionaryRef ImageImportManager::components = nullptr;
CFMutableDictionaryRef ImageImportManager::icons = nullptr;
CFMutableDictionaryRef ImageImportManager::images = nullptr;
int ImageImportManager::users = 0;

namespace {

CFMutableDictionaryRef newIndex() {
    return CFDictionaryCreateMutable(kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks,
                                     nullptr);
}

// Stores a fresh copy of the file specification under the key; a record it displaces is freed.
void storeSpec(CFMutableDictionaryRef index, CFStringRef key, const FSSpec* spec) {
    auto* copy = static_cast<FSSpec*>(std::malloc(sizeof(FSSpec)));
    if (copy == nullptr) {
        return;
    }
    std::memcpy(copy, spec, sizeof(FSSpec));
    const void* displaced = nullptr;
    bool had = CFDictionaryGetValueIfPresent(index, key, &displaced);
    CFDictionarySetValue(index, key, copy);
    if (had) {
        std::free(const_cast<void*>(displaced));
    }
}

// Every value of the dictionary.
std::vector<const void*> valuesOf(CFDictionaryRef dict) {
    std::vector<const void*> values(static_cast<size_t>(CFDictionaryGetCount(dict)));
    if (!values.empty()) {
        CFDictionaryGetKeysAndValues(dict, nullptr, values.data());
    }
    return values;
}

const FSSpec* specFor(CFDictionaryRef index, CFStringRef name) {
    return static_cast<const FSSpec*>(CFDictionaryGetValue(index, name));
}

} // namespace

Boolean ImageImportManagerFilterProc(Boolean, ItemCount, const FSCatalogInfo* catalogInfo,
                                     const FSRef* ref, const FSSpec* spec, const HFSUniStr255* name,
                                     void* data) {
    if ((catalogInfo->nodeFlags & kFSNodeIsDirectoryMask) != 0) {
        return false; // folders are entered, not indexed
    }
    auto index = static_cast<CFMutableDictionaryRef>(data);
    CFStringRef bareName =
        CFStringCreateWithCharacters(kCFAllocatorDefault, name->unicode, name->length);
    storeSpec(index, bareName, spec);

    FSRef parent;
    std::memset(&parent, 0, sizeof parent);
    FSGetParentRef(ref, &parent);
    HFSUniStr255 parentName;
    std::memset(&parentName, 0, sizeof parentName);
    FSGetFileDirName(&parent, &parentName);
    CFStringRef folderName =
        CFStringCreateWithCharacters(kCFAllocatorDefault, parentName.unicode, parentName.length);
    CFStringRef qualifiedName = CFStringCreateWithFormat(kCFAllocatorDefault, nullptr,
                                                         CFSTR("%@/%@"), folderName, bareName);
    storeSpec(index, qualifiedName, spec);

    CFRelease(qualifiedName);
    CFRelease(folderName);
    CFRelease(bareName);
    return false;
}

ImageImportManager::ImageImportManager(FSRef folder) {
    if (users++ > 0) {
        return; // the cache is built already; this instance shares it
    }
    fsSpecs = newIndex();
    components = newIndex();
    icons = newIndex();
    images = newIndex();
    FSIterateContainer(&folder, 0, kFSCatInfoNodeFlags, true, true, ImageImportManagerFilterProc,
                       fsSpecs);
}

ImageImportManager::~ImageImportManager() {
    if (--users > 0) {
        return; // another instance still uses the cache
    }
    tearDown();
}

void ImageImportManager::tearDown() {
    if (components != nullptr) {
        for (const void* value : valuesOf(components)) {
            if (value != nullptr) {
                CloseComponent(static_cast<ComponentInstance>(const_cast<void*>(value)));
            }
        }
        CFRelease(components);
        components = nullptr;
    }
    if (icons != nullptr) {
        for (const void* value : valuesOf(icons)) {
            if (value != nullptr) {
                ReleaseIconRef(static_cast<IconRef>(const_cast<void*>(value)));
            }
        }
        CFRelease(icons);
        icons = nullptr;
    }
    if (images != nullptr) {
        for (const void* value : valuesOf(images)) {
            if (value != nullptr) {
                CGImageRelease(static_cast<CGImageRef>(const_cast<void*>(value)));
            }
        }
        CFRelease(images);
        images = nullptr;
    }
    if (fsSpecs != nullptr) {
        for (const void* value : valuesOf(fsSpecs)) {
            std::free(const_cast<void*>(value));
        }
        CFRelease(fsSpecs);
        fsSpecs = nullptr;
    }
}

ComponentInstance ImageImportManager::componentForFilename(CFStringRef name) {
    if (name == nullptr || components == nullptr || fsSpecs == nullptr) {
        return nullptr;
    }
    const void* cached = nullptr;
    if (CFDictionaryGetValueIfPresent(components, name, &cached)) {
        return static_cast<ComponentInstance>(const_cast<void*>(cached));
    }
    const FSSpec* spec = specFor(fsSpecs, name);
    if (spec == nullptr) {
        return nullptr;
    }
    ComponentInstance importer = nullptr;
    GetGraphicsImporterForFileWithFlags(spec, &importer, kDontUseValidateToFindGraphicsImporter);
    CFDictionarySetValue(components, name, importer);
    return importer;
}

IconRef ImageImportManager::iconForFilename(CFStringRef name) {
    if (name == nullptr || icons == nullptr || fsSpecs == nullptr) {
        return nullptr;
    }
    const void* cached = nullptr;
    if (CFDictionaryGetValueIfPresent(icons, name, &cached)) {
        return static_cast<IconRef>(const_cast<void*>(cached));
    }
    const FSSpec* spec = specFor(fsSpecs, name);
    if (spec == nullptr) {
        return nullptr;
    }
    IconRef icon = nullptr;
    Handle family = NewHandle(0);
    if (family != nullptr) {
        ReadIconFile(spec, &family);
        HLock(family);
        Size size = GetHandleSize(family);
        GetIconRefFromIconFamilyPtr(reinterpret_cast<const IconFamilyResource*>(*family), size,
                                    &icon);
        HUnlock(family);
        DisposeHandle(family);
    }
    CFDictionarySetValue(icons, name, icon);
    return icon;
}

CGImageRef ImageImportManager::imageForFilename(CFStringRef name) {
    if (name == nullptr || images == nullptr || fsSpecs == nullptr) {
        return nullptr;
    }
    const void* cached = nullptr;
    if (CFDictionaryGetValueIfPresent(images, name, &cached)) {
        return static_cast<CGImageRef>(const_cast<void*>(cached));
    }
    const FSSpec* spec = specFor(fsSpecs, name);
    if (spec == nullptr) {
        return nullptr;
    }
    CGImageRef image = nullptr;
    // The image-source calls are linked weakly: older systems do not have them.
    if (CGImageSourceCreateWithURL != nullptr) {
        FSRef ref;
        std::memset(&ref, 0, sizeof ref);
        FSpMakeFSRef(spec, &ref);
        CFURLRef url = CFURLCreateFromFSRef(kCFAllocatorDefault, &ref);
        CGImageSourceRef source =
            url != nullptr ? CGImageSourceCreateWithURL(url, nullptr) : nullptr;
        if (source != nullptr) {
            if (CGImageSourceGetStatus(source) == kCGImageStatusComplete) {
                image = CGImageSourceCreateImageAtIndex(source, 0, nullptr);
            }
            CFRelease(source);
        }
        if (url != nullptr) {
            CFRelease(url);
        }
    }
    CFDictionarySetValue(images, name, image);
    return image;
}
