// A print dialog around a pane made with the entry points called directly: Prologue, then
// Initialize with the dialog's user pane and session. Terminate runs at the end unless the test
// already did it.
#pragma once

#include "host/dialog/PrintDialog.h"
#include "pane/Construction.h"
#include "plugin/Lifecycle.h"
#include "settings/AccountingContext.h"
#include "support/BundleFixture.h"
#include "sync/TicketSync.h"

#include <memory>
#include <string>

class DialogTest : public BundleTest {
  protected:
    void SetUp() override {
        BundleTest::SetUp();
        // The pane makes its own context through Prologue.
        freeAccountingContext(context_);
        context_ = nullptr;
    }
    void TearDown() override {
        terminate();
        dialog_.reset();
        BundleTest::TearDown();
    }

    // A dialog for the printer of this PPD (a file in examples/ unless absolute).
    void makeDialog(const std::string& ppd = "quorv.ppd", PrintDialogSetup setup = {}) {
        setup.ppdPath = ppd.empty() || ppd[0] == '/'
                            ? ppd
                            : std::string(ACCOUNTING_SOURCE_DIR) + "/examples/" + ppd;
        if (setup.helpBundle == nullptr) {
            setup.helpBundle = helpBundle_;
        }
        std::string error;
        dialog_ = PrintDialog::create(setup, &error);
        ASSERT_NE(dialog_, nullptr) << error;
    }
    OSStatus prologue() {
        OSType creator = 0;
        CFStringRef kind = nullptr;
        CFStringRef title = nullptr;
        UInt32 maxH = 0, maxV = 0;
        OSStatus status = Prologue(&pde_, &creator, &kind, &title, &maxH, &maxV);
        pane_ = reinterpret_cast<AccountingContext*>(pde_);
        return status;
    }
    OSStatus initialize() {
        PlatformHost::StderrCapture quiet;
        return Initialize(pde_, nullptr, nullptr, dialog_->userPane(), dialog_->session());
    }
    // Prologue, Initialize and Open on a dialog for the PPD.
    void openPane(const std::string& ppd = "quorv.ppd", PrintDialogSetup setup = {}) {
        makeDialog(ppd, setup);
        ASSERT_EQ(prologue(), noErr);
        ASSERT_EQ(initialize(), noErr);
        dialog_->attach(nullptr, nullptr);
        ASSERT_EQ(Open(pde_), noErr);
    }
    void terminate() {
        if (pde_ != nullptr) {
            Terminate(pde_, noErr);
            pde_ = nullptr;
            pane_ = nullptr;
        }
    }
    ControlRef control(SInt32 id) { return PlatformHost::findControl(dialog_->window(), id); }

    std::unique_ptr<PrintDialog> dialog_;
    PMPDEContext pde_ = nullptr;
    AccountingContext* pane_ = nullptr;
};
