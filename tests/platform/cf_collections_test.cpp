// CFNumber, CFArray, CFDictionary and CFUUID.
#include "support/PlatformTest.h"

#include <cstring>

#include <map>
#include <set>
#include <vector>

namespace {

class CFCollectionsTest : public PlatformTest {};

TEST_F(CFCollectionsTest, NumbersReportLossyReads) {
    intptr_t address = static_cast<intptr_t>(0x7f00123456789abcLL);
    CFNumberRef number = CFNumberCreate(nullptr, kCFNumberSInt64Type, &address);
    SInt32 narrow = 0;
    EXPECT_FALSE(CFNumberGetValue(number, kCFNumberSInt32Type, &narrow));
    EXPECT_EQ(narrow, static_cast<SInt32>(0x56789abc)) << "the truncated value is still written";
    intptr_t wide = 0;
    EXPECT_TRUE(CFNumberGetValue(number, kCFNumberSInt64Type, &wide));
    EXPECT_EQ(wide, address);
    CFRelease(number);

    SInt32 small = -5;
    CFNumberRef five = CFNumberCreate(nullptr, kCFNumberSInt32Type, &small);
    long asLong = 0;
    EXPECT_TRUE(CFNumberGetValue(five, kCFNumberLongType, &asLong));
    EXPECT_EQ(asLong, -5);
    EXPECT_EQ(CFGetTypeID(five), CFNumberGetTypeID());
    CFRelease(five);
}

TEST_F(CFCollectionsTest, TypeArraysRetainTheirValuesAndReleaseThemWithTheArray) {
    CFStringRef value = CFStringCreateWithCString(nullptr, "v", kCFStringEncodingUTF8);
    CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    CFArrayAppendValue(array, value);
    CFArrayAppendValue(array, CFSTR("constant"));
    EXPECT_EQ(CFGetRetainCount(value), 2);
    EXPECT_EQ(CFArrayGetCount(array), 2);
    EXPECT_EQ(CFArrayGetValueAtIndex(array, 0), value);
    EXPECT_EQ(CFArrayGetValueAtIndex(array, 2), nullptr);
    EXPECT_EQ(CFArrayGetValueAtIndex(array, -1), nullptr);
    CFRelease(array);
    EXPECT_EQ(CFGetRetainCount(value), 1);
    CFRelease(value);
}

TEST_F(CFCollectionsTest, ArrayCreationCanBeMadeToFail) {
    PlatformHost::failAllocations("CFArray", 1, 1);
    CFMutableArrayRef first = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    CFMutableArrayRef second = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    CFMutableArrayRef third = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(second, nullptr);
    EXPECT_NE(third, nullptr);
    CFRelease(first);
    CFRelease(third);
}

TEST_F(CFCollectionsTest, StringKeysMatchByContentsAndBareValuesAreNotRetained) {
    CFMutableDictionaryRef dict =
        CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, nullptr);
    CFStringRef key =
        CFStringCreateWithCString(nullptr, "Accounting-On.gif", kCFStringEncodingUTF8);
    int payload = 7;
    CFDictionarySetValue(dict, key, &payload);
    EXPECT_EQ(CFGetRetainCount(key), 2);
    EXPECT_EQ(CFDictionaryGetValue(dict, CFSTR("Accounting-On.gif")), &payload);
    EXPECT_EQ(CFDictionaryGetValue(dict, CFSTR("Accounting-Off.gif")), nullptr);
    EXPECT_TRUE(CFDictionaryContainsKey(dict, CFSTR("Accounting-On.gif")));

    int other = 8;
    CFDictionarySetValue(dict, CFSTR("Accounting-On.gif"), &other);
    EXPECT_EQ(CFDictionaryGetCount(dict), 1);
    EXPECT_EQ(CFDictionaryGetValue(dict, key), &other);

    const void* keys[1];
    const void* values[1];
    CFDictionaryGetKeysAndValues(dict, keys, values);
    EXPECT_TRUE(CFEqual(keys[0], key));
    EXPECT_EQ(values[0], &other);

    CFDictionaryRemoveValue(dict, key);
    EXPECT_EQ(CFDictionaryGetCount(dict), 0);
    EXPECT_EQ(CFGetRetainCount(key), 1);
    CFRelease(dict);
    CFRelease(key);
}

