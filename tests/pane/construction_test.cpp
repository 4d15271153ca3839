// Building the pane into the dialog.
#include "layout/PaneLayout.h"
#include "support/PaneFixture.h"

#include <cstring>

namespace {

using ConstructionTest = PaneTest;

TEST(Centring, HalvesAreRoundedTowardZeroSeparately) {
    struct Case {
        Rect outer, inner;
        SInt16 h, v;
    };
    const Case cases[] = {
        {{0, 10, 100, 411}, {0, 0, 50, 200}, 110, 25},     // outer width 401
        {{0, 10, 100, 411}, {0, 0, 50, 201}, 110, 25},     // inner width 201
        {{0, 0, 101, 301}, {0, 0, 50, 200}, 50, 25},       // 150 - 100
        {{20, 30, 60, 130}, {0, 0, 300, 500}, -170, -110}, // larger than the outer pane
        {{-7, -7, 0, 0}, {0, 0, 3, 3}, -5, -5}, // -7 + 7/2 - 3/2: 3.5 and 1.5 cut to 3, 1
        {{0, 32000, 10, 32767}, {0, 0, 10, -2000}, -32153, 0}, // the low 16 bits of 33383
    };
    for (const Case& c : cases) {
        Point p = centredOrigin(c.outer, c.inner);
        EXPECT_EQ(p.h, c.h) << c.outer.left << " " << c.outer.right;
        EXPECT_EQ(p.v, c.v) << c.outer.top << " " << c.outer.bottom;
    }
}

TEST_F(ConstructionTest, TheContentPaneIsCentredAndEmbeddedInTheUserPane) {
    PrintDialogSetup setup;
    setup.userPaneBounds = Rect{40, 21, 419, 581}; // odd width and height
    openPane("quorv.ppd", setup);
    ControlRef content = control(50);
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(pane_->contentPane, content);
    PlatformHost::ControlState state;
    PlatformHost::controlState(content, &state);
    EXPECT_EQ(state.parent, dialog_->userPane());
    EXPECT_TRUE(state.visible);
    // The nib's content pane is 500 wide and 330 high: h = 21 + 560 / 2 - 500 / 2 and
    // v = 40 + 379 / 2 - 330 / 2, the odd half cut toward zero.
    EXPECT_EQ(state.bounds.left, 51);
    EXPECT_EQ(state.bounds.top, 64);
    EXPECT_EQ(state.bounds.right, 551);
    EXPECT_EQ(state.bounds.bottom, 394);
    // Everything inside moved along.
    PlatformHost::ControlState popup;
    PlatformHost::controlState(control(100), &popup);
    EXPECT_EQ(popup.bounds.left, 51 + 20);
    EXPECT_EQ(pane_->paneOpened, 1);
    EXPECT_NE(pane_->imageManager, nullptr);
}

TEST_F(ConstructionTest, ThePopupsShowTheSettingsAndKontavarCantBeChosen) {
    PrintDialogSetup setup;
    makeDialog("quorv.ppd", setup);
    PlatformHost::TicketItem item;
    item.type = PlatformHost::TicketItem::Type::SInt32;
    item.number = 2;
    PlatformHost::putTicketItem(dialog_->settings(), "com.quorv.Act.qtaf.On", item);
    PlatformHost::putTicketItem(dialog_->settings(), "com.quorv.Act.qtaf.AT", item);
    item.number = 0;
    PlatformHost::putTicketItem(dialog_->settings(), "com.quorv.Act.qtaf.Prm", item);
    ASSERT_EQ(prologue(), noErr);
    ASSERT_EQ(initialize(), noErr);
    ASSERT_EQ(Open(pde_), noErr);
    EXPECT_EQ(GetControlValue(control(100)), 2);
    EXPECT_EQ(GetControlValue(control(92)), 2);
    PlatformHost::ControlState popup;
    PlatformHost::controlState(control(100), &popup);
    ASSERT_EQ(popup.hiddenItems.size(), 3u);
    EXPECT_FALSE(popup.hiddenItems[0]);
    EXPECT_TRUE(popup.hiddenItems[1]);
    EXPECT_FALSE(popup.hiddenItems[2]);
    SInt32 two = 2;
    EXPECT_EQ(PlatformHost::click(control(100), &two).outcome,
              PlatformHost::ClickOutcome::HiddenItem);
}

TEST_F(ConstructionTest, DefaultCodesFillTheFieldsOnlyWhenNotPrompting) {
    makeDialog();
    ASSERT_EQ(prologue(), noErr);
    ASSERT_EQ(initialize(), noErr);
    std::strcpy(pane_->defaultUserID, "user");
    std::strcpy(pane_->defaultAccountID, "acct");
    pane_->promptAtPrint = 1;
    ASSERT_EQ(Open(pde_), noErr);
    EXPECT_EQ(text(302), "");
    terminate();
    dialog_.reset();

    makeDialog();
    ASSERT_EQ(prologue(), noErr);
    ASSERT_EQ(initialize(), noErr);
    std::strcpy(pane_->defaultUserID, "user");
    pane_->promptAtPrint = 0;
    ASSERT_EQ(Open(pde_), noErr);
    EXPECT_EQ(text(302), "user");
}

TEST_F(ConstructionTest, ALaterOpenOnlyRenewsTheCommandHandlerAndHelpBundle) {
    openPane();
    ControlRef content = pane_->contentPane;
    ImageImportManager* cache = pane_->imageManager;
    SetControlValue(control(202), 1);
    setText(302, "typed");
    pane_->helpBundle = nullptr;
    EXPECT_EQ(Close(pde_), noErr);
    EXPECT_EQ(Open(pde_), noErr);
    EXPECT_EQ(pane_->contentPane, content);
    EXPECT_EQ(pane_->imageManager, cache);
    EXPECT_EQ(GetControlValue(control(202)), 1);
    EXPECT_EQ(text(302), "typed");
    EXPECT_EQ(pane_->helpBundle, helpBundle_);
}

TEST_F(ConstructionTest, TheCodeFieldsAreFilteredAndThePictureDrawsItself) {
    openPane();
    SInt32 full = 3;
    PlatformHost::click(control(100), &full);
    PlatformHost::click(control(300));
    EXPECT_EQ(PlatformHost::typeText(control(302), "ab?c"), 3);
    EXPECT_EQ(text(302), "abc");
    PlatformHost::renderWindow(dialog_->window());
    Rect image;
    GetControlBounds(control(101), &image);
    uint32_t pixel = PlatformHost::portPixel(dialog_->window(), image.left + 32, image.top + 5);
    EXPECT_NE(pixel & 0xFFFFFF, 0xEDEDEFu) << "the on picture is drawn at the image control";
}

} // namespace
