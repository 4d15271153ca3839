// The record that holds everything one Accounting pane knows about itself, and the two globals
// beside it.
#pragma once

#include <Carbon/Carbon.h>

class ImageImportManager;

// Accounting modes: the item numbers of the mode popup.
enum : SInt32 { kAccountingOff = 1, kAccountingKontavar = 2, kAccountingFull = 3 };

// Every code field holds a zero-terminated byte string in the system encoding, at most 79 bytes.
constexpr size_t kCodeFieldSize = 80;

// A plain record, allocated zero-filled; the fields stand in the order the pane was designed
// with.
struct AccountingContext {
    CFBundleRef bundle;    // the pane's own bundle; not owned
    CFStringRef title;     // owned; the localised "Accounting"; may be null
    SInt32 accountingMode; // 1 off, 2 Kontavar, 3 full accounting
    SInt32 accountType;    // 1 user ID only (mode 2); 2 and 3 user ID and account ID
    SInt32 promptAtPrint;  // nonzero: ask for the codes when Print is pressed
    SInt32 concealUserID;  // nonzero: the user ID is typed into a masked field
    SInt32 concealAccountID;
    UInt8 promptCancelled; // 1 when the prompt was left with Cancel
    char promptUserID[kCodeFieldSize];
    char promptAccountID[kCodeFieldSize];
    char defaultUserID[kCodeFieldSize];
    char defaultAccountID[kCodeFieldSize];
    Rect savedAccountLabelBounds;   // bounds of 303 before the mode-3 re-layout; top 0: not saved
    Rect savedAccountFieldBounds;   // bounds of 304 likewise
    UInt8 paneOpened;               // 1 once Open has built the pane; never cleared
    ControlRef embedderPane;        // the user pane the dialog gave to Initialize
    ControlRef contentPane;         // 50
    ControlRef modePopup;           // 100
    ControlRef imagePane;           // 101
    ControlRef userIDField;         // 302
    ControlRef userIDLabel;         // 301
    ControlRef accountIDField;      // 304
    ControlRef accountIDLabel;      // 303
    ControlRef promptRadio;         // 200
    ControlRef concealUserCheckbox; // 202
    ControlRef concealAccountCheckbox; // 203
    ControlRef defaultCodesRadio;      // 300
    ControlRef printButton;            // the dialog's default button
    ControlRef accountTypePopup;       // 92
    ControlRef accountTypeLabel;       // 93
    ControlRef offModeItem;            // 91
    WindowRef promptWindow;            // the prompt's window while it runs
    EventHandlerUPP printButtonHandlerUPP;
    EventHandlerRef printButtonHandlerRef;
    EventHandlerUPP paneHandlerUPP;
    EventHandlerRef paneHandlerRef;
    CFBundleRef helpBundle; // the bundle with the help book; not owned
    ImageImportManager* imageManager;
    // The handlers Open installs on the pane's own controls, kept so that Terminate can remove
    // them: the dialog may still click or draw its window for a moment after that.
    EventHandlerUPP contentPaneHandlerUPP;
    EventHandlerRef contentPaneHandlerRef;
    EventHandlerUPP imageDrawHandlerUPP;
    EventHandlerRef imageDrawHandlerRef;
};

// The newest live context; the key filter reads the mode through it.
extern AccountingContext* gContext;
// How many bytes are read back from a code field: 12 in mode 2, 64 in mode 3.
extern SInt32 gMaxChars;

// A zero-filled record with mode 1 and account type 1, made the newest context. Null when there
// is no memory for it. Title and bundle are left for the caller.
AccountingContext* allocateAccountingContext();

// Frees the record. gContext stays on the newest record still alive (null when none is), so no
// key filter reads a freed record.
void freeAccountingContext(AccountingContext* context);
