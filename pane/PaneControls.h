// The control IDs of the pane's window. Every control carries the signature 'QRVa' and one of
// these numbers.
#pragma once

#include <MacTypes.h>

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
