// Windows and controls: lookup by ID, values, data, bounds, visibility, and the rule that a null
// control is left alone.
#include "support/PlatformTest.h"

#include <cstring>

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
