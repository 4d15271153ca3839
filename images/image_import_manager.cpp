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

// The index's FSSpec records come from blocks of many, not one allocation each: a cache of a
// large tree holds one per file. Both keys of a file hold the same record, which counts its
// keys and goes back to the pool when the last lets go of it. A freed record goes on a list for
// the next; the blocks go when the last record is freed.
struct SharedSpec {
    FSSpec spec; // first, so that a record's address is its FSSpec's
    UInt16 holders;
};

class SpecPool {
  public:
    // A record holding a copy of the FSSpec, with one holder.
    FSSpec* allocate(const FSSpec* spec) {
        SharedSpec* record = free_;
        if (record != nullptr) {
            std::memcpy(&free_, static_cast<const void*>(record), kLinkBytes);
        } else {
            if (blocks_.empty() || used_ == kPerBlock) {
                auto* block = static_cast<SharedSpec*>(std::malloc(kPerBlock * sizeof(SharedSpec)));
                if (block == nullptr) {
                    return nullptr;
                }
                blocks_.push_back(block);
                used_ = 0;
            }
            record = blocks_.back() + used_++;
        }
        std::memcpy(&record->spec, spec, sizeof(FSSpec));
        record->holders = 1;
        ++live_;
        ++holders_;
        return &record->spec;
    }
    void retain(const FSSpec* spec) {
        ++recordOf(spec)->holders;
        ++holders_;
    }
    void release(const void* spec) {
        SharedSpec* record = recordOf(static_cast<const FSSpec*>(spec));
        --holders_;
        if (--record->holders > 0) {
            return;
        }
        std::memcpy(static_cast<void*>(record), &free_, kLinkBytes);
        free_ = record;
        if (--live_ == 0) {
            releaseAll();
        }
    }

    // How many keys hold a record, over all records.
    size_t holders() const { return holders_; }
    // Frees every record at once: for when all the holders are known to be done with them.
    void releaseAll() {
        for (SharedSpec* block : blocks_) {
            std::free(block);
        }
        blocks_.clear();
        free_ = nullptr;
        used_ = 0;
        live_ = 0;
        holders_ = 0;
    }

  private:
    static SharedSpec* recordOf(const FSSpec* spec) {
        return reinterpret_cast<SharedSpec*>(const_cast<FSSpec*>(spec));
    }

    static constexpr size_t kPerBlock = 4096;
    // A freed record's first bytes hold the next freed one.
    static constexpr size_t kLinkBytes = sizeof(void*);
    static_assert(sizeof(SharedSpec) >= kLinkBytes);
    std::vector<SharedSpec*> blocks_;
    size_t used_ = 0;
    size_t live_ = 0;
    size_t holders_ = 0;
    SharedSpec* free_ = nullptr; // threaded through the first bytes of the freed records
};

SpecPool& specPool() {
    static SpecPool pool;
    return pool;
}

