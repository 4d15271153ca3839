// Events, keyboard, the modal loop and what the user is shown.
#include "support/PlatformTest.h"

#include <string>
#include <vector>

namespace {

using PlatformHost::ControlKind;
using PlatformHost::ControlSpec;

// Records which handler saw which event, in order.
std::vector<std::string> gSeen;

struct Recorder {
    const char* name;
    OSStatus answer;
};

OSStatus recordingHandler(EventHandlerCallRef, EventRef event, void* userData) {
    auto* recorder = static_cast<Recorder*>(userData);
    gSeen.push_back(std::string(recorder->name) + ":" + std::to_string(GetEventKind(event)));
    return recorder->answer;
}

OSStatus passingOnHandler(EventHandlerCallRef call, EventRef event, void* userData) {
    gSeen.push_back(std::string(static_cast<Recorder*>(userData)->name) + ":next");
    return CallNextEventHandler(call, event);
}

class EventsTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        gSeen.clear();
        PlatformHost::clearUserRecords();
        window_ = PlatformHost::createWindow("events", Rect{0, 0, 100, 100});
        ControlSpec paneSpec;
        paneSpec.id = 50;
        pane_ = PlatformHost::addControl(window_, nullptr, paneSpec);
        ControlSpec fieldSpec;
        fieldSpec.kind = ControlKind::EditText;
        fieldSpec.id = 302;
        field_ = PlatformHost::addControl(window_, pane_, fieldSpec);
    }
    void TearDown() override {
        PlatformHost::setModalEventSource(nullptr);
        DisposeWindow(window_);
        PlatformTest::TearDown();
    }
    EventHandlerRef install(EventTargetRef target, Recorder* recorder, UInt32 eventClass,
                            UInt32 kind, EventHandlerProcPtr proc = recordingHandler) {
        EventTypeSpec spec = {eventClass, kind};
        EventHandlerRef ref = nullptr;
        EXPECT_EQ(InstallEventHandler(target, NewEventHandlerUPP(proc), 1, &spec, recorder, &ref),
                  noErr);
        return ref;
    }
    std::string text() {
        PlatformHost::ControlState s;
        PlatformHost::controlState(field_, &s);
        return s.text;
    }
    WindowRef window_ = nullptr;
    ControlRef pane_ = nullptr;
    ControlRef field_ = nullptr;
};

TEST_F(EventsTest, HandlersRunNewestFirstThenUpTheContainment) {
    Recorder older = {"older", eventNotHandledErr};
    Recorder newer = {"newer", eventNotHandledErr};
    Recorder pane = {"pane", eventNotHandledErr};
    Recorder window = {"window", 7};
    install(GetControlEventTarget(field_), &older, kEventClassControl, kEventControlHit);
    install(GetControlEventTarget(field_), &newer, kEventClassControl, kEventControlHit);
    install(GetControlEventTarget(pane_), &pane, kEventClassControl, kEventControlHit);
    install(GetWindowEventTarget(window_), &window, kEventClassControl, kEventControlHit);
    Recorder keys = {"keys", eventNotHandledErr};
    install(GetWindowEventTarget(window_), &keys, kEventClassKeyboard, kEventRawKeyUp);

    auto result = PlatformHost::click(field_);
    EXPECT_EQ(result.hitStatus, 7);
    EXPECT_EQ(gSeen, (std::vector<std::string>{"newer:1", "older:1", "pane:1", "window:1"}));
}

TEST_F(EventsTest, AHandledEventStopsAndRemovedHandlersNoLongerRun) {
    Recorder first = {"first", noErr};
    Recorder second = {"second", eventNotHandledErr};
    EventHandlerRef a =
        install(GetControlEventTarget(field_), &first, kEventClassControl, kEventControlHit);
    install(GetControlEventTarget(field_), &second, kEventClassControl, kEventControlHit);
    EXPECT_EQ(PlatformHost::click(field_).hitStatus, noErr);
    EXPECT_EQ(gSeen, (std::vector<std::string>{"second:1", "first:1"}));
    EXPECT_EQ(RemoveEventHandler(a), noErr);
    EXPECT_EQ(RemoveEventHandler(a), paramErr) << "a removed registration is refused";
    gSeen.clear();
    EXPECT_EQ(PlatformHost::click(field_).hitStatus, eventNotHandledErr);
    EXPECT_EQ(gSeen, (std::vector<std::string>{"second:1"}));
}

