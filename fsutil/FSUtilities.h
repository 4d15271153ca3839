// File Manager convenience routines: a depth-first walk of a folder tree, and an item's parent
// and name. Exported by name from the bundle.
#pragma once

#include <Carbon/Carbon.h>

#define FS_EXPORT __attribute__((visibility("default")))

extern "C" {

// Called once for every item of the walk, folders included; true ends the walk. The pointers
// are valid only until the walk reads the next item. The file specification and name are null
// when the caller did not ask for them.
typedef Boolean (*ContainerFilterProc)(Boolean containerChanged, ItemCount currentLevel,
                                       const FSCatalogInfo* catalogInfo, const FSRef* ref,
                                       const FSSpec* spec, const HFSUniStr255* name, void* data);

// Walks the tree below the container depth first, a folder before its contents, reading one
// item at a time. maxLevels 0 walks the whole tree; N hands the filter levels 1 to N. The node
// flags are always fetched, whatever whichInfo asks for. -50 for a null filter.
FS_EXPORT OSErr FSIterateContainer(const FSRef* container, ItemCount maxLevels,
                                   FSCatalogInfoBitmap whichInfo, Boolean wantFSSpec,
                                   Boolean wantName, ContainerFilterProc filter, void* data);

// The item's parent folder; all zero for a volume's root folder.
FS_EXPORT OSErr FSGetParentRef(const FSRef* ref, FSRef* parentRef);

// The item's name.
FS_EXPORT OSErr FSGetFileDirName(const FSRef* ref, HFSUniStr255* outName);

} // extern "C"
