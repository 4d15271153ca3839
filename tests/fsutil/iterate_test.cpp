// The depth-first container walk over a real temporary tree.
#include "fsutil/FSUtilities.h"
#include "support/FileRefs.h"
#include "support/PlatformTest.h"
#include "support/TempTree.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

struct Visit {
    std::string name;
    ItemCount level;
    bool folder;
    bool hadSpec;
    bool hadName;
};

struct Walk {
    std::vector<Visit> visits;
    std::string quitOn; // answer true for the item with this name
};

std::string nameOf(const HFSUniStr255* name, const FSRef* ref) {
    HFSUniStr255 own;
    if (name == nullptr) {
        FSGetFileDirName(ref, &own);
        name = &own;
    }
    std::u16string units(reinterpret_cast<const char16_t*>(name->unicode), name->length);
    std::string out;
    for (char16_t u : units) {
        out.push_back(u < 0x80 ? static_cast<char>(u) : '?');
    }
    return out;
}

Boolean recordingFilter(Boolean, ItemCount level, const FSCatalogInfo* info, const FSRef* ref,
                        const FSSpec* spec, const HFSUniStr255* name, void* data) {
    auto* walk = static_cast<Walk*>(data);
    std::string itemName = nameOf(name, ref);
    walk->visits.push_back({itemName, level, (info->nodeFlags & kFSNodeIsDirectoryMask) != 0,
                            spec != nullptr, name != nullptr});
    return itemName == walk->quitOn;
}

class IterateTest : public PlatformTest {
  protected:
    FSRef refFor(const std::string& path) {
        bool ok = false;
        FSRef ref = fsRefFor(path, &ok);
        EXPECT_TRUE(ok) << path;
        return ref;
    }
    OSErr walk(const std::string& path, Walk* record, ItemCount maxLevels = 0,
               FSCatalogInfoBitmap whichInfo = kFSCatInfoNone, bool spec = true, bool name = true) {
        FSRef ref = refFor(path);
        return FSIterateContainer(&ref, maxLevels, whichInfo, spec, name, recordingFilter, record);
    }
    // The names in visiting order, with their levels: "a:1 a/b:2".
    static std::string order(const Walk& w) {
        std::string out;
        for (const Visit& v : w.visits) {
            out += v.name + ":" + std::to_string(v.level) + (v.folder ? "/" : "") + " ";
        }
        return out;
    }
    TempTree tree_;
};

TEST_F(IterateTest, AFolderComesBeforeItsContentsAndItsSubtreeBeforeItsNextSibling) {
    tree_.folder("a");
    tree_.folder("a/b");
    tree_.file("a/b/deep");
    tree_.file("a/inner");
    // One item a folder keeps the order of the listing irrelevant to the assertion.
    Walk w;
    EXPECT_EQ(walk(tree_.root(), &w), noErr);
    ASSERT_EQ(w.visits.size(), 4u) << order(w);
    EXPECT_EQ(w.visits[0].name, "a");
    EXPECT_EQ(w.visits[0].level, 1u);
    EXPECT_TRUE(w.visits[0].folder);
    // Within a, b's subtree is contiguous and at levels 2 and 3.
    auto b = std::find_if(w.visits.begin(), w.visits.end(),
                          [](const Visit& v) { return v.name == "b"; });
    ASSERT_NE(b, w.visits.end());
    EXPECT_EQ(b->level, 2u);
    EXPECT_EQ((b + 1)->name, "deep");
    EXPECT_EQ((b + 1)->level, 3u);
    auto inner = std::find_if(w.visits.begin(), w.visits.end(),
                              [](const Visit& v) { return v.name == "inner"; });
    EXPECT_EQ(inner->level, 2u);
    EXPECT_FALSE(inner->folder);
}

TEST_F(IterateTest, MaxLevelsLimitsTheDepthAndZeroMeansNoLimit) {
    tree_.folder("one");
    tree_.folder("one/two");
    tree_.file("one/two/three");
    Walk w1;
    EXPECT_EQ(walk(tree_.root(), &w1, 1), noErr);
    EXPECT_EQ(order(w1), "one:1/ ");
    Walk w2;
    EXPECT_EQ(walk(tree_.root(), &w2, 2), noErr);
    EXPECT_EQ(order(w2), "one:1/ two:2/ ");
    Walk w0;
    EXPECT_EQ(walk(tree_.root(), &w0, 0), noErr);
    EXPECT_EQ(order(w0), "one:1/ two:2/ three:3 ");
}

TEST_F(IterateTest, TheFiltersQuitEndsTheWalkAndKeepsAFolderUnentered) {
    tree_.folder("only");
    tree_.file("only/inside");
    Walk w;
    w.quitOn = "only";
    long live = PlatformHost::liveObjectCount();
    EXPECT_EQ(walk(tree_.root(), &w), noErr);
    EXPECT_EQ(order(w), "only:1/ ");
    EXPECT_EQ(PlatformHost::liveObjectCount(), live) << "every iterator is closed";

    tree_.file("only/second");
    Walk w2;
    w2.quitOn = "inside";
    EXPECT_EQ(walk(tree_.root(), &w2), noErr);
    EXPECT_EQ(w2.visits.back().name, "inside");
    EXPECT_LE(w2.visits.size(), 3u);
}

