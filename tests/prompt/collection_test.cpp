// Collecting the job's codes when Print is pressed.
#include "prompt/Collection.h"
#include "support/BundleFixture.h"
#include "support/PaneWindow.h"

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using PlatformHost::ControlKind;

class CollectionTest : public BundleTest {
  protected:
    void TearDown() override {
        if (pane_.window != nullptr) {
            DisposeWindow(pane_.window);
        }
        BundleTest::TearDown();
    }

    // Runs the prompt with these actions, one per turn of the modal loop. The first action sees
    // the window as it was opened.
    OSStatus prompt(SInt32 mode, std::vector<std::function<void(WindowRef)>> actions) {
        context_->accountingMode = mode;
        context_->promptAtPrint = 1;
        gMaxChars = mode == 2 ? 12 : 64;
        size_t next = 0;
        PlatformHost::setModalEventSource([&](WindowRef window) {
            if (next >= actions.size()) {
                return false;
            }
            actions[next++](window);
            return true;
        });
        return gatherAccountingInformation(context_);
    }

    static ControlRef find(WindowRef window, SInt32 id) {
        return PlatformHost::findControl(window, id);
    }
    static std::function<void(WindowRef)> type(SInt32 id, std::string text) {
        return [id, text](WindowRef w) { PlatformHost::typeText(find(w, id), text); };
    }
    static std::function<void(WindowRef)> press(SInt32 id) {
        return [id](WindowRef w) { PlatformHost::click(find(w, id)); };
    }

    PaneWindow pane_;
    ScopedEnv englishOnly_{"LC_ALL", "C"};
};

struct OpenState {
    std::string title;
    bool shown = false;
    bool userEnabled = false, accountEnabled = false, companionEnabled = false, okEnabled = true;
    bool focusOnUser = false;
    bool filters = false;
};

TEST_F(CollectionTest, TheWindowOfTheModeOpensReadyForTheUserId) {
    for (SInt32 mode : {2, 3}) {
        OpenState seen;
        auto look = [&](WindowRef w) {
            PlatformHost::ControlState user, account;
            PlatformHost::controlState(find(w, 501), &user);
            PlatformHost::controlState(find(w, 503), &account);
            Rect bounds;
            GetWindowPortBounds(w, &bounds);
            seen.title = PlatformHost::windowName(w);
            seen.shown = IsWindowVisible(w);
            seen.userEnabled = user.enabled;
            seen.accountEnabled = account.enabled;
            seen.companionEnabled = IsControlEnabled(find(w, 502));
            seen.okEnabled = IsControlEnabled(find(w, 1000));
            seen.focusOnUser = user.focused;
            seen.filters = user.hasKeyFilter && account.hasKeyFilter;
            EXPECT_EQ(w, context_->promptWindow);
        };
        EXPECT_EQ(prompt(mode, {look, press(1001)}), noErr);
        EXPECT_EQ(seen.title, mode == 2 ? "Kontavar" : "Accounting");
        EXPECT_TRUE(seen.shown) << mode;
        EXPECT_TRUE(seen.userEnabled) << mode;
        EXPECT_EQ(seen.accountEnabled, mode == 3) << mode;
        EXPECT_EQ(seen.companionEnabled, mode == 3) << mode;
        EXPECT_FALSE(seen.okEnabled) << mode;
        EXPECT_TRUE(seen.focusOnUser) << mode;
        EXPECT_TRUE(seen.filters) << mode;
        EXPECT_EQ(context_->promptWindow, nullptr);
    }
}

TEST_F(CollectionTest, KontavarUsesItsOwnWindow) {
    std::string popupItems;
    auto look = [&](WindowRef w) {
        PlatformHost::ControlState popup;
        PlatformHost::controlState(find(w, 505), &popup);
        popupItems = popup.visible ? "visible" : "hidden";
    };
    prompt(2, {look, press(1001)});
    EXPECT_EQ(popupItems, "visible");
    prompt(3, {look, press(1001)});
    EXPECT_EQ(popupItems, "hidden");
}

TEST_F(CollectionTest, OKTakesTheTypedCodesAndLetsThePrintGoOn) {
    EXPECT_EQ(prompt(3, {type(501, "jdoe"), type(503, "4711"), press(1000)}), eventNotHandledErr);
    EXPECT_STREQ(context_->promptUserID, "jdoe");
    EXPECT_STREQ(context_->promptAccountID, "4711");
    EXPECT_EQ(context_->promptWindow, nullptr);
    EXPECT_TRUE(PlatformHost::alerts().empty());
}

