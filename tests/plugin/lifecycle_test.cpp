// Prologue, Initialize and its gate, the summary, Close and Terminate.
#include "support/DialogFixture.h"
#include "support/TempTree.h"

#include <cstring>

namespace {

class LifecycleTest : public DialogTest {
  protected:
    // A PPD like the sample one with this Manufacturer line (none when empty).
    std::string ppdWith(const std::string& manufacturerLine) {
        std::string text = "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n"
                           "*LanguageVersion: English\n*LanguageEncoding: ISOLatin1\n"
                           "*PCFileName: \"TEST.PPD\"\n*ModelName: \"Test\"\n"
                           "*ShortNickName: \"Test\"\n*NickName: \"Test\"\n" +
                           manufacturerLine + "\n";
        std::string name = "printer" + std::to_string(++ppds_) + ".ppd";
        tree_.file(name, text);
        return tree_.path(name);
    }
    std::vector<std::string> summary(OSStatus* status = nullptr) {
        CFArrayRef titles = reinterpret_cast<CFArrayRef>(0x1);
        CFArrayRef summaries = reinterpret_cast<CFArrayRef>(0x1);
        OSStatus s = GetSummaryText(pde_, &titles, &summaries);
        if (status != nullptr) {
            *status = s;
        }
        std::vector<std::string> row;
        if (titles == nullptr || summaries == nullptr) {
            EXPECT_EQ(titles, nullptr);
            EXPECT_EQ(summaries, nullptr);
            return row;
        }
        EXPECT_EQ(CFArrayGetCount(titles), 1);
        EXPECT_EQ(CFArrayGetCount(summaries), 1);
        char text[256];
        CFStringGetCString(static_cast<CFStringRef>(CFArrayGetValueAtIndex(titles, 0)), text,
                           sizeof text, kCFStringEncodingUTF8);
        row.push_back(text);
        CFStringGetCString(static_cast<CFStringRef>(CFArrayGetValueAtIndex(summaries, 0)), text,
                           sizeof text, kCFStringEncodingUTF8);
        row.push_back(text);
        CFRelease(titles);
        CFRelease(summaries);
        return row;
    }
    TempTree tree_;
    int ppds_ = 0;
    ScopedEnv english_{"LC_ALL", "C"};
};

TEST_F(LifecycleTest, PrologueHandsOutTheTitleKindSizeAndCreatorInTheirPlaces) {
    PMPDEContext context = nullptr;
    OSType creator = 0;
    CFStringRef kind = nullptr;
    CFStringRef title = nullptr;
    UInt32 maxH = 0, maxV = 0;
    ASSERT_EQ(Prologue(&context, &creator, &kind, &title, &maxH, &maxV), noErr);
    pde_ = context;
    auto* pane = reinterpret_cast<AccountingContext*>(context);
    EXPECT_EQ(maxH, 150u);
    EXPECT_EQ(maxV, 378u);
    EXPECT_EQ(creator, static_cast<OSType>(0x70646520)) << "'pde '";
    EXPECT_TRUE(CFEqual(kind, CFSTR("com.quorv.print.pde.AccountingKind")));
    EXPECT_TRUE(CFEqual(title, CFSTR("Accounting")));
    EXPECT_EQ(title, pane->title) << "the dialog gets the context's own string";
    EXPECT_EQ(pane->bundle, bundle_);
    EXPECT_EQ(pane->accountingMode, 1);
    EXPECT_EQ(pane->accountType, 1);
    EXPECT_EQ(gContext, pane);
}

TEST_F(LifecycleTest, AQuorvPrinterWiresThePane) {
    makeDialog("quorv.ppd");
    ASSERT_EQ(prologue(), noErr);
    EXPECT_EQ(initialize(), noErr);
    EXPECT_EQ(pane_->embedderPane, dialog_->userPane());
    EXPECT_EQ(pane_->printButton, dialog_->printButton());
    EXPECT_NE(pane_->printButtonHandlerRef, nullptr);
    EXPECT_EQ(pane_->promptAtPrint, 1) << "the settings were loaded from the (empty) ticket";
}

TEST_F(LifecycleTest, OnlyTheExactManufacturerQuorvMatches) {
    struct Case {
        std::string line;
        bool wired;
    };
    const Case cases[] = {
        {"*Manufacturer: \"Quorv\"", true},
        {"*Manufacturer: \"quorv\"", false},
        {"*Manufacturer: \"QUORV\"", false},
        {"*Manufacturer: \"Quorv Inc\"", false},
        {"*Manufacturer: \"Acme\"", false},
        {"*Manufacturer: \"Quor\"", false},
        {"", false}, // no Manufacturer keyword at all
    };
    for (const Case& c : cases) {
        makeDialog(ppdWith(c.line));
        ASSERT_EQ(prologue(), noErr);
        EXPECT_EQ(initialize(), noErr) << c.line;
        EXPECT_EQ(pane_->embedderPane != nullptr, c.wired) << c.line;
        EXPECT_EQ(pane_->printButtonHandlerRef != nullptr, c.wired) << c.line;
        if (!c.wired) {
            EXPECT_EQ(pane_->accountingMode, 1) << "no settings loaded: " << c.line;
            EXPECT_EQ(pane_->promptAtPrint, 0) << c.line;
        }
        terminate();
        dialog_.reset();
    }
}

TEST_F(LifecycleTest, InitializeFailures) {
    makeDialog("");
    ASSERT_EQ(prologue(), noErr);
    EXPECT_EQ(initialize(), -30891) << "no printer-info ticket";
    EXPECT_EQ(Initialize(nullptr, nullptr, nullptr, dialog_->userPane(), dialog_->session()),
              -9530);
    EXPECT_EQ(Initialize(pde_, nullptr, nullptr, dialog_->userPane(), nullptr), -9530);
    terminate();
    dialog_.reset();

    // What the PPD library answered, with the context as Prologue left it.
    tree_.file("garbage.ppd", "this is not a PPD file\n");
    struct Case {
        std::string ppd;
        OSStatus status;
    };
    const Case cases[] = {{tree_.path("garbage.ppd"), kPPDFileMalformedErr},
                          {tree_.path("missing.ppd"), kPPDFileNotFoundErr}};
    for (const Case& c : cases) {
        makeDialog(c.ppd);
        ASSERT_EQ(prologue(), noErr);
        AccountingContext before;
        std::memcpy(&before, pane_, sizeof before);
        EXPECT_EQ(initialize(), c.status) << c.ppd;
        EXPECT_EQ(std::memcmp(&before, pane_, sizeof before), 0) << c.ppd;
        terminate();
        dialog_.reset();
    }
}

TEST_F(LifecycleTest, ASettingsLoadThatFailsLeavesNoPrintButton) {
    PrintDialogSetup setup;
    setup.noSettings = true;
    makeDialog("quorv.ppd", setup);
    ASSERT_EQ(prologue(), noErr);
    EXPECT_EQ(initialize(), noErr);
    EXPECT_EQ(pane_->embedderPane, dialog_->userPane());
    EXPECT_EQ(pane_->printButton, nullptr);
    EXPECT_EQ(pane_->printButtonHandlerRef, nullptr);
    EXPECT_NE(pane_->printButtonHandlerUPP, nullptr) << "Terminate disposes it";
}

TEST_F(LifecycleTest, SummaryFollowsThePopupAndBeforeOpenTheMode) {
    makeDialog();
    ASSERT_EQ(prologue(), noErr);
    ASSERT_EQ(initialize(), noErr);
    pane_->accountingMode = 3;
    EXPECT_EQ(summary(), (std::vector<std::string>{"Accounting", "Enabled"})) << "before Open";
    pane_->accountingMode = 1;
    EXPECT_EQ(summary(), (std::vector<std::string>{"Accounting", "Disabled"}));
    ASSERT_EQ(Open(pde_), noErr);
    for (auto [value, text] :
         {std::pair{1, "Disabled"}, std::pair{2, "Enabled"}, std::pair{3, "Enabled"}}) {
        SetControl32BitValue(control(100), value);
        EXPECT_EQ(summary(), (std::vector<std::string>{"Accounting", text})) << value;
    }
}

TEST_F(LifecycleTest, SummaryFailures) {
    CFArrayRef titles = reinterpret_cast<CFArrayRef>(0x1);
    CFArrayRef summaries = reinterpret_cast<CFArrayRef>(0x1);
    EXPECT_EQ(GetSummaryText(nullptr, &titles, &summaries), -9530);
    EXPECT_EQ(titles, nullptr);
    EXPECT_EQ(summaries, nullptr);

    ASSERT_EQ(prologue(), noErr);
    for (int skip : {0, 1}) {
        PlatformHost::failAllocations("CFArray", skip, 1);
        OSStatus status = 0;
        EXPECT_TRUE(summary(&status).empty());
        EXPECT_EQ(status, -108) << "array " << skip + 1;
    }
    // No string to be had: both outputs null, status 0, nothing left behind.
    for (int skip : {0, 1}) {
        PlatformHost::failAllocations("CFString", skip, 1);
        OSStatus status = -1;
        EXPECT_TRUE(summary(&status).empty());
        EXPECT_EQ(status, noErr);
    }
    PlatformHost::clearAllocationFailures();
}

TEST_F(LifecycleTest, CloseAndOpenKeepExactlyOneCommandHandler) {
    openPane();
    EventHandlerRef first = pane_->paneHandlerRef;
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(Close(pde_), noErr);
    EXPECT_EQ(pane_->paneHandlerRef, nullptr);
    EXPECT_EQ(Close(pde_), noErr) << "a second Close removes nothing twice";
    long live = PlatformHost::liveObjectCount();
    EXPECT_EQ(Open(pde_), noErr);
    EXPECT_EQ(PlatformHost::liveObjectCount(), live + 1) << "one fresh handler";
    EXPECT_EQ(Open(pde_), noErr);
    EXPECT_EQ(PlatformHost::liveObjectCount(), live + 1)
        << "an Open without Close replaces the handler";
    EXPECT_EQ(Close(nullptr), -9530);
}

TEST_F(LifecycleTest, InitializeTwiceLeavesOneHandlerOnPrintAndNoneAfterTerminate) {
    makeDialog("quorv.ppd");
    ASSERT_EQ(prologue(), noErr);
    auto printHandlers = [&] {
        PlatformHost::ControlState s;
        PlatformHost::controlState(dialog_->printButton(), &s);
        return s.handlers;
    };
    int dialogsOwn = printHandlers();
    long live = PlatformHost::liveObjectCount();
    EXPECT_EQ(initialize(), noErr);
    EXPECT_EQ(printHandlers(), dialogsOwn + 1);
    EXPECT_EQ(initialize(), noErr) << "the same printer chosen again";
    EXPECT_EQ(printHandlers(), dialogsOwn + 1) << "the first Initialize's handler is replaced";
    EXPECT_EQ(PlatformHost::liveObjectCount(), live + 1) << "one registration, not two";
    terminate();
    EXPECT_EQ(printHandlers(), dialogsOwn) << "no handler left holding the freed context";
    // The press reaches the dialog's own handler alone (under ASan, a stale one would read the
    // freed context).
    EXPECT_TRUE(dialog_->pressPrint().printed);
}

TEST_F(LifecycleTest, TerminateRemovesEveryHandlerItOwnsAndTheGlobalStaysOnALiveRecord) {
    openPane();
    AccountingContext* older = pane_;
    PMPDEContext olderPde = pde_;
    pde_ = nullptr;
    ASSERT_EQ(prologue(), noErr);
    EXPECT_EQ(gContext, pane_);
    terminate();
    EXPECT_EQ(gContext, older) << "the newest record still alive";
    pde_ = olderPde;
    pane_ = older;
    // No Close before Terminate: the window's command handler must go with the context.
    terminate();
    EXPECT_EQ(gContext, nullptr);
    EXPECT_EQ(PlatformHost::sendCommand(dialog_->window(), 'help'), eventNotHandledErr);
    EXPECT_EQ(dialog_->pressPrint().printed, true);
    EXPECT_EQ(Terminate(nullptr, noErr), -9530);
}

TEST_F(LifecycleTest, AfterTerminateTheDialogCanStillClickTypeAndDrawThePane) {
    openPane();
    auto handlers = [&](SInt32 id) {
        PlatformHost::ControlState s;
        EXPECT_TRUE(PlatformHost::controlState(control(id), &s)) << id;
        return s.handlers;
    };
    EXPECT_EQ(handlers(50), 1) << "the content pane's hit handler";
    EXPECT_EQ(handlers(101), 1) << "the mode picture's draw handler";
    SInt32 full = kAccountingFull;
    PlatformHost::click(control(100), &full);
    PlatformHost::click(control(200));
    terminate();
    EXPECT_EQ(handlers(50), 0);
    EXPECT_EQ(handlers(101), 0);
    // The dialog keeps its window for a moment: none of this may reach the freed context.
    for (SInt32 id : {202, 203, 300}) {
        PlatformHost::ClickResult hit = PlatformHost::click(control(id));
        EXPECT_EQ(hit.outcome, PlatformHost::ClickOutcome::Delivered) << id;
        EXPECT_EQ(hit.hitStatus, eventNotHandledErr) << id;
    }
    SInt32 off = kAccountingOff;
    EXPECT_EQ(PlatformHost::click(control(100), &off).hitStatus, eventNotHandledErr);
    PlatformHost::typeText(control(302), "abc");
    PlatformHost::renderWindow(dialog_->window());
    EXPECT_EQ(dialog_->pressPrint().printed, true);
}

TEST_F(LifecycleTest, AnUnwiredPaneOpensAsNothing) {
    makeDialog("acme.ppd");
    ASSERT_EQ(prologue(), noErr);
    ASSERT_EQ(initialize(), noErr);
    long live = PlatformHost::liveObjectCount();
    EXPECT_EQ(Open(pde_), noErr);
    EXPECT_EQ(PlatformHost::liveObjectCount(), live);
    EXPECT_EQ(pane_->paneOpened, 0);
    EXPECT_EQ(Close(pde_), noErr);
    EXPECT_EQ(dialog_->pressPrint().status, eventNotHandledErr)
        << "Print goes straight to the dialog";
}

} // namespace
