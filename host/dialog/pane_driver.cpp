#include "host/dialog/PaneDriver.h"

PaneDriver::Prologue PaneDriver::prologue() {
    Prologue result;
    result.status = plugIn_.table().Prologue(&context_, &result.creator, &result.kind,
                                             &result.title, &result.maxH, &result.maxV);
    dialog_.attach(plugIn_.extension(), context_);
    return result;
}

OSStatus PaneDriver::initialize() {
    PMPDEFlags flags = 0;
    OSStatus status = plugIn_.table().Initialize(context_, &flags, nullptr, dialog_.userPane(),
                                                 dialog_.session());
    // A pane that Initialize left unwired (another maker's printer) is left out of Print too:
    // it never loaded the settings, and its Sync would store its defaults over what the user
    // set for the printers it serves.
    if (status != noErr || !dialog_.paneWatchesPrint()) {
        dialog_.detach();
    }
    return status;
}

OSStatus PaneDriver::open() {
    return plugIn_.table().Open(context_);
}

OSStatus PaneDriver::close() {
    return plugIn_.table().Close(context_);
}

OSStatus PaneDriver::terminate() {
    OSStatus status = plugIn_.table().Terminate(context_, noErr);
    context_ = nullptr;
    dialog_.removePane();
    return status;
}

OSStatus PaneDriver::sync(Boolean reinitialize) {
    return plugIn_.table().Sync(context_, dialog_.session(), reinitialize);
}

OSStatus PaneDriver::summary(CFArrayRef* titles, CFArrayRef* summaries) {
    return plugIn_.table().GetSummaryText(context_, titles, summaries);
}

bool PaneDriver::start(OSStatus* initialized) {
    if (prologue().status != noErr) {
        dialog_.detach();
        context_ = nullptr;
        return false;
    }
    *initialized = initialize();
    open();
    return true;
}

void PaneDriver::stop(Settings settings) {
    if (context_ != nullptr) {
        if (settings == Settings::Store && dialog_.paneWatchesPrint()) {
            sync(0);
        }
        close();
        terminate();
    }
}
