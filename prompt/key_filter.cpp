#include "prompt/KeyFilter.h"

#include "settings/AccountingContext.h"

#include <algorithm>

namespace {

constexpr SInt32 kKontavarByteLimit = 32;
constexpr SInt32 kFullByteLimit = 64;

// Characters that would break the codes where the printer reads them.
bool isRefusedCharacter(UInt16 c) {
    switch (c) {
    case '"':
    case '\'':
    case ',':
    case '/':
    case ':':
    case ';':
    case '<':
    case '>':
    case '?':
    case '[':
    case '\\':
    case ']':
    case '{':
    case '|':
    case '}':
        return true;
    default:
        return false;
    }
}

// Keys that edit or move within the field without adding to it.
bool isEditingKey(UInt16 c) {
    return c == 8 || c == 127 || c == 28 || c == 29;
}

// The bytes the character takes in the field's text (UTF-8). A character beyond 16 bits comes
// as two keys, its surrogate halves: the first must leave room for all four bytes, and the
// second adds nothing more.
SInt32 encodedLength(UInt16 c) {
    if (c < 0x80) {
        return 1;
    }
    if (c < 0x800) {
        return 2;
    }
    if (c >= 0xD800 && c <= 0xDBFF) {
        return 4;
    }
    if (c >= 0xDC00 && c <= 0xDFFF) {
        return 0;
    }
    return 3;
}

ControlKeyFilterResult refuse() {
    SysBeep(10);
    return kControlKeyFilterBlockKey;
}

} // namespace

SInt32 codeFieldByteLimit(SInt32 controlNumber, SInt32 accountingMode) {
    switch (controlNumber) {
    case 501:
    case 503:
    case 302:
    case 304:
        break;
    default:
        return 0;
    }
    if (accountingMode == kAccountingKontavar) {
        return kKontavarByteLimit;
    }
    if (accountingMode == kAccountingFull) {
        return kFullByteLimit;
    }
    return 0;
}

extern "C" ControlKeyFilterResult accountKeyFilter(ControlRef theControl, SInt16*, SInt16* charCode,
                                                   EventModifiers*) {
    ControlID id = {0, 0};
    GetControlID(theControl, &id);
    // With no pane alive there is no mode to follow: nothing may be added.
    SInt32 mode = gContext != nullptr ? gContext->accountingMode : 0;
    SInt32 limit = codeFieldByteLimit(id.id, mode);

    ControlEditTextSelectionRec selection = {0, 0};
    GetControlData(theControl, kControlEntireControl, kControlEditTextSelectionTag,
                   sizeof selection, &selection, nullptr);
    SInt32 selected = static_cast<SInt16>(selection.selEnd - selection.selStart);

    // Only the length is wanted; the buffer need not hold the text. A password field keeps its
    // bytes under 'pass' only.
    char scratch[kFullByteLimit];
    Size length = 0;
    Size bufferSize = std::min<Size>(limit, sizeof scratch);
    if (GetControlData(theControl, kControlEntireControl, kControlEditTextTextTag, bufferSize,
                       scratch, &length) != noErr) {
        length = 0;
        GetControlData(theControl, kControlEntireControl, kControlEditTextPasswordTag, bufferSize,
                       scratch, &length);
    }

    auto character = static_cast<UInt16>(charCode == nullptr ? 0 : *charCode);
    if (!isEditingKey(character)) {
        // The key replaces the selection. It may not grow the field past the limit, and a
        // character whose bytes would cross the limit is refused whole, so a code never ends in
        // half a character.
        Size grown = length - std::max<SInt32>(selected, 0) + encodedLength(character);
        if (grown > limit && grown > length) {
            return refuse();
        }
        // A full field with nothing selected takes no key that adds, whatever it is: the
        // second half of a pair counts no bytes of its own, but it must not slip in either.
        if (selected <= 0 && length >= limit) {
            return refuse();
        }
    }
    if (isRefusedCharacter(character)) {
        return refuse();
    }
    return kControlKeyFilterPassKey;
}
