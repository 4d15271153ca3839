// Drawing the mode picture into the pane's image control, and decoding GIFs safely.
#include "images/ImageImportManager.h"
#include "images/ModeImage.h"
#include "support/FileRefs.h"
#include "support/GifBuilder.h"
#include "support/PlatformTest.h"
#include "support/TempTree.h"

#include <cstring>
#include <memory>

namespace {

using PlatformHost::ControlKind;

class DrawTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        // Off is red, on is blue: a 4 x 4 picture of one colour each.
        GifSpec off;
        off.colours = {0xFF0000, 0, 0, 0};
        GifSpec on;
        on.colours = {0x0000FF, 0, 0, 0};
        tree_.folder("Resources");
        tree_.file("Resources/Accounting-Off.gif", buildGif(off));
        tree_.file("Resources/Accounting-On.gif", buildGif(on));
        manager_ = std::make_unique<ImageImportManager>(folderRef());

        context_ = allocateAccountingContext();
        window_ = PlatformHost::createWindow("pane", Rect{0, 0, 100, 100});
        PlatformHost::ControlSpec image;
        image.id = 101;
        image.bounds = Rect{10, 20, 30, 50};
        context_->imagePane = PlatformHost::addControl(window_, nullptr, image);
        EventTypeSpec draw = {kEventClassControl, kEventControlDraw};
        InstallEventHandler(GetControlEventTarget(context_->imagePane),
                            NewEventHandlerUPP(AccountingDrawEventHandler), 1, &draw, context_,
                            nullptr);
        SetPortWindowPort(window_);
    }
    void TearDown() override {
        DisposeWindow(window_);
        freeAccountingContext(context_);
        manager_.reset();
        PlatformTest::TearDown();
    }
    FSRef folderRef() { return fsRefFor(tree_.path("Resources")); }
    uint32_t pixel(int x, int y) { return PlatformHost::portPixel(window_, x, y) & 0xFFFFFF; }
    OSStatus sendDraw(ControlRef control, UInt32 eventClass = kEventClassControl,
                      UInt32 kind = kEventControlDraw) {
        EventRef event = nullptr;
        CreateEvent(nullptr, eventClass, kind, 0, 0, &event);
        SetEventParameter(event, kEventParamDirectObject, typeControlRef, sizeof control, &control);
        OSStatus status = AccountingDrawEventHandler(nullptr, event, context_);
        ReleaseEvent(event);
        return status;
    }
    TempTree tree_;
    std::unique_ptr<ImageImportManager> manager_;
    AccountingContext* context_ = nullptr;
    WindowRef window_ = nullptr;
};

TEST_F(DrawTest, TheModePicksThePictureAndItsPixelsLandAtTheControlsCorner) {
    context_->accountingMode = 1;
    Draw1Control(context_->imagePane);
    EXPECT_EQ(pixel(20, 10), 0xFF0000u);
    EXPECT_EQ(pixel(23, 13), 0xFF0000u);
    EXPECT_NE(pixel(24, 14), 0xFF0000u) << "natural size: 4 x 4, not stretched to the control";
    EXPECT_NE(pixel(19, 10), 0xFF0000u);
    for (SInt32 mode : {2, 3, 0, 7, -1}) {
        context_->accountingMode = mode;
        Draw1Control(context_->imagePane);
        EXPECT_EQ(pixel(21, 11), 0x0000FFu) << mode;
    }
}

TEST_F(DrawTest, EventsThatAreNotItsBusinessAreNotHandled) {
    EXPECT_EQ(sendDraw(context_->imagePane), noErr);
    EXPECT_EQ(sendDraw(context_->imagePane, kEventClassControl, kEventControlHit),
              eventNotHandledErr);
    EXPECT_EQ(sendDraw(context_->imagePane, kEventClassWindow, kEventControlDraw),
              eventNotHandledErr);
    PlatformHost::ControlSpec other;
    other.id = 102;
    other.bounds = Rect{50, 50, 60, 60};
    ControlRef another = PlatformHost::addControl(window_, nullptr, other);
    PlatformHost::clearDrawLog();
    EXPECT_EQ(sendDraw(another), eventNotHandledErr);
    EXPECT_TRUE(PlatformHost::drawLog().empty()) << "nothing erased for another control";
}

TEST_F(DrawTest, AMissingImageErasesTheControlAndStillReturnsZero) {
    manager_.reset();
    context_->accountingMode = 3;
    PlatformHost::clearDrawLog();
    EXPECT_EQ(sendDraw(context_->imagePane), noErr);
    auto log = PlatformHost::drawLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].kind, PlatformHost::DrawOp::Kind::EraseRect);
    EXPECT_EQ(log[0].rect.top, 10);
    EXPECT_EQ(log[0].rect.right, 50);
}

TEST_F(DrawTest, DrawImageEdges) {
    PlatformHost::clearDrawLog();
    DrawImage(kAccountingOnImage, nullptr, Erase::First);
    EXPECT_TRUE(PlatformHost::drawLog().empty());
    DrawImage(nullptr, context_->imagePane, Erase::First);
    EXPECT_EQ(PlatformHost::drawLog().size(), 1u);
    DrawImage(kAccountingOnImage, context_->imagePane, Erase::Skip);
    EXPECT_EQ(PlatformHost::drawLog().size(), 1u) << "no erase when asked not to";
    EXPECT_EQ(pixel(20, 10), 0x0000FFu);
}

