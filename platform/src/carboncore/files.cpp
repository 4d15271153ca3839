#include "FileSystem.h"

#include "../common/Unicode.h"
#include "../corefoundation/URLs.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace platform {
namespace {

constexpr UInt32 kRefMagic = 0x51465352; // "QFSR"

// The bytes of an FSRef.
struct RefBytes {
    UInt32 magic;
    UInt8 isFolder;
    UInt8 nameInline;
    UInt16 nameLength;
    UInt32 folderID;
    UInt32 nodeID;
    char name[64];
};
static_assert(sizeof(RefBytes) <= sizeof(FSRef));

struct Folder {
    UInt32 parentID;
    std::string name;
    dev_t dev;
    ino_t ino;
    int lentFd = -1;
};

struct InodeHash {
    size_t operator()(const std::pair<dev_t, ino_t>& key) const {
        return std::hash<ino_t>()(key.second) * 31 + std::hash<dev_t>()(key.first);
    }
};

struct Registry {
    std::unordered_map<UInt32, Folder> folders;
    std::unordered_map<std::pair<dev_t, ino_t>, UInt32, InodeHash> byInode;
};

Registry& registry() {
    static Registry* r = [] {
        auto* created = new Registry();
        struct stat st {};
        stat("/", &st);
        created->folders[fsRtDirID] = Folder{fsRtParID, "", st.st_dev, st.st_ino};
        created->byInode[{st.st_dev, st.st_ino}] = fsRtDirID;
        return created;
    }();
    return *r;
}

// A file that was named with more bytes than an FSSpec holds keeps a shortened name with its
// inode, "prefix#INODE", as the platform's own long names did.
std::string mangledName(const std::string& name, ino_t ino) {
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, "#%llx", static_cast<unsigned long long>(ino));
    size_t keep = 63 - std::strlen(suffix);
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) {
        --keep;
    }
    return name.substr(0, keep) + suffix;
}

// The name in the folder whose inode this is, found by reading the folder.
bool findByInode(int dirFd, ino_t ino, std::string* name) {
    int fd = dup(dirFd);
    DIR* dir = fd < 0 ? nullptr : fdopendir(fd);
    if (dir == nullptr) {
        if (fd >= 0) {
            close(fd);
        }
        return false;
    }
    rewinddir(dir);
    bool found = false;
    while (dirent* entry = readdir(dir)) {
        if (entry->d_ino == ino && std::strcmp(entry->d_name, ".") != 0 &&
            std::strcmp(entry->d_name, "..") != 0) {
            *name = entry->d_name;
            found = true;
            break;
        }
    }
    closedir(dir);
    return found;
}

} // namespace

OSErr statusForErrno(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return afpAccessDenied;
    case ENOENT:
        return fnfErr;
    case ENOTDIR:
    case ELOOP:
        return errFSNotAFolder;
    case ENOMEM:
        return memFullErr;
    default:
        return ioErr;
    }
}

bool decodeRef(const FSRef* ref, ItemRef* item, RefName name) {
    if (ref == nullptr) {
        return false;
    }
    RefBytes bytes;
    std::memcpy(&bytes, ref->hidden, sizeof bytes);
    if (bytes.magic != kRefMagic || bytes.nameLength > sizeof bytes.name ||
        !folderExists(bytes.folderID)) {
        return false;
    }
    item->isFolder = bytes.isFolder != 0;
    item->folderID = bytes.folderID;
    item->nodeID = bytes.nodeID;
    if (name == RefName::Wanted) {
        item->name.assign(bytes.name, bytes.nameLength);
    } else {
        item->name.clear();
    }
    return true;
}

void encodeRefParts(bool isFolder, UInt32 folderID, UInt32 nodeID, std::string_view name,
                    FSRef* ref) {
    // Built aside and copied in: an FSRef's bytes need not be aligned for the record.
    RefBytes bytes;
    std::memset(&bytes, 0, sizeof bytes);
    bytes.magic = kRefMagic;
    bytes.isFolder = isFolder ? 1 : 0;
    bytes.folderID = folderID;
    bytes.nodeID = nodeID;
    if (name.size() <= sizeof bytes.name) {
        bytes.nameInline = 1;
        bytes.nameLength = static_cast<UInt16>(name.size());
        if (!name.empty()) {
            std::memcpy(bytes.name, name.data(), name.size());
        }
    }
    // A name too long to carry leaves nameLength 0: the file is found again by its inode.
    std::memset(ref->hidden, 0, sizeof ref->hidden);
    std::memcpy(ref->hidden, &bytes, sizeof bytes);
}

