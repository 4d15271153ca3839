// The inside of the File Manager: folders are known by ID in a registry that holds each one's
// parent and name (never a whole path), so that deep trees are reached folder by folder with
// openat. Files are named by their folder and their name and are not registered.
#pragma once

#include <CarbonCore/Files.h>

#include <string>
#include <string_view>
#include <sys/types.h>

namespace platform {

constexpr FSVolumeRefNum kVolumeRefNum = -1;

struct ItemRef {
    bool isFolder = false;
    UInt32 folderID = 0; // a folder: its ID; a file: its parent folder's ID
    UInt32 nodeID = 0;   // a folder: its ID again; a file: from its inode
    std::string name;    // a file's name (empty for a folder)
};

enum class RefName { Wanted, NotWanted };

// False for bytes that are not an FSRef made by this platform. The name is copied only when
// wanted (a file's; a folder's is in the registry).
bool decodeRef(const FSRef* ref, ItemRef* item, RefName name = RefName::Wanted);
void encodeRef(const ItemRef& item, FSRef* ref);

// The registered folder for an inode in a parent folder, registered now if new.
UInt32 registerFolder(UInt32 parentID, std::string_view name, dev_t dev, ino_t ino);
// The device a registered folder lies on.
dev_t folderDevice(UInt32 folderID);
bool folderExists(UInt32 folderID);
UInt32 folderParent(UInt32 folderID);
std::string folderName(UInt32 folderID);
// A node ID for a file's inode that is never the root's 2 or its parent's 1.
UInt32 fileNodeID(ino_t ino);

// Opens a registered folder (O_DIRECTORY, links not followed); -1 with errno set on failure.
// Uses the open descriptor of an ancestor whose items are being read, when there is one.
int openFolder(UInt32 folderID);
// While an iterator reads a folder, its descriptor serves to open the folders inside it.
void lendFolderDescriptor(UInt32 folderID, int fd);
void returnFolderDescriptor(UInt32 folderID);

// The item's full path, for URLs.
std::string itemPath(const ItemRef& item);
// The item of an absolute path, registering its folders; false when it does not exist.
bool itemForPath(const std::string& path, ItemRef* item);
// Resolves an FSSpec to its item; false when it names nothing.
bool itemForSpec(const FSSpec* spec, ItemRef* item);
void fillSpec(UInt32 parentID, std::string_view name, ino_t ino, FSSpec* spec);
void fillName(std::string_view name, HFSUniStr255* out);
// The FSRef of an item named by its parts, without making an ItemRef.
void encodeRefParts(bool isFolder, UInt32 folderID, UInt32 nodeID, std::string_view name,
                    FSRef* ref);

// Opens a file item for reading; -1 with errno set on failure.
int openFileItem(const ItemRef& item);

// The status a failed system call stands for.
OSErr statusForErrno(int error);

} // namespace platform
