// The pane's event handler: its controls, its commands and the Print button.
#include "layout/PaneLayout.h"
#include "support/PaneFixture.h"

#include <cstring>

namespace {

class PaneEventsTest : public PaneTest {
  protected:
    void SetUp() override {
        PaneTest::SetUp();
        openPane();
        SInt32 full = 3;
        PlatformHost::click(control(100), &full);
    }
};

TEST_F(PaneEventsTest, TheModePopupReLaysThePane) {
    EXPECT_EQ(pane_->accountingMode, 3);
    EXPECT_FALSE(IsControlVisible(control(92)));
    EXPECT_EQ(gMaxChars, 64);
    SInt32 off = 1;
    EXPECT_EQ(PlatformHost::click(control(100), &off).hitStatus, eventNotHandledErr);
    EXPECT_EQ(pane_->accountingMode, 1);
    EXPECT_TRUE(IsControlVisible(control(91)));
}

TEST_F(PaneEventsTest, DefaultCodesRadioPutsTheDefaultCodesBack) {
    PlatformHost::click(control(300));
    std::strcpy(pane_->defaultUserID, "stored");
    std::strcpy(pane_->defaultAccountID, "codes");
    setText(302, "typed");
    setText(304, "too");
    PlatformHost::click(control(200));
    EXPECT_EQ(pane_->promptAtPrint, 1);
    EXPECT_EQ(text(302), "typed") << "the prompt radio leaves the text";
    EXPECT_FALSE(IsControlEnabled(control(302)));
    EXPECT_EQ(PlatformHost::click(control(300)).outcome, PlatformHost::ClickOutcome::Delivered);
    EXPECT_EQ(pane_->promptAtPrint, 0);
    EXPECT_EQ(GetControlValue(control(200)), 0);
    EXPECT_EQ(GetControlValue(control(300)), 1);
    EXPECT_EQ(text(302), "stored");
    EXPECT_EQ(text(304), "codes");
}

TEST_F(PaneEventsTest, TheConcealBoxesChangeOnlyTheirValue) {
    PlatformHost::click(control(200));
    // An empty ticket conceals both codes.
    ASSERT_EQ(pane_->concealUserID, 1);
    ASSERT_EQ(pane_->concealAccountID, 1);
    PlatformHost::clearDrawLog();
    PlatformHost::click(control(202));
    PlatformHost::click(control(203));
    EXPECT_EQ(pane_->concealUserID, 0);
    EXPECT_EQ(pane_->concealAccountID, 0);
    EXPECT_TRUE(PlatformHost::drawLog().empty()) << "no layout";
    PlatformHost::click(control(202));
    EXPECT_EQ(pane_->concealUserID, 1);
    EXPECT_EQ(pane_->concealAccountID, 0);
}

TEST_F(PaneEventsTest, AccountTypeAndForeignControls) {
    SInt32 kontavarNotInPane = 2;
    pane_->accountingMode = 2;
    setControls(pane_);
    PlatformHost::click(control(300));
    PlatformHost::click(control(92), &kontavarNotInPane);
    EXPECT_EQ(pane_->accountType, 2);
    EXPECT_TRUE(IsControlEnabled(control(304)));

    PlatformHost::ControlSpec foreign;
    foreign.kind = PlatformHost::ControlKind::CheckBox;
    foreign.signature = 'XXXX';
    foreign.id = 202;
    ControlRef other = PlatformHost::addControl(dialog_->window(), control(50), foreign);
    SInt32 before = pane_->concealUserID;
    EXPECT_EQ(PlatformHost::click(other).hitStatus, eventNotHandledErr);
    EXPECT_EQ(pane_->concealUserID, before);
}

TEST_F(PaneEventsTest, HelpAndOtherCommands) {
    EXPECT_EQ(PlatformHost::sendCommand(dialog_->window(), 'help'), noErr);
    auto requests = PlatformHost::helpRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].page, "Mac_topics/M_accounting_dialog.htm");
    EXPECT_EQ(PlatformHost::sendCommand(dialog_->window(), 'Qhlp'), eventNotHandledErr);
    EXPECT_EQ(PlatformHost::sendCommand(dialog_->window(), 'abcd'), eventNotHandledErr);
    EXPECT_EQ(PlatformHost::helpRequests().size(), 1u);
}

TEST_F(PaneEventsTest, PrintGoesStraightOnWithAccountingOff) {
    SInt32 off = 1;
    PlatformHost::click(control(100), &off);
    PrintDialog::Press press = dialog_->pressPrint();
    EXPECT_EQ(press.status, eventNotHandledErr) << "the pane passed it on to the dialog";
    EXPECT_TRUE(press.printed);
}

TEST_F(PaneEventsTest, PrintWithAccountingOnCollectsTheCodes) {
    PlatformHost::click(control(300));
    setText(302, "A1");
    setText(304, "");
    PrintDialog::Press press = dialog_->pressPrint();
    EXPECT_EQ(press.status, noErr) << "the pane consumed it";
    EXPECT_FALSE(press.printed) << "a missing default code stops the job";
    EXPECT_EQ(PlatformHost::notices().size(), 1u);
    setText(304, "B2");
    press = dialog_->pressPrint();
    EXPECT_TRUE(press.printed);
    EXPECT_STREQ(pane_->promptAccountID, "B2");
}

} // namespace
