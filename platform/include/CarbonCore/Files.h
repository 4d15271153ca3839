/* The File Manager over the host's file system: one volume whose root folder is "/".
   An FSRef names a file or folder; an FSSpec names one by its parent folder's ID and its name.
   Symbolic links are items of their own and never followed. */
#ifndef PLATFORM_FILES_H
#define PLATFORM_FILES_H

#include <CoreFoundation/CFURL.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef SInt16 FSVolumeRefNum;
typedef UInt32 ItemCount;
typedef UInt32 FSCatalogInfoBitmap;
typedef UInt32 FSIteratorFlags;

typedef struct FSRef {
    UInt8 hidden[80];
} FSRef;

#pragma pack(push, 2)
/* The 70-byte file specification: volume, parent folder ID, name (a Pascal string). */
typedef struct FSSpec {
    SInt16 vRefNum;
    SInt32 parID;
    Str63 name;
} FSSpec;
#pragma pack(pop)

typedef struct HFSUniStr255 {
    UInt16 length;
    UniChar unicode[255];
} HFSUniStr255;

typedef struct FSCatalogInfo {
    UInt16 nodeFlags;
    FSVolumeRefNum volume;
    UInt32 parentDirID;
    UInt32 nodeID;
    UInt8 sharingFlags;
    UInt8 userPrivileges;
    UInt8 reserved1;
    UInt8 reserved2;
    UInt64 dataLogicalSize;
} FSCatalogInfo;

enum {
    kFSCatInfoNone = 0x00000000,
    kFSCatInfoTextEncoding = 0x00000001,
    kFSCatInfoNodeFlags = 0x00000002,
    kFSCatInfoVolume = 0x00000004,
    kFSCatInfoParentDirID = 0x00000008,
    kFSCatInfoNodeID = 0x00000010,
    kFSCatInfoDataSizes = 0x00004000
};

enum { kFSNodeIsDirectoryMask = 0x0010 };
enum { kFSIterateFlat = 0, kFSIterateSubtree = 1 };
enum { fsRtParID = 1, fsRtDirID = 2 };

enum {
    errFSBadFSRef = -1401,
    errFSNotAFolder = -1407,
    errFSBadItemCount = -1410,
    errFSBadIteratorFlags = -1413,
    errFSIteratorNotFound = -1424
};

typedef struct OpaqueFSIterator* FSIterator;

/* Opens a folder's items for reading, one item per bulk read. -5000 when the folder can't be
   read for lack of permission, errFSNotAFolder for anything that is not a folder. */
OSErr FSOpenIterator(const FSRef* container, FSIteratorFlags iteratorFlags, FSIterator* iterator);
OSErr FSCloseIterator(FSIterator iterator);
/* Returns one item (with status 0) while items remain, then errFSNoMoreItems with a count of 0.
   The node flags and node ID come from the folder listing without a look at each item. */
OSErr FSGetCatalogInfoBulk(FSIterator iterator, ItemCount maximumObjects, ItemCount* actualObjects,
                           Boolean* containerChanged, FSCatalogInfoBitmap whichInfo,
                           FSCatalogInfo* catalogInfos, FSRef* refs, FSSpec* specs,
                           HFSUniStr255* names);
OSErr FSGetCatalogInfo(const FSRef* ref, FSCatalogInfoBitmap whichInfo, FSCatalogInfo* catalogInfo,
                       HFSUniStr255* outName, FSSpec* fsSpec, FSRef* parentRef);
OSErr FSpMakeFSRef(const FSSpec* source, FSRef* newRef);

Boolean CFURLGetFSRef(CFURLRef url, FSRef* fsRef);
CFURLRef CFURLCreateFromFSRef(CFAllocatorRef allocator, const FSRef* fsRef);

#ifdef __cplusplus
}
#endif

#endif
