// The dialog's window for the files that make it (WindowApp.h is the module's own face):
// loading and switching printers (window_printers.cpp), printing and a held job's end
// (window_print.cpp), the prompt's windows and the layout file (window_modal.cpp), and the
// main loop (window_app.cpp).
#pragma once

#include "host/window/WindowApp.h"

#include "host/HostText.h"
#include "host/ShownCodes.h"
#include "host/ShownText.h"
#include "host/dialog/PaneDriver.h"
#include "host/dialog/PlugInHost.h"
#include "host/dialog/PrintDialog.h"
#include "host/printing/JobAccounting.h"
#include "host/printing/Passwords.h"
#include "host/printing/Printer.h"
#include "host/printing/PrinterName.h"
#include "host/printing/QueueJobs.h"
#include "host/remember/RememberedSettings.h"
#include "host/window/AlertDialog.h"
#include "host/window/PasswordDialog.h"
#include "host/window/WidgetView.h"

#include <PlatformHost.h>

#include <glib-unix.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>
#include <memory>
#include <sys/stat.h>

namespace window {

inline constexpr OSType kHostSignature = 'host';
inline constexpr SInt32 kPrinterPopupID = 1;
inline constexpr SInt32 kStatusLineID = 2;
inline constexpr SInt32 kCancelButtonID = 2; // the dialog's Cancel button carries 'prnt' and 2
inline constexpr SInt32 kModePopupID = 100;  // the pane's accounting mode: 1 is off

inline void say(const std::string& line) {
    std::cout << oneLine(line) << std::endl;
}

inline std::string nameOf(const std::string& printer) {
    PrinterName name;
    return parsePrinterName(printer, BareWord::PPDFile, &name) ? name.shortName() : printer;
}

class WindowApp : private PasswordSource {
  public:
    explicit WindowApp(const WindowOptions& options) : options_(options) {}
    int run();

  private:
    // The server asks for a password: a dialog over the window, the password masked.
    bool password(const std::string& user, const std::string& server, int attempt,
                  std::string* out) override;
    bool load();
    void recall();
    void remember();
    void addHostControls();
    void startPane();
    void switchPrinter(size_t index);
    void print();
    void quit();
    void cancelled();
    void stopped();
    void afterAction();
    void reportPaste(ControlRef field, int passed, int keys);
    void present();
    void setStatus(const std::string& text);
    void writeLayout();
    void snapshot();
    bool modalStep(WindowRef window);
    WidgetView* modalView(WindowRef window);
    bool hostClick(ControlRef control, SInt32 item);
    std::string ticketLine();
    void showMessage(GtkMessageType type, const std::string& title, const std::string& text);

    const WindowOptions& options_;
    std::vector<std::string> printers_;
    std::unique_ptr<PlugInHost> plugIn_;
    CFBundleRef helpBundle_ = nullptr;
    std::unique_ptr<Printer> printer_;
    std::unique_ptr<QueueJobs> jobs_;
    std::unique_ptr<PrintDialog> dialog_;
    std::unique_ptr<PaneDriver> pane_;
    std::unique_ptr<WidgetView> view_;
    std::map<WindowRef, std::unique_ptr<WidgetView>> modal_;
    bool modalClosed_ = false;
    ControlRef printerPopup_ = nullptr;
    ControlRef statusLine_ = nullptr;
    bool quitting_ = false;
    size_t beeps_ = 0, alerts_ = 0, notices_ = 0, helps_ = 0;
    int snapshots_ = 0;
    std::string rememberedPath_;           // empty: nothing is remembered
    std::unique_ptr<SecretStore> keyring_; // null: concealed codes are not remembered
    std::string recallProblem_;            // for the status line once the window is up
    std::string layoutWritten_;            // what the layout file holds
    HeldJobRelease* release_ = nullptr;    // the held job's sink, when the window serves one
    std::unique_ptr<JobSink> sink_;
    void endHeldJob(HeldJobWindow::Result result, const std::string& line);
    void watchHeldJob();
};

} // namespace window
