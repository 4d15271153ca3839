// The File Manager over the real file system.
#include "support/FileRefs.h"
#include "support/PlatformTest.h"
#include "support/TempTree.h"

#include <cstring>
#include <string>

namespace {

class FilesTest : public PlatformTest {
  protected:
    FSRef refFor(const std::string& path, bool* ok = nullptr) { return fsRefFor(path, ok); }
    std::string pathOf(const FSRef& ref) {
        CFURLRef url = CFURLCreateFromFSRef(nullptr, &ref);
        char path[8192] = "";
        CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<UInt8*>(path), sizeof path);
        if (url != nullptr) {
            CFRelease(url);
        }
        return path;
    }
    TempTree tree_;
};

TEST_F(FilesTest, RecordSizesAreThePlatforms) {
    EXPECT_EQ(sizeof(FSRef), 80u);
    EXPECT_EQ(sizeof(FSSpec), 70u);
    EXPECT_EQ(sizeof(HFSUniStr255), 512u);
}

TEST_F(FilesTest, BulkReadsGiveOneItemThenNoMoreItems) {
    tree_.file("only", "x");
    FSRef folder = refFor(tree_.root());
    FSIterator iterator = nullptr;
    ASSERT_EQ(FSOpenIterator(&folder, kFSIterateFlat, &iterator), noErr);
    ItemCount count = 99;
    Boolean changed = true;
    FSCatalogInfo info;
    FSRef ref;
    FSSpec spec;
    HFSUniStr255 name;
    EXPECT_EQ(FSGetCatalogInfoBulk(iterator, 10, &count, &changed, kFSCatInfoNodeID, &info, &ref,
                                   &spec, &name),
              noErr);
    EXPECT_EQ(count, 1u) << "one item a call";
    EXPECT_FALSE(changed);
    EXPECT_EQ(info.nodeFlags & kFSNodeIsDirectoryMask, 0);
    EXPECT_NE(info.nodeID, 0u);
    EXPECT_EQ(name.length, 4);
    EXPECT_EQ(spec.name[0], 4);
    EXPECT_EQ(std::memcmp(spec.name + 1, "only", 4), 0);
    EXPECT_EQ(FSGetCatalogInfoBulk(iterator, 1, &count, &changed, 0, &info, &ref, nullptr, nullptr),
              errFSNoMoreItems);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(FSCloseIterator(iterator), noErr);
    EXPECT_EQ(pathOf(ref), tree_.path("only"));
}

TEST_F(FilesTest, SpecsAndRefsRoundTrip) {
    tree_.folder("Resources");
    tree_.file("Resources/Accounting-On.gif", "GIF89a");
    FSRef file = refFor(tree_.path("Resources/Accounting-On.gif"));
    FSSpec spec;
    FSRef parent;
    FSCatalogInfo info;
    ASSERT_EQ(FSGetCatalogInfo(&file, kFSCatInfoNodeFlags | kFSCatInfoParentDirID, &info, nullptr,
                               &spec, &parent),
              noErr);
    EXPECT_EQ(static_cast<UInt32>(spec.parID), info.parentDirID);
    FSRef again;
    ASSERT_EQ(FSpMakeFSRef(&spec, &again), noErr);
    EXPECT_EQ(pathOf(again), tree_.path("Resources/Accounting-On.gif"));
    EXPECT_EQ(pathOf(parent), tree_.path("Resources"));

    FSSpec missing = spec;
    missing.name[1] = 'X';
    FSRef poisoned;
    std::memset(&poisoned, 0x5A, sizeof poisoned);
    EXPECT_EQ(FSpMakeFSRef(&missing, &poisoned), fnfErr);
    EXPECT_EQ(poisoned.hidden[0], 0x5A);
}

TEST_F(FilesTest, LongNamesAreShortenedInSpecsAndFoundAgain) {
    std::string longName(200, 'n');
    tree_.file(longName, "data");
    FSRef folder = refFor(tree_.root());
    FSIterator iterator = nullptr;
    ASSERT_EQ(FSOpenIterator(&folder, kFSIterateFlat, &iterator), noErr);
    ItemCount count = 0;
    FSCatalogInfo info;
    FSRef ref;
    FSSpec spec;
    HFSUniStr255 name;
    ASSERT_EQ(FSGetCatalogInfoBulk(iterator, 1, &count, nullptr, 0, &info, &ref, &spec, &name),
              noErr);
    FSCloseIterator(iterator);
    EXPECT_EQ(name.length, 200);
    EXPECT_LE(spec.name[0], 63);
    FSRef again;
    ASSERT_EQ(FSpMakeFSRef(&spec, &again), noErr);
    EXPECT_EQ(pathOf(again), tree_.path(longName));
    EXPECT_EQ(pathOf(ref), tree_.path(longName));
}

TEST_F(FilesTest, NamesLongerThan255UnitsAreCutInHFSNames) {
    tree_.folder("f");
    FSRef ref = refFor(tree_.path("f"));
    HFSUniStr255 name;
    EXPECT_EQ(FSGetCatalogInfo(&ref, 0, nullptr, &name, nullptr, nullptr), noErr);
    EXPECT_EQ(name.length, 1);
    EXPECT_EQ(name.unicode[0], 'f');
}

TEST_F(FilesTest, TheRootFolderHasNodeIDTwo) {
    FSRef root = refFor("/");
    FSCatalogInfo info;
    ASSERT_EQ(FSGetCatalogInfo(&root, kFSCatInfoNodeID | kFSCatInfoNodeFlags, &info, nullptr,
                               nullptr, nullptr),
              noErr);
    EXPECT_EQ(info.nodeID, 2u);
    EXPECT_NE(info.nodeFlags & kFSNodeIsDirectoryMask, 0);
}

TEST_F(FilesTest, BadRefsAndMissingPathsAreErrors) {
    bool ok = true;
    refFor(tree_.path("nothing/here"), &ok);
    EXPECT_FALSE(ok);
    FSRef garbage;
    std::memset(&garbage, 0x11, sizeof garbage);
    FSIterator iterator = nullptr;
    EXPECT_EQ(FSOpenIterator(&garbage, kFSIterateFlat, &iterator), errFSBadFSRef);
    EXPECT_EQ(FSGetCatalogInfo(&garbage, 0, nullptr, nullptr, nullptr, nullptr), errFSBadFSRef);
    EXPECT_EQ(CFURLCreateFromFSRef(nullptr, &garbage), nullptr);
    tree_.link("/etc", "link");
    FSRef link = refFor(tree_.path("link"));
    EXPECT_EQ(FSOpenIterator(&link, kFSIterateFlat, &iterator), errFSNotAFolder)
        << "a link is not followed";
}

TEST_F(FilesTest, HandlesResizeAndAreCounted) {
    long live = PlatformHost::liveObjectCount();
    Handle h = NewHandle(0);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GetHandleSize(h), 0);
    EXPECT_EQ(SetHandleSize(h, 10), noErr);
    EXPECT_EQ(GetHandleSize(h), 10);
    HLock(h);
    std::memcpy(*h, "0123456789", 10);
    HUnlock(h);
    EXPECT_EQ(PlatformHost::liveObjectCount(), live + 1);
    DisposeHandle(h);
    EXPECT_EQ(PlatformHost::liveObjectCount(), live);
}

} // namespace
