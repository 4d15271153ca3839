// Loading the settings from the print-settings ticket.
#include "support/SettingsFixture.h"

#include <cstring>

namespace {

class SyncLoadTest : public SettingsTest {
  protected:
    // Loads with standard error captured; returns the status.
    OSStatus loadCapturing() {
        PlatformHost::StderrCapture capture;
        OSStatus status = load();
        stderr_ = capture.finish();
        return status;
    }
    std::string stderr_;
};

TEST_F(SyncLoadTest, EmptyTicketGivesTheDefaultsOfEveryKey) {
    std::strcpy(context_->defaultUserID, "kept");
    context_->accountingMode = 3;
    context_->accountType = 3;
    EXPECT_EQ(loadCapturing(), noErr);
    EXPECT_EQ(context_->accountingMode, 1);
    EXPECT_EQ(context_->promptAtPrint, 1);
    EXPECT_EQ(context_->concealUserID, 1);
    EXPECT_EQ(context_->concealAccountID, 1);
    EXPECT_EQ(context_->accountType, 1);
    EXPECT_STREQ(context_->defaultUserID, "kept");
    EXPECT_EQ(stderr_,
              "using default conceal user value\nusing default conceal accounting value\n");
}

TEST_F(SyncLoadTest, EveryKeyLandsInItsField) {
    putInt("com.quorv.Act.qtaf.On", 2);
    putInt("com.quorv.Act.qtaf.Prm", 0);
    putInt("com.quorv.Act.qtaf.CU", 0);
    putInt("com.quorv.Act.qtaf.CA", 7);
    putInt("com.quorv.Act.qtaf.AT", 3);
    putString("com.quorv.Act.qtaf.UID", "user");
    putString("com.quorv.Act.qtaf.AID", "account");
    EXPECT_EQ(loadCapturing(), noErr);
    EXPECT_EQ(context_->accountingMode, 2);
    EXPECT_EQ(context_->promptAtPrint, 0);
    EXPECT_EQ(context_->concealUserID, 0);
    EXPECT_EQ(context_->concealAccountID, 7);
    EXPECT_EQ(context_->accountType, 3);
    EXPECT_STREQ(context_->defaultUserID, "user");
    EXPECT_STREQ(context_->defaultAccountID, "account");
    EXPECT_EQ(stderr_, "conceal user value = 0\nconceal accounting value = 7\n");
    EXPECT_EQ(gMaxChars, 12) << "the load ends with the layout rules";
}

TEST_F(SyncLoadTest, KeysOfTheWrongTypeTakeTheirDefaults) {
    putString("com.quorv.Act.qtaf.On", "3");
    putString("com.quorv.Act.qtaf.Prm", "0");
    putString("com.quorv.Act.qtaf.CU", "0");
    putInt("com.quorv.Act.qtaf.CA", 0);
    putString("com.quorv.Act.qtaf.AT", "2");
    putInt("com.quorv.Act.qtaf.UID", 5);
    EXPECT_EQ(loadCapturing(), noErr);
    EXPECT_EQ(context_->accountingMode, 1);
    EXPECT_EQ(context_->promptAtPrint, 1);
    EXPECT_EQ(context_->concealUserID, 1);
    EXPECT_EQ(context_->concealAccountID, 0);
    EXPECT_EQ(context_->accountType, 1);
    EXPECT_EQ(stderr_, "using default conceal user value\nconceal accounting value = 0\n");
}

TEST_F(SyncLoadTest, PromptingLeavesTheCodesUnread) {
    putInt("com.quorv.Act.qtaf.Prm", 1);
    putString("com.quorv.Act.qtaf.UID", "user");
    putString("com.quorv.Act.qtaf.AID", "account");
    buildPane();
    setFieldText(302, "typed");
    EXPECT_EQ(loadCapturing(), noErr);
    EXPECT_STREQ(context_->defaultUserID, "");
    EXPECT_STREQ(context_->defaultAccountID, "");
    EXPECT_EQ(fieldText(302), "typed");
}

TEST_F(SyncLoadTest, DefaultCodesReachThePaneFieldsOnceThePaneExists) {
    putInt("com.quorv.Act.qtaf.On", 3);
    putInt("com.quorv.Act.qtaf.Prm", 0);
    putString("com.quorv.Act.qtaf.UID", "user");
    putString("com.quorv.Act.qtaf.AID", "\xC3\xA9quipe");
    buildPane();
    EXPECT_EQ(loadCapturing(), noErr);
    EXPECT_EQ(fieldText(302), "user");
    EXPECT_EQ(fieldText(304), "\xC3\xA9quipe");
}

TEST_F(SyncLoadTest, ControlsFoundInTheDialogWindowTakeTheLoadedValues) {
    putInt("com.quorv.Act.qtaf.On", 3);
    putInt("com.quorv.Act.qtaf.Prm", 0);
    putInt("com.quorv.Act.qtaf.CU", 1);
    putInt("com.quorv.Act.qtaf.CA", 0);
    putInt("com.quorv.Act.qtaf.AT", 2);
    // Only embedderPane is known, as before the pane is opened: the controls are found by ID.
    buildPane(PaneWiring::WindowOnly);
    EXPECT_EQ(loadCapturing(), noErr);
    EXPECT_EQ(GetControlValue(control(100)), 3);
    EXPECT_EQ(GetControlValue(control(202)), 1);
    EXPECT_EQ(GetControlValue(control(203)), 0);
    EXPECT_EQ(GetControlValue(control(92)), 2);
}

TEST_F(SyncLoadTest, PromptingInAModeAboveOneForcesAccountTypeOne) {
    putInt("com.quorv.Act.qtaf.On", 3);
    putInt("com.quorv.Act.qtaf.Prm", 1);
    putInt("com.quorv.Act.qtaf.AT", 3);
    EXPECT_EQ(loadCapturing(), noErr);
    EXPECT_EQ(context_->accountType, 1);
    EXPECT_EQ(store(), noErr);
    EXPECT_EQ(item("com.quorv.Act.qtaf.AT").number, 1);
}

TEST_F(SyncLoadTest, FirstLoadBeforeThePaneExistsTouchesOnlyTheContext) {
    putInt("com.quorv.Act.qtaf.On", 3);
    putInt("com.quorv.Act.qtaf.Prm", 0);
    EXPECT_EQ(loadCapturing(), noErr);
    EXPECT_EQ(gMaxChars, 64);
    EXPECT_EQ(context_->savedAccountLabelBounds.top, 0);
    EXPECT_EQ(context_->savedAccountFieldBounds.top, 0);
    EXPECT_TRUE(PlatformHost::drawLog().empty());
}

TEST_F(SyncLoadTest, OverlongTicketCodesLeaveATerminatedFieldAndNeverOverflow) {
    putInt("com.quorv.Act.qtaf.Prm", 0);
    for (size_t length : {79u, 80u, 500u}) {
        std::strcpy(context_->defaultUserID, "before");
        putString("com.quorv.Act.qtaf.UID", std::string(length, 'u'));
        EXPECT_EQ(loadCapturing(), noErr);
        size_t kept = strnlen(context_->defaultUserID, sizeof context_->defaultUserID);
        EXPECT_LT(kept, sizeof context_->defaultUserID) << length;
        if (length == 79) {
            EXPECT_EQ(kept, 79u);
        } else {
            EXPECT_STREQ(context_->defaultUserID, "before")
                << "a code that does not fit is not cut";
        }
    }
}

TEST_F(SyncLoadTest, OtherReinitialiseValuesDoNothing) {
    putInt("com.quorv.Act.qtaf.On", 3);
    PlatformHost::StderrCapture capture;
    EXPECT_EQ(Sync(pde(), session_, 2), noErr);
    EXPECT_EQ(Sync(pde(), session_, 255), noErr);
    EXPECT_EQ(capture.finish(), "");
    EXPECT_EQ(context_->accountingMode, 1);
    EXPECT_EQ(PlatformHost::ticketKeys(ticket_).size(), 1u);
}

TEST_F(SyncLoadTest, MissingContextSessionOrTicket) {
    EXPECT_EQ(Sync(nullptr, session_, kSyncLoad), -30879);
    EXPECT_EQ(Sync(pde(), nullptr, kSyncLoad), -30879);

    PMPrintSession bare = nullptr;
    PMCreateSession(&bare);
    EXPECT_EQ(Sync(pde(), bare, kSyncLoad), -30891);
    EXPECT_EQ(Sync(pde(), bare, kSyncStore), -30891);
    PMRelease(bare);
}

TEST_F(SyncLoadTest, TicketReferenceIsReadPointerSized) {
    // The ticket's address does not fit in 32 bits on this platform; a 32-bit read would cut it.
    ASSERT_GT(reinterpret_cast<uintptr_t>(ticket_), 0xFFFFFFFFu)
        << "heap addresses here are above 4 GiB";
    PMTicketRef got = nullptr;
    EXPECT_EQ(GetTicketFromSession(session_, kPDE_PMPrintSettingsRef, &got), noErr);
    EXPECT_EQ(got, ticket_);
}

TEST_F(SyncLoadTest, SessionDataThatIsNotATicketNumberIsNoTicket) {
    PMTicketRef poisoned = reinterpret_cast<PMTicketRef>(0x1);
    EXPECT_EQ(GetTicketFromSession(session_, kPDE_PMPrinterInfoRef, &poisoned), -30891);
    PMSessionSetDataInSession(session_, kPDE_PMPrinterInfoRef, CFSTR("not a number"));
    EXPECT_EQ(GetTicketFromSession(session_, kPDE_PMPrinterInfoRef, &poisoned), -30891);
    EXPECT_EQ(poisoned, reinterpret_cast<PMTicketRef>(0x1));
}

} // namespace
