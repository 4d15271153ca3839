// The prompt window's event handler: help, OK and Cancel, the account type, the OK rule.
#include "prompt/PromptEvents.h"
#include "support/BundleFixture.h"

#include <string>
#include <tuple>

namespace {

using PlatformHost::ControlKind;
using PlatformHost::ControlSpec;

class PromptEventsTest : public BundleTest {
  protected:
    void TearDown() override {
        if (context_ != nullptr && context_->promptWindow != nullptr) {
            DisposeWindow(context_->promptWindow);
        }
        BundleTest::TearDown();
    }

    // A prompt window with the handler installed, the fields concealed as the context says.
    void openPrompt(SInt32 mode, SInt32 accountType = 1) {
        context_->accountingMode = mode;
        context_->accountType = accountType;
        gMaxChars = mode == 2 ? 12 : 64;
        WindowRef window = PlatformHost::createWindow("prompt", Rect{0, 0, 200, 400});
        auto add = [&](ControlKind kind, SInt32 id) {
            ControlSpec spec;
            spec.kind = kind;
            spec.id = id;
            if (kind == ControlKind::PopupButton) {
                spec.menuItems = {"1", "2", "3"};
                spec.value = 1;
            }
            return PlatformHost::addControl(window, nullptr, spec);
        };
        add(context_->concealUserID ? ControlKind::PasswordEditText : ControlKind::EditText, 501);
        add(ControlKind::StaticText, 502);
        add(context_->concealAccountID ? ControlKind::PasswordEditText : ControlKind::EditText,
            503);
        add(ControlKind::PopupButton, 505);
        DisableControl(add(ControlKind::PushButton, 1000));
        add(ControlKind::PushButton, 1001);
        EventTypeSpec events[] = {{kEventClassControl, kEventControlHit},
                                  {kEventClassKeyboard, kEventRawKeyUp},
                                  {kEventClassCommand, kEventCommandProcess}};
        InstallEventHandler(GetWindowEventTarget(window),
                            NewEventHandlerUPP(accountingInputEventHandler), 3, events, context_,
                            nullptr);
        context_->promptWindow = window;
    }
    ControlRef control(SInt32 id) { return PlatformHost::findControl(context_->promptWindow, id); }
    bool okEnabled() { return IsControlEnabled(control(1000)); }
    void type(SInt32 id, const std::string& text) { PlatformHost::typeText(control(id), text); }
};

TEST_F(PromptEventsTest, FullAccountingNeedsBothCodes) {
    openPrompt(3);
    type(501, "user");
    EXPECT_FALSE(okEnabled());
    type(503, "a");
    EXPECT_TRUE(okEnabled());
    PlatformHost::typeKey(control(503), 8);
    EXPECT_FALSE(okEnabled());
    type(503, "b");
    EXPECT_TRUE(okEnabled());
    PlatformHost::setSelection(control(501), 0, 4);
    PlatformHost::typeKey(control(501), 8);
    EXPECT_FALSE(okEnabled());
}

TEST_F(PromptEventsTest, KontavarAccountTypeOneNeedsTheUserIdOnly) {
    openPrompt(2, 1);
    type(501, "u");
    EXPECT_TRUE(okEnabled());
    for (SInt32 type : {2, 3}) {
        context_->accountType = type;
        PlatformHost::typeKey(control(501), 'x');
        EXPECT_FALSE(okEnabled()) << type;
    }
}

TEST_F(PromptEventsTest, TheOKRuleReadsEachFieldWithTheTagOfItsConcealment) {
    // Each combination of the two flags: OK follows the typed text in both fields, which is
    // only seen when each field is read with its own tag.
    for (auto [user, account] :
         {std::tuple{0, 0}, std::tuple{1, 0}, std::tuple{0, 1}, std::tuple{1, 1}}) {
        context_->concealUserID = user;
        context_->concealAccountID = account;
        openPrompt(3);
        type(501, "u");
        EXPECT_FALSE(okEnabled()) << user << account;
        type(503, "a");
        EXPECT_TRUE(okEnabled()) << user << account;
        DisposeWindow(context_->promptWindow);
        context_->promptWindow = nullptr;
    }
}

TEST_F(PromptEventsTest, ChoosingAccountTypeOneEmptiesAndDisablesTheAccountId) {
    for (SInt32 conceal : {0, 1}) {
        context_->concealAccountID = conceal;
        openPrompt(2, 2);
        type(503, "acct");
        SInt32 one = 1;
        auto result = PlatformHost::click(control(505), &one);
        EXPECT_EQ(result.hitStatus, eventNotHandledErr);
        PlatformHost::ControlState field;
        PlatformHost::controlState(control(503), &field);
        EXPECT_EQ(field.text, "") << conceal;
        EXPECT_FALSE(field.enabled);
        EXPECT_FALSE(IsControlEnabled(control(502)));
        EXPECT_TRUE(okEnabled()) << "OK at once, even with no user ID";
        EXPECT_EQ(context_->accountType, 1);
        PlatformHost::typeKey(control(501), 8);
        EXPECT_FALSE(okEnabled()) << "the next key release applies the rule again";
        DisposeWindow(context_->promptWindow);
        context_->promptWindow = nullptr;
    }
}

TEST_F(PromptEventsTest, ChoosingTypeTwoOrThreeAsksForTheAccountIdAgain) {
    openPrompt(2, 1);
    type(501, "u");
    type(503, "a");
    EXPECT_TRUE(okEnabled());
    DisableControl(control(502));
    DisableControl(control(503));
    for (SInt32 value : {2, 3}) {
        EnableControl(control(1000));
        PlatformHost::click(control(505), &value);
        EXPECT_TRUE(IsControlEnabled(control(502)));
        EXPECT_TRUE(IsControlEnabled(control(503)));
        EXPECT_FALSE(okEnabled()) << "even with both fields filled";
        EXPECT_EQ(context_->accountType, value);
    }
    PlatformHost::typeKey(control(503), 'b');
    EXPECT_TRUE(okEnabled());
}

TEST_F(PromptEventsTest, OKAndCancelEndTheLoopWithTheirVerdict) {
    openPrompt(3);
    for (auto [button, cancelled] : {std::tuple{1000, 0}, std::tuple{1001, 1}}) {
        context_->promptCancelled = static_cast<UInt8>(1 - cancelled);
        EnableControl(control(1000));
        SInt32 pressed = button;
        PlatformHost::setModalEventSource([&](WindowRef) {
            PlatformHost::click(control(pressed));
            return true;
        });
        EXPECT_EQ(RunAppModalLoopForWindow(context_->promptWindow), noErr);
        EXPECT_EQ(context_->promptCancelled, cancelled);
    }
}

TEST_F(PromptEventsTest, HitsOnTheFieldsAndForeignControlsChangeNothing) {
    openPrompt(3);
    context_->promptCancelled = 1;
    for (SInt32 id : {501, 503}) {
        EXPECT_EQ(PlatformHost::click(control(id)).hitStatus, eventNotHandledErr);
    }
    ControlSpec foreign;
    foreign.kind = ControlKind::PushButton;
    foreign.id = 1000;
    foreign.signature = 'XXXX';
    ControlRef other = PlatformHost::addControl(context_->promptWindow, nullptr, foreign);
    EXPECT_EQ(PlatformHost::click(other).hitStatus, eventNotHandledErr);
    EXPECT_EQ(context_->promptCancelled, 1);
    EXPECT_EQ(context_->accountType, 1);
}

TEST_F(PromptEventsTest, HelpCommandOpensTheAccountingPage) {
    openPrompt(3);
    EXPECT_EQ(PlatformHost::sendCommand(context_->promptWindow, 'Qhlp'), noErr);
    auto requests = PlatformHost::helpRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].page, "Mac_topics/M_accounting_dialog.htm");
    EXPECT_EQ(PlatformHost::sendCommand(context_->promptWindow, 'help'), eventNotHandledErr);
    EXPECT_EQ(PlatformHost::helpRequests().size(), 1u);

    context_->helpBundle = bundle_; // a bundle that names no help book
    EXPECT_EQ(PlatformHost::sendCommand(context_->promptWindow, 'Qhlp'), paramErr);
}