TEST_F(IterateTest, SpecsAndNamesOnlyWhenAskedAndNodeFlagsAlways) {
    tree_.folder("f");
    tree_.file("f/x");
    Walk w;
    EXPECT_EQ(walk(tree_.root(), &w, 0, kFSCatInfoNone, false, false), noErr);
    ASSERT_EQ(w.visits.size(), 2u);
    for (const Visit& v : w.visits) {
        EXPECT_FALSE(v.hadSpec);
        EXPECT_FALSE(v.hadName);
    }
    EXPECT_TRUE(w.visits[0].folder) << "whichInfo 0 still tells folders apart";
    EXPECT_EQ(w.visits[1].level, 2u) << "and so the folder is entered";
}

TEST_F(IterateTest, EmptyFolderNonFolderContainerAndNullFilter) {
    Walk w;
    EXPECT_EQ(walk(tree_.root(), &w), noErr);
    EXPECT_TRUE(w.visits.empty());

    tree_.file("plain");
    EXPECT_EQ(walk(tree_.path("plain"), &w), errFSNotAFolder);
    EXPECT_TRUE(w.visits.empty());

    FSRef ref = refFor(tree_.root());
    EXPECT_EQ(FSIterateContainer(&ref, 0, 0, true, true, nullptr, nullptr), paramErr);
}

TEST_F(IterateTest, LinksAreItemsThatAreNeverEntered) {
    tree_.folder("loop");
    tree_.link("..", "loop/up");
    tree_.link("/nonexistent/target", "dangling");
    Walk w;
    EXPECT_EQ(walk(tree_.root(), &w), noErr);
    std::string seen = order(w);
    EXPECT_NE(seen.find("up:2 "), std::string::npos) << seen;
    EXPECT_NE(seen.find("dangling:1 "), std::string::npos) << seen;
    EXPECT_EQ(w.visits.size(), 3u) << seen;
}

TEST_F(IterateTest, ATreeDeeperThanPathMaxIsWalkedFolderByFolder) {
    // 1,000 folders of 60-byte names: the deepest path is far longer than PATH_MAX.
    std::string name(60, 'd');
    int fd = open(tree_.root().c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(mkdirat(fd, name.c_str(), 0755), 0);
        int child = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = child;
    }
    int leaf = openat(fd, "leaf", O_CREAT | O_WRONLY, 0644);
    close(leaf);
    close(fd);
    Walk w;
    EXPECT_EQ(walk(tree_.root(), &w), noErr);
    ASSERT_EQ(w.visits.size(), 1001u);
    EXPECT_EQ(w.visits.back().name, "leaf");
    EXPECT_EQ(w.visits.back().level, 1001u);
}

TEST_F(IterateTest, OddNamesStillYieldNames) {
    tree_.file("bad\xFF\xFEname");
    tree_.file("two\nlines");
    Walk w;
    EXPECT_EQ(walk(tree_.root(), &w), noErr);
    ASSERT_EQ(w.visits.size(), 2u);
    std::vector<std::string> names = {w.visits[0].name, w.visits[1].name};
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names[0], "bad??name");
    EXPECT_EQ(names[1], "two\nlines");
}

TEST_F(IterateTest, ManyEntriesInOneFolder) {
    int fd = open(tree_.root().c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < 100000; ++i) {
        std::string name = "f";
        name += std::to_string(i);
        close(openat(fd, name.c_str(), O_CREAT | O_WRONLY, 0644));
    }
    close(fd);
    Walk w;
    EXPECT_EQ(walk(tree_.root(), &w, 0, kFSCatInfoNone, false, false), noErr);
    EXPECT_EQ(w.visits.size(), 100000u);
}

TEST_F(IterateTest, ParentAndNameOfAnItem) {
    tree_.folder("Resources");
    tree_.file("Resources/Accounting-On.gif");
    FSRef file = refFor(tree_.path("Resources/Accounting-On.gif"));
    FSRef parent;
    EXPECT_EQ(FSGetParentRef(&file, &parent), noErr);
    HFSUniStr255 name;
    EXPECT_EQ(FSGetFileDirName(&parent, &name), noErr);
    EXPECT_EQ(nameOf(&name, &parent), "Resources");
    EXPECT_EQ(FSGetFileDirName(&file, &name), noErr);
    EXPECT_EQ(nameOf(&name, &file), "Accounting-On.gif");
    EXPECT_EQ(FSGetParentRef(&file, nullptr), paramErr);
    EXPECT_EQ(FSGetFileDirName(&file, nullptr), paramErr);

    FSRef root = refFor("/");
    std::memset(&parent, 0xAB, sizeof parent);
    EXPECT_EQ(FSGetParentRef(&root, &parent), noErr);
    FSRef zero;
    std::memset(&zero, 0, sizeof zero);
    EXPECT_EQ(std::memcmp(&parent, &zero, sizeof zero), 0);
}

