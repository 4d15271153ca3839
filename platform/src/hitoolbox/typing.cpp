// Typing into edit fields: the key filter first, then the edit at the selection, then the key's
// release to the focused control.
#include "../common/Unicode.h"
#include "Toolbox.h"

namespace platform {
namespace {

bool isContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

size_t previousBoundary(const std::string& text, size_t at) {
    if (at == 0) {
        return 0;
    }
    size_t i = at - 1;
    while (i > 0 && isContinuation(text[i])) {
        --i;
    }
    return i;
}

size_t nextBoundary(const std::string& text, size_t at) {
    if (at >= text.size()) {
        return text.size();
    }
    size_t i = at + 1;
    while (i < text.size() && isContinuation(text[i])) {
        ++i;
    }
    return i;
}

// Keeps the selection, and says so when only it moved; an edit of the text says Text.
void setSelection(ControlRef field, size_t start, size_t end,
                  ControlChange change = ControlChange::Selection) {
    ControlEditTextSelectionRec old = field->selection;
    field->selection = {static_cast<SInt16>(std::min<size_t>(start, INT16_MAX)),
                        static_cast<SInt16>(std::min<size_t>(end, INT16_MAX))};
    if (change == ControlChange::Text || old.selStart != field->selection.selStart ||
        old.selEnd != field->selection.selEnd) {
        controlChanged(field, change);
    }
}

// Applies a key that the filter let through.
void edit(ControlRef field, UInt16 charCode) {
    // Any key but the second half of a pair ends a pair waiting for it.
    char16_t high = field->pendingHighSurrogate;
    field->pendingHighSurrogate = 0;
    std::string& text = field->text;
    size_t start = std::min<size_t>(
        static_cast<size_t>(std::max<SInt16>(field->selection.selStart, 0)), text.size());
    size_t end = std::min<size_t>(static_cast<size_t>(std::max<SInt16>(field->selection.selEnd, 0)),
                                  text.size());
    bool selection = end > start;
    switch (charCode) {
    case 8: // backspace
        if (!selection) {
            start = previousBoundary(text, start);
        }
        if (end > start) {
            text.erase(start, end - start);
            setSelection(field, start, start, ControlChange::Text);
        }
        return;
    case 127: // forward delete
        if (!selection) {
            end = nextBoundary(text, end);
        }
        if (end > start) {
            text.erase(start, end - start);
            setSelection(field, start, start, ControlChange::Text);
        }
        return;
    case 28: // left arrow
        start = selection ? start : previousBoundary(text, start);
        setSelection(field, start, start);
        return;
    case 29: // right arrow
        end = selection ? end : nextBoundary(text, end);
        setSelection(field, end, end);
        return;
    default:
        break;
    }
    if (charCode < 32) {
        return; // tab, return and the other control keys do not edit the text
    }
    // A character beyond the 16-bit range comes as two keys, its surrogate halves: the first
    // waits for the second, and the pair goes in as one character.
    auto unit = static_cast<char16_t>(charCode);
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        field->pendingHighSurrogate = unit;
        return;
    }
    std::u16string units = unit >= 0xDC00 && unit <= 0xDFFF && high != 0
                               ? std::u16string{high, unit}
                               : std::u16string(1, unit);
    std::string bytes;
    if (!utf16ToUtf8(units, &bytes)) {
        return;
    }
    text.replace(start, end - start, bytes);
    setSelection(field, start + bytes.size(), start + bytes.size(), ControlChange::Text);
}

} // namespace

bool typeKey(ControlRef field, UInt16 charCode) {
    if (field == nullptr || !isEditKind(field->kind)) {
        return false;
    }
    bool passed = true;
    if (field->keyFilter != nullptr) {
        SInt16 keyCode = 0;
        SInt16 character = static_cast<SInt16>(charCode);
        EventModifiers modifiers = 0;
        passed =
            field->keyFilter(field, &keyCode, &character, &modifiers) == kControlKeyFilterPassKey;
    }
    if (passed) {
        edit(field, charCode);
    } else {
        field->pendingHighSurrogate = 0;
    }
    // The key's release goes to whatever has the focus, and up to its window.
    ControlRef focus =
        field->window != nullptr && field->window->focus != nullptr ? field->window->focus : field;
    sendRawKeyUp(focus, charCode);
    return passed;
}

} // namespace platform