TEST_F(PromptEventsTest, OtherEventsAreNotHandledAndChangeNothing) {
    openPrompt(2, 2);
    type(501, "u");
    EnableControl(control(1000));
    // What the handler could change: the context, the prompt's controls, help.
    auto snapshot = [&]() {
        std::string state(reinterpret_cast<const char*>(context_), sizeof *context_);
        for (SInt32 id : {501, 502, 503, 505, 1000, 1001}) {
            PlatformHost::ControlState s;
            PlatformHost::controlState(control(id), &s);
            state += std::to_string(id) + (s.enabled ? "e" : "d") + std::to_string(s.value) +
                     s.text + "|";
        }
        return state + std::to_string(PlatformHost::helpRequests().size());
    };
    const std::string before = snapshot();
    struct Case {
        UInt32 eventClass, kind;
        ControlRef directObject; // a control hit's direct object, for the control events
    };
    const Case cases[] = {
        {kEventClassWindow, 1, nullptr},
        {kEventClassControl, kEventControlDraw, control(1000)}, // a draw of OK is no hit on it
        {kEventClassControl, kEventControlDraw, control(505)},
        {kEventClassKeyboard, 1, control(501)}, // a key down: only key releases apply the rule
        {kEventClassKeyboard, 2, control(501)},
        {kEventClassCommand, 2, nullptr}, // a command update, not a command to process
    };
    for (const Case& c : cases) {
        EventRef event = nullptr;
        ASSERT_EQ(CreateEvent(nullptr, c.eventClass, c.kind, 0, 0, &event), noErr);
        if (c.directObject != nullptr) {
            ControlRef object = c.directObject;
            SetEventParameter(event, kEventParamDirectObject, typeControlRef, sizeof object,
                              &object);
        }
        HICommand help{};
        help.commandID = 'Qhlp';
        if (c.eventClass == kEventClassCommand) {
            SetEventParameter(event, kEventParamDirectObject, typeHICommand, sizeof help, &help);
        }
        EXPECT_EQ(accountingInputEventHandler(nullptr, event, context_), eventNotHandledErr)
            << c.eventClass << " " << c.kind;
        ReleaseEvent(event);
        EXPECT_EQ(snapshot(), before) << c.eventClass << " " << c.kind;
    }
}

} // namespace