// Stores the record under the key, as one more holder of it; a record it displaces loses a
// holder. A key seen for the first time, the common case, is stored with one look into the
// table.
void storeSpec(CFMutableDictionaryRef index, CFStringRef key, const FSSpec* record) {
    specPool().retain(record);
    CFIndex before = CFDictionaryGetCount(index);
    CFDictionaryAddValue(index, key, record);
    if (CFDictionaryGetCount(index) > before) {
        return;
    }
    // The key was there already, and the file visited later wins.
    const void* displaced = nullptr;
    if (!CFDictionaryGetValueIfPresent(index, key, &displaced)) {
        specPool().release(record); // not stored: there was no memory for the key
        return;
    }
    CFDictionarySetValue(index, key, record);
    specPool().release(displaced);
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

namespace {

// The folder the last indexed file lay in, and its "name/" prefix as UTF-16 units: every file of
// a folder comes with the same parent, so the parent is looked up once per folder, not per file.
// A file's FSSpec names its folder (volume and folder ID), which tells when the folder changes.
struct FolderPrefix {
    SInt16 vRefNum = 0;
    SInt32 parID = 0;
    bool known = false;
    UInt16 length = 0;
    UniChar units[256]; // the folder's name and a "/"
};
FolderPrefix gLastFolder;

const FolderPrefix& prefixFor(const FSRef* item, const FSSpec* spec) {
    if (gLastFolder.known && spec->vRefNum == gLastFolder.vRefNum &&
        spec->parID == gLastFolder.parID) {
        return gLastFolder;
    }
    FSRef parent;
    std::memset(&parent, 0, sizeof parent);
    FSGetParentRef(item, &parent);
    HFSUniStr255 parentName;
    std::memset(&parentName, 0, sizeof parentName);
    FSGetFileDirName(&parent, &parentName);
    gLastFolder.vRefNum = spec->vRefNum;
    gLastFolder.parID = spec->parID;
    gLastFolder.known = true;
    std::memcpy(gLastFolder.units, parentName.unicode, parentName.length * sizeof(UniChar));
    gLastFolder.units[parentName.length] = '/';
    gLastFolder.length = static_cast<UInt16>(parentName.length + 1);
    return gLastFolder;
}

} // namespace

void ImageImportManagerFreeSpec(const void* record) {
    if (record != nullptr) {
        specPool().release(record);
    }
}

Boolean ImageImportManagerFilterProc(Boolean, ItemCount, const FSCatalogInfo* catalogInfo,
                                     const FSRef* ref, const FSSpec* spec, const HFSUniStr255* name,
                                     void* data) {
    if ((catalogInfo->nodeFlags & kFSNodeIsDirectoryMask) != 0) {
        return false; // folders are entered, not indexed
    }
    auto index = static_cast<CFMutableDictionaryRef>(data);
    // One record for both keys: the FSSpec the walk gave is the file's under either.
    const FSSpec* record = specPool().allocate(spec);
    if (record == nullptr) {
        return false;
    }
    CFStringRef bareName =
        CFStringCreateWithCharacters(kCFAllocatorDefault, name->unicode, name->length);
    storeSpec(index, bareName, record);
    CFRelease(bareName);

    // The folder-qualified key, "folder/name", made from its units at once: the same text as
    // the format "%@/%@" of the folder's name and the bare name gives.
    const FolderPrefix& prefix = prefixFor(ref, spec);
    UniChar qualified[256 + 255];
    std::memcpy(qualified, prefix.units, prefix.length * sizeof(UniChar));
    std::memcpy(qualified + prefix.length, name->unicode, name->length * sizeof(UniChar));
    CFStringRef qualifiedName =
        CFStringCreateWithCharacters(kCFAllocatorDefault, qualified, prefix.length + name->length);
    storeSpec(index, qualifiedName, record);
    CFRelease(qualifiedName);
    ImageImportManagerFreeSpec(record); // the keys hold it now
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
    gLastFolder.known = false;
    FSIterateContainer(&folder, 0, kFSCatInfoNodeFlags, true, true, ImageImportManagerFilterProc,
                       fsSpecs);
    gLastFolder.known = false;
}

ImageImportManager::~ImageImportManager() {
    if (--users > 0) {
        return; // another instance still uses the cache
    }
    tearDown();
}

namespace {

// Releases every value the cache holds with the release call of its kind, then the cache.
void releaseCache(CFMutableDictionaryRef* cache, void (*release)(void* value)) {
    if (*cache == nullptr) {
        return;
    }
    for (const void* value : valuesOf(*cache)) {
        if (value != nullptr) {
            release(const_cast<void*>(value));
        }
    }
    CFRelease(*cache);
    *cache = nullptr;
}

} // namespace

void ImageImportManager::tearDown() {
    releaseCache(&components,
                 [](void* value) { CloseComponent(static_cast<ComponentInstance>(value)); });
    releaseCache(&icons, [](void* value) { ReleaseIconRef(static_cast<IconRef>(value)); });
    releaseCache(&images, [](void* value) { CGImageRelease(static_cast<CGImageRef>(value)); });
    if (fsSpecs != nullptr) {
        // Each value holds its record: when they are all the pool's holders, the pool's blocks
        // go at once, without a visit to every record.
        if (specPool().holders() == static_cast<size_t>(CFDictionaryGetCount(fsSpecs))) {
            specPool().releaseAll();
        } else {
            for (const void* value : valuesOf(fsSpecs)) {
                ImageImportManagerFreeSpec(value);
            }
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
