// The layout and enabling rules, on a pane built from code.
#include "layout/PaneLayout.h"
#include "support/SettingsFixture.h"

#include <iterator>
#include <vector>

namespace {

class LayoutTest : public SettingsTest {
  protected:
    void SetUp() override {
        SettingsTest::SetUp();
        buildPane();
        labelAsBuilt_ = bounds(303);
        fieldAsBuilt_ = bounds(304);
        anchor_ = bounds(93);
    }

    void layOut(SInt32 mode) {
        context_->accountingMode = mode;
        setControls(context_);
    }
    Rect bounds(SInt32 number) {
        Rect r = {0, 0, 0, 0};
        GetControlBounds(control(number), &r);
        return r;
    }
    bool visible(SInt32 number) { return IsControlVisible(control(number)); }
    bool enabled(SInt32 number) { return IsControlEnabled(control(number)); }
    SInt32 value(SInt32 number) { return GetControl32BitValue(control(number)); }

    Rect labelAsBuilt_{};
    Rect fieldAsBuilt_{};
    Rect anchor_{};
};

void expectRect(const Rect& r, SInt16 top, SInt16 left, SInt16 bottom, SInt16 right) {
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.bottom, bottom);
    EXPECT_EQ(r.right, right);
}

void expectRect(const Rect& r, const Rect& e) {
    expectRect(r, e.top, e.left, e.bottom, e.right);
}

const SInt32 kCodeControls[] = {200, 300, 302, 301, 304, 303, 202, 203};

TEST_F(LayoutTest, FullAccountingMovesTheAccountIdControlsIntoTheAccountTypePlace) {
    layOut(3);
    EXPECT_FALSE(visible(92));
    EXPECT_FALSE(visible(93));
    EXPECT_FALSE(visible(91));
    for (SInt32 number : kCodeControls) {
        EXPECT_TRUE(visible(number)) << number;
    }
    SInt16 labelHeight = static_cast<SInt16>(labelAsBuilt_.bottom - labelAsBuilt_.top);
    SInt16 fieldHeight = static_cast<SInt16>(fieldAsBuilt_.bottom - fieldAsBuilt_.top);
    Rect label = bounds(303);
    expectRect(label, anchor_.top, labelAsBuilt_.left,
               static_cast<SInt16>(anchor_.top + labelHeight), labelAsBuilt_.right);
    expectRect(bounds(304), static_cast<SInt16>(label.bottom + 8), fieldAsBuilt_.left,
               static_cast<SInt16>(label.bottom + 8 + fieldHeight), fieldAsBuilt_.right);
    expectRect(context_->savedAccountLabelBounds, labelAsBuilt_);
    expectRect(context_->savedAccountFieldBounds, fieldAsBuilt_);
    EXPECT_EQ(gMaxChars, 64);
}

TEST_F(LayoutTest, SecondFullLayoutMovesNothing) {
    layOut(3);
    Rect label = bounds(303);
    Rect field = bounds(304);
    // The anchor is read again, but with both rectangles saved nothing follows it.
    Rect movedAnchor = {10, 40, 26, 140};
    SetControlBounds(control(93), &movedAnchor);
    layOut(3);
    expectRect(bounds(303), label);
    expectRect(bounds(304), field);
    expectRect(context_->savedAccountLabelBounds, labelAsBuilt_);
}

TEST_F(LayoutTest, KontavarPutsTheControlsBackAndForgetsTheSavedPlaces) {
    layOut(3);
    layOut(3);
    layOut(2);
    expectRect(bounds(303), labelAsBuilt_);
    expectRect(bounds(304), fieldAsBuilt_);
    EXPECT_EQ(context_->savedAccountLabelBounds.top, 0);
    EXPECT_EQ(context_->savedAccountFieldBounds.top, 0);
    EXPECT_EQ(context_->savedAccountLabelBounds.left, labelAsBuilt_.left)
        << "only the top is cleared";
    EXPECT_TRUE(visible(92));
    EXPECT_TRUE(visible(93));
    EXPECT_EQ(gMaxChars, 12);
}

