// The print dialog as the pane meets it: a window with a user pane for the pane and a default
// Print button, a print session made from a PPD file and a settings file, and the Print button's
// own handling of a press, which stores the settings through the pane's Sync and prints.
#pragma once

#include <Carbon/Carbon.h>

#include <memory>
#include <string>

struct PrintDialogSetup {
    std::string ppdPath;              // empty: the session has no printer-info ticket
    std::string settingsPath;         // empty: the print-settings ticket starts empty
    bool noSettings = false;          // the session has no print-settings ticket
    CFBundleRef helpBundle = nullptr; // the Print button's 'MBND' property; null: none set
    Rect userPaneBounds = {40, 20, 418, 580};
};

class PrintDialog {
  public:
    // Null with a message when a file can't be read.
    static std::unique_ptr<PrintDialog> create(const PrintDialogSetup& setup, std::string* error);
    ~PrintDialog();
    PrintDialog(const PrintDialog&) = delete;
    PrintDialog& operator=(const PrintDialog&) = delete;

    // The pane whose Sync the Print button calls before printing.
    void attach(PlugInIntf* plugIn, PMPDEContext context);
    void detach();
    // After the pane's Terminate: detaches it and disposes the controls it put into the user
    // pane, as a print dialog takes a terminated pane out of its window.
    void removePane();

    struct Press {
        // What the handlers before the dialog's own returned: -9874 when they passed the press
        // on and the dialog printed.
        OSStatus status = noErr;
        bool printed = false;
    };
    // The user presses Print.
    Press pressPrint();

    WindowRef window() const { return window_; }
    ControlRef userPane() const { return userPane_; }
    ControlRef printButton() const { return printButton_; }
    PMPrintSession session() const { return session_; }
    PMTicketRef settings() const { return settings_; }
    PMTicketRef printerInfo() const { return printerInfo_; }
    int jobsPrinted() const { return jobs_; }
    // The print-settings ticket of the last job printed, as a property list; empty before.
    const std::string& lastJob() const { return lastJob_; }

  private:
    PrintDialog() = default;
    static OSStatus printButtonHandler(EventHandlerCallRef call, EventRef event, void* userData);

    WindowRef window_ = nullptr;
    ControlRef userPane_ = nullptr;
    ControlRef printButton_ = nullptr;
    PMPrintSession session_ = nullptr;
    PMTicketRef settings_ = nullptr;
    PMTicketRef printerInfo_ = nullptr;
    EventHandlerRef handler_ = nullptr;
    PlugInIntf* plugIn_ = nullptr;
    PMPDEContext context_ = nullptr;
    bool pressHandled_ = false;
    int jobs_ = 0;
    std::string lastJob_;
};
