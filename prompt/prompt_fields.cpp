#include "prompt/PromptFields.h"

#include "settings/CodeString.h"

#include <algorithm>

size_t readPromptCode(ControlRef field, Concealment concealment, SInt32 maxBytes,
                      char (&code)[kCodeFieldSize]) {
    size_t limit = maxBytes <= 0 ? 0 : static_cast<size_t>(maxBytes);
    if (limit > kCodeFieldSize - 1) {
        limit = kCodeFieldSize - 1;
    }
    // One byte more than the limit shows whether the limit falls inside a character.
    char bytes[kCodeFieldSize];
    Size actual = 0;
    ResType tag = concealment == Concealment::Concealed ? kControlEditTextPasswordTag
                                                        : kControlEditTextTextTag;
    if (GetControlData(field, kControlEntireControl, tag, static_cast<Size>(limit + 1), bytes,
                       &actual) != noErr ||
        actual < 0) {
        actual = 0;
    }
    size_t read = std::min(static_cast<size_t>(actual), limit + 1);
    size_t kept = codePrefixLength(bytes, read, limit);
    storeCode(code, kCodeFieldSize, bytes, kept);
    return kept;
}