TEST_F(LayoutTest, OffHidesTheCodeControlsAndErasesTheMovedAreas) {
    layOut(3);
    Rect movedLabel = bounds(303);
    Rect movedField = bounds(304);
    PlatformHost::clearDrawLog();
    gMaxChars = 5;
    layOut(1);
    for (SInt32 number : kCodeControls) {
        EXPECT_FALSE(visible(number)) << number;
    }
    EXPECT_FALSE(visible(92));
    EXPECT_FALSE(visible(93));
    EXPECT_TRUE(visible(91));
    EXPECT_EQ(gMaxChars, 5);
    expectRect(bounds(303), movedLabel);
    EXPECT_NE(context_->savedAccountLabelBounds.top, 0);

    auto log = PlatformHost::drawLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].kind, PlatformHost::DrawOp::Kind::DrawControl);
    EXPECT_EQ(log[0].controlNumber, 101);
    EXPECT_EQ(log[1].kind, PlatformHost::DrawOp::Kind::EraseRect);
    expectRect(log[1].rect, movedLabel);
    EXPECT_EQ(log[2].kind, PlatformHost::DrawOp::Kind::EraseRect);
    expectRect(log[2].rect, movedField);
}

TEST_F(LayoutTest, OffWithNothingSavedErasesNothing) {
    layOut(1);
    auto log = PlatformHost::drawLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].controlNumber, 101);
}

TEST_F(LayoutTest, FullOffFullMovesNothingTheSecondTime) {
    layOut(3);
    Rect label = bounds(303);
    layOut(1);
    layOut(3);
    expectRect(bounds(303), label);
    expectRect(context_->savedAccountLabelBounds, labelAsBuilt_);
}

TEST_F(LayoutTest, FullOffKontavarRestoresThePlacesAsBuilt) {
    layOut(3);
    layOut(1);
    layOut(2);
    expectRect(bounds(303), labelAsBuilt_);
    expectRect(bounds(304), fieldAsBuilt_);
    EXPECT_TRUE(visible(303));
    EXPECT_FALSE(visible(91));
}

TEST_F(LayoutTest, ASavedRectangleWithTopZeroCountsAsNotSaved) {
    context_->savedAccountLabelBounds = Rect{0, 5, 6, 7};
    context_->savedAccountFieldBounds = Rect{0, 1, 2, 3};
    layOut(3);
    expectRect(context_->savedAccountLabelBounds, labelAsBuilt_);
    EXPECT_EQ(bounds(303).top, anchor_.top);
}

TEST_F(LayoutTest, ReLayoutArithmeticIsSixteenBit) {
    Rect high = {32760, 40, 32766, 140};
    SetControlBounds(control(93), &high);
    layOut(3);
    // 32760 + 16 wraps to -32760; the field goes 8 below that.
    expectRect(bounds(303), 32760, labelAsBuilt_.left, -32760, labelAsBuilt_.right);
    SInt16 fieldHeight = static_cast<SInt16>(fieldAsBuilt_.bottom - fieldAsBuilt_.top);
    expectRect(bounds(304), -32752, fieldAsBuilt_.left, static_cast<SInt16>(-32752 + fieldHeight),
               fieldAsBuilt_.right);
}

TEST_F(LayoutTest, KontavarDefaultCodesWithAccountTypeOneAsksForTheUserIdOnly) {
    context_->promptAtPrint = 0;
    context_->accountType = 1;
    context_->concealUserID = 1;
    SetControl32BitValue(control(202), 0);
    layOut(2);
    EXPECT_EQ(value(200), 0);
    EXPECT_EQ(value(300), 1);
    EXPECT_TRUE(enabled(302));
    EXPECT_TRUE(enabled(301));
    EXPECT_FALSE(enabled(304));
    EXPECT_FALSE(enabled(303));
    EXPECT_TRUE(enabled(92));
    EXPECT_TRUE(enabled(93));
    EXPECT_FALSE(enabled(202));
    EXPECT_FALSE(enabled(203));
    EXPECT_EQ(value(202), 0) << "the checkbox values are left alone with default codes";

    context_->accountType = 2;
    PlatformHost::clearDrawLog();
    layOut(2);
    for (SInt32 number : {302, 301, 304, 303}) {
        EXPECT_TRUE(enabled(number)) << number;
    }
    auto log = PlatformHost::drawLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].controlNumber, 304);
}

TEST_F(LayoutTest, PromptingForcesAccountTypeOneAndEnablesTheConcealChoices) {
    for (SInt32 mode : {2, 3}) {
        context_->promptAtPrint = 1;
        context_->accountType = 3;
        context_->concealUserID = 1;
        context_->concealAccountID = 0;
        SetControl32BitValue(control(92), 3);
        DisableControl(control(202));
        layOut(mode);
        EXPECT_EQ(context_->accountType, 1) << mode;
        EXPECT_EQ(value(92), 1) << mode;
        EXPECT_FALSE(enabled(92)) << mode;
        EXPECT_FALSE(enabled(93)) << mode;
        EXPECT_EQ(value(200), 1) << mode;
        EXPECT_EQ(value(300), 0) << mode;
        for (SInt32 number : {302, 301, 304, 303}) {
            EXPECT_FALSE(enabled(number)) << mode << " " << number;
        }
        EXPECT_TRUE(enabled(202)) << mode;
        EXPECT_TRUE(enabled(203)) << mode;
        EXPECT_EQ(value(202), 1) << mode;
        EXPECT_EQ(value(203), 0) << mode;
    }
}

