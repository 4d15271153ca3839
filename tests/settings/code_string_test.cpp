// Cutting codes to a byte limit without splitting a character.
#include "settings/CodeString.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CodeString, PrefixLengthStopsBeforeACharacterThatWouldCrossTheLimit) {
    struct Case {
        std::string bytes;
        size_t limit;
        size_t expected;
    };
    const std::string a78(78, 'a');
    const std::string a77(77, 'a');
    const Case cases[] = {
        {"short", 79, 5},
        {std::string(80, 'x'), 79, 79},
        {a78 + "\xC3\xA9", 79, 78},           // two-byte character at 78..79
        {a77 + "\xC3\xA9" + "x", 79, 79},     // two-byte character ends at 79
        {a77 + "\xE2\x82\xAC", 79, 77},       // euro sign at 77..79
        {a78 + "\xE2\x82\xAC", 79, 78},       // euro sign at 78..80
        {a77 + "\xF0\x9F\x98\x80", 79, 77},   // four-byte character at 77..80
        {std::string(4, '\x80') + "x", 2, 2}, // stray continuation bytes count singly
        {"\xC3\xA9\xC3\xA9", 3, 2},
        {"\xC3\xA9\xC3\xA9", 0, 0},
        // Bytes that end in half a character lose it, however far below the limit.
        {"j\xC3", 12, 1},
        {"j\xE2\x82", 79, 1},
        {"\xF0\x9F\x98", 79, 0},
        {"j\xC3\xA9", 12, 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(codePrefixLength(c.bytes.data(), c.bytes.size(), c.limit), c.expected)
            << "limit " << c.limit << " of " << c.bytes.size() << " bytes";
    }
}

TEST(CodeString, StoreKeepsTheTerminatorInsideTheField) {
    char field[81];
    field[80] = '#';
    std::string long500(500, 'z');
    storeCode(field, 80, long500.data(), long500.size());
    EXPECT_EQ(std::string(field).size(), 79u);
    EXPECT_EQ(field[80], '#');

    std::string cut = std::string(78, 'a') + "\xC3\xA9";
    storeCode(field, 80, cut.data(), cut.size());
    EXPECT_EQ(std::string(field), std::string(78, 'a'));

    storeCode(field, 80, "j\xC3", 2);
    EXPECT_EQ(std::string(field), "j");

    storeCode(field, 80, nullptr, 0);
    EXPECT_EQ(field[0], '\0');
}

} // namespace