TEST_F(EventsTest, CallNextEventHandlerContinuesTheChain) {
    Recorder inner = {"inner", 3};
    Recorder outer = {"outer", 0};
    install(GetWindowEventTarget(window_), &inner, kEventClassCommand, kEventCommandProcess);
    install(GetWindowEventTarget(window_), &outer, kEventClassCommand, kEventCommandProcess,
            passingOnHandler);
    EXPECT_EQ(PlatformHost::sendCommand(window_, 'help'), 3);
    EXPECT_EQ(gSeen, (std::vector<std::string>{"outer:next", "inner:1"}));
}

TEST_F(EventsTest, ParametersAreTypedAndSized) {
    EventRef event = nullptr;
    ASSERT_EQ(CreateEvent(nullptr, kEventClassControl, kEventControlHit, 0, 0, &event), noErr);
    SetEventParameter(event, kEventParamDirectObject, typeControlRef, sizeof field_, &field_);
    ControlRef got = nullptr;
    EXPECT_EQ(GetEventParameter(event, kEventParamDirectObject, typeControlRef, nullptr, sizeof got,
                                nullptr, &got),
              noErr);
    EXPECT_EQ(got, field_);
    UInt32 narrow = 0xDEADBEEF;
    EXPECT_EQ(GetEventParameter(event, kEventParamDirectObject, typeControlRef, nullptr, 4, nullptr,
                                &narrow),
              paramErr)
        << "a pointer does not fit in four bytes";
    EXPECT_EQ(narrow, 0xDEADBEEFu);
    HICommand command;
    EXPECT_EQ(GetEventParameter(event, kEventParamDirectObject, typeHICommand, nullptr,
                                sizeof command, nullptr, &command),
              eventParameterNotFoundErr);
    ReleaseEvent(event);
}

TEST_F(EventsTest, DisposingAWindowRemovesTheHandlersOnIt) {
    long before = PlatformHost::liveObjectCount();
    WindowRef other = PlatformHost::createWindow("other", Rect{0, 0, 10, 10});
    Recorder r = {"r", eventNotHandledErr};
    EventHandlerRef ref =
        install(GetWindowEventTarget(other), &r, kEventClassCommand, kEventCommandProcess);
    DisposeWindow(other);
    EXPECT_EQ(PlatformHost::liveObjectCount(), before);
    EXPECT_EQ(RemoveEventHandler(ref), paramErr);
}

ControlKeyFilterResult blockDigits(ControlRef, SInt16*, SInt16* charCode, EventModifiers*) {
    return (*charCode >= '0' && *charCode <= '9') ? kControlKeyFilterBlockKey
                                                  : kControlKeyFilterPassKey;
}

