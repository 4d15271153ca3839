// The pane's life as a print dialog drives it, through the extension's table: Prologue (after
// which the dialog's Print stores through the pane), Initialize (a pane whose Initialize fails
// is left out of Print), Open, Close, Terminate (the pane's controls leave the dialog), Sync
// and the summary. The one place the host spells out that order.
#pragma once

#include "host/dialog/PlugInHost.h"
#include "host/dialog/PrintDialog.h"

class PaneDriver {
  public:
    PaneDriver(PlugInHost& plugIn, PrintDialog& dialog) : plugIn_(plugIn), dialog_(dialog) {}

    struct Prologue {
        OSStatus status = noErr;
        OSType creator = 0;
        CFStringRef kind = nullptr;
        CFStringRef title = nullptr;
        UInt32 maxH = 0, maxV = 0;
    };
    Prologue prologue();
    // On failure, or when the pane did not wire itself to Print, the dialog leaves the pane out:
    // its Sync would store settings it never loaded.
    OSStatus initialize();
    OSStatus open();
    OSStatus close();
    // The context is gone afterwards, and the pane's controls with it.
    OSStatus terminate();
    OSStatus sync(Boolean reinitialize);
    OSStatus summary(CFArrayRef* titles, CFArrayRef* summaries);

    // Prologue, Initialize and Open, as a dialog shows the pane; false when Prologue failed.
    // The status of Initialize is kept in *initialized.
    bool start(OSStatus* initialized);
    // What becomes of what the user set in the pane when it stops: a dialog that changes
    // printers stores it in the print settings first, so that coming back to a printer with
    // the pane finds it again.
    enum class Settings { Store, Drop };
    // Close and Terminate, when the pane lives; with Store, a Sync that stores comes first when
    // the pane was wired.
    void stop(Settings settings);

    bool alive() const { return context_ != nullptr; }
    PMPDEContext context() const { return context_; }

  private:
    PlugInHost& plugIn_;
    PrintDialog& dialog_;
    PMPDEContext context_ = nullptr;
};
