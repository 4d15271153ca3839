// The image cache over a folder tree.
#include "fsutil/FSUtilities.h"
#include "images/ImageImportManager.h"
#include "support/FileRefs.h"
#include "support/GifBuilder.h"
#include "support/PlatformTest.h"
#include "support/TempTree.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string iconFamily(size_t extra) {
    std::string data = "icns";
    size_t length = 8 + extra;
    for (int shift = 24; shift >= 0; shift -= 8) {
        data.push_back(static_cast<char>((length >> shift) & 0xFF));
    }
    return data + std::string(extra, 'i');
}

class CacheTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        tree_.folder("Resources");
        tree_.file("Resources/Accounting-On.gif", buildGif(GifSpec{}));
        tree_.folder("Resources/en.lproj");
        // The same name as the picture above it, 6 wide rather than 4, so a test can tell them
        // apart.
        GifSpec wide;
        wide.screenWidth = wide.width = 6;
        wide.pixels.assign(6 * 4, 0);
        tree_.file("Resources/en.lproj/Accounting-On.gif", buildGif(wide));
        tree_.file("Resources/en.lproj/deeper.gif", buildGif(GifSpec{}));
        tree_.file("Resources/notes.txt", "not a picture");
        tree_.file("Resources/app.icns", iconFamily(16));
        tree_.file("Resources/bad.icns", "icns\x00\x00\x10\x00short");
    }
    void TearDown() override {
        manager_.reset();
        PlatformHost::setImageSourcesAvailable(true);
        PlatformTest::TearDown();
    }
    FSRef folder(const std::string& relative) { return fsRefFor(tree_.path(relative)); }
    void build() { manager_ = std::make_unique<ImageImportManager>(folder("Resources")); }
    TempTree tree_;
    std::unique_ptr<ImageImportManager> manager_;
};

TEST_F(CacheTest, BareAndFolderQualifiedKeysGiveTwoImportersForOneFile) {
    build();
    ComponentInstance bare = ImageImportManager::componentForFilename(CFSTR("deeper.gif"));
    ComponentInstance qualified =
        ImageImportManager::componentForFilename(CFSTR("en.lproj/deeper.gif"));
    ASSERT_NE(bare, nullptr);
    ASSERT_NE(qualified, nullptr);
    EXPECT_NE(bare, qualified);
    EXPECT_EQ(ImageImportManager::componentForFilename(CFSTR("deeper.gif")), bare)
        << "the same object on every later request";
    Rect a, b;
    EXPECT_EQ(GraphicsImportGetNaturalBounds(bare, &a), noErr);
    EXPECT_EQ(GraphicsImportGetNaturalBounds(qualified, &b), noErr);
    EXPECT_EQ(a.right, 4);
    EXPECT_EQ(ImageImportManager::componentForFilename(CFSTR("Resources/Accounting-On.gif")) !=
                  nullptr,
              true)
        << "a file right in the folder has the folder's own name as its qualifier";
    EXPECT_EQ(ImageImportManager::componentForFilename(CFSTR("en.lproj")), nullptr)
        << "folders are not keys";
}

// The folder-qualified name of each "Accounting-On.gif" in the order the walk visits them.
Boolean recordVisits(Boolean, ItemCount, const FSCatalogInfo* info, const FSRef* ref, const FSSpec*,
                     const HFSUniStr255* name, void* data) {
    static const char kName[] = "Accounting-On.gif";
    if ((info->nodeFlags & kFSNodeIsDirectoryMask) != 0 || name->length != sizeof kName - 1) {
        return false;
    }
    for (size_t i = 0; i < sizeof kName - 1; ++i) {
        if (name->unicode[i] != static_cast<UniChar>(kName[i])) {
            return false;
        }
    }
    FSRef parent;
    HFSUniStr255 folder{};
    FSGetParentRef(ref, &parent);
    FSGetFileDirName(&parent, &folder);
    std::string qualified;
    for (UInt16 i = 0; i < folder.length; ++i) {
        qualified.push_back(static_cast<char>(folder.unicode[i]));
    }
    static_cast<std::vector<std::string>*>(data)->push_back(qualified + "/" + kName);
    return false;
}

SInt16 naturalWidth(ComponentInstance importer) {
    Rect bounds = {0, 0, 0, 0};
    EXPECT_EQ(GraphicsImportGetNaturalBounds(importer, &bounds), noErr);
    return static_cast<SInt16>(bounds.right - bounds.left);
}

