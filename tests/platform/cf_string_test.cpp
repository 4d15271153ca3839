// CFString: creation in each encoding, conversion into sized buffers, formats and constants.
#include "support/PlatformTest.h"

#include <cstring>
#include <string>

namespace {

class CFStringTest : public PlatformTest {};

std::string utf8Of(CFStringRef string) {
    char buffer[512];
    if (!CFStringGetCString(string, buffer, sizeof buffer, kCFStringEncodingUTF8)) {
        return "<not convertible>";
    }
    return buffer;
}

TEST_F(CFStringTest, CreatesFromCStringInEachSupportedEncoding) {
    struct Case {
        const char* bytes;
        CFStringEncoding encoding;
        bool made;
        CFIndex length;
    };
    const Case cases[] = {
        {"plain", kCFStringEncodingUTF8, true, 5},
        {"\xC3\xA9t\xC3\xA9", kCFStringEncodingUTF8, true, 3},
        {"\xF0\x9F\x98\x80", kCFStringEncodingUTF8, true, 2}, // one character, two UTF-16 units
        {"\xC3", kCFStringEncodingUTF8, false, 0},            // cut sequence
        {"\xC0\xAF", kCFStringEncodingUTF8, false, 0},        // overlong form
        {"\xED\xA0\x80", kCFStringEncodingUTF8, false, 0},    // a surrogate
        {"abc\x80", kCFStringEncodingASCII, false, 0},
        {"caf\xE9", kCFStringEncodingISOLatin1, true, 4},
        {"x", kCFStringEncodingMacRoman, false, 0}, // not supported here
    };
    for (const Case& c : cases) {
        CFStringRef string = CFStringCreateWithCString(nullptr, c.bytes, c.encoding);
        EXPECT_EQ(string != nullptr, c.made) << c.bytes;
        if (string != nullptr) {
            EXPECT_EQ(CFStringGetLength(string), c.length) << c.bytes;
            EXPECT_EQ(CFGetTypeID(string), CFStringGetTypeID());
            CFRelease(string);
        }
    }
}

TEST_F(CFStringTest, GetCStringNeedsRoomForTheTerminatorAndLeavesTheBufferAloneOtherwise) {
    CFStringRef string = CFStringCreateWithCString(nullptr, "abcd", kCFStringEncodingUTF8);
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_FALSE(CFStringGetCString(string, buffer, 4, kCFStringEncodingUTF8));
    EXPECT_EQ(std::string(buffer, sizeof buffer), "########");
    EXPECT_TRUE(CFStringGetCString(string, buffer, 5, kCFStringEncodingUTF8));
    EXPECT_STREQ(buffer, "abcd");
    EXPECT_EQ(buffer[5], '#');
    CFRelease(string);

    // Four UTF-8 bytes for one character: a five-byte buffer fits, a four-byte one does not.
    CFStringRef emoji =
        CFStringCreateWithCString(nullptr, "\xF0\x9F\x98\x80", kCFStringEncodingUTF8);
    EXPECT_FALSE(CFStringGetCString(emoji, buffer, 4, kCFStringEncodingUTF8));
    EXPECT_TRUE(CFStringGetCString(emoji, buffer, 5, kCFStringEncodingUTF8));
    EXPECT_FALSE(CFStringGetCString(emoji, buffer, sizeof buffer, kCFStringEncodingASCII));
    CFRelease(emoji);
}

TEST_F(CFStringTest, CharactersRoundTripAndUnpairedSurrogatesDoNotConvert) {
    const UniChar units[] = {'H', 0x00E9, 0xD83D, 0xDE00};
    CFStringRef string = CFStringCreateWithCharacters(nullptr, units, 4);
    EXPECT_EQ(CFStringGetLength(string), 4);
    EXPECT_EQ(CFStringGetCharacterAtIndex(string, 1), 0x00E9);
    EXPECT_EQ(utf8Of(string), "H\xC3\xA9\xF0\x9F\x98\x80");
    CFRelease(string);

    const UniChar lone[] = {'a', 0xD800};
    CFStringRef broken = CFStringCreateWithCharacters(nullptr, lone, 2);
    char buffer[16];
    EXPECT_FALSE(CFStringGetCString(broken, buffer, sizeof buffer, kCFStringEncodingUTF8));
    CFRelease(broken);
}

TEST_F(CFStringTest, FormatSupportsObjectsIntegersAndCStrings) {
    CFStringRef name =
        CFStringCreateWithCString(nullptr, "Accounting-On.gif", kCFStringEncodingUTF8);
    CFStringRef folder = CFSTR("en.lproj");
    CFStringRef path = CFStringCreateWithFormat(nullptr, nullptr, CFSTR("%@/%@"), folder, name);
    EXPECT_EQ(utf8Of(path), "en.lproj/Accounting-On.gif");

    CFStringRef numbers = CFStringCreateWithFormat(nullptr, nullptr, CFSTR("%d|%ld|%s|%5d|%%|%x"),
                                                   -7, 123456789012L, "text", 42, 255u);
    EXPECT_EQ(utf8Of(numbers), "-7|123456789012|text|   42|%|ff");
    CFRelease(name);
    CFRelease(path);
    CFRelease(numbers);
}

TEST_F(CFStringTest, ConstantStringsAreSharedAndNeverFreed) {
    long before = PlatformHost::liveObjectCount();
    CFStringRef a = CFSTR("com.quorv.Act.qtaf.On");
    CFStringRef b = CFSTR("com.quorv.Act.qtaf.On");
    EXPECT_EQ(a, b);
    CFRelease(a);
    CFRelease(a);
    EXPECT_EQ(CFStringGetLength(a), 21);
    EXPECT_EQ(PlatformHost::liveObjectCount(), before);
}

TEST_F(CFStringTest, EqualityAndHashFollowTheContents) {
    CFStringRef made = CFStringCreateWithCString(nullptr, "Accounting", kCFStringEncodingUTF8);
    EXPECT_NE(made, CFSTR("Accounting"));
    EXPECT_TRUE(CFEqual(made, CFSTR("Accounting")));
    EXPECT_EQ(CFHash(made), CFHash(CFSTR("Accounting")));
    EXPECT_FALSE(CFEqual(made, CFSTR("accounting")));
    EXPECT_EQ(CFStringCompare(made, CFSTR("accounting"), kCFCompareCaseInsensitive),
              kCFCompareEqualTo);
    EXPECT_TRUE(CFStringHasSuffix(made, CFSTR("ing")));
    CFRelease(made);
}

// Texts made every way there is, on both sides of the one-byte storage's limit (units below
// 0x100): each route gives the same string, its units and text read back unchanged, and a copy
// and a format of it are equal to it with the same hash.
TEST_F(CFStringTest, TextsOnEitherSideOfOneByteUnitsReadBackAndCompareTheSame) {
    const std::u16string texts[] = {u"",
                                    u"a",
                                    u"picture-12345.gif",
                                    u"caf\u00e9 \u00ff",
                                    u"\u0100",
                                    u"folder/\u03a9mega",
                                    u"\u00ff\u0100",
                                    u"x\U0001F600y"};
    for (const std::u16string& text : texts) {
        SCOPED_TRACE(std::string(text.begin(), text.end()));
        auto length = static_cast<CFIndex>(text.size());
        CFStringRef made = CFStringCreateWithCharacters(
            nullptr, reinterpret_cast<const UniChar*>(text.data()), length);
        ASSERT_NE(made, nullptr);
        std::string utf8 = utf8Of(made);
        CFStringRef fromUtf8 =
            CFStringCreateWithCString(nullptr, utf8.c_str(), kCFStringEncodingUTF8);
        CFStringRef copy = CFStringCreateCopy(nullptr, made);
        CFStringRef formatted = CFStringCreateWithFormat(nullptr, nullptr, CFSTR("%@"), made);
        for (CFStringRef other : {fromUtf8, copy, formatted}) {
            ASSERT_NE(other, nullptr);
            EXPECT_TRUE(CFEqual(made, other));
            EXPECT_EQ(CFHash(made), CFHash(other));
            EXPECT_EQ(CFStringCompare(made, other, 0), kCFCompareEqualTo);
            EXPECT_EQ(utf8Of(other), utf8);
        }
        EXPECT_EQ(CFStringGetLength(made), length);
        std::u16string back(text.size(), u'?');
        CFStringGetCharacters(made, CFRangeMake(0, length),
                              reinterpret_cast<UniChar*>(back.data()));
        EXPECT_EQ(back, text);
        for (CFIndex i = 0; i < length; ++i) {
            EXPECT_EQ(CFStringGetCharacterAtIndex(made, i), text[static_cast<size_t>(i)]);
        }
        for (CFStringRef other : {fromUtf8, copy, formatted, made}) {
            CFRelease(other);
        }
    }
    // U+00FF and U+0100 differ though a byte of each is the same.
    CFStringRef low = CFStringCreateWithCString(nullptr, "\xC3\xBF", kCFStringEncodingUTF8);
    CFStringRef high = CFStringCreateWithCString(nullptr, "\xC4\x80", kCFStringEncodingUTF8);
    CFStringRef one = CFStringCreateWithCString(nullptr, "\x01", kCFStringEncodingUTF8);
    EXPECT_FALSE(CFEqual(low, high));
    EXPECT_FALSE(CFEqual(one, high));
    EXPECT_EQ(CFStringCompare(low, high, 0), kCFCompareLessThan);
    // A suffix stored one way matches the end of a text stored the other.
    CFStringRef wide =
        CFStringCreateWithCString(nullptr, "\xCE\xA9mega.gif", kCFStringEncodingUTF8);
    EXPECT_TRUE(CFStringHasSuffix(wide, CFSTR("mega.gif")));
    EXPECT_FALSE(CFStringHasSuffix(wide, CFSTR("Mega.gif")));
    EXPECT_TRUE(CFStringHasSuffix(high, high));
    EXPECT_FALSE(CFStringHasSuffix(high, low));
    for (CFStringRef s : {low, high, one, wide}) {
        CFRelease(s);
    }
}

TEST_F(CFStringTest, SystemEncodingIsUtf8) {
    EXPECT_EQ(CFStringGetSystemEncoding(), static_cast<CFStringEncoding>(kCFStringEncodingUTF8));
}

TEST_F(CFStringTest, RetainAndReleaseCountReferences) {
    CFStringRef string = CFStringCreateWithCString(nullptr, "x", kCFStringEncodingUTF8);
    long live = PlatformHost::liveObjectCount();
    EXPECT_EQ(CFRetain(string), string);
    EXPECT_EQ(CFGetRetainCount(string), 2);
    CFRelease(string);
    EXPECT_EQ(PlatformHost::liveObjectCount(), live);
    CFRelease(string);
    EXPECT_EQ(PlatformHost::liveObjectCount(), live - 1);
}

} // namespace