void encodeRef(const ItemRef& item, FSRef* ref) {
    encodeRefParts(item.isFolder, item.folderID, item.nodeID, item.name, ref);
}

namespace {

// Whether the folder is the ancestor or the folder itself, following the registered parents.
bool isWithin(const Registry& r, UInt32 folderID, UInt32 ancestorID) {
    for (size_t steps = 0; steps <= r.folders.size(); ++steps) {
        if (folderID == ancestorID) {
            return true;
        }
        if (folderID == fsRtDirID) {
            return false;
        }
        auto found = r.folders.find(folderID);
        if (found == r.folders.end()) {
            return false;
        }
        folderID = found->second.parentID;
    }
    return true; // a loop already: treat it as inside
}

} // namespace

UInt32 registerFolder(UInt32 parentID, std::string_view name, dev_t dev, ino_t ino) {
    Registry& r = registry();
    auto found = r.byInode.find({dev, ino});
    if (found != r.byInode.end()) {
        Folder& folder = r.folders[found->second];
        // A folder moved since is found where it is now, unless its new place lies inside it
        // (a bind mount shows a folder within itself): the registry's parents never loop.
        if ((folder.parentID != parentID || folder.name != name) &&
            !isWithin(r, parentID, found->second)) {
            folder.parentID = parentID;
            folder.name.assign(name);
        }
        return found->second;
    }
    UInt32 id = static_cast<UInt32>(ino);
    while (id <= fsRtDirID || r.folders.count(id) != 0) {
        id = (id + 0x9E3779B9u) | 0x80000000u;
    }
    r.folders[id] = Folder{parentID, std::string(name), dev, ino};
    r.byInode[{dev, ino}] = id;
    return id;
}

dev_t folderDevice(UInt32 folderID) {
    auto found = registry().folders.find(folderID);
    return found == registry().folders.end() ? 0 : found->second.dev;
}

bool folderExists(UInt32 folderID) {
    return registry().folders.count(folderID) != 0;
}

UInt32 folderParent(UInt32 folderID) {
    auto found = registry().folders.find(folderID);
    return found == registry().folders.end() ? 0 : found->second.parentID;
}

std::string folderName(UInt32 folderID) {
    auto found = registry().folders.find(folderID);
    return found == registry().folders.end() ? std::string() : found->second.name;
}

UInt32 fileNodeID(ino_t ino) {
    auto id = static_cast<UInt32>(ino);
    return id <= fsRtDirID ? (id | 0x80000000u) : id;
}

int openFolder(UInt32 folderID) {
    Registry& r = registry();
    // The names from the nearest folder already open (or the root) down to this one; the walk
    // up is bounded by the registry's size, so a loop in it ends with ELOOP.
    std::vector<const std::string*> names;
    int fd = -1;
    bool borrowed = false;
    for (UInt32 at = folderID;;) {
        auto found = r.folders.find(at);
        if (found == r.folders.end()) {
            errno = ENOENT;
            return -1;
        }
        if (at == fsRtDirID) {
            fd = open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            break;
        }
        if (at != folderID && found->second.lentFd >= 0) {
            fd = found->second.lentFd;
            borrowed = true;
            break;
        }
        if (names.size() > r.folders.size()) {
            errno = ELOOP;
            return -1;
        }
        names.push_back(&found->second.name);
        at = found->second.parentID;
    }
    for (auto name = names.rbegin(); fd >= 0 && name != names.rend(); ++name) {
        int next = openat(fd, (*name)->c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        int saved = errno;
        if (!borrowed) {
            close(fd);
        }
        borrowed = false;
        errno = saved;
        fd = next;
    }
    return fd;
}

void lendFolderDescriptor(UInt32 folderID, int fd) {
    auto found = registry().folders.find(folderID);
    if (found != registry().folders.end()) {
        found->second.lentFd = fd;
    }
}

void returnFolderDescriptor(UInt32 folderID) {
    lendFolderDescriptor(folderID, -1);
}

std::string itemPath(const ItemRef& item) {
    std::vector<std::string> parts;
    if (!item.isFolder) {
        parts.push_back(item.name);
    }
    for (UInt32 id = item.folderID; id != fsRtDirID && id != 0; id = folderParent(id)) {
        parts.push_back(folderName(id));
    }
    std::string path;
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
        path += "/" + *it;
    }
    return path.empty() ? "/" : path;
}

