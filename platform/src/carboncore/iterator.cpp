#include "FileSystem.h"

#include "../common/Object.h"
#include "../common/TypeIDs.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

struct OpaqueFSIterator : platform::Object {
    DIR* dir = nullptr;
    UInt32 folderID = 0;
    dev_t dev = 0;
};

namespace {

void iteratorFinalize(platform::Object* object) {
    auto* iterator = static_cast<OpaqueFSIterator*>(object);
    if (iterator->dir != nullptr) {
        platform::returnFolderDescriptor(iterator->folderID);
        closedir(iterator->dir);
        iterator->dir = nullptr;
    }
}

const platform::ObjectClass kIteratorClass = {
    "FSIterator", platform::kTypeIDToolbox, iteratorFinalize, nullptr, nullptr, nullptr};

} // namespace

extern "C" {

OSErr FSOpenIterator(const FSRef* container, FSIteratorFlags iteratorFlags, FSIterator* iterator) {
    if (iterator == nullptr) {
        return paramErr;
    }
    if (iteratorFlags != kFSIterateFlat) {
        return errFSBadIteratorFlags;
    }
    platform::ItemRef item;
    if (!platform::decodeRef(container, &item)) {
        return errFSBadFSRef;
    }
    if (!item.isFolder) {
        return errFSNotAFolder;
    }
    int fd = platform::openFolder(item.folderID);
    if (fd < 0) {
        return platform::statusForErrno(errno);
    }
    DIR* dir = fdopendir(fd);
    if (dir == nullptr) {
        OSErr status = platform::statusForErrno(errno);
        close(fd);
        return status;
    }
    auto* opened = platform::createObject<OpaqueFSIterator>(&kIteratorClass);
    if (opened == nullptr) {
        closedir(dir);
        return memFullErr;
    }
    opened->dir = dir;
    opened->folderID = item.folderID;
    // The folder's own device, not the one it was registered under: a folder that is a mount
    // point holds items of another file system, whose inodes may match folders outside it.
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        OSErr status = platform::statusForErrno(errno);
        closedir(dir);
        platform::releaseObject(opened);
        return status;
    }
    opened->dev = st.st_dev;
    platform::lendFolderDescriptor(item.folderID, fd);
    *iterator = opened;
    return noErr;
}

OSErr FSCloseIterator(FSIterator iterator) {
    if (platform::objectAs<OpaqueFSIterator>(iterator, &kIteratorClass) == nullptr) {
        return errFSIteratorNotFound;
    }
    platform::releaseObject(iterator);
    return noErr;
}

OSErr FSGetCatalogInfoBulk(FSIterator iterator, ItemCount maximumObjects, ItemCount* actualObjects,
                           Boolean* containerChanged, FSCatalogInfoBitmap whichInfo,
                           FSCatalogInfo* catalogInfos, FSRef* refs, FSSpec* specs,
                           HFSUniStr255* names) {
    auto* it = platform::objectAs<OpaqueFSIterator>(iterator, &kIteratorClass);
    if (it == nullptr) {
        return errFSIteratorNotFound;
    }
    if (maximumObjects == 0 || actualObjects == nullptr) {
        return errFSBadItemCount;
    }
    *actualObjects = 0;
    if (containerChanged != nullptr) {
        *containerChanged = false;
    }
    for (;;) {
        errno = 0;
        dirent* entry = readdir(it->dir);
        if (entry == nullptr) {
            return errno == 0 ? OSErr{errFSNoMoreItems} : platform::statusForErrno(errno);
        }
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
            continue;
        }
        // The listing tells folders from other items; only where it does not is the item
        // looked at. A symbolic link is never taken for what it points to.
        bool isFolder = entry->d_type == DT_DIR;
        ino_t ino = entry->d_ino;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            if (fstatat(dirfd(it->dir), name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                continue; // gone since it was listed
            }
            isFolder = S_ISDIR(st.st_mode);
            ino = st.st_ino;
        }
        std::string_view itemName(name);
        UInt32 folderID = it->folderID;
        UInt32 nodeID;
        if (isFolder) {
            folderID = nodeID = platform::registerFolder(it->folderID, itemName, it->dev, ino);
        } else {
            nodeID = platform::fileNodeID(ino);
        }
        if (catalogInfos != nullptr) {
            std::memset(catalogInfos, 0, sizeof *catalogInfos);
            if (whichInfo & kFSCatInfoNodeFlags) {
                catalogInfos->nodeFlags = isFolder ? kFSNodeIsDirectoryMask : 0;
            }
            if (whichInfo & kFSCatInfoVolume) {
                catalogInfos->volume = platform::kVolumeRefNum;
            }
            if (whichInfo & kFSCatInfoParentDirID) {
                catalogInfos->parentDirID = it->folderID;
            }
            if (whichInfo & kFSCatInfoNodeID) {
                catalogInfos->nodeID = nodeID;
            }
        }
        if (refs != nullptr) {
            platform::encodeRefParts(isFolder, folderID, nodeID,
                                     isFolder ? std::string_view() : itemName, refs);
        }
        if (specs != nullptr) {
            platform::fillSpec(it->folderID, itemName, ino, specs);
        }
        if (names != nullptr) {
            platform::fillName(itemName, names);
        }
        *actualObjects = 1;
        return noErr;
    }
}

} // extern "C"