TEST(ImageDestination, TopLeftOnTheControlsCornerAtNaturalSize) {
    struct Case {
        Rect natural, control, expected;
    };
    const Case cases[] = {
        {{0, 0, 40, 120}, {10, 20, 30, 50}, {10, 20, 50, 140}},
        {{5, 5, 45, 125}, {10, 20, 30, 50}, {10, 20, 50, 140}},
        {{0, 0, 10, 10}, {32760, 32760, 32767, 32767}, {32760, 32760, -32766, -32766}},
    };
    for (const Case& c : cases) {
        Rect r = imageDestination(c.natural, c.control);
        EXPECT_EQ(r.top, c.expected.top);
        EXPECT_EQ(r.left, c.expected.left);
        EXPECT_EQ(r.bottom, c.expected.bottom);
        EXPECT_EQ(r.right, c.expected.right);
    }
}

// Malformed pictures: each gives a nonzero status from the call that reads it, or draws safely.
class BadGifTest : public PlatformTest {
  protected:
    OSErr naturalBounds(const std::string& bytes, const std::string& name, Rect* bounds,
                        OSErr* drawStatus) {
        tree_.file(name, bytes);
        FSRef ref = fsRefFor(tree_.path(name));
        FSSpec spec;
        FSGetCatalogInfo(&ref, 0, nullptr, nullptr, &spec, nullptr);
        ComponentInstance importer = nullptr;
        OSErr made = GetGraphicsImporterForFileWithFlags(&spec, &importer,
                                                         kDontUseValidateToFindGraphicsImporter);
        if (made != noErr) {
            return made;
        }
        WindowRef window = PlatformHost::createWindow("w", Rect{0, 0, 8, 8});
        GraphicsImportSetGWorld(importer, GetWindowPort(window), nullptr);
        OSErr status = static_cast<OSErr>(GraphicsImportGetNaturalBounds(importer, bounds));
        *drawStatus = static_cast<OSErr>(GraphicsImportDraw(importer));
        CloseComponent(importer);
        DisposeWindow(window);
        return status;
    }
    TempTree tree_;
};

TEST_F(BadGifTest, EachMalformedPictureIsRefusedOrDrawnWithinBounds) {
    struct Case {
        const char* what;
        GifSpec spec;
        std::string raw; // used instead of the built picture when not empty
        bool decodes;
    };
    std::vector<Case> cases;
    auto add = [&](const char* what, bool decodes, auto edit) {
        GifSpec spec;
        edit(spec);
        cases.push_back({what, spec, "", decodes});
    };
    cases.push_back({"zero bytes", {}, std::string(), false});
    cases.back().raw = std::string("\0", 0);
    cases.push_back({"not a GIF", {}, "this is plain text, not a picture", false});
    add("good", true, [](GifSpec&) {});
    add("truncated", false, [](GifSpec& s) { s.truncateTo = 30; });
    add("frame outside the screen", true, [](GifSpec& s) {
        s.left = 2;
        s.top = 3;
    });
    add("frame far outside", true, [](GifSpec& s) {
        s.left = 60000;
        s.top = 60000;
    });
    add("zero width", false, [](GifSpec& s) { s.width = 0; });
    add("zero screen", false, [](GifSpec& s) {
        s.screenWidth = 0;
        s.screenHeight = 0;
    });
    add("huge frame", false, [](GifSpec& s) {
        s.width = 65535;
        s.height = 65535;
    });
    add("no colour map", false, [](GifSpec& s) { s.globalMap = false; });
    add("pixel beyond the map", true, [](GifSpec& s) {
        s.globalBits = 1;
        s.pixels = std::vector<uint8_t>(16, 3);
    });
    add("background and transparent beyond the map", true, [](GifSpec& s) {
        s.backgroundIndex = 200;
        s.transparentIndex = 250;
    });
    add("interlaced, 3 rows", true, [](GifSpec& s) {
        s.interlaced = true;
        s.height = 3;
        s.screenHeight = 3;
    });
    // giflib makes do with a code its table does not hold yet; a code size beyond 8 bits it
    // refuses.
    add("undefined LZW code", true, [](GifSpec& s) { s.corruptLzw = true; });
    add("LZW code size too large", false, [](GifSpec& s) { s.lzwCodeSizeByte = 12; });
    add("no image", false, [](GifSpec& s) { s.image = false; });
    for (const Case& c : cases) {
        std::string bytes =
            c.raw.empty() && std::string(c.what) != "zero bytes" ? buildGif(c.spec) : c.raw;
        Rect bounds = {-1, -1, -1, -1};
        OSErr draw = 0;
        OSErr status = naturalBounds(bytes, std::string("case.gif"), &bounds, &draw);
        if (c.decodes) {
            EXPECT_EQ(status, noErr) << c.what;
            EXPECT_EQ(draw, noErr) << c.what;
        } else {
            EXPECT_NE(status, noErr) << c.what;
            EXPECT_NE(draw, noErr) << c.what;
            EXPECT_EQ(bounds.top, -1) << c.what << ": the bounds are left alone";
        }
    }
}

TEST_F(BadGifTest, AFileNamedGifIsChosenByNameAndFailsWhenRead) {
    Rect bounds;
    OSErr draw = 0;
    EXPECT_EQ(naturalBounds("not a GIF at all", ".gif", &bounds, &draw), codecBadDataErr);
    EXPECT_EQ(naturalBounds("GIF89a", "picture.txt", &bounds, &draw), cantFindHandler);
}

} // namespace
