// Keystroke sequences into the pane's code fields and into the prompt: typing, editing keys,
// selections at any offset, pastes, popup changes, radio buttons, OK and Cancel, Print, Sync.
// After every step no code field holds more than the largest limit its modes allowed or ends in
// half a character, the context's codes end inside their fields, and what a print stores in the
// ticket is the code the pane took; nothing is left alive after the input.
#include "FuzzSupport.h"

#include "host/dialog/PrintDialog.h"
#include "pane/Construction.h"
#include "platform/src/common/Unicode.h"
#include "plugin/Lifecycle.h"
#include "prompt/KeyFilter.h"
#include "settings/AccountingContext.h"
#include "sync/TicketSync.h"

#include <cstring>
#include <memory>

namespace {

// The input read from the front, a byte for each decision, so that a sequence can be written by
// hand: a used-up input reads as zeros.
class ByteReader {
  public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    size_t remaining_bytes() const { return size_ - at_; }
    uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    bool ConsumeBool() { return (byte() & 1) != 0; }
    // lo + byte % (hi - lo + 1)
    template <class T>
    T ConsumeIntegralInRange(T lo, T hi) {
        return static_cast<T>(lo + byte() % (hi - lo + 1));
    }
    // Two bytes, high first.
    UInt16 unit() {
        UInt16 high = byte();
        return static_cast<UInt16>(high << 8 | byte());
    }
    template <class T, size_t N>
    T PickValueInArray(const T (&values)[N]) {
        return values[byte() % N];
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

CFBundleRef gBundle = nullptr;
CFBundleRef gHelpBundle = nullptr;

// Characters worth typing: plain, refused, multibyte, a lone surrogate half, editing keys.
const UInt16 kCharacters[] = {'a', 'Z',  '7',  '=',    ' ',    '"',    '?',    '/',
                              '|', 0xE9, 0xDF, 0x20AC, 0x4E2D, 0xD83D, 0xDE00, 8,
                              127, 28,   29,   9,      13,     30,     31};
const char* const kPastes[] = {"abc", "\xC3\xA9\xC3\xA9\xC3\xA9", "a\"b,c", "\xF0\x9F\x98\x80x",
                               "0123456789012345678901234567890123456789"};

struct Run {
    ByteReader* in = nullptr;
    std::unique_ptr<PrintDialog> dialog;
    PMPDEContext pde = nullptr;
    AccountingContext* context = nullptr;
    SInt32 field = 0;   // index into the window's two code fields
    SInt32 largest = 0; // the largest byte limit of any mode the pane has been in

    AccountingContext& pane() { return *context; }
};

Run* gRun = nullptr;

void noteMode(Run& run) {
    run.largest = std::max(run.largest, codeFieldByteLimit(302, run.pane().accountingMode));
}

std::string textOf(ControlRef control) {
    PlatformHost::ControlState s;
    PlatformHost::controlState(control, &s);
    return s.text;
}

void checkFields(Run& run, WindowRef window, const SInt32 (&ids)[2]) {
    for (SInt32 id : ids) {
        ControlRef field = PlatformHost::findControl(window, id);
        if (field == nullptr) {
            continue;
        }
        std::string text = textOf(field);
        fuzzCheck(platform::isValidUtf8(text),
                  "field " + std::to_string(id) + " holds whole characters");
        fuzzCheck(static_cast<SInt32>(text.size()) <= run.largest,
                  "field " + std::to_string(id) + " holds " + std::to_string(text.size()) +
                      " bytes, more than the limit " + std::to_string(run.largest));
    }
    for (const char* code : {run.pane().promptUserID, run.pane().promptAccountID,
                             run.pane().defaultUserID, run.pane().defaultAccountID}) {
        const void* end = std::memchr(code, '\0', kCodeFieldSize);
        fuzzCheck(end != nullptr, "a code ends inside its field");
        fuzzCheck(platform::isValidUtf8(std::string(code)), "a code holds whole characters");
    }
}

// One step in the field-editing part shared by the pane and the prompt.
bool editStep(Run& run, WindowRef window, const SInt32 (&ids)[2], int op) {
    ControlRef field = PlatformHost::findControl(window, ids[run.field]);
    switch (op) {
    case 0:
        if (field != nullptr) {
            UInt16 c =
                run.in->ConsumeBool() ? run.in->PickValueInArray(kCharacters) : run.in->unit();
            SetKeyboardFocus(window, field, kControlFocusNextPart);
            PlatformHost::typeKey(field, c);
        }
        return true;
    case 1:
        if (field != nullptr) {
            auto start = run.in->ConsumeIntegralInRange<SInt16>(-2, 90);
            auto end = run.in->ConsumeIntegralInRange<SInt16>(-2, 90);
            PlatformHost::setSelection(field, start, end);
        }
        return true;
    case 2:
        run.field = 1 - run.field;
        return true;
    case 3:
        if (field != nullptr) {
            PlatformHost::typeText(field, run.in->PickValueInArray(kPastes));
        }
        return true;
    default:
        return false;
    }
}

const SInt32 kPromptFields[2] = {501, 503};
const SInt32 kPaneFields[2] = {302, 304};

void clickIn(WindowRef window, SInt32 id, const SInt32* value = nullptr) {
    if (ControlRef control = PlatformHost::findControl(window, id)) {
        PlatformHost::click(control, value);
    }
}

// One action inside the prompt's modal loop; false once the input is used up.
bool promptStep(WindowRef prompt) {
    Run& run = *gRun;
    if (run.in->remaining_bytes() == 0) {
        return false;
    }
    int op = run.in->ConsumeIntegralInRange(0, 7);
    if (!editStep(run, prompt, kPromptFields, op)) {
        switch (op) {
        case 4: {
            SInt32 type = run.in->ConsumeIntegralInRange(0, 4);
            clickIn(prompt, 505, &type);
            break;
        }
        case 5:
            clickIn(prompt, 1000);
            break;
        case 6:
            clickIn(prompt, 1001);
            break;
        case 7:
            PlatformHost::sendCommand(prompt, 'Qhlp');
            break;
        }
    }
    checkFields(run, prompt, kPromptFields);
    return true;
}

void press(Run& run) {
    PrintDialog::Press pressed = run.dialog->pressPrint();
    if (!pressed.printed) {
        return;
    }
    // The dialog stores the settings before it makes the job: the ticket carries the codes the
    // pane took, whole.
    Sync(run.pde, run.dialog->session(), kSyncStore);
    const char* user =
        run.pane().promptAtPrint != 0 ? run.pane().promptUserID : run.pane().defaultUserID;
    PlatformHost::TicketItem item;
    fuzzCheck(PlatformHost::ticketItem(run.dialog->settings(), "com.quorv.Act.qtaf.UID", &item),
              "a printed job has a user code key");
    fuzzCheck(item.text == user, "the ticket holds the user code the pane took");
}

void paneStep(Run& run) {
    WindowRef window = run.dialog->window();
    int op = run.in->ConsumeIntegralInRange(0, 10);
    if (!editStep(run, window, kPaneFields, op)) {
        switch (op) {
        case 4: {
            SInt32 mode = run.in->ConsumeIntegralInRange(0, 4);
            clickIn(window, 100, &mode);
            break;
        }
        case 5: {
            SInt32 type = run.in->ConsumeIntegralInRange(0, 4);
            clickIn(window, 92, &type);
            break;
        }
        case 6:
            clickIn(window, run.in->ConsumeBool() ? 200 : 300);
            break;
        case 7:
            clickIn(window, run.in->ConsumeBool() ? 202 : 203);
            break;
        case 8:
            press(run);
            break;
        case 9: {
            PlatformHost::StderrCapture quiet;
            Sync(run.pde, run.dialog->session(), kSyncStore);
            Sync(run.pde, run.dialog->session(), kSyncLoad);
            break;
        }
        case 10:
            Close(run.pde);
            Open(run.pde);
            break;
        }
    }
    noteMode(run);
    checkFields(run, window, kPaneFields);
}

void putSetting(PMTicketRef ticket, const char* key, SInt32 value) {
    PlatformHost::TicketItem item;
    item.type = PlatformHost::TicketItem::Type::SInt32;
    item.number = value;
    PlatformHost::putTicketItem(ticket, key, item);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string error;
    gBundle = PlatformHost::openBundle(ACCOUNTING_BUNDLE_DIR, &error);
    fuzzCheck(gBundle != nullptr, "the Accounting bundle: " + error);
    gHelpBundle = PlatformHost::openBundle(ACCOUNTING_HELP_BUNDLE_DIR, &error);
    fuzzCheck(gHelpBundle != nullptr, "the help bundle: " + error);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    gMaxChars = 0;
    PlatformHost::clearUserRecords();
    PlatformHost::clearDrawLog();
    {
        NoObjectLeftAlive guard;
        Run run;
        run.in = &in;
        gRun = &run;
        PrintDialogSetup setup;
        setup.ppdPath = ACCOUNTING_SOURCE_DIR "/examples/quorv.ppd";
        setup.helpBundle = gHelpBundle;
        std::string error;
        run.dialog = PrintDialog::create(setup, &error);
        fuzzCheck(run.dialog != nullptr, "a dialog: " + error);
        PMTicketRef settings = run.dialog->settings();
        putSetting(settings, "com.quorv.Act.qtaf.On", in.ConsumeIntegralInRange(1, 3));
        putSetting(settings, "com.quorv.Act.qtaf.Prm", in.ConsumeBool());
        putSetting(settings, "com.quorv.Act.qtaf.CU", in.ConsumeBool());
        putSetting(settings, "com.quorv.Act.qtaf.CA", in.ConsumeBool());
        putSetting(settings, "com.quorv.Act.qtaf.AT", in.ConsumeIntegralInRange(1, 3));

        OSType creator = 0;
        CFStringRef kind = nullptr;
        CFStringRef title = nullptr;
        UInt32 maxH = 0, maxV = 0;
        fuzzCheck(Prologue(&run.pde, &creator, &kind, &title, &maxH, &maxV) == noErr, "Prologue");
        run.context = reinterpret_cast<AccountingContext*>(run.pde);
        {
            PlatformHost::StderrCapture quiet;
            fuzzCheck(Initialize(run.pde, nullptr, nullptr, run.dialog->userPane(),
                                 run.dialog->session()) == noErr,
                      "Initialize");
        }
        fuzzCheck(Open(run.pde) == noErr, "Open");
        noteMode(run);
        PlatformHost::setModalEventSource(promptStep);
        while (in.remaining_bytes() > 0) {
            paneStep(run);
        }
        PlatformHost::setModalEventSource(nullptr);
        Terminate(run.pde, noErr);
        // The dialog may still click and draw its window for a moment before it takes the
        // pane out: none of it may reach the freed context.
        WindowRef window = run.dialog->window();
        for (SInt32 id : {200, 202, 203, 300}) {
            clickIn(window, id);
        }
        SInt32 full = 3;
        clickIn(window, 100, &full);
        if (ControlRef field = PlatformHost::findControl(window, 302)) {
            PlatformHost::typeText(field, "x");
        }
        PlatformHost::renderWindow(window);
        run.dialog->removePane();
        run.dialog.reset();
        gRun = nullptr;
    }
    return 0;
}