bool itemForPath(const std::string& path, ItemRef* item) {
    if (path.empty() || path[0] != '/') {
        return false;
    }
    std::vector<std::string> parts;
    size_t at = 1;
    while (at <= path.size()) {
        size_t slash = path.find('/', at);
        std::string part =
            path.substr(at, slash == std::string::npos ? std::string::npos : slash - at);
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        if (slash == std::string::npos) {
            break;
        }
        at = slash + 1;
    }
    // One component at a time from its parent's descriptor: a path of depth d costs d opens.
    UInt32 folderID = fsRtDirID;
    int dirFd = open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        return false;
    }
    for (size_t i = 0; i < parts.size(); ++i) {
        struct stat st {};
        if (fstatat(dirFd, parts[i].c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            close(dirFd);
            return false;
        }
        if (!S_ISDIR(st.st_mode)) {
            close(dirFd);
            if (i + 1 != parts.size()) {
                return false;
            }
            *item = ItemRef{false, folderID, fileNodeID(st.st_ino), parts[i]};
            return true;
        }
        folderID = registerFolder(folderID, parts[i], st.st_dev, st.st_ino);
        if (i + 1 == parts.size()) {
            break;
        }
        int child =
            openat(dirFd, parts[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        close(dirFd);
        if (child < 0) {
            return false;
        }
        dirFd = child;
    }
    close(dirFd);
    *item = ItemRef{true, folderID, folderID, ""};
    return true;
}

void fillSpec(UInt32 parentID, std::string_view name, ino_t ino, FSSpec* spec) {
    std::memset(spec, 0, sizeof *spec);
    spec->vRefNum = kVolumeRefNum;
    spec->parID = static_cast<SInt32>(parentID);
    if (name.size() <= 63) {
        spec->name[0] = static_cast<unsigned char>(name.size());
        if (!name.empty()) {
            std::memcpy(spec->name + 1, name.data(), name.size());
        }
        return;
    }
    std::string stored = mangledName(std::string(name), ino);
    spec->name[0] = static_cast<unsigned char>(stored.size());
    std::memcpy(spec->name + 1, stored.data(), stored.size());
}

void fillName(std::string_view name, HFSUniStr255* out) {
    // Most names are ASCII: each byte is a unit, with nothing to decode.
    size_t i = 0;
    size_t limit = std::min<size_t>(name.size(), 255);
    while (i < limit && static_cast<unsigned char>(name[i]) < 0x80) {
        out->unicode[i] = static_cast<UniChar>(name[i]);
        ++i;
    }
    if (i == name.size() || i == 255) {
        out->length = static_cast<UInt16>(i);
        return;
    }
    std::u16string units = utf8ToUtf16Lenient(name);
    size_t length = std::min<size_t>(units.size(), 255);
    out->length = static_cast<UInt16>(length);
    std::memcpy(out->unicode, units.data(), length * sizeof(UniChar));
}

bool itemForSpec(const FSSpec* spec, ItemRef* item) {
    if (spec == nullptr || spec->vRefNum != kVolumeRefNum) {
        return false;
    }
    auto parentID = static_cast<UInt32>(spec->parID);
    if (!folderExists(parentID)) {
        return false;
    }
    std::string name(reinterpret_cast<const char*>(spec->name + 1), spec->name[0]);
    if (name.empty()) {
        *item = ItemRef{true, parentID, parentID, ""};
        return true;
    }
    int dirFd = openFolder(parentID);
    if (dirFd < 0) {
        return false;
    }
    struct stat st {};
    bool ok = fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    size_t hash = name.rfind('#');
    if (!ok && hash != std::string::npos) {
        // A shortened long name: find the file by the inode it carries.
        unsigned long long ino = std::strtoull(name.c_str() + hash + 1, nullptr, 16);
        std::string full;
        if (findByInode(dirFd, static_cast<ino_t>(ino), &full)) {
            name = full;
            ok = fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
        }
    }
    close(dirFd);
    if (!ok) {
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        UInt32 id = registerFolder(parentID, name, st.st_dev, st.st_ino);
        *item = ItemRef{true, id, id, ""};
    } else {
        *item = ItemRef{false, parentID, fileNodeID(st.st_ino), name};
    }
    return true;
}

int openFileItem(const ItemRef& item) {
    if (item.isFolder) {
        errno = EISDIR;
        return -1;
    }
    int dirFd = openFolder(item.folderID);
    if (dirFd < 0) {
        return -1;
    }
    int fd = openat(dirFd, item.name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    int saved = errno;
    close(dirFd);
    errno = saved;
    return fd;
}

// Completes an item whose name did not fit its FSRef.
bool completeName(ItemRef* item) {
    if (item->isFolder || !item->name.empty()) {
        return true;
    }
    int dirFd = openFolder(item->folderID);
    if (dirFd < 0) {
        return false;
    }
    // The node ID holds the inode's low 32 bits.
    DIR* dir = nullptr;
    int fd = dup(dirFd);
    close(dirFd);
    if (fd < 0 || (dir = fdopendir(fd)) == nullptr) {
        if (fd >= 0) {
            close(fd);
        }
        return false;
    }
    bool found = false;
    while (dirent* entry = readdir(dir)) {
        if (fileNodeID(entry->d_ino) == item->nodeID && std::strcmp(entry->d_name, ".") != 0 &&
            std::strcmp(entry->d_name, "..") != 0) {
            item->name = entry->d_name;
            found = true;
            break;
        }
    }
    closedir(dir);
    return found;
}

} // namespace platform

using platform::ItemRef;

extern "C" {

OSErr FSGetCatalogInfo(const FSRef* ref, FSCatalogInfoBitmap whichInfo, FSCatalogInfo* catalogInfo,
                       HFSUniStr255* outName, FSSpec* fsSpec, FSRef* parentRef) {
    ItemRef item;
    bool nameWanted = outName != nullptr || fsSpec != nullptr;
    if (!platform::decodeRef(
            ref, &item, nameWanted ? platform::RefName::Wanted : platform::RefName::NotWanted)) {
        return errFSBadFSRef;
    }
    if (nameWanted && !platform::completeName(&item)) {
        return fnfErr;
    }
    UInt32 parentID = item.isFolder ? platform::folderParent(item.folderID) : item.folderID;
    if (catalogInfo != nullptr) {
        if (whichInfo & kFSCatInfoNodeFlags) {
            catalogInfo->nodeFlags = item.isFolder ? kFSNodeIsDirectoryMask : 0;
        }
        if (whichInfo & kFSCatInfoVolume) {
            catalogInfo->volume = platform::kVolumeRefNum;
        }
        if (whichInfo & kFSCatInfoParentDirID) {
            catalogInfo->parentDirID = parentID;
        }
        if (whichInfo & kFSCatInfoNodeID) {
            catalogInfo->nodeID = item.nodeID;
        }
    }
    if (nameWanted) {
        std::string name = item.isFolder ? platform::folderName(item.folderID) : item.name;
        if (outName != nullptr) {
            platform::fillName(name, outName);
        }
        if (fsSpec != nullptr) {
            platform::fillSpec(parentID, name, item.nodeID, fsSpec);
        }
    }
    if (parentRef != nullptr) {
        ItemRef parent{true, parentID, parentID, ""};
        if (parentID == fsRtParID || !platform::folderExists(parentID)) {
            std::memset(parentRef, 0, sizeof *parentRef);
        } else {
            platform::encodeRef(parent, parentRef);
        }
    }
    return noErr;
}

OSErr FSpMakeFSRef(const FSSpec* source, FSRef* newRef) {
    if (source == nullptr || newRef == nullptr) {
        return paramErr;
    }
    ItemRef item;
    if (!platform::itemForSpec(source, &item)) {
        return fnfErr;
    }
    platform::encodeRef(item, newRef);
    return noErr;
}

Boolean CFURLGetFSRef(CFURLRef url, FSRef* fsRef) {
    ItemRef item;
    if (fsRef == nullptr || !platform::itemForPath(platform::urlPath(url), &item)) {
        return false;
    }
    platform::encodeRef(item, fsRef);
    return true;
}

CFURLRef CFURLCreateFromFSRef(CFAllocatorRef, const FSRef* fsRef) {
    ItemRef item;
    if (!platform::decodeRef(fsRef, &item) || !platform::completeName(&item)) {
        return nullptr;
    }
    return platform::createURL(platform::itemPath(item), item.isFolder);
}

} // extern "C"
