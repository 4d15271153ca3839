// The key filter of the four code fields.
#include "prompt/KeyFilter.h"
#include "support/PlatformTest.h"

#include <cstdlib>
#include <string>

namespace {

using PlatformHost::ControlKind;

class KeyFilterTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        PlatformHost::clearUserRecords();
        context_ = allocateAccountingContext();
        window_ = PlatformHost::createWindow("fields", Rect{0, 0, 100, 100});
        for (SInt32 id : {501, 503, 302, 304, 999}) {
            PlatformHost::ControlSpec spec;
            spec.kind = ControlKind::EditText;
            spec.id = id;
            PlatformHost::addControl(window_, nullptr, spec);
        }
    }
    void TearDown() override {
        DisposeWindow(window_);
        freeAccountingContext(context_);
        PlatformTest::TearDown();
    }
    ControlRef field(SInt32 id) { return PlatformHost::findControl(window_, id); }
    // Filters one key for a field holding text, with the selection given (caret at the end when
    // start is negative).
    bool passes(SInt32 id, const std::string& text, UInt16 character, SInt16 start = -1,
                SInt16 end = -1) {
        ControlRef f = field(id);
        SetControlData(f, 0, kControlEditTextTextTag, static_cast<Size>(text.size()), text.data());
        if (start >= 0) {
            PlatformHost::setSelection(f, start, end);
        }
        SInt16 key = 0;
        auto charCode = static_cast<SInt16>(character);
        EventModifiers modifiers = 0;
        return accountKeyFilter(f, &key, &charCode, &modifiers) == kControlKeyFilterPassKey;
    }
    AccountingContext* context_ = nullptr;
    WindowRef window_ = nullptr;
};

TEST_F(KeyFilterTest, KontavarLimitIs32BytesInEveryCodeField) {
    context_->accountingMode = 2;
    for (SInt32 id : {501, 503, 302, 304}) {
        long beeps = PlatformHost::beeps();
        EXPECT_TRUE(passes(id, std::string(31, 'a'), 'b')) << id;
        EXPECT_FALSE(passes(id, std::string(32, 'a'), 'b')) << id;
        EXPECT_EQ(PlatformHost::beeps(), beeps + 1) << id;
        for (UInt16 key : {8, 127, 28, 29}) {
            EXPECT_TRUE(passes(id, std::string(32, 'a'), key)) << id << " key " << key;
        }
        for (UInt16 key : {9, 13, 30, 31}) {
            EXPECT_FALSE(passes(id, std::string(32, 'a'), key)) << id << " key " << key;
        }
    }
}

TEST_F(KeyFilterTest, FullAccountingLimitIs64AndASelectionMakesRoom) {
    context_->accountingMode = 3;
    EXPECT_TRUE(passes(501, std::string(63, 'a'), 'b'));
    EXPECT_FALSE(passes(501, std::string(64, 'a'), 'b'));
    EXPECT_TRUE(passes(501, std::string(64, 'a'), 'b', 10, 13));
    EXPECT_TRUE(passes(304, std::string(64, 'a'), 'b', 0, 1));
}

TEST_F(KeyFilterTest, TheFifteenRefusedCharactersBeepEvenInAnEmptyField) {
    context_->accountingMode = 3;
    const std::string refused = "\"',/:;<>?[\\]{|}";
    ASSERT_EQ(refused.size(), 15u);
    long beeps = PlatformHost::beeps();
    for (char c : refused) {
        EXPECT_FALSE(passes(302, "", static_cast<UInt16>(c))) << c;
    }
    EXPECT_EQ(PlatformHost::beeps(), beeps + 15);
    for (char c : std::string("=a Z9-_.@#$%&*()+!~`^")) {
        EXPECT_TRUE(passes(302, "", static_cast<UInt16>(c))) << c;
    }
    EXPECT_EQ(PlatformHost::beeps(), beeps + 15) << "passing keys do not beep";
}

TEST_F(KeyFilterTest, OtherModesAndOtherFieldsHaveNoRoom) {
    for (SInt32 mode : {1, 0, 4, -1}) {
        context_->accountingMode = mode;
        EXPECT_FALSE(passes(501, "", 'a')) << mode;
        EXPECT_TRUE(passes(501, "", 8)) << mode;
    }
    context_->accountingMode = 3;
    EXPECT_FALSE(passes(999, "", 'a')) << "only the four code fields have a limit";
}

TEST_F(KeyFilterTest, WithoutAContextNothingMayBeAdded) {
    gContext = nullptr;
    EXPECT_FALSE(passes(501, "", 'a'));
    EXPECT_TRUE(passes(501, "", 29));
}

TEST_F(KeyFilterTest, TheNewestContextDecides) {
    context_->accountingMode = 3;
    AccountingContext* newer = allocateAccountingContext();
    newer->accountingMode = 2;
    EXPECT_FALSE(passes(501, std::string(32, 'a'), 'b'));
    newer->accountingMode = 3;
    EXPECT_TRUE(passes(501, std::string(32, 'a'), 'b'));
    freeAccountingContext(newer);
    EXPECT_EQ(gContext, context_);
}

