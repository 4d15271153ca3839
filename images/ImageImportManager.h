// A cache of the pictures in the bundle's resources: every file under a folder is indexed by its
// name and by its folder's name and its name, and the importer, icon or image for a name is made
// on first request and kept.
#pragma once

#include <Carbon/Carbon.h>

// The cache is one per process and class-wide; each live instance is one more user of it. The
// first instance builds it, the last one to go tears it down.
class ImageImportManager {
  public:
    explicit ImageImportManager(FSRef folder);
    ~ImageImportManager();
    ImageImportManager(const ImageImportManager&) = delete;
    ImageImportManager& operator=(const ImageImportManager&) = delete;

    // The objects returned stay the cache's: callers neither close nor release them, and do not
    // keep them past the cache's destruction. Null for a null or unknown name, a file whose
    // object could not be made (remembered, not retried), or when no cache exists.
    static ComponentInstance componentForFilename(CFStringRef name);
    static IconRef iconForFilename(CFStringRef name);
    static CGImageRef imageForFilename(CFStringRef name);

  private:
    static void tearDown();

    static CFMutableDictionaryRef fsSpecs;
    static CFMutableDictionaryRef components;
    static CFMutableDictionaryRef icons;
    static CFMutableDictionaryRef images;
    static int users;
};

// The walk's filter: indexes each file under both its keys in the fsSpecs dictionary (data).
// Both keys of a file hold one FSSpec record; each value is let go of once, with
// ImageImportManagerFreeSpec, and the record goes with its last holder.
Boolean ImageImportManagerFilterProc(Boolean containerChanged, ItemCount currentLevel,
                                     const FSCatalogInfo* catalogInfo, const FSRef* ref,
                                     const FSSpec* spec, const HFSUniStr255* name, void* data);
void ImageImportManagerFreeSpec(const void* record);
