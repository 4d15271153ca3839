// Windows and controls: lookup by ID, values, data, bounds, visibility, and the rule that a null
// control is left alone.
#include "support/PlatformTest.h"

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using PlatformHost::ControlKind;
using PlatformHost::ControlSpec;

class ControlsTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        window_ = PlatformHost::createWindow("test", Rect{0, 0, 200, 300});
    }
    void TearDown() override {
        DisposeWindow(window_);
        PlatformTest::TearDown();
    }
    ControlRef add(ControlKind kind, SInt32 id, ControlRef parent = nullptr) {
        ControlSpec spec;
        spec.kind = kind;
        spec.id = id;
        spec.bounds = Rect{10, 20, 30, 120};
        if (kind == ControlKind::PopupButton) {
            spec.menuItems = {"one", "two", "three"};
            spec.value = 1;
        }
        return PlatformHost::addControl(window_, parent, spec);
    }
    WindowRef window_ = nullptr;
};

TEST_F(ControlsTest, LookupByIdFindsEmbeddedControlsAndReportsAbsence) {
    ControlRef pane = add(ControlKind::UserPane, 50);
    ControlRef field = add(ControlKind::EditText, 302, pane);
    ControlRef found = nullptr;
    ControlID id = {'QRVa', 302};
    EXPECT_EQ(GetControlByID(window_, &id, &found), noErr);
    EXPECT_EQ(found, field);
    EXPECT_EQ(GetControlOwner(field), window_);

    ControlRef poisoned = reinterpret_cast<ControlRef>(0x1);
    ControlID missing = {'QRVa', 999};
    EXPECT_EQ(GetControlByID(window_, &missing, &poisoned), errUnknownControl);
    EXPECT_EQ(poisoned, reinterpret_cast<ControlRef>(0x1));
    ControlID otherSignature = {'XXXX', 302};
    EXPECT_EQ(GetControlByID(window_, &otherSignature, &poisoned), errUnknownControl);
    EXPECT_NE(GetControlByID(nullptr, &id, &poisoned), noErr);
    EXPECT_EQ(poisoned, reinterpret_cast<ControlRef>(0x1));
}

TEST_F(ControlsTest, ValuesAreKeptWithinMinimumAndMaximum) {
    ControlRef popup = add(ControlKind::PopupButton, 100);
    SetControl32BitValue(popup, 3);
    EXPECT_EQ(GetControl32BitValue(popup), 3);
    SetControl32BitValue(popup, 4);
    EXPECT_EQ(GetControl32BitValue(popup), 3);
    SetControlValue(popup, 0);
    EXPECT_EQ(GetControlValue(popup), 1);

    ControlRef checkbox = add(ControlKind::CheckBox, 202);
    SetControl32BitValue(checkbox, 1);
    EXPECT_EQ(GetControlValue(checkbox), 1);
    EXPECT_EQ(GetControl32BitMaximum(checkbox), 1);
}

TEST_F(ControlsTest, TextDataCopiesAtMostTheBufferAndReportsTheFullSize) {
    ControlRef field = add(ControlKind::EditText, 302);
    const char* text = "0123456789";
    EXPECT_EQ(SetControlData(field, 0, kControlEditTextTextTag, 10, text), noErr);
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    Size actual = 0;
    EXPECT_EQ(GetControlData(field, 0, kControlEditTextTextTag, 4, buffer, &actual), noErr);
    EXPECT_EQ(actual, 10);
    EXPECT_EQ(std::string(buffer, 8), "0123####");

    CFStringRef string = nullptr;
    EXPECT_EQ(
        GetControlData(field, 0, kControlEditTextCFStringTag, sizeof string, &string, &actual),
        noErr);
    EXPECT_TRUE(CFEqual(string, CFSTR("0123456789")));
    CFRelease(string);

    ControlRef button = add(ControlKind::PushButton, 1);
    EXPECT_EQ(GetControlData(button, 0, kControlEditTextTextTag, 4, buffer, &actual),
              errDataNotSupported);
    EXPECT_EQ(GetControlData(field, 0, 'zzzz', 4, buffer, &actual), errDataNotSupported);
}