TEST_F(CollectionTest, ConcealedFieldsReplaceTheNibFieldsInPlace) {
    context_->concealUserID = 1;
    context_->concealAccountID = 0;
    PlatformHost::ControlState masked, hidden, plain;
    bool hiddenAccount = true;
    auto look = [&](WindowRef w) {
        PlatformHost::controlState(find(w, 501), &masked);
        PlatformHost::controlState(find(w, 9998), &hidden);
        PlatformHost::controlState(find(w, 503), &plain);
        hiddenAccount = find(w, 9999) != nullptr;
    };
    EXPECT_EQ(prompt(3, {look, type(501, "secret"), type(503, "acct"), press(1000)}),
              eventNotHandledErr);
    EXPECT_EQ(masked.kind, ControlKind::PasswordEditText);
    EXPECT_EQ(hidden.kind, ControlKind::EditText);
    EXPECT_FALSE(hidden.visible);
    EXPECT_EQ(masked.bounds.top, hidden.bounds.top);
    EXPECT_EQ(masked.bounds.left, hidden.bounds.left);
    EXPECT_EQ(masked.bounds.bottom, hidden.bounds.bottom);
    EXPECT_EQ(masked.bounds.right, hidden.bounds.right);
    EXPECT_EQ(std::memcmp(&masked.font, &hidden.font, sizeof masked.font), 0);
    EXPECT_EQ(plain.kind, ControlKind::EditText);
    EXPECT_FALSE(hiddenAccount);
    EXPECT_STREQ(context_->promptUserID, "secret") << "read back with 'pass'";
    EXPECT_STREQ(context_->promptAccountID, "acct") << "read back with 'text'";
}

TEST_F(CollectionTest, BothConcealedBothReadWithPass) {
    context_->concealUserID = 1;
    context_->concealAccountID = 1;
    bool bothMasked = false;
    auto look = [&](WindowRef w) {
        PlatformHost::ControlState user, account;
        PlatformHost::controlState(find(w, 501), &user);
        PlatformHost::controlState(find(w, 503), &account);
        bothMasked = user.kind == ControlKind::PasswordEditText &&
                     account.kind == ControlKind::PasswordEditText && find(w, 9999) != nullptr;
    };
    EXPECT_EQ(prompt(3, {look, type(501, "u1"), type(503, "a1"), press(1000)}), eventNotHandledErr);
    EXPECT_TRUE(bothMasked);
    EXPECT_STREQ(context_->promptUserID, "u1");
    EXPECT_STREQ(context_->promptAccountID, "a1");
}

TEST_F(CollectionTest, PromptedCodesAreCutToTheModesReadLimit) {
    std::string twenty = "abcdefghijklmnopqrst";
    EXPECT_EQ(prompt(2, {type(501, twenty), press(1000)}), eventNotHandledErr);
    EXPECT_STREQ(context_->promptUserID, "abcdefghijkl") << "the filter let 20 in, 12 are kept";

    // The cut backs up to the last whole character.
    EXPECT_EQ(prompt(2, {type(501, "abcdefghijk\xC3\xA9"), press(1000)}), eventNotHandledErr);
    EXPECT_STREQ(context_->promptUserID, "abcdefghijk");

    std::string seventy(70, 'z');
    EXPECT_EQ(prompt(3, {type(501, seventy), type(503, "a"), press(1000)}), eventNotHandledErr);
    EXPECT_EQ(std::string(context_->promptUserID), std::string(64, 'z'));
}

TEST_F(CollectionTest, CancelShowsTheStopAlertAndKeepsThePreviousCodes) {
    std::strcpy(context_->promptUserID, "before");
    std::strcpy(context_->promptAccountID, "kept");
    EXPECT_EQ(prompt(3, {type(501, "new"), press(1001)}), noErr);
    EXPECT_STREQ(context_->promptUserID, "before");
    EXPECT_STREQ(context_->promptAccountID, "kept");
    EXPECT_EQ(context_->promptCancelled, 1);
    auto alerts = PlatformHost::alerts();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].type, kAlertStopAlert);
    EXPECT_NE(alerts[0].message.find("not printed"), std::string::npos) << alerts[0].message;
    EXPECT_EQ(alerts[0].explanation, "");
}

TEST_F(CollectionTest, ALoopThatEndsWithoutOKOrCancelNeverPassesForOK) {
    std::strcpy(context_->promptUserID, "before");
    context_->promptCancelled = 0;
    OSStatus status = prompt(3, {type(501, "u"), type(503, "a")});
    EXPECT_NE(status, noErr);
    EXPECT_NE(status, eventNotHandledErr);
    EXPECT_STREQ(context_->promptUserID, "before");
    EXPECT_TRUE(PlatformHost::alerts().empty());
    EXPECT_EQ(context_->promptWindow, nullptr);
}

TEST_F(CollectionTest, NoNibMeansNoPromptAndNoPrint) {
    context_->bundle = helpBundle_; // a bundle without the nib
    bool ran = false;
    EXPECT_EQ(prompt(3, {[&](WindowRef) { ran = true; }}), noErr);
    EXPECT_FALSE(ran);
    EXPECT_EQ(context_->promptWindow, nullptr);
    EXPECT_TRUE(PlatformHost::alerts().empty());
    EXPECT_TRUE(PlatformHost::notices().empty());
}

