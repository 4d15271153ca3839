#include "fsutil/FSUtilities.h"

#include <cstring>

namespace {

// The state of one walk, shared by every level of it: each level adds only its iterator.
struct FSIterateContainerGlobals {
    ContainerFilterProc filter;
    FSCatalogInfoBitmap whichInfo;
    FSCatalogInfo catalogInfo;
    FSRef ref; // the container, then the current item; the folder the next level opens
    FSSpec spec;
    FSSpec* specPtr;
    HFSUniStr255 name;
    HFSUniStr255* namePtr;
    void* data;
    ItemCount maxLevels;
    ItemCount currentLevel;
    Boolean quit;
    Boolean containerChanged;
    OSErr result;
    ItemCount actualObjects;
};

void FSIterateContainerLevel(FSIterateContainerGlobals* globals) {
    if (globals->maxLevels != 0 && globals->currentLevel >= globals->maxLevels) {
        return;
    }
    FSIterator iterator = nullptr;
    globals->result = FSOpenIterator(&globals->ref, kFSIterateFlat, &iterator);
    if (globals->result != noErr) {
        return;
    }
    ++globals->currentLevel;
    do {
        globals->result = FSGetCatalogInfoBulk(
            iterator, 1, &globals->actualObjects, &globals->containerChanged, globals->whichInfo,
            &globals->catalogInfo, &globals->ref, globals->specPtr, globals->namePtr);
        if ((globals->result == noErr || globals->result == errFSNoMoreItems) &&
            globals->actualObjects != 0) {
            globals->quit = globals->filter(globals->containerChanged, globals->currentLevel,
                                            &globals->catalogInfo, &globals->ref, globals->specPtr,
                                            globals->namePtr, globals->data);
            if ((globals->catalogInfo.nodeFlags & kFSNodeIsDirectoryMask) != 0 && !globals->quit) {
                FSIterateContainerLevel(globals);
            }
        }
    } while (!globals->quit && globals->result == noErr);
    // The end of a folder, or a folder that may not be read, ends only that folder.
    if (globals->result == errFSNoMoreItems || globals->result == afpAccessDenied) {
        globals->result = noErr;
    }
    --globals->currentLevel;
    FSCloseIterator(iterator);
}

} // namespace

extern "C" {

OSErr FSIterateContainer(const FSRef* container, ItemCount maxLevels, FSCatalogInfoBitmap whichInfo,
                         Boolean wantFSSpec, Boolean wantName, ContainerFilterProc filter,
                         void* data) {
    if (filter == nullptr || container == nullptr) {
        return paramErr;
    }
    FSIterateContainerGlobals globals;
    std::memset(&globals, 0, sizeof globals);
    globals.filter = filter;
    globals.whichInfo = whichInfo | kFSCatInfoNodeFlags;
    std::memcpy(&globals.ref, container, sizeof globals.ref);
    globals.specPtr = wantFSSpec ? &globals.spec : nullptr;
    globals.namePtr = wantName ? &globals.name : nullptr;
    globals.data = data;
    globals.maxLevels = maxLevels;
    FSIterateContainerLevel(&globals);
    return globals.result;
}

OSErr FSGetParentRef(const FSRef* ref, FSRef* parentRef) {
    if (parentRef == nullptr) {
        return paramErr;
    }
    FSCatalogInfo catalogInfo;
    OSErr status =
        FSGetCatalogInfo(ref, kFSCatInfoNodeID, &catalogInfo, nullptr, nullptr, parentRef);
    if (status != noErr) {
        return status;
    }
    // A volume's root folder has no parent.
    if (catalogInfo.nodeID == fsRtDirID) {
        std::memset(parentRef, 0, sizeof *parentRef);
    }
    return noErr;
}

OSErr FSGetFileDirName(const FSRef* ref, HFSUniStr255* outName) {
    if (outName == nullptr) {
        return paramErr;
    }
    return FSGetCatalogInfo(ref, kFSCatInfoNone, nullptr, outName, nullptr, nullptr);
}

} // extern "C"