TEST_F(LayoutTest, OffWithPromptingLeavesTheChoicesAlone) {
    context_->promptAtPrint = 1;
    context_->accountType = 3;
    SetControlValue(control(200), 0);
    SetControlValue(control(300), 1);
    layOut(1);
    EXPECT_EQ(context_->accountType, 3);
    EXPECT_EQ(value(200), 0);
    EXPECT_EQ(value(300), 1);
}

TEST_F(LayoutTest, ModeAboveThreeFollowsOnlyTheCodeRules) {
    gMaxChars = 7;
    context_->promptAtPrint = 0;
    context_->accountType = 1;
    layOut(4);
    EXPECT_EQ(gMaxChars, 7);
    EXPECT_TRUE(visible(91)) << "no visibility change";
    EXPECT_TRUE(visible(92));
    expectRect(bounds(303), labelAsBuilt_);
    EXPECT_EQ(value(300), 1);
    EXPECT_TRUE(enabled(304)) << "the account field is enabled since the mode is not 2";
}

TEST_F(LayoutTest, ModeZeroOrNegativeOnlyRedrawsTheImage) {
    for (SInt32 mode : {0, -1, -2147483647 - 1}) {
        // Laid out for full accounting first, so that the off layout (91 shown, the code
        // controls hidden, the moved ones erased) would show.
        context_->promptAtPrint = 0;
        layOut(3);
        Rect label = bounds(303);
        Rect field = bounds(304);
        bool enabledBefore[std::size(kCodeControls)];
        for (size_t i = 0; i < std::size(kCodeControls); ++i) {
            enabledBefore[i] = enabled(kCodeControls[i]);
        }
        PlatformHost::clearDrawLog();
        context_->promptAtPrint = 1;
        context_->accountType = 3;
        gMaxChars = 9;
        layOut(mode);
        auto log = PlatformHost::drawLog();
        ASSERT_EQ(log.size(), 1u) << mode;
        EXPECT_EQ(log[0].kind, PlatformHost::DrawOp::Kind::DrawControl);
        EXPECT_EQ(log[0].controlNumber, 101);
        EXPECT_EQ(context_->accountType, 3) << mode;
        EXPECT_EQ(gMaxChars, 9) << mode;
        EXPECT_FALSE(visible(91)) << mode;
        for (size_t i = 0; i < std::size(kCodeControls); ++i) {
            EXPECT_TRUE(visible(kCodeControls[i])) << mode << " " << kCodeControls[i];
            EXPECT_EQ(enabled(kCodeControls[i]), enabledBefore[i])
                << mode << " " << kCodeControls[i];
        }
        EXPECT_EQ(value(300), 1) << "the radios are not set from promptAtPrint";
        expectRect(bounds(303), label);
        expectRect(bounds(304), field);
    }
}

TEST_F(LayoutTest, TheImageIsRedrawnFirstInEveryMode) {
    for (SInt32 mode : {1, 2, 3}) {
        PlatformHost::clearDrawLog();
        layOut(mode);
        auto log = PlatformHost::drawLog();
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log[0].controlNumber, 101) << mode;
    }
}

class LayoutWithoutControlsTest : public PlatformTest {};

TEST_F(LayoutWithoutControlsTest, OnlyTheContextAndTheGlobalChange) {
    AccountingContext* context = allocateAccountingContext();
    context->accountingMode = 3;
    context->promptAtPrint = 1;
    context->accountType = 2;
    setControls(context);
    EXPECT_EQ(gMaxChars, 64);
    EXPECT_EQ(context->accountType, 1);
    EXPECT_EQ(context->savedAccountLabelBounds.top, 0);
    EXPECT_EQ(context->savedAccountFieldBounds.top, 0);
    context->accountingMode = 2;
    setControls(context);
    EXPECT_EQ(gMaxChars, 12);
    context->accountingMode = 1;
    setControls(context);
    EXPECT_TRUE(PlatformHost::drawLog().empty());
    freeAccountingContext(context);
}

} // namespace