TEST_F(ControlsTest, EveryCallLeavesANullControlAlone) {
    Rect poisoned = {1, 2, 3, 4};
    ShowControl(nullptr);
    HideControl(nullptr);
    EXPECT_NE(EnableControl(nullptr), noErr);
    EXPECT_NE(DisableControl(nullptr), noErr);
    EXPECT_EQ(GetControlBounds(nullptr, &poisoned), &poisoned);
    EXPECT_EQ(poisoned.top, 1);
    EXPECT_EQ(poisoned.right, 4);
    SetControlBounds(nullptr, &poisoned);
    SetControlValue(nullptr, 3);
    SetControl32BitValue(nullptr, 3);
    EXPECT_EQ(GetControlValue(nullptr), 0);
    EXPECT_EQ(GetControlOwner(nullptr), nullptr);
    EXPECT_NE(SetControlData(nullptr, 0, kControlEditTextTextTag, 1, "x"), noErr);
    Draw1Control(nullptr);
    EXPECT_TRUE(PlatformHost::drawLog().empty());
}

TEST_F(ControlsTest, VisibilityEnablingAndBoundsAreKept) {
    ControlRef label = add(ControlKind::StaticText, 303);
    HideControl(label);
    EXPECT_FALSE(IsControlVisible(label));
    ShowControl(label);
    EXPECT_TRUE(IsControlVisible(label));
    DisableControl(label);
    EXPECT_FALSE(IsControlEnabled(label));
    Rect moved = {-5, 0, 32767, -32768};
    SetControlBounds(label, &moved);
    Rect read;
    GetControlBounds(label, &read);
    EXPECT_EQ(read.top, -5);
    EXPECT_EQ(read.bottom, 32767);
    EXPECT_EQ(read.right, -32768);
}

TEST_F(ControlsTest, DrawingAndErasingAreRecordedWithTheirPort) {
    ControlRef image = add(ControlKind::UserPane, 101);
    SetPortWindowPort(window_);
    Draw1Control(image);
    Rect area = {1, 2, 3, 4};
    EraseRect(&area);
    auto log = PlatformHost::drawLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].kind, PlatformHost::DrawOp::Kind::DrawControl);
    EXPECT_EQ(log[0].controlNumber, 101);
    EXPECT_EQ(log[0].port, GetWindowPort(window_));
    EXPECT_EQ(log[1].kind, PlatformHost::DrawOp::Kind::EraseRect);
    EXPECT_EQ(log[1].rect.left, 2);
    EXPECT_EQ(log[1].port, GetWindowPort(window_));
}

TEST_F(ControlsTest, DisposingAWindowDisposesItsControls) {
    long before = PlatformHost::liveObjectCount();
    WindowRef other = PlatformHost::createWindow("other", Rect{0, 0, 10, 10});
    ControlSpec spec;
    spec.kind = ControlKind::UserPane;
    ControlRef pane = PlatformHost::addControl(other, nullptr, spec);
    PlatformHost::addControl(other, pane, spec);
    EXPECT_GT(PlatformHost::liveObjectCount(), before);
    DisposeWindow(other);
    EXPECT_EQ(PlatformHost::liveObjectCount(), before);
}

} // namespace