TEST_F(CFCollectionsTest, TypeValuesAreRetainedAndReplacedValuesReleased) {
    CFMutableDictionaryRef dict = CFDictionaryCreateMutable(
        nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    CFStringRef first = CFStringCreateWithCString(nullptr, "1", kCFStringEncodingUTF8);
    CFStringRef second = CFStringCreateWithCString(nullptr, "2", kCFStringEncodingUTF8);
    CFDictionarySetValue(dict, CFSTR("k"), first);
    CFDictionarySetValue(dict, CFSTR("k"), second);
    EXPECT_EQ(CFGetRetainCount(first), 1);
    EXPECT_EQ(CFGetRetainCount(second), 2);
    CFRelease(dict);
    EXPECT_EQ(CFGetRetainCount(second), 1);
    CFRelease(first);
    CFRelease(second);
}

// AddValue stores only under a key not yet there: a present key keeps its value and its key
// object, and the value offered is not kept. The null key is a key like any other.
TEST_F(CFCollectionsTest, AddValueLeavesAPresentKeyAsItIs) {
    CFMutableDictionaryRef dict = CFDictionaryCreateMutable(
        nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    CFStringRef firstKey = CFStringCreateWithCString(nullptr, "k", kCFStringEncodingUTF8);
    CFStringRef secondKey = CFStringCreateWithCString(nullptr, "k", kCFStringEncodingUTF8);
    CFStringRef first = CFStringCreateWithCString(nullptr, "1", kCFStringEncodingUTF8);
    CFStringRef second = CFStringCreateWithCString(nullptr, "2", kCFStringEncodingUTF8);
    CFDictionaryAddValue(dict, firstKey, first);
    EXPECT_EQ(CFDictionaryGetCount(dict), 1);
    EXPECT_EQ(CFGetRetainCount(first), 2);
    CFDictionaryAddValue(dict, secondKey, second);
    EXPECT_EQ(CFDictionaryGetCount(dict), 1);
    EXPECT_EQ(CFDictionaryGetValue(dict, secondKey), first);
    EXPECT_EQ(CFGetRetainCount(second), 1) << "the value offered is not kept";
    EXPECT_EQ(CFGetRetainCount(firstKey), 2);
    EXPECT_EQ(CFGetRetainCount(secondKey), 1) << "the key object stored first stays";
    CFDictionaryAddValue(dict, nullptr, second);
    CFDictionaryAddValue(dict, nullptr, first);
    EXPECT_EQ(CFDictionaryGetCount(dict), 2);
    EXPECT_EQ(CFDictionaryGetValue(dict, nullptr), second);
    // SetValue, by contrast, replaces the value.
    CFDictionarySetValue(dict, secondKey, second);
    EXPECT_EQ(CFDictionaryGetValue(dict, firstKey), second);
    EXPECT_EQ(CFGetRetainCount(first), 1);
    CFRelease(dict);
    for (CFStringRef s : {firstKey, secondKey, first, second}) {
        EXPECT_EQ(CFGetRetainCount(s), 1);
        CFRelease(s);
    }
}

TEST_F(CFCollectionsTest, ManyKeysStayFindable) {
    CFMutableDictionaryRef dict =
        CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, nullptr);
    for (int i = 0; i < 2000; ++i) {
        CFStringRef key = CFStringCreateWithFormat(nullptr, nullptr, CFSTR("file-%d"), i);
        CFDictionarySetValue(dict, key,
                             reinterpret_cast<const void*>(static_cast<intptr_t>(i + 1)));
        CFRelease(key);
    }
    EXPECT_EQ(CFDictionaryGetCount(dict), 2000);
    CFStringRef probe = CFStringCreateWithFormat(nullptr, nullptr, CFSTR("file-%d"), 1234);
    EXPECT_EQ(CFDictionaryGetValue(dict, probe), reinterpret_cast<const void*>(1235));
    CFRelease(probe);
    CFRelease(dict);
}

// Keys are small integers cast to pointers; the hash is chosen to crowd them into a few runs of
// the table, so that finding, replacing and removing cross long probe sequences.
CFHashCode crowdedHash(const void* key) {
    return reinterpret_cast<uintptr_t>(key) % 3;
}
Boolean sameKey(const void* a, const void* b) {
    return a == b;
}
int gReleased = 0;
void countRelease(CFAllocatorRef, const void*) {
    ++gReleased;
}

TEST_F(CFCollectionsTest, ADictionaryAgreesWithAMapThroughInsertsReplacementsAndRemovals) {
    const CFDictionaryKeyCallBacks keys = {0, nullptr, countRelease, nullptr, sameKey, crowdedHash};
    CFMutableDictionaryRef dict = CFDictionaryCreateMutable(nullptr, 0, &keys, nullptr);
    std::map<uintptr_t, uintptr_t> oracle;
    gReleased = 0;
    unsigned seed = 12345;
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % 600;
    };
    for (int step = 0; step < 20000; ++step) {
        uintptr_t k = next();
        auto key = reinterpret_cast<const void*>(k);
        switch (next() % 3) {
        case 0:
        case 1:
            CFDictionarySetValue(dict, key, reinterpret_cast<const void*>(k * 7 + step));
            oracle[k] = k * 7 + static_cast<uintptr_t>(step);
            break;
        default:
            CFDictionaryRemoveValue(dict, key);
            oracle.erase(k);
            break;
        }
        if (step % 997 == 0 || step == 19999) {
            ASSERT_EQ(CFDictionaryGetCount(dict), static_cast<CFIndex>(oracle.size())) << step;
            for (uintptr_t probe = 0; probe < 600; ++probe) {
                const void* value = reinterpret_cast<const void*>(0xdead);
                bool present = CFDictionaryGetValueIfPresent(
                    dict, reinterpret_cast<const void*>(probe), &value);
                auto found = oracle.find(probe);
                ASSERT_EQ(present, found != oracle.end()) << "key " << probe << " step " << step;
                if (present) {
                    EXPECT_EQ(reinterpret_cast<uintptr_t>(value), found->second);
                } else {
                    EXPECT_EQ(value, reinterpret_cast<const void*>(0xdead))
                        << "a miss leaves the value alone";
                }
            }
        }
    }
    // Every key stored was released once: on removal, or now with the dictionary. The null
    // key (0) is a key like any other.
    size_t live = oracle.size();
    int removedSoFar = gReleased;
    std::vector<const void*> all(live);
    CFDictionaryGetKeysAndValues(dict, all.data(), nullptr);
    std::set<const void*> distinct(all.begin(), all.end());
    EXPECT_EQ(distinct.size(), live);
    CFRelease(dict);
    EXPECT_EQ(gReleased - removedSoFar, static_cast<int>(live));
}