TEST_F(EventsTest, TypingRunsTheFilterEditsAtTheSelectionAndSendsKeyUps) {
    Recorder keys = {"keys", eventNotHandledErr};
    install(GetWindowEventTarget(window_), &keys, kEventClassKeyboard, kEventRawKeyUp);
    ControlKeyFilterUPP filter = NewControlKeyFilterUPP(blockDigits);
    EXPECT_EQ(SetControlData(field_, 0, kControlEditTextKeyFilterTag, 4, &filter),
              errDataSizeMismatch)
        << "a routine reference is pointer-sized";
    ASSERT_EQ(SetControlData(field_, 0, kControlEditTextKeyFilterTag, sizeof filter, &filter),
              noErr);

    EXPECT_EQ(PlatformHost::typeText(field_, "a1b\xC3\xA9"), 3);
    EXPECT_EQ(text(), "ab\xC3\xA9");
    EXPECT_EQ(gSeen.size(), 4u) << "a key-up for every key, refused or not";

    PlatformHost::typeKey(field_, 28); // left, over the two-byte character
    PlatformHost::typeKey(field_, 8);  // backspace removes the b
    EXPECT_EQ(text(), "a\xC3\xA9");
    PlatformHost::typeKey(field_, 127); // forward delete removes the whole character
    EXPECT_EQ(text(), "a");
    PlatformHost::setSelection(field_, 0, 1);
    PlatformHost::typeKey(field_, 'z');
    EXPECT_EQ(text(), "z");
    PlatformHost::typeKey(field_, 9);
    PlatformHost::typeKey(field_, 13);
    EXPECT_EQ(text(), "z") << "tab and return do not edit";

    ControlEditTextSelectionRec selection = {-1, -1};
    GetControlData(field_, 0, kControlEditTextSelectionTag, sizeof selection, &selection, nullptr);
    EXPECT_EQ(selection.selStart, 1);
    EXPECT_EQ(selection.selEnd, 1);
}

TEST_F(EventsTest, ASelectionAlwaysCoversWholeCharacters) {
    // "a", e-acute (2 bytes), the euro sign (3), a four-byte emoji, "z": offsets 0 1 3 6 10 11.
    const std::string bytes = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z";
    ASSERT_EQ(SetControlData(field_, 0, kControlEditTextTextTag, static_cast<Size>(bytes.size()),
                             bytes.data()),
              noErr);
    struct Case {
        SInt16 start, end;
        SInt16 snappedStart, snappedEnd;
    };
    const Case cases[] = {
        {2, 2, 1, 3},    {2, 3, 1, 3},     {3, 5, 3, 6},   {4, 4, 3, 6},
        {7, 9, 6, 10},   {9, 2, 1, 10},    {0, 1, 0, 1},   {6, 10, 6, 10},
        {-5, 99, 0, 11}, {11, 11, 11, 11}, {10, 8, 6, 10},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(PlatformHost::setSelection(field_, c.start, c.end));
        ControlEditTextSelectionRec selection = {-1, -1};
        GetControlData(field_, 0, kControlEditTextSelectionTag, sizeof selection, &selection,
                       nullptr);
        EXPECT_EQ(selection.selStart, c.snappedStart) << c.start << ".." << c.end;
        EXPECT_EQ(selection.selEnd, c.snappedEnd) << c.start << ".." << c.end;
    }
    // Bytes that are not UTF-8 are characters of their own: nothing to widen.
    const std::string stray = "\x80\x80\x80\x80";
    SetControlData(field_, 0, kControlEditTextTextTag, 4, stray.data());
    PlatformHost::setSelection(field_, 2, 3);
    ControlEditTextSelectionRec selection = {-1, -1};
    GetControlData(field_, 0, kControlEditTextSelectionTag, sizeof selection, &selection, nullptr);
    EXPECT_EQ(selection.selStart, 2);
    EXPECT_EQ(selection.selEnd, 3);

    // Backspace over a selection given inside e-acute removes it whole.
    SetControlData(field_, 0, kControlEditTextTextTag, 3, "j\xC3\xA9");
    PlatformHost::setSelection(field_, 2, 3);
    PlatformHost::typeKey(field_, 8);
    EXPECT_EQ(text(), "j");
}

