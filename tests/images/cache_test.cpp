// The image cache over a folder tree.
#include "fsutil/FSUtilities.h"
#include "images/ImageImportManager.h"
#include "support/FileRefs.h"
#include "support/GifBuilder.h"
#include "support/PlatformTest.h"
#include "support/TempTree.h"

#include <cstring>
#include <memory>

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
        tree_.file("Resources/en.lproj/Accounting-On.gif", buildGif(GifSpec{}));
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

TEST_F(CacheTest, TheSameNameInTwoFoldersKeepsBothQualifiedKeys) {
    build();
    ComponentInstance top =
        ImageImportManager::componentForFilename(CFSTR("Resources/Accounting-On.gif"));
    ComponentInstance localised =
        ImageImportManager::componentForFilename(CFSTR("en.lproj/Accounting-On.gif"));
    ComponentInstance bare = ImageImportManager::componentForFilename(CFSTR("Accounting-On.gif"));
    EXPECT_NE(top, nullptr);
    EXPECT_NE(localised, nullptr);
    EXPECT_NE(bare, nullptr);
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
    Rect bounds;
    EXPECT_EQ(GraphicsImportGetNaturalBounds(importer, &bounds), noErr);
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
    std::vector<const void*> values(8);
    CFDictionaryGetKeysAndValues(index, nullptr, values.data());
    EXPECT_NE(values[0], values[1]) << "each key has its own record";
    for (const void* value : values) {
        std::free(const_cast<void*>(value));
    }
    CFRelease(index);
}

} // namespace
