// What the window's widgets compute from the platform's controls without a display: the part of a
// field's text that changed, in GTK's character offsets; the caption that names a field; what a
// picture is called.
#include "host/window/ControlWidgets.h"

#include <gtest/gtest.h>

namespace {

TEST(ControlWidgets, TextChangesReplaceWholeCharacters) {
    struct Case {
        std::string from, to;
        int atChar, removedChars;
        std::string inserted;
    };
    const Case cases[] = {
        {"", "", 0, 0, ""},
        {"abc", "abc", 3, 0, ""},
        {"abc", "abXc", 2, 0, "X"},
        {"abc", "ac", 1, 1, ""},
        {"abc", "", 0, 3, ""},
        {"", "é", 0, 0, "é"},
        // "é" and "è" share their first byte: the whole character is replaced, never half.
        {"aé", "aè", 1, 1, "è"},
        {"éa", "èa", 0, 1, "è"},
        {"aaa", "aa", 2, 1, ""},
        {"xé€y", "xy", 1, 2, ""},
    };
    for (const Case& c : cases) {
        TextChange change = textChange(c.from, c.to);
        EXPECT_EQ(change.atChar, c.atChar) << c.from << " -> " << c.to;
        EXPECT_EQ(change.removedChars, c.removedChars) << c.from << " -> " << c.to;
        EXPECT_EQ(change.inserted, c.inserted) << c.from << " -> " << c.to;
    }
}

TEST(ControlWidgets, OffsetsBetweenCharactersAndBytes) {
    const std::string text = "aé€b"; // 1, 2, 3 and 1 bytes
    const size_t bytes[] = {0, 1, 3, 6, 7, 7};
    for (int chars = 0; chars < 6; ++chars) {
        EXPECT_EQ(byteOffset(text, chars), bytes[chars]) << chars;
    }
    PlatformHost::ControlState state;
    state.text = text;
    struct Case {
        SInt16 start, end;
        std::pair<int, int> chars;
    };
    const Case cases[] = {
        {0, 0, {0, 0}}, {1, 3, {1, 2}}, {6, 1, {1, 3}}, {-4, 99, {0, 4}}, {3, 3, {2, 2}},
    };
    for (const Case& c : cases) {
        state.selection = {c.start, c.end};
        EXPECT_EQ(selectionChars(state), c.chars) << c.start << ".." << c.end;
    }
}

TEST(ControlWidgets, TheCaptionBesideOrAboveNamesTheField) {
    WidgetItem left, farLeft, above, below, elsewhere;
    const std::vector<std::pair<WidgetItem*, Rect>> captions = {
        {&farLeft, Rect{62, 0, 78, 60}},     // on the line, but another caption is nearer
        {&left, Rect{62, 20, 78, 120}},      // on the line, left of the field
        {&above, Rect{40, 130, 56, 300}},    // just above the field
        {&below, Rect{90, 130, 106, 300}},   // below: names nothing
        {&elsewhere, Rect{0, 400, 16, 500}}, // far away
    };
    EXPECT_EQ(nearestCaption(captions, Rect{60, 130, 82, 370}), &left);
    // Without the captions on its line, the one just above it.
    const std::vector<std::pair<WidgetItem*, Rect>> noneBeside(captions.begin() + 2,
                                                               captions.end());
    EXPECT_EQ(nearestCaption(noneBeside, Rect{60, 130, 82, 370}), &above);
    EXPECT_EQ(nearestCaption({{&below, Rect{90, 130, 106, 300}}}, Rect{60, 130, 82, 370}), nullptr);
}

TEST(ControlWidgets, NamesOfCaptionsAndPictures) {
    EXPECT_EQ(captionName("User ID:", Underscores::AsTyped), "User ID");
    EXPECT_EQ(captionName("Account ID : ", Underscores::AsTyped), "Account ID");
    EXPECT_EQ(captionName("user_id:", Underscores::AsTyped), "user_id");
    EXPECT_EQ(captionName("_Printer:", Underscores::MarkMnemonic), "Printer");
    EXPECT_EQ(captionName("a__b_", Underscores::MarkMnemonic), "a_b_");
    EXPECT_EQ(captionName("", Underscores::MarkMnemonic), "");
    EXPECT_EQ(pictureDescription("Accounting-On.gif"), "Accounting on");
    EXPECT_EQ(pictureDescription("Accounting-Off.gif"), "Accounting off");
    EXPECT_EQ(pictureDescription(""), "");
}

} // namespace
