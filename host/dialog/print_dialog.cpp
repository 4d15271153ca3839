#include "host/dialog/PrintDialog.h"

#include "host/HostText.h"

#include <PlatformHost.h>

#include <vector>

std::unique_ptr<PrintDialog> PrintDialog::create(const PrintDialogSetup& setup,
                                                 std::string* error) {
    std::unique_ptr<PrintDialog> dialog(new PrintDialog());
    if (PMCreateSession(&dialog->session_) != noErr) {
        *error = "no memory for the print session";
        return nullptr;
    }
    if (!setup.noSettings) {
        if (setup.settingsPath.empty()) {
            PMTicketCreate(nullptr, CFSTR("com.apple.print.PrintSettingsTicket"),
                           &dialog->settings_);
        } else if (!PlatformHost::loadTicketFile(setup.settingsPath, &dialog->settings_, error)) {
            return nullptr;
        }
        PlatformHost::setSessionTicket(dialog->session_, kPDE_PMPrintSettingsRef,
                                       dialog->settings_);
    }
    if (!setup.ppdPath.empty() || setup.printerWithoutPPD) {
        CFStringRef path =
            CFStringCreateWithCString(nullptr, setup.ppdPath.c_str(), kCFStringEncodingUTF8);
        if (path == nullptr) {
            *error = setup.ppdPath + ": not a UTF-8 path";
            return nullptr;
        }
        CFRelease(path);
        dialog->setPrinter(setup.ppdPath);
    }

    dialog->window_ = PlatformHost::createWindow(
        setup.windowTitle.empty() ? hostText("Print") : setup.windowTitle, setup.windowBounds);
    PlatformHost::ControlSpec pane;
    pane.kind = PlatformHost::ControlKind::UserPane;
    pane.signature = 'PDE ';
    pane.bounds = setup.userPaneBounds;
    dialog->userPane_ = PlatformHost::addControl(dialog->window_, nullptr, pane);
    auto addButton = [&](SInt32 id, const char* title, const Rect& bounds) {
        PlatformHost::ControlSpec button;
        button.kind = PlatformHost::ControlKind::PushButton;
        button.signature = 'prnt';
        button.id = id;
        button.title = title;
        button.bounds = bounds;
        return PlatformHost::addControl(dialog->window_, nullptr, button);
    };
    addButton(2, hostText("Cancel"), Rect{440, 380, 462, 470});
    dialog->printButton_ = addButton(1, hostText("Print"), Rect{440, 480, 462, 580});
    SetWindowDefaultButton(dialog->window_, dialog->printButton_);
    if (setup.helpBundle != nullptr) {
        CFBundleRef helpBundle = setup.helpBundle;
        SetControlProperty(dialog->printButton_, 'QPDE', 'MBND', sizeof helpBundle, &helpBundle);
    }
    // The dialog's own handling of a press comes after whatever the pane installs later.
    EventTypeSpec hit = {kEventClassControl, kEventControlHit};
    InstallEventHandler(GetControlEventTarget(dialog->printButton_),
                        NewEventHandlerUPP(printButtonHandler), 1, &hit, dialog.get(),
                        &dialog->handler_);
    SetPortWindowPort(dialog->window_);
    return dialog;
}

void PrintDialog::setPrinter(const std::string& ppdPath) {
    PMTicketRef info = nullptr;
    PMTicketCreate(nullptr, CFSTR("com.apple.print.PrinterInfoTicket"), &info);
    if (!ppdPath.empty()) {
        PlatformHost::TicketItem item;
        item.type = PlatformHost::TicketItem::Type::CString;
        item.text = ppdPath;
        PlatformHost::putTicketItem(info, "com.apple.print.PrinterInfo.PMPPDPath", item);
    }
    PlatformHost::setSessionTicket(session_, kPDE_PMPrinterInfoRef, info);
    if (printerInfo_ != nullptr) {
        PMRelease(printerInfo_);
    }
    printerInfo_ = info;
}

PrintDialog::~PrintDialog() {
    if (window_ != nullptr) {
        DisposeWindow(window_);
    }
    if (session_ != nullptr) {
        PMRelease(session_);
    }
    if (settings_ != nullptr) {
        PMRelease(settings_);
    }
    if (printerInfo_ != nullptr) {
        PMRelease(printerInfo_);
    }
}

void PrintDialog::attach(PlugInIntf* plugIn, PMPDEContext context) {
    plugIn_ = plugIn;
    context_ = context;
}

void PrintDialog::detach() {
    plugIn_ = nullptr;
    context_ = nullptr;
}

void PrintDialog::removePane() {
    detach();
    // The user pane's own children first; disposing one disposes what is embedded in it.
    std::vector<ControlRef> embedded;
    for (ControlRef control : PlatformHost::controlsOf(window_)) {
        PlatformHost::ControlState state;
        if (PlatformHost::controlState(control, &state) && state.parent == userPane_) {
            embedded.push_back(control);
        }
    }
    for (ControlRef control : embedded) {
        DisposeControl(control);
    }
}

OSStatus PrintDialog::printButtonHandler(EventHandlerCallRef, EventRef, void* userData) {
    auto* dialog = static_cast<PrintDialog*>(userData);
    dialog->pressHandled_ = true;
    // As a print dialog does, the panes store their settings before the job is made.
    if (dialog->plugIn_ != nullptr && dialog->context_ != nullptr) {
        dialog->plugIn_->vtable->Sync(dialog->context_, dialog->session_, 0);
    }
    ++dialog->jobs_;
    dialog->lastJob_ =
        dialog->settings_ != nullptr ? PlatformHost::ticketToXml(dialog->settings_) : std::string();
    if (dialog->sink_ != nullptr) {
        dialog->jobSubmitted_ = true;
        dialog->job_ = dialog->sink_->submit(*dialog);
    }
    return noErr;
}

bool PrintDialog::paneWatchesPrint() const {
    PlatformHost::ControlState state;
    // The dialog's own handler is one of them.
    return PlatformHost::controlState(printButton_, &state) && state.handlers > 1;
}

PrintDialog::Press PrintDialog::pressPrint() {
    pressHandled_ = false;
    jobSubmitted_ = false;
    job_ = JobOutcome();
    Press press;
    PlatformHost::ClickResult result = PlatformHost::click(printButton_);
    // What the pane's handlers made of the press: -9874 when they passed it on to the dialog,
    // and then what became of the job.
    press.reachedDialog = pressHandled_;
    press.jobSubmitted = jobSubmitted_;
    press.job = job_;
    press.printed = pressHandled_ && (!jobSubmitted_ || job_.sent);
    press.status = !pressHandled_  ? result.hitStatus
                   : press.printed ? OSStatus{eventNotHandledErr}
                                   : static_cast<OSStatus>(job_.status);
    return press;
}
