// The prompt window's controls and how the codes are read back from its fields.
#pragma once

#include "settings/AccountingContext.h"

enum PromptControlNumber : SInt32 {
    kPromptUserIDFieldID = 501,
    kPromptAccountIDCompanionID = 502,
    kPromptAccountIDFieldID = 503,
    kPromptAccountTypePopupID = 505,
    kPromptOKButtonID = 1000,
    kPromptCancelButtonID = 1001,
    kHiddenUserIDFieldID = 9998,
    kHiddenAccountIDFieldID = 9999
};

enum class Concealment { Plain, Concealed };

inline Concealment concealmentOf(SInt32 flag) {
    return flag != 0 ? Concealment::Concealed : Concealment::Plain;
}

// Reads at most maxBytes (and at most 79) of the field into code, cut back to the last whole
// character, and terminates it. A password field is read with 'pass', a plain one with 'text'.
// Returns the number of bytes kept; a failed read gives an empty code.
size_t readPromptCode(ControlRef field, Concealment concealment, SInt32 maxBytes,
                      char (&code)[kCodeFieldSize]);