class DefaultCodesTest : public CollectionTest {
  protected:
    OSStatus gather(SInt32 mode = 3) {
        context_->accountingMode = mode;
        context_->promptAtPrint = 0;
        return gatherAccountingInformation(context_);
    }
    void typeInPane(SInt32 id, const std::string& text) {
        SetControlData(paneControl(pane_, id), 0, kControlEditTextTextTag,
                       static_cast<Size>(text.size()), text.data());
    }
};

TEST_F(DefaultCodesTest, BothCodesInThePaneGoToTheJob) {
    pane_ = buildPaneWindow(context_, PaneWiring::ContextFields);
    typeInPane(302, "A1");
    typeInPane(304, "B2");
    EXPECT_EQ(gather(), eventNotHandledErr);
    EXPECT_STREQ(context_->promptUserID, "A1");
    EXPECT_STREQ(context_->promptAccountID, "B2");
    EXPECT_STREQ(context_->defaultUserID, "A1");
    EXPECT_TRUE(PlatformHost::notices().empty());
}

TEST_F(DefaultCodesTest, AnEmptiedAccountFieldStopsThePrintWithTheNotice) {
    pane_ = buildPaneWindow(context_, PaneWiring::ContextFields);
    std::strcpy(context_->defaultAccountID, "older");
    typeInPane(302, "A1");
    typeInPane(304, "");
    EXPECT_EQ(gather(), noErr);
    EXPECT_STREQ(context_->defaultUserID, "A1") << "the good user code is kept";
    auto notices = PlatformHost::notices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].title, "Accounting");
    EXPECT_NE(notices[0].message.find("missing"), std::string::npos) << notices[0].message;
    EXPECT_EQ(notices[0].flags, 0u);
    EXPECT_EQ(notices[0].timeout, 0);
}

TEST_F(DefaultCodesTest, WithoutThePaneTheStoredCodesDecide) {
    std::strcpy(context_->defaultUserID, "U");
    std::strcpy(context_->defaultAccountID, "A");
    EXPECT_EQ(gather(), eventNotHandledErr);
    EXPECT_STREQ(context_->promptAccountID, "A");
    context_->defaultAccountID[0] = '\0';
    EXPECT_EQ(gather(), noErr);
    EXPECT_EQ(PlatformHost::notices().size(), 1u);
}

TEST_F(DefaultCodesTest, DefaultCodesAreNotCutToTheReadLimit) {
    pane_ = buildPaneWindow(context_, PaneWiring::ContextFields);
    gMaxChars = 12;
    typeInPane(302, "abcdefghijklmnopqrst");
    typeInPane(304, "x");
    EXPECT_EQ(gather(2), eventNotHandledErr);
    EXPECT_STREQ(context_->promptUserID, "abcdefghijklmnopqrst");
}

TEST_F(DefaultCodesTest, ACodeThatDoesNotFitIsMissingNotCut) {
    pane_ = buildPaneWindow(context_, PaneWiring::ContextFields);
    typeInPane(302, std::string(80, 'u'));
    typeInPane(304, "acct");
    EXPECT_EQ(gather(), noErr);
    EXPECT_EQ(PlatformHost::notices().size(), 1u);
    typeInPane(302, std::string(79, 'u'));
    EXPECT_EQ(gather(), eventNotHandledErr);
    EXPECT_EQ(std::string(context_->promptUserID), std::string(79, 'u'));
}

TEST_F(DefaultCodesTest, KontavarUserIdOnlyNeedsOnlyTheUserCode) {
    pane_ = buildPaneWindow(context_, PaneWiring::ContextFields);
    typeInPane(302, "U1");
    typeInPane(304, "");
    struct Case {
        SInt32 mode, type;
        OSStatus status;
    };
    const Case cases[] = {
        {2, 1, eventNotHandledErr}, // the account field is disabled: only the user code counts
        {2, 2, noErr},
        {2, 3, noErr},
        {3, 1, noErr}, // full accounting always needs both
    };
    size_t notices = 0;
    for (const Case& c : cases) {
        context_->accountType = c.type;
        EXPECT_EQ(gather(c.mode), c.status) << "mode " << c.mode << " type " << c.type;
        notices += c.status == noErr ? 1 : 0;
        EXPECT_EQ(PlatformHost::notices().size(), notices);
    }
    context_->accountType = 1;
    EXPECT_EQ(gather(2), eventNotHandledErr);
    EXPECT_STREQ(context_->promptUserID, "U1");
    typeInPane(302, "");
    EXPECT_EQ(gather(2), noErr) << "the user code is still needed";
}

} // namespace
