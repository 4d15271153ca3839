// The pane's life in a dialog: the bundle's load and release, the entry points the dialog calls
// (Prologue to Terminate, Sync, the summary), and the switch to another dialog.
#include "host/scenario/Commands.h"

#include "host/printing/PrinterName.h"
#include "host/scenario/RunnerOptions.h"

#include <PlatformHost.h>

namespace scenario {

namespace {

void reportStatus(CommandContext& context, OSStatus status) {
    context.outcomes().status = status;
    context.out() << "      status " << status << "\n";
}

// The dialog's printer, opened as the setup named it: a PPD file, or a queue whose PPD the
// server gives (the transcript says which, or why none).
Printer* openDialogPrinter(CommandContext& context, DialogState& d) {
    if (d.printer.empty()) {
        return nullptr;
    }
    PrinterName name;
    parsePrinterName(d.printer, BareWord::PPDFile, &name);
    d.printerRef = openPrinter(name, d.server);
    if (name.kind == PrinterName::Kind::PPDFile) {
        return d.printerRef.get();
    }
    const Printer& p = *d.printerRef;
    context.out() << "      printer " << d.printer << ": ";
    if (!p.ppdPath().empty()) {
        context.out() << "PPD of Manufacturer \"" << p.manufacturer() << "\"\n";
    } else {
        context.out() << "no PPD (" << p.problem() << ")\n";
    }
    return d.printerRef.get();
}

void load(CommandContext& context, const Words& w) {
    w.need(1);
    DialogState& d = context.dialog();
    if (d.dialog != nullptr) {
        fail("already loaded");
    }
    const RunnerOptions& options = context.options();
    PrintDialogSetup setup;
    if (Printer* printer = openDialogPrinter(context, d)) {
        setup.ppdPath = printer->ppdPath();
        setup.printerWithoutPPD = printer->ppdPath().empty();
    }
    setup.settingsPath = d.settings;
    setup.noSettings = d.noSettings;
    if (d.helpBundle != "none") {
        std::string path = d.helpBundle.empty() ? options.helpBundlePath : d.helpBundle;
        std::string error;
        d.helpBundleRef = PlatformHost::openBundle(path, &error);
        if (d.helpBundleRef == nullptr) {
            fail("help bundle " + error);
        }
        setup.helpBundle = d.helpBundleRef;
    }
    std::string error;
    d.dialog = PrintDialog::create(setup, &error);
    if (d.dialog == nullptr) {
        fail(error);
    }
    if (d.printerRef != nullptr && d.printerRef->isQueue()) {
        d.jobs = std::make_unique<QueueJobs>(d.server, *d.printerRef, d.document);
        d.dialog->setJobSink(d.jobs.get());
    }
    for (const DialogState::TicketEdit& edit : d.edits) {
        if (d.dialog->settings() == nullptr) {
            fail("\"ticket\" needs a print-settings ticket (settings none was given)");
        }
        PlatformHost::TicketItem item;
        item.type = edit.isInt ? PlatformHost::TicketItem::Type::SInt32
                               : PlatformHost::TicketItem::Type::CString;
        item.number = static_cast<SInt32>(edit.number);
        item.text = edit.text;
        PlatformHost::putTicketItem(d.dialog->settings(), edit.key, item);
    }
    d.plugIn = PlugInHost::load(options.bundlePath, &error);
    if (d.plugIn == nullptr) {
        fail(error);
    }
    d.pane = std::make_unique<PaneDriver>(*d.plugIn, *d.dialog);
    context.out() << "      loaded " << options.bundlePath << "\n";
}

void release(CommandContext& context, const Words& w) {
    w.need(1);
    DialogState& d = context.dialog();
    if (d.plugIn == nullptr) {
        fail("the bundle is not loaded");
    }
    d.dialog->detach();
    d.plugIn->release();
    context.out() << "      released the interface and the instance\n";
}

void prologue(CommandContext& context, const Words& w) {
    w.need(1);
    PaneDriver& pane = loadedPane(context);
    PaneDriver::Prologue p;
    OSStatus status = context.call([&] {
        p = pane.prologue();
        return p.status;
    });
    context.out() << "      title \"" << cfText(p.title) << "\", kind \"" << cfText(p.kind)
                  << "\", " << p.maxH << " x " << p.maxV << "\n";
    reportStatus(context, status);
}

void initialize(CommandContext& context, const Words& w) {
    w.need(1);
    PaneDriver& pane = loadedPane(context);
    OSStatus status = context.call([&] { return pane.initialize(); });
    if (status != noErr) {
        context.out() << "      the dialog leaves the pane out\n";
    }
    reportStatus(context, status);
}

// Open, Close and Terminate: an entry point with nothing to show but its status.
template <OSStatus (PaneDriver::*entryPoint)()>
void plainEntryPoint(CommandContext& context, const Words& w) {
    w.need(1);
    PaneDriver& pane = loadedPane(context);
    reportStatus(context, context.call([&] { return (pane.*entryPoint)(); }));
}

void sync(CommandContext& context, const Words& w) {
    w.need(2);
    PaneDriver& pane = loadedPane(context);
    long flag = w[1] == "load" ? 1 : w[1] == "store" ? 0 : numberOf(w[1]);
    reportStatus(context, context.call([&] { return pane.sync(static_cast<Boolean>(flag)); }));
}

void summary(CommandContext& context, const Words& w) {
    w.need(1);
    PaneDriver& pane = loadedPane(context);
    CFArrayRef titles = nullptr;
    CFArrayRef summaries = nullptr;
    OSStatus status = context.call([&] { return pane.summary(&titles, &summaries); });
    if (titles != nullptr && summaries != nullptr) {
        for (CFIndex i = 0; i < CFArrayGetCount(titles); ++i) {
            context.out() << "      summary: " << cfText(CFArrayGetValueAtIndex(titles, i)) << " | "
                          << cfText(CFArrayGetValueAtIndex(summaries, i)) << "\n";
        }
    } else {
        context.out() << "      summary: none\n";
    }
    if (titles != nullptr) {
        CFRelease(titles);
    }
    if (summaries != nullptr) {
        CFRelease(summaries);
    }
    reportStatus(context, status);
}

void dialog(CommandContext& context, const Words& w) {
    w.need(2);
    context.switchDialog(w[1]);
}

const Command kCommands[] = {
    {"load", CommandGroup::Lifecycle, load},
    {"prologue", CommandGroup::Lifecycle, prologue},
    {"initialize", CommandGroup::Lifecycle, initialize},
    {"open", CommandGroup::Lifecycle, plainEntryPoint<&PaneDriver::open>},
    {"close", CommandGroup::Lifecycle, plainEntryPoint<&PaneDriver::close>},
    {"terminate", CommandGroup::Lifecycle, plainEntryPoint<&PaneDriver::terminate>},
    {"sync load|store|N", CommandGroup::Lifecycle, sync},
    {"summary", CommandGroup::Lifecycle, summary},
    {"release", CommandGroup::Lifecycle, release},
    {"dialog NAME", CommandGroup::Lifecycle, dialog},
};

} // namespace

std::span<const Command> lifecycleCommands() {
    return kCommands;
}

} // namespace scenario
