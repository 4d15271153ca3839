// CFString: creation in each encoding, conversion into sized buffers, formats and constants.
#include "support/PlatformTest.h"

#include <cstring>
#include <set>
#include <string>
#include <vector>

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

// A text of the length, one byte a unit or not, different for each seed.
std::u16string textOf(size_t length, bool wide, unsigned seed) {
    std::u16string text(length, u'a');
    for (size_t i = 0; i < length; ++i) {
        text[i] = static_cast<char16_t>((wide && i % 7 == 3 ? 0x3a0 : 'a') + (seed + i) % 26);
    }
    return text;
}

std::u16string unitsOf(CFStringRef string) {
    std::u16string back(static_cast<size_t>(CFStringGetLength(string)), u'?');
    CFStringGetCharacters(string, CFRangeMake(0, CFStringGetLength(string)),
                          reinterpret_cast<UniChar*>(back.data()));
    return back;
}

// Strings of every length up to past the largest record kept in pages, stored either way, made
// and released in an interleaved order, so that freed records are taken again: no string's text
// is touched by another's record, nor by the bookkeeping of a freed one.
TEST_F(CFStringTest, StringsOfEveryLengthKeepTheirTextsAsOthersAreFreedAndMade) {
    struct Made {
        std::u16string text;
        CFStringRef string;
    };
    std::vector<Made> all;
    unsigned seed = 0;
    auto make = [&](size_t length, bool wide) {
        std::u16string text = textOf(length, wide, seed++);
        CFStringRef string =
            CFStringCreateWithCharacters(nullptr, reinterpret_cast<const UniChar*>(text.data()),
                                         static_cast<CFIndex>(text.size()));
        ASSERT_NE(string, nullptr);
        all.push_back({text, string});
    };
    for (int round = 0; round < 3; ++round) {
        for (size_t length = 0; length <= 300; ++length) {
            make(length, false);
            make(length, true);
            make(length, false);
        }
        // Every other string goes; the next round takes their records again.
        std::vector<Made> kept;
        for (size_t i = 0; i < all.size(); ++i) {
            if (i % 2 == static_cast<size_t>(round % 2)) {
                CFRelease(all[i].string);
            } else {
                kept.push_back(all[i]);
            }
        }
        all.swap(kept);
        for (const Made& made : all) {
            ASSERT_EQ(unitsOf(made.string), made.text) << "length " << made.text.size();
        }
    }
    for (const Made& made : all) {
        CFStringRef copy = CFStringCreateCopy(nullptr, made.string);
        EXPECT_TRUE(CFEqual(copy, made.string));
        EXPECT_EQ(CFHash(copy), CFHash(made.string));
        CFRelease(copy);
        CFRelease(made.string);
    }
}

// Short strings are carved from pages, which go back to the system as their strings go: at most
// one emptied page is kept. (Under AddressSanitizer every string is a block of the heap.)
TEST_F(CFStringTest, ThePagesOfShortStringsGoBackWhenTheStringsAreReleased) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "strings come from the heap under AddressSanitizer";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "strings come from the heap under AddressSanitizer";
#endif
#endif
    size_t before = PlatformHost::smallRecordPageBytes();
    std::vector<CFStringRef> strings;
    size_t needed = 0; // the records' bytes: 20 and the text, in steps of 8
    std::set<size_t> sizes;
    for (int i = 0; i < 20000; ++i) {
        bool wide = i % 5 == 0;
        std::u16string text =
            textOf(static_cast<size_t>(10 + i % 30), wide, static_cast<unsigned>(i));
        strings.push_back(
            CFStringCreateWithCharacters(nullptr, reinterpret_cast<const UniChar*>(text.data()),
                                         static_cast<CFIndex>(text.size())));
        size_t size = (20 + text.size() * (wide ? 2 : 1) + 7) / 8 * 8;
        needed += size;
        sizes.insert(size);
    }
    // Whole pages of 64 KiB, with a header of 64 bytes each: the pages hold the records (some
    // maybe in room that pages held before had), with no more than a page a size to spare.
    size_t after = PlatformHost::smallRecordPageBytes();
    EXPECT_GE(after, needed);
    EXPECT_LE(after - before, needed * 65536 / (65536 - 64) + sizes.size() * 65536);
    for (size_t i = 0; i < strings.size(); i += 2) {
        CFRelease(strings[i]);
    }
    for (size_t i = 1; i < strings.size(); i += 2) {
        CFRelease(strings[i]);
    }
    EXPECT_LE(PlatformHost::smallRecordPageBytes(), before + 65536);
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