TEST_F(CacheTest, TheSameNameInTwoFoldersGivesTheBareKeyToTheFileVisitedLater) {
    build();
    ComponentInstance top =
        ImageImportManager::componentForFilename(CFSTR("Resources/Accounting-On.gif"));
    ComponentInstance localised =
        ImageImportManager::componentForFilename(CFSTR("en.lproj/Accounting-On.gif"));
    ComponentInstance bare = ImageImportManager::componentForFilename(CFSTR("Accounting-On.gif"));
    ASSERT_NE(top, nullptr);
    ASSERT_NE(localised, nullptr);
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(naturalWidth(top), 4) << "each qualified key keeps its own file";
    EXPECT_EQ(naturalWidth(localised), 6);

    // Which of the two comes later depends on the order the folder lists them in.
    std::vector<std::string> visits;
    FSRef ref = folder("Resources");
    ASSERT_EQ(FSIterateContainer(&ref, 0, 0, false, true, recordVisits, &visits), noErr);
    ASSERT_EQ(visits.size(), 2u);
    EXPECT_EQ(naturalWidth(bare), visits.back() == "en.lproj/Accounting-On.gif" ? 6 : 4)
        << "visited last: " << visits.back();
}

TEST_F(CacheTest, FailuresAreRememberedAndNotRetried) {
    build();
    EXPECT_EQ(ImageImportManager::componentForFilename(CFSTR("notes.txt")), nullptr)
        << "no importer for that kind of file";
    // The file disappears, then comes back: the failure stands.
    std::string path = tree_.path("Resources/en.lproj/deeper.gif");
    std::string saved = path + ".saved";
    ASSERT_EQ(rename(path.c_str(), saved.c_str()), 0);
    EXPECT_EQ(ImageImportManager::componentForFilename(CFSTR("deeper.gif")), nullptr);
    ASSERT_EQ(rename(saved.c_str(), path.c_str()), 0);
    EXPECT_EQ(ImageImportManager::componentForFilename(CFSTR("deeper.gif")), nullptr);
    EXPECT_NE(ImageImportManager::componentForFilename(CFSTR("en.lproj/deeper.gif")), nullptr);
}

TEST_F(CacheTest, UnknownAndNullNamesYieldNull) {
    build();
    EXPECT_EQ(ImageImportManager::componentForFilename(CFSTR("missing.gif")), nullptr);
    EXPECT_EQ(ImageImportManager::componentForFilename(CFSTR("missing.gif")), nullptr);
    EXPECT_EQ(ImageImportManager::componentForFilename(CFSTR("accounting-on.gif")), nullptr)
        << "names match exactly";
    EXPECT_EQ(ImageImportManager::componentForFilename(nullptr), nullptr);
    EXPECT_EQ(ImageImportManager::iconForFilename(nullptr), nullptr);
    EXPECT_EQ(ImageImportManager::imageForFilename(nullptr), nullptr);
    EXPECT_EQ(ImageImportManager::iconForFilename(CFSTR("missing.icns")), nullptr);
    EXPECT_EQ(ImageImportManager::imageForFilename(CFSTR("missing.gif")), nullptr);
}

TEST_F(CacheTest, IconsFromIconFamilies) {
    build();
    IconRef icon = ImageImportManager::iconForFilename(CFSTR("app.icns"));
    EXPECT_NE(icon, nullptr);
    EXPECT_EQ(ImageImportManager::iconForFilename(CFSTR("app.icns")), icon);
    EXPECT_EQ(ImageImportManager::iconForFilename(CFSTR("bad.icns")), nullptr);
    EXPECT_EQ(ImageImportManager::iconForFilename(CFSTR("notes.txt")), nullptr);
}

TEST_F(CacheTest, ImagesFromImageSources) {
    build();
    CGImageRef image = ImageImportManager::imageForFilename(CFSTR("deeper.gif"));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(CGImageGetWidth(image), 4u);
    EXPECT_EQ(ImageImportManager::imageForFilename(CFSTR("deeper.gif")), image);
    EXPECT_EQ(ImageImportManager::imageForFilename(CFSTR("notes.txt")), nullptr);
}

TEST_F(CacheTest, WithoutTheImageSourceFacilityEveryImageIsNullAndStaysSo) {
    build();
    PlatformHost::setImageSourcesAvailable(false);
    EXPECT_EQ(CGImageSourceCreateWithURL, nullptr);
    EXPECT_EQ(ImageImportManager::imageForFilename(CFSTR("deeper.gif")), nullptr);
    PlatformHost::setImageSourcesAvailable(true);
    EXPECT_EQ(ImageImportManager::imageForFilename(CFSTR("deeper.gif")), nullptr)
        << "the null is cached";
    EXPECT_NE(ImageImportManager::imageForFilename(CFSTR("en.lproj/deeper.gif")), nullptr);
}