// Runs a check in a child that has given up root, so that permissions apply; the child's exit
// status is the number of failed expectations.
int asNobody(const std::string& root, int (*check)(const std::string&)) {
    pid_t pid = fork();
    if (pid == 0) {
        if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(100);
        }
        _exit(check(root));
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 101;
}

int walkInChild(const std::string& root, OSErr* status, std::string* seen) {
    bool ok = false;
    FSRef ref = fsRefFor(root, &ok);
    if (!ok) {
        return 1;
    }
    Walk w;
    *status = FSIterateContainer(&ref, 0, 0, true, true, recordingFilter, &w);
    for (const Visit& v : w.visits) {
        *seen += v.name + " ";
    }
    return 0;
}

TEST_F(IterateTest, AFolderThatMayNotBeReadEndsItsContainingFolderOnly) {
    // The walk of top meets "locked" and can't open it; top's later items are skipped, the walk
    // goes on above and returns 0.
    tree_.folder("top");
    tree_.folder("top/locked", 0);
    tree_.folder("zafter");
    tree_.file("zafter/last");
    // With a single other item in top, whether it comes before or after locked depends on the
    // listing; only the items outside top are certain.
    int failures = asNobody(tree_.root(), [](const std::string& root) {
        OSErr status = 1;
        std::string seen;
        if (walkInChild(root, &status, &seen) != 0) {
            return 10;
        }
        int bad = 0;
        bad += status != noErr;
        bad += seen.find("locked ") == std::string::npos;
        bad += seen.find("last ") == std::string::npos;
        return bad;
    });
    EXPECT_EQ(failures, 0);

    int containerFailures = asNobody(tree_.path("top/locked"), [](const std::string& root) {
        OSErr status = 1;
        std::string seen;
        walkInChild(root, &status, &seen);
        return status == afpAccessDenied && seen.empty() ? 0 : 1;
    });
    EXPECT_EQ(containerFailures, 0) << "a container that may not be read gives -5000";
}

TEST_F(IterateTest, AFolderRemovedBetweenTwoReadsDoesNotTrapTheWalk) {
    for (int i = 0; i < 50; ++i) {
        tree_.folder("sub" + std::to_string(i));
        tree_.file("sub" + std::to_string(i) + "/file");
    }
    FSRef ref = refFor(tree_.root());
    FSIterator iterator = nullptr;
    ASSERT_EQ(FSOpenIterator(&ref, kFSIterateFlat, &iterator), noErr);
    ItemCount count = 0;
    FSRef item;
    FSCatalogInfo info;
    ASSERT_EQ(FSGetCatalogInfoBulk(iterator, 1, &count, nullptr, kFSCatInfoNodeFlags, &info, &item,
                                   nullptr, nullptr),
              noErr);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(std::system(("rm -rf '" + tree_.root() + "'/sub1*").c_str()), 0);
    OSErr status;
    int items = 1;
    while ((status = FSGetCatalogInfoBulk(iterator, 1, &count, nullptr, kFSCatInfoNodeFlags, &info,
                                          &item, nullptr, nullptr)) == noErr) {
        ++items;
    }
    EXPECT_EQ(status, errFSNoMoreItems);
    EXPECT_EQ(count, 0u);
    EXPECT_LE(items, 50);
    EXPECT_EQ(FSCloseIterator(iterator), noErr);
}

// Removes the folder named `victim` when the walk hands it over, before the walk can open it,
// and counts every item handed over after that.
struct Removal {
    std::string root;
    std::string victim;
    bool removed = false;
    int afterwards = 0;
};

Boolean removingFilter(Boolean, ItemCount, const FSCatalogInfo*, const FSRef* ref, const FSSpec*,
                       const HFSUniStr255* name, void* data) {
    auto* removal = static_cast<Removal*>(data);
    if (removal->removed) {
        ++removal->afterwards;
    } else if (nameOf(name, ref) == removal->victim) {
        removal->removed = true;
        EXPECT_EQ(
            std::system(("rm -rf '" + removal->root + "/top/" + removal->victim + "'").c_str()), 0);
    }
    return false;
}

TEST_F(IterateTest, ASubfolderThatFailsOtherThanByPermissionEndsTheWholeWalk) {
    // The walk of top meets "gone", which vanishes before it is opened: not a -5000, so no
    // level goes on, whatever the listing order of the other folders' items.
    tree_.folder("top");
    tree_.folder("top/gone");
    tree_.file("top/gone/inside");
    for (int i = 0; i < 10; ++i) {
        tree_.file("top/file" + std::to_string(i));
        tree_.folder("other" + std::to_string(i));
        tree_.file("other" + std::to_string(i) + "/leaf");
    }
    Removal removal{tree_.root(), "gone"};
    FSRef ref = refFor(tree_.root());
    OSErr status =
        FSIterateContainer(&ref, 0, kFSCatInfoNone, false, true, removingFilter, &removal);
    ASSERT_TRUE(removal.removed);
    EXPECT_NE(status, noErr);
    EXPECT_NE(status, afpAccessDenied);
    EXPECT_NE(status, errFSNoMoreItems);
    EXPECT_EQ(removal.afterwards, 0) << "nothing is read once the subfolder failed";
}

} // namespace
