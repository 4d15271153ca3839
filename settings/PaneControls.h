// The control IDs of the pane's window. Every control carries the signature 'QRVa' and one of
// these numbers.
#pragma once

#include <Carbon/Carbon.h>

#include <cstring>

constexpr OSType kAccountingSignature = 'QRVa';

enum PaneControlNumber : SInt32 {
    kContentPaneID = 50,
    kOffModeItemID = 91,
    kAccountTypePopupID = 92,
    kAccountTypeLabelID = 93,
    kModePopupID = 100,
    kImagePaneID = 101,
    kPromptRadioID = 200,
    kConcealUserCheckboxID = 202,
    kConcealAccountCheckboxID = 203,
    kDefaultCodesRadioID = 300,
    kUserIDLabelID = 301,
    kUserIDFieldID = 302,
    kAccountIDLabelID = 303,
    kAccountIDFieldID = 304
};

// Puts a code into a field as its text (the bytes up to the terminating zero).
inline void showCode(ControlRef field, const char* code) {
    SetControlData(field, kControlEntireControl, kControlEditTextTextTag,
                   static_cast<Size>(std::strlen(code)), code);
}

// The control of the window with the signature 'QRVa' and this number, or null (also when there
// is no window).
inline ControlRef findAccountingControl(WindowRef window, SInt32 number) {
    if (window == nullptr) {
        return nullptr;
    }
    ControlID id = {kAccountingSignature, number};
    ControlRef control = nullptr;
    if (GetControlByID(window, &id, &control) != noErr) {
        return nullptr;
    }
    return control;
}