TEST_F(CacheTest, AfterDestructionEveryAccessorYieldsNullAndNothingIsLeft) {
    long live = PlatformHost::liveObjectCount();
    build();
    ImageImportManager::componentForFilename(CFSTR("deeper.gif"));
    ImageImportManager::iconForFilename(CFSTR("app.icns"));
    ImageImportManager::imageForFilename(CFSTR("deeper.gif"));
    manager_.reset();
    EXPECT_EQ(ImageImportManager::componentForFilename(CFSTR("deeper.gif")), nullptr);
    EXPECT_EQ(ImageImportManager::iconForFilename(CFSTR("app.icns")), nullptr);
    EXPECT_EQ(ImageImportManager::imageForFilename(CFSTR("deeper.gif")), nullptr);
    EXPECT_EQ(PlatformHost::liveObjectCount(), live) << PlatformHost::liveObjectReport();
}

TEST_F(CacheTest, TwoLiveInstancesShareOneCacheUntilTheLastGoes) {
    build();
    auto second = std::make_unique<ImageImportManager>(folder("Resources"));
    ComponentInstance importer = ImageImportManager::componentForFilename(CFSTR("deeper.gif"));
    ASSERT_NE(importer, nullptr);
    manager_.reset();
    EXPECT_EQ(ImageImportManager::componentForFilename(CFSTR("deeper.gif")), importer)
        << "the first destruction leaves the cache the second still uses";
    EXPECT_EQ(naturalWidth(importer), 4) << "the importer still works on its file";
    second.reset();
    EXPECT_EQ(ImageImportManager::componentForFilename(CFSTR("deeper.gif")), nullptr);
}

TEST_F(CacheTest, AFolderThatCannotBeWalkedLeavesTheIndexEmpty) {
    FSRef gone = folder("Resources/en.lproj");
    EXPECT_EQ(std::system(("rm -rf '" + tree_.path("Resources/en.lproj") + "'").c_str()), 0);
    manager_ = std::make_unique<ImageImportManager>(gone);
    EXPECT_EQ(ImageImportManager::componentForFilename(CFSTR("deeper.gif")), nullptr);
}

TEST_F(CacheTest, TheFilterIndexesFilesOnly) {
    CFMutableDictionaryRef index =
        CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, nullptr);
    FSRef ref = folder("Resources");
    EXPECT_EQ(FSIterateContainer(&ref, 1, 0, true, true, ImageImportManagerFilterProc, index),
              noErr);
    // Level 1 only: Accounting-On.gif, notes.txt, app.icns and bad.icns, under two keys each.
    EXPECT_EQ(CFDictionaryGetCount(index), 8);
    EXPECT_TRUE(CFDictionaryContainsKey(index, CFSTR("Resources/notes.txt")));
    EXPECT_FALSE(CFDictionaryContainsKey(index, CFSTR("en.lproj")));
    // Both keys of a file hold one FSSpec record, which lives while either holds it.
    auto spec = [&](CFStringRef key) {
        const auto* record = static_cast<const FSSpec*>(CFDictionaryGetValue(index, key));
        EXPECT_NE(record, nullptr);
        return record == nullptr
                   ? std::string()
                   : std::string(reinterpret_cast<const char*>(record->name + 1), record->name[0]);
    };
    EXPECT_EQ(spec(CFSTR("notes.txt")), "notes.txt");
    EXPECT_EQ(spec(CFSTR("Resources/notes.txt")), "notes.txt");
    EXPECT_EQ(spec(CFSTR("app.icns")), "app.icns");
    EXPECT_EQ(CFDictionaryGetValue(index, CFSTR("app.icns")),
              CFDictionaryGetValue(index, CFSTR("Resources/app.icns")));
    // Let go of by one key, the record still holds the file for the other: a record freed with
    // its first holder would now hold the pool's free list in its first bytes.
    ImageImportManagerFreeSpec(CFDictionaryGetValue(index, CFSTR("app.icns")));
    CFDictionaryRemoveValue(index, CFSTR("app.icns"));
    EXPECT_EQ(spec(CFSTR("Resources/app.icns")), "app.icns");
    const auto* kept =
        static_cast<const FSSpec*>(CFDictionaryGetValue(index, CFSTR("Resources/app.icns")));
    const auto* sibling =
        static_cast<const FSSpec*>(CFDictionaryGetValue(index, CFSTR("notes.txt")));
    // Copied out whole: the record's fields are packed, and need not be aligned.
    FSSpec keptSpec;
    FSSpec siblingSpec;
    std::memcpy(&keptSpec, kept, sizeof keptSpec);
    std::memcpy(&siblingSpec, sibling, sizeof siblingSpec);
    SInt16 keptVolume = keptSpec.vRefNum;
    SInt16 siblingVolume = siblingSpec.vRefNum;
    SInt32 keptParent = keptSpec.parID;
    SInt32 siblingParent = siblingSpec.parID;
    EXPECT_EQ(keptVolume, siblingVolume);
    EXPECT_EQ(keptParent, siblingParent);
    std::vector<const void*> values(7);
    CFDictionaryGetKeysAndValues(index, nullptr, values.data());
    for (const void* value : values) {
        ImageImportManagerFreeSpec(value);
    }
    CFRelease(index);
}

} // namespace
