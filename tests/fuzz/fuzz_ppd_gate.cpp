// The printer gate from any PPD bytes: Initialize wires the pane exactly when the PPD's
// Manufacturer reads "Quorv" as libcups reads it, answers 0 or the PPD library's status, and
// leaves nothing behind.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

#include "FuzzSupport.h"

#include "host/dialog/PrintDialog.h"
#include "plugin/Lifecycle.h"
#include "settings/AccountingContext.h"

#include <cups/ppd.h>

#include <cstring>
#include <memory>

namespace {

std::string gPath;

// What libcups makes of the file's Manufacturer: true for exactly "Quorv". PPD keywords are
// case-sensitive, so this looks for the first keyword spelt exactly so (ppdFindAttr would take
// "ManufactuRer" too).
bool namesQuorv() {
    ppd_file_t* ppd = ppdOpenFile(gPath.c_str());
    if (ppd == nullptr) {
        return false;
    }
    bool quorv = false;
    for (int i = 0; i < ppd->num_attrs; ++i) {
        if (std::strcmp(ppd->attrs[i]->name, "Manufacturer") == 0) {
            const char* value = ppd->attrs[i]->value;
            quorv = value != nullptr && std::strcmp(value, "Quorv") == 0;
            break;
        }
    }
    ppdClose(ppd);
    return quorv;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    gPath = fuzzFolder() + "/printer.ppd";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    writeFuzzFile(gPath, data, size);
    NoObjectLeftAlive guard;
    PrintDialogSetup setup;
    setup.ppdPath = gPath;
    std::string error;
    std::unique_ptr<PrintDialog> dialog = PrintDialog::create(setup, &error);
    fuzzCheck(dialog != nullptr, "a dialog for the printer: " + error);
    PMPDEContext pde = nullptr;
    OSType creator = 0;
    CFStringRef kind = nullptr;
    CFStringRef title = nullptr;
    UInt32 maxH = 0, maxV = 0;
    fuzzCheck(Prologue(&pde, &creator, &kind, &title, &maxH, &maxV) == noErr, "Prologue");
    OSStatus status;
    {
        PlatformHost::StderrCapture quiet;
        status = Initialize(pde, nullptr, nullptr, dialog->userPane(), dialog->session());
    }
    auto* context = reinterpret_cast<AccountingContext*>(pde);
    fuzzCheck(status == noErr || status == kPPDFileMalformedErr || status == kPPDFileNotFoundErr,
              "Initialize answers 0 or the PPD library's status, not " + std::to_string(status));
    bool wired = context->embedderPane != nullptr;
    fuzzCheck(wired == (status == noErr && namesQuorv()),
              "the pane is wired exactly for a PPD whose Manufacturer is \"Quorv\"");
    Terminate(pde, noErr);
    dialog.reset();
    return 0;
}