TEST_F(EventsTest, ACharacterBeyondSixteenBitsIsTypedAsTwoKeysAndInsertedWhole) {
    // U+1F600 and U+10348: two keys each, the first of which inserts nothing by itself.
    EXPECT_EQ(PlatformHost::typeText(field_, "a\xF0\x9F\x98\x80\xF0\x90\x8D\x88"), 5);
    EXPECT_EQ(text(), "a\xF0\x9F\x98\x80\xF0\x90\x8D\x88");
    // A first half whose second never comes is dropped by the next key.
    PlatformHost::typeKey(field_, 0xD83D);
    EXPECT_EQ(text(), "a\xF0\x9F\x98\x80\xF0\x90\x8D\x88");
    PlatformHost::typeKey(field_, 'z');
    PlatformHost::typeKey(field_, 0xDE00);
    EXPECT_EQ(text(), "a\xF0\x9F\x98\x80\xF0\x90\x8D\x88z") << "a second half alone adds nothing";
    PlatformHost::typeKey(field_, 8);
    PlatformHost::typeKey(field_, 8);
    EXPECT_EQ(text(), "a\xF0\x9F\x98\x80") << "backspace takes a whole character";
}

TEST_F(EventsTest, PasswordFieldsKeepTheirClearTextUnderPassOnly) {
    ControlFontStyleRec font{};
    font.size = 11;
    font.font = 3;
    ControlRef password = nullptr;
    Rect bounds = {1, 2, 3, 4};
    ASSERT_EQ(CreateEditTextControl(window_, &bounds, CFSTR(""), true, false, &font, &password),
              noErr);
    PlatformHost::typeText(password, "s3cret");
    char bytes[16] = "";
    Size actual = 0;
    EXPECT_EQ(GetControlData(password, 0, kControlEditTextTextTag, sizeof bytes, bytes, &actual),
              errDataNotSupported);
    EXPECT_EQ(
        GetControlData(password, 0, kControlEditTextPasswordTag, sizeof bytes, bytes, &actual),
        noErr);
    EXPECT_EQ(std::string(bytes, static_cast<size_t>(actual)), "s3cret");
    CFStringRef string = nullptr;
    EXPECT_EQ(GetControlData(password, 0, kControlEditTextPasswordCFStringTag, sizeof string,
                             &string, nullptr),
              noErr);
    EXPECT_TRUE(CFEqual(string, CFSTR("s3cret")));
    CFRelease(string);
    ControlFontStyleRec read{};
    EXPECT_EQ(sizeof read, 24u);
    GetControlData(password, 0, kControlFontStyleTag, sizeof read, &read, nullptr);
    EXPECT_EQ(read.size, 11);
    EXPECT_EQ(read.font, 3);
}

TEST_F(EventsTest, FocusGoesOnlyToEditFields) {
    EXPECT_EQ(SetKeyboardFocus(window_, field_, kControlFocusNextPart), noErr);
    ControlRef focus = nullptr;
    GetKeyboardFocus(window_, &focus);
    EXPECT_EQ(focus, field_);
    EXPECT_EQ(SetKeyboardFocus(window_, pane_, kControlFocusNextPart), errCouldntSetFocus);
    EXPECT_EQ(SetKeyboardFocus(window_, nullptr, kControlFocusNoPart), noErr);
    GetKeyboardFocus(window_, &focus);
    EXPECT_EQ(focus, nullptr);
}

TEST_F(EventsTest, ModalLoopRunsTheSourceUntilQuitAndFailsWhenItRunsDry) {
    int actions = 0;
    PlatformHost::setModalEventSource([&](WindowRef window) {
        if (++actions == 3) {
            QuitAppModalLoopForWindow(window);
        }
        return true;
    });
    EXPECT_EQ(QuitAppModalLoopForWindow(window_), errWindowNotModal);
    EXPECT_EQ(RunAppModalLoopForWindow(window_), noErr);
    EXPECT_EQ(actions, 3);

    PlatformHost::setModalEventSource([&](WindowRef) { return ++actions < 5; });
    EXPECT_EQ(RunAppModalLoopForWindow(window_), eventLoopQuitErr);
    PlatformHost::setModalEventSource(nullptr);
    EXPECT_EQ(RunAppModalLoopForWindow(window_), eventLoopQuitErr);
}