TEST_F(CFCollectionsTest, UuidsFromStringsBytesAndConstants) {
    CFUUIDRef fromString =
        CFUUIDCreateFromString(nullptr, CFSTR("5C16FB24-2D86-46E4-AFE6-D8C0F52B5124"));
    ASSERT_NE(fromString, nullptr);
    CFUUIDBytes bytes = CFUUIDGetUUIDBytes(fromString);
    EXPECT_EQ(bytes.byte0, 0x5C);
    EXPECT_EQ(bytes.byte15, 0x24);
    CFUUIDRef fromBytes = CFUUIDCreateFromUUIDBytes(nullptr, bytes);
    EXPECT_TRUE(CFEqual(fromString, fromBytes));
    CFStringRef text = CFUUIDCreateString(nullptr, fromBytes);
    EXPECT_TRUE(CFEqual(text, CFSTR("5C16FB24-2D86-46E4-AFE6-D8C0F52B5124")));

    CFUUIDRef unknown = CFUUIDGetConstantUUIDWithBytes(nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0,
                                                       0, 0, 0, 0, 0x46);
    CFUUIDRef again = CFUUIDGetConstantUUIDWithBytes(nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0,
                                                     0, 0, 0, 0x46);
    EXPECT_EQ(unknown, again);
    EXPECT_FALSE(CFEqual(unknown, fromString));
    CFUUIDRef madeUnknown =
        CFUUIDCreateFromString(nullptr, CFSTR("00000000-0000-0000-C000-000000000046"));
    EXPECT_TRUE(CFEqual(unknown, madeUnknown));

    EXPECT_EQ(CFUUIDCreateFromString(nullptr, CFSTR("5C16FB24-2D86-46E4-AFE6-D8C0F52B512")),
              nullptr);
    EXPECT_EQ(CFUUIDCreateFromString(nullptr, CFSTR("5C16FB24+2D86-46E4-AFE6-D8C0F52B5124")),
              nullptr);
    EXPECT_EQ(CFUUIDCreateFromString(nullptr, CFSTR("XC16FB24-2D86-46E4-AFE6-D8C0F52B5124")),
              nullptr);
    CFRelease(fromString);
    CFRelease(fromBytes);
    CFRelease(text);
    CFRelease(madeUnknown);
}

} // namespace