TEST_F(KeyFilterTest, ACharacterWhoseBytesWouldCrossTheLimitIsRefusedWhole) {
    context_->accountingMode = 2;
    EXPECT_FALSE(passes(501, std::string(31, 'a'), 0x00E9)) << "two bytes at 31 of 32";
    EXPECT_TRUE(passes(501, std::string(30, 'a'), 0x00E9));
    EXPECT_FALSE(passes(501, std::string(30, 'a'), 0x20AC)) << "three bytes at 30 of 32";
    EXPECT_TRUE(passes(501, std::string(31, 'a'), 0x00E9, 30, 31)) << "replacing one byte";
}

TEST_F(KeyFilterTest, ACharacterBeyondSixteenBitsNeedsRoomForAllFourBytes) {
    context_->accountingMode = 2;
    const UInt16 high = 0xD83D, low = 0xDE00; // U+1F600, four bytes
    EXPECT_TRUE(passes(501, std::string(28, 'a'), high));
    EXPECT_FALSE(passes(501, std::string(29, 'a'), high)) << "four bytes at 29 of 32";
    EXPECT_TRUE(passes(501, std::string(30, 'a'), low)) << "the second half adds nothing";

    // Typed through the field: all four bytes go in, or none.
    ControlKeyFilterUPP filter = NewControlKeyFilterUPP(accountKeyFilter);
    ControlRef f = field(302);
    SetControlData(f, 0, kControlEditTextKeyFilterTag, sizeof filter, &filter);
    PlatformHost::ControlState state;
    for (size_t before : {28u, 29u, 31u}) {
        SetControlData(f, 0, kControlEditTextTextTag, static_cast<Size>(before),
                       std::string(before, 'a').data());
        PlatformHost::typeText(f, "\xF0\x9F\x98\x80");
        PlatformHost::controlState(f, &state);
        EXPECT_EQ(state.text, before == 28 ? std::string(28, 'a') + "\xF0\x9F\x98\x80"
                                           : std::string(before, 'a'))
            << before;
    }
}

// In a full field every key that would add is refused with a beep, whatever it is; the four
// editing keys still pass.
TEST_F(KeyFilterTest, AFullFieldRefusesEveryKeyButTheEditingOnes) {
    struct Case {
        SInt32 mode;
        size_t length;
        UInt16 key;
        bool passes;
    };
    const Case cases[] = {
        {2, 32, 0xDE00, false}, {2, 32, 0xD83D, false}, {2, 32, 'a', false},
        {2, 32, 0x0001, false}, {3, 64, 0xDC00, false}, {3, 64, 0xDFFF, false},
        {1, 0, 0xDE00, false},  {2, 31, 0xDE00, true},  {2, 32, 8, true},
        {2, 32, 127, true},     {2, 32, 28, true},      {2, 32, 29, true},
        {1, 0, 8, true},
    };
    for (const Case& c : cases) {
        context_->accountingMode = c.mode;
        long beeps = PlatformHost::beeps();
        EXPECT_EQ(passes(501, std::string(c.length, 'a'), c.key), c.passes)
            << "mode " << c.mode << ", " << c.length << " bytes, key " << c.key;
        EXPECT_EQ(PlatformHost::beeps() - beeps, c.passes ? 0 : 1) << "key " << c.key;
    }
}

TEST_F(KeyFilterTest, PasswordFieldsAreLimitedToo) {
    context_->accountingMode = 2;
    ControlRef password = nullptr;
    Rect bounds = {0, 0, 10, 10};
    CreateEditTextControl(window_, &bounds, CFSTR(""), true, false, nullptr, &password);
    ControlID id = {'QRVa', 503};
    SetControlID(password, &id);
    std::string full(32, 'p');
    SetControlData(password, 0, kControlEditTextPasswordTag, 32, full.data());
    SInt16 key = 0;
    SInt16 character = 'q';
    EventModifiers modifiers = 0;
    EXPECT_EQ(accountKeyFilter(password, &key, &character, &modifiers), kControlKeyFilterBlockKey);
}

TEST_F(KeyFilterTest, TypedThroughTheFieldTheLimitHolds) {
    context_->accountingMode = 2;
    ControlKeyFilterUPP filter = NewControlKeyFilterUPP(accountKeyFilter);
    ControlRef f = field(302);
    SetControlData(f, 0, kControlEditTextKeyFilterTag, sizeof filter, &filter);
    EXPECT_EQ(PlatformHost::typeText(f, std::string(40, 'x') + "?"), 32);
    PlatformHost::ControlState state;
    PlatformHost::controlState(f, &state);
    EXPECT_EQ(state.text, std::string(32, 'x'));
    EXPECT_EQ(PlatformHost::beeps(), 9);
}

} // namespace