TEST_F(EventsTest, AScopedSourcePutsBackTheOneBeforeHoweverItsScopeIsLeft) {
    std::string used;
    auto quitting = [&](const char* name) {
        return [&used, name](WindowRef window) {
            used += name;
            QuitAppModalLoopForWindow(window);
            return true;
        };
    };
    PlatformHost::setModalEventSource(quitting("outer "));
    try {
        PlatformHost::ScopedModalEventSource inner(quitting("inner "));
        EXPECT_EQ(RunAppModalLoopForWindow(window_), noErr);
        throw 1; // an early way out
    } catch (int) {
    }
    EXPECT_EQ(RunAppModalLoopForWindow(window_), noErr);
    EXPECT_EQ(used, "inner outer ");
    PlatformHost::setModalEventSource(nullptr);
}

TEST_F(EventsTest, ClicksFollowWhatIsOnScreen) {
    ControlSpec popupSpec;
    popupSpec.kind = ControlKind::PopupButton;
    popupSpec.id = 100;
    popupSpec.menuItems = {"a", "b", "c"};
    popupSpec.value = 1;
    ControlRef popup = PlatformHost::addControl(window_, pane_, popupSpec);
    EXPECT_EQ(PlatformHost::click(popup).outcome, PlatformHost::ClickOutcome::NeedsValue);
    SInt32 three = 3;
    EXPECT_EQ(PlatformHost::click(popup, &three).outcome, PlatformHost::ClickOutcome::Delivered);
    EXPECT_EQ(GetControl32BitValue(popup), 3);
    HideControl(pane_);
    EXPECT_EQ(PlatformHost::click(popup, &three).outcome, PlatformHost::ClickOutcome::Hidden);
    ShowControl(pane_);
    DisableControl(popup);
    EXPECT_EQ(PlatformHost::click(popup, &three).outcome, PlatformHost::ClickOutcome::Disabled);

    ControlSpec checkSpec;
    checkSpec.kind = ControlKind::CheckBox;
    checkSpec.id = 202;
    ControlRef check = PlatformHost::addControl(window_, pane_, checkSpec);
    PlatformHost::click(check);
    EXPECT_EQ(GetControlValue(check), 1);
    PlatformHost::click(check);
    EXPECT_EQ(GetControlValue(check), 0);

    ControlSpec buttonSpec;
    buttonSpec.kind = ControlKind::PushButton;
    ControlRef button = PlatformHost::addControl(window_, nullptr, buttonSpec);
    SetControlCommandID(button, 'Qhlp');
    Recorder commands = {"command", 5};
    install(GetWindowEventTarget(window_), &commands, kEventClassCommand, kEventCommandProcess);
    auto result = PlatformHost::click(button);
    EXPECT_TRUE(result.commandSent);
    EXPECT_EQ(result.commandStatus, 5);
}

TEST_F(EventsTest, AlertsNoticesAndBeepsAreRecorded) {
    DialogRef alert = nullptr;
    ASSERT_EQ(CreateStandardAlert(kAlertStopAlert, CFSTR("Stopped"), nullptr, nullptr, &alert),
              noErr);
    DialogItemIndex hit = 0;
    EXPECT_EQ(RunStandardAlert(alert, nullptr, &hit), noErr);
    EXPECT_EQ(hit, 1);
    CFUserNotificationDisplayNotice(0, kCFUserNotificationStopAlertLevel, nullptr, nullptr, nullptr,
                                    CFSTR("Title"), CFSTR("Text"), nullptr);
    SysBeep(10);
    SysBeep(10);
    ASSERT_EQ(PlatformHost::alerts().size(), 1u);
    EXPECT_EQ(PlatformHost::alerts()[0].type, kAlertStopAlert);
    EXPECT_EQ(PlatformHost::alerts()[0].message, "Stopped");
    ASSERT_EQ(PlatformHost::notices().size(), 1u);
    EXPECT_EQ(PlatformHost::notices()[0].title, "Title");
    EXPECT_EQ(PlatformHost::notices()[0].message, "Text");
    EXPECT_EQ(PlatformHost::beeps(), 2);
}

} // namespace
