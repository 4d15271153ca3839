// The print dialog as the pane meets it: a window with a user pane for the pane and a default
// Print button, a print session made from a PPD file and a settings file, and the Print button's
// own handling of a press, which stores the settings through the pane's Sync and prints.
#pragma once

#include <Carbon/Carbon.h>

#include <memory>
#include <string>

class PrintDialog;

// What became of a job once the panes had passed the press on and stored their settings.
struct JobOutcome {
    bool sent = false; // the job went where the dialog sends jobs, and was taken
    int status = 0;    // when not sent: the IPP status that stopped it
    std::string line;  // for the user: "Sent to quorv-office with accounting codes", ...
    int jobId = 0;
    std::string jobUri;
};

// Where the dialog sends its jobs (a print server's queue). Without one a job is only recorded.
class JobSink {
  public:
    virtual ~JobSink() = default;
    virtual JobOutcome submit(const PrintDialog& dialog) = 0;
};

struct PrintDialogSetup {
    std::string ppdPath;              // empty: the session has no printer-info ticket
    std::string settingsPath;         // empty: the print-settings ticket starts empty
    bool noSettings = false;          // the session has no print-settings ticket
    bool printerWithoutPPD = false;   // a printer-info ticket that names no PPD (a raw queue)
    CFBundleRef helpBundle = nullptr; // the Print button's 'MBND' property; null: none set
    Rect userPaneBounds = {40, 20, 418, 580};
    Rect windowBounds = {0, 0, 480, 600};
    std::string windowTitle; // empty: "Print"
};

class PrintDialog {
  public:
    // Null with a message when a file can't be read.
    static std::unique_ptr<PrintDialog> create(const PrintDialogSetup& setup, std::string* error);
    ~PrintDialog();
    PrintDialog(const PrintDialog&) = delete;
    PrintDialog& operator=(const PrintDialog&) = delete;

    // Another printer for the same session: a new printer-info ticket naming this PPD (none
    // when empty), the print-settings ticket kept. The panes go through their lifecycle again.
    void setPrinter(const std::string& ppdPath);

    // The pane whose Sync the Print button calls before printing.
    void attach(PlugInIntf* plugIn, PMPDEContext context);
    void detach();

    // After the pane's Terminate: detaches it and disposes the controls it put into the user
    // pane, as a print dialog takes a terminated pane out of its window.
    void removePane();
    // True while an extension watches the Print button (the pane, once Initialize has wired it).
    bool paneWatchesPrint() const;
    void setJobSink(JobSink* sink) { sink_ = sink; }

    struct Press {
        // -9874 when the handlers before the dialog's own passed the press on and the job was
        // made; otherwise what stopped it: the handlers' status, or the job's IPP status.
        OSStatus status = noErr;
        bool printed = false;
        bool reachedDialog = false; // the panes passed the press on
        bool jobSubmitted = false;  // and the dialog had a sink to send the job to
        JobOutcome job;
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
    JobSink* sink_ = nullptr;
    bool jobSubmitted_ = false;
    JobOutcome job_;
    int jobs_ = 0;
    std::string lastJob_;
};