namespace {

// What a window shows and where a click or a caret lands in it: the host-facing view a real
// window is built on.
class ControlGeometryTest : public ControlsTest {
  protected:
    ControlRef place(ControlKind kind, SInt32 id, const Rect& bounds, ControlRef parent = nullptr,
                     const std::string& text = "") {
        ControlSpec spec;
        spec.kind = kind;
        spec.id = id;
        spec.bounds = bounds;
        spec.text = text;
        return PlatformHost::addControl(window_, parent, spec);
    }
    uint32_t pixel(int x, int y) { return PlatformHost::portPixel(window_, x, y) & 0xFFFFFF; }
};

TEST_F(ControlGeometryTest, AClickHitsTheInnermostVisibleControlDrawnLast) {
    ControlRef pane = place(ControlKind::UserPane, 50, {10, 10, 190, 290});
    ControlRef field = place(ControlKind::EditText, 302, {20, 20, 40, 200}, pane);
    ControlRef over = place(ControlKind::CheckBox, 202, {30, 150, 50, 280}, pane);
    EXPECT_EQ(PlatformHost::controlAt(window_, 25, 25), field);
    EXPECT_EQ(PlatformHost::controlAt(window_, 160, 35), over) << "drawn after the field";
    EXPECT_EQ(PlatformHost::controlAt(window_, 100, 100), pane);
    EXPECT_EQ(PlatformHost::controlAt(window_, 5, 5), nullptr) << "only the window's root";
    EXPECT_EQ(PlatformHost::controlAt(window_, 200, 20), pane) << "right and bottom are out";
    HideControl(over);
    EXPECT_EQ(PlatformHost::controlAt(window_, 160, 35), field);
    HideControl(pane);
    EXPECT_EQ(PlatformHost::controlAt(window_, 25, 25), nullptr) << "inside a hidden pane";
    EXPECT_EQ(PlatformHost::controlAt(nullptr, 25, 25), nullptr);
}

TEST_F(ControlGeometryTest, AnOffsetInAFieldIsTheNearestCharacterBoundary) {
    ControlRef field = place(ControlKind::EditText, 302, {20, 20, 42, 280}, nullptr,
                             "ab\xC3\xA9\xE2\x82\xAC"); // a b e-acute euro: boundaries 0 1 2 4 7
    EXPECT_EQ(PlatformHost::fieldOffsetAt(field, 0), 0u) << "left of the text";
    EXPECT_EQ(PlatformHost::fieldOffsetAt(field, 24), 0u) << "the text starts 4 inside";
    EXPECT_EQ(PlatformHost::fieldOffsetAt(field, 279), 7u) << "right of the text";
    std::vector<size_t> seen;
    for (int x = 20; x < 120; ++x) {
        size_t at = PlatformHost::fieldOffsetAt(field, x);
        if (seen.empty() || seen.back() != at) {
            seen.push_back(at);
        }
    }
    EXPECT_EQ(seen, (std::vector<size_t>{0, 1, 2, 4, 7})) << "every boundary, in order";
    ControlRef label = place(ControlKind::StaticText, 301, {50, 20, 70, 280}, nullptr, "text");
    EXPECT_EQ(PlatformHost::fieldOffsetAt(label, 60), 0u) << "not an edit field";
}

TEST_F(ControlGeometryTest, TheFocusedFieldShowsItsCaretAndSelection) {
    ControlRef field = place(ControlKind::EditText, 302, {20, 20, 42, 280}, nullptr, "abc");
    auto darkColumns = [&]() {
        std::vector<int> columns;
        for (int x = 21; x < 279; ++x) {
            bool dark = true;
            for (int y = 25; y <= 36; ++y) {
                uint32_t p = pixel(x, y);
                dark = dark && ((p >> 16) & 0xFF) < 0x80 && ((p >> 8) & 0xFF) < 0x80;
            }
            if (dark) {
                columns.push_back(x);
            }
        }
        return columns;
    };
    PlatformHost::renderWindow(window_);
    EXPECT_TRUE(darkColumns().empty()) << "no caret without the focus";
    SetKeyboardFocus(window_, field, kControlFocusNextPart);
    PlatformHost::setSelection(field, 1, 1);
    PlatformHost::renderWindow(window_);
    std::vector<int> caret = darkColumns();
    ASSERT_EQ(caret.size(), 1u) << "one caret line, full height";
    PlatformHost::setSelection(field, 3, 3);
    PlatformHost::renderWindow(window_);
    ASSERT_EQ(darkColumns().size(), 1u);
    EXPECT_GT(darkColumns()[0], caret[0]) << "after the last character";
    // A selection: tinted behind the text, no caret.
    uint32_t background = pixel(270, 31);
    PlatformHost::setSelection(field, 0, 3);
    PlatformHost::renderWindow(window_);
    EXPECT_TRUE(darkColumns().empty());
    EXPECT_NE(pixel(caret[0], 26), background) << "the selection is tinted";
    EXPECT_EQ(pixel(270, 31), background) << "past the selection it is not";
}

// What the host's view of the controls is told: each change once, after it, and nothing for a
// call that changes nothing.
TEST_F(ControlsTest, TheObserverHearsEachChangeOnceAndNothingElse) {
    ControlRef pane = add(ControlKind::UserPane, 50);
    ControlRef field = add(ControlKind::EditText, 302);
    ControlRef other = add(ControlKind::EditText, 304);
    ControlRef popup = add(ControlKind::PopupButton, 100);
    ControlRef box = add(ControlKind::CheckBox, 202);
    std::vector<std::string> heard;
    auto name = [&](ControlRef control) {
        ControlID id = {0, 0};
        GetControlID(control, &id);
        return std::to_string(id.id);
    };
    PlatformHost::ScopedControlObserver observer([&](ControlRef control, auto change) {
        heard.push_back(name(control) + " " + PlatformHost::controlChangeName(change));
    });
    const Rect moved = {40, 20, 60, 120};
    const ControlEditTextSelectionRec all = {0, 3};
    const struct {
        const char* call;
        std::function<void()> run;
        std::vector<std::string> expected;
    } cases[] = {
        {"HideControl", [&] { HideControl(box); }, {"202 visible"}},
        {"HideControl again", [&] { HideControl(box); }, {}},
        {"ShowControl", [&] { ShowControl(box); }, {"202 visible"}},
        {"SetControlVisibility", [&] { SetControlVisibility(box, false, false); }, {"202 visible"}},
        {"DisableControl", [&] { DisableControl(box); }, {"202 enabled"}},
        {"DisableControl again", [&] { DisableControl(box); }, {}},
        {"EnableControl", [&] { EnableControl(box); }, {"202 enabled"}},
        {"SetControl32BitValue", [&] { SetControl32BitValue(box, 1); }, {"202 value"}},
        {"SetControl32BitValue, clamped to the same", [&] { SetControl32BitValue(box, 7); }, {}},
        {"SetControlBounds", [&] { SetControlBounds(box, &moved); }, {"202 bounds"}},
        {"SetControlData text",
         [&] { SetControlData(field, 0, kControlEditTextTextTag, 3, "abc"); },
         {"302 text"}},
        {"SetControlData the same text",
         [&] { SetControlData(field, 0, kControlEditTextTextTag, 3, "abc"); },
         {}},
        {"SetControlData selection",
         [&] { SetControlData(field, 0, kControlEditTextSelectionTag, sizeof all, &all); },
         {"302 selection"}},
        {"a key that replaces the selection",
         [&] { PlatformHost::typeKey(field, 'x'); },
         {"302 text"}},
        {"left arrow", [&] { PlatformHost::typeKey(field, 28); }, {"302 selection"}},
        {"backspace at the start, which deletes nothing",
         [&] {
             PlatformHost::setSelection(field, 0, 0);
             PlatformHost::typeKey(field, 8);
         },
         {}},
        {"SetKeyboardFocus",
         [&] { SetKeyboardFocus(window_, other, kControlFocusNextPart); },
         {"304 focus"}},
        {"SetKeyboardFocus elsewhere",
         [&] { SetKeyboardFocus(window_, field, kControlFocusNextPart); },
         {"304 focus", "302 focus"}},
        {"setControlTitle", [&] { PlatformHost::setControlTitle(box, "Conceal"); }, {"202 title"}},
        {"ChangeMenuItemAttributes",
         [&] {
             MenuRef menu = nullptr;
             GetControlData(popup, kControlEntireControl, kControlPopupButtonMenuRefTag,
                            sizeof menu, &menu, nullptr);
             ChangeMenuItemAttributes(menu, 2, kMenuItemAttrHidden, 0);
             ChangeMenuItemAttributes(menu, 2, kMenuItemAttrHidden, 0);
         },
         {"100 items"}},
        {"EmbedControl", [&] { EmbedControl(box, pane); }, {"202 parent"}},
        {"DisposeControl of a pane",
         [&] { DisposeControl(pane); },
         {"50 disposed", "202 disposed"}},
        {"addControl", [&] { add(ControlKind::StaticText, 7); }, {"7 created"}},
    };
    for (const auto& c : cases) {
        heard.clear();
        c.run();
        EXPECT_EQ(heard, c.expected) << c.call;
    }
}

} // namespace
