#include "host/scenario/ScenarioRunner.h"

#include "host/printing/PrinterName.h"
#include "host/scenario/RunnerSupport.h"
#include "host/scenario/WindowText.h"

#include <PlatformHost.h>

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

using scenario::cfText;
using scenario::fail;
using scenario::needWords;
using scenario::numberOf;
using scenario::ScenarioError;

namespace {

UInt32 fourCharCode(const std::string& word) {
    if (word.size() != 4) {
        fail("\"" + word + "\" is not a four-character code");
    }
    UInt32 code = 0;
    for (unsigned char c : word) {
        code = (code << 8) | c;
    }
    return code;
}

bool fileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

void makeFolders(const std::string& path) {
    for (size_t at = 1; (at = path.find('/', at)) != std::string::npos; ++at) {
        mkdir(path.substr(0, at).c_str(), 0755);
    }
}

} // namespace

ScenarioRunner::ScenarioRunner(RunnerOptions options, std::string label, std::string folder,
                               std::ostream& out)
    : options_(std::move(options)), label_(std::move(label)), folder_(std::move(folder)),
      out_(out) {}

ScenarioRunner::~ScenarioRunner() {
    cleanUp();
}

std::string ScenarioRunner::resolve(const std::string& path) const {
    if (path.empty() || path[0] == '/') {
        return path;
    }
    return folder_.empty() ? path : folder_ + "/" + path;
}

ScenarioRunner::Dialog& ScenarioRunner::dialog() {
    auto [entry, made] = dialogs_.try_emplace(current_);
    if (made) {
        entry->second.printer = options_.printer;
        entry->second.document = options_.document;
        entry->second.server = options_.server;
    }
    return entry->second;
}

PlugInIntfVTable& ScenarioRunner::table() {
    Dialog& d = dialog();
    if (d.plugIn == nullptr) {
        fail("the bundle is not loaded (load first)");
    }
    if (d.plugIn->extension() == nullptr) {
        fail("the interface has been released");
    }
    return d.plugIn->table();
}

WindowRef ScenarioRunner::activeWindow() {
    if (modalWindow_ != nullptr) {
        return modalWindow_;
    }
    Dialog& d = dialog();
    if (d.dialog == nullptr) {
        fail("there is no dialog yet (load first)");
    }
    return d.dialog->window();
}

ControlRef ScenarioRunner::controlOf(const std::string& idWord, WindowRef window) {
    long id = numberOf(idWord);
    WindowRef w = window != nullptr ? window : activeWindow();
    ControlRef control = PlatformHost::findControl(w, static_cast<SInt32>(id));
    if (control == nullptr) {
        fail("window \"" + PlatformHost::windowName(w) + "\" has no control " + idWord);
    }
    return control;
}

OSStatus ScenarioRunner::call(const std::function<OSStatus()>& entryPoint) {
    PlatformHost::StderrCapture capture;
    OSStatus status = entryPoint();
    std::string text = capture.finish();
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        stderrLines_.push_back(line);
        out_ << "      stderr: " << line << "\n";
        if (end == std::string::npos) {
            break;
        }
        at = end + 1;
    }
    return status;
}

void ScenarioRunner::check(bool held, const std::string& expected, const std::string& got) {
    if (held) {
        return;
    }
    ++failures_;
    out_ << "FAIL " << label_ << ":" << lineNumber_ << ": expected " << expected << " got " << got
         << "\n";
}

void ScenarioRunner::setupCommand(const std::vector<std::string>& w) {
    Dialog& d = dialog();
    if (d.dialog != nullptr) {
        fail("\"" + w[0] + "\" comes before load");
    }
    const std::string& command = w[0];
    if (command == "printer") {
        needWords(w, 2, "printer PATH|cups:QUEUE|none");
        PrinterName name;
        if (w[1] == "none") {
            d.printer.clear();
        } else if (!parsePrinterName(w[1], BareWord::PPDFile, &name)) {
            fail("usage: printer PATH|cups:QUEUE|none");
        } else if (name.kind == PrinterName::Kind::Queue) {
            d.printer = name.spelled();
        } else {
            d.printer = resolve(w[1]);
            if (!fileExists(d.printer)) {
                fail(d.printer + ": no such file");
            }
        }
    } else if (command == "server") {
        needWords(w, 2, "server HOST:PORT");
        d.server.address = w[1];
    } else if (command == "encryption") {
        needWords(w, 2, "encryption never|if-requested|required|always|default");
        if (w[1] == "default") {
            d.server.encryption = Encryption::Default;
        } else if (!parseEncryption(w[1], &d.server.encryption)) {
            fail("usage: encryption never|if-requested|required|always|default");
        }
    } else if (command == "user") {
        needWords(w, 2, "user NAME");
        if (w[1].empty()) {
            fail("usage: user NAME");
        }
        d.server.user = w[1];
    } else if (command == "timeout") {
        needWords(w, 2, "timeout SECONDS");
        long seconds = numberOf(w[1]);
        if (seconds < 1) {
            fail("a timeout is at least 1 second");
        }
        d.server.timeoutSeconds = static_cast<double>(seconds);
    } else if (command == "document") {
        needWords(w, 2, "document PATH|none");
        d.document = w[1] == "none" ? "" : resolve(w[1]);
    } else if (command == "settings") {
        needWords(w, 2, "settings PATH|none");
        d.noSettings = w[1] == "none";
        d.settings = d.noSettings ? "" : resolve(w[1]);
        if (!d.settings.empty() && !fileExists(d.settings)) {
            fail(d.settings + ": no such file");
        }
    } else if (command == "ticket") {
        needWords(w, 4, "ticket KEY int N | ticket KEY str TEXT");
        if (w[2] == "int") {
            d.edits.push_back({w[1], true, numberOf(w[3]), ""});
        } else if (w[2] == "str") {
            d.edits.push_back({w[1], false, 0, w[3]});
        } else {
            fail("usage: ticket KEY int N | ticket KEY str TEXT");
        }
    } else if (command == "help-bundle") {
        needWords(w, 2, "help-bundle PATH|none");
        d.helpBundle = w[1] == "none" ? "none" : resolve(w[1]);
    }
}

void ScenarioRunner::load() {
    Dialog& d = dialog();
    if (d.dialog != nullptr) {
        fail("already loaded");
    }
    PrintDialogSetup setup;
    if (Printer* printer = openPrinter(d)) {
        setup.ppdPath = printer->ppdPath();
        setup.printerWithoutPPD = printer->ppdPath().empty();
    }
    setup.settingsPath = d.settings;
    setup.noSettings = d.noSettings;
    if (d.helpBundle != "none") {
        std::string path = d.helpBundle.empty() ? options_.helpBundlePath : d.helpBundle;
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
    for (const TicketEdit& edit : d.edits) {
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
    d.plugIn = PlugInHost::load(options_.bundlePath, &error);
    if (d.plugIn == nullptr) {
        fail(error);
    }
    d.pane = std::make_unique<PaneDriver>(*d.plugIn, *d.dialog);
    out_ << "      loaded " << options_.bundlePath << "\n";
}

void ScenarioRunner::lifecycleCommand(const std::vector<std::string>& w) {
    const std::string& command = w[0];
    Dialog& d = dialog();
    if (modalWindow_ != nullptr) {
        fail("\"" + command + "\" can't be done while the prompt is open");
    }
    OSStatus status = noErr;
    if (command == "load") {
        needWords(w, 1, "load");
        load();
        return;
    }
    if (command == "release") {
        needWords(w, 1, "release");
        if (d.plugIn == nullptr) {
            fail("the bundle is not loaded");
        }
        d.dialog->detach();
        d.plugIn->release();
        out_ << "      released the interface and the instance\n";
        return;
    }
    table(); // the bundle is loaded and its interface not released
    PaneDriver& pane = *d.pane;
    if (command == "prologue") {
        needWords(w, 1, "prologue");
        PaneDriver::Prologue p;
        status = call([&] {
            p = pane.prologue();
            return p.status;
        });
        out_ << "      title \"" << cfText(p.title) << "\", kind \"" << cfText(p.kind) << "\", "
             << p.maxH << " x " << p.maxV << "\n";
    } else if (command == "initialize") {
        needWords(w, 1, "initialize");
        status = call([&] { return pane.initialize(); });
        if (status != noErr) {
            out_ << "      the dialog leaves the pane out\n";
        }
    } else if (command == "open") {
        needWords(w, 1, "open");
        status = call([&] { return pane.open(); });
    } else if (command == "close") {
        needWords(w, 1, "close");
        status = call([&] { return pane.close(); });
    } else if (command == "terminate") {
        needWords(w, 1, "terminate");
        status = call([&] { return pane.terminate(); });
    } else if (command == "sync") {
        needWords(w, 2, "sync load|store|N");
        long flag = w[1] == "load" ? 1 : w[1] == "store" ? 0 : numberOf(w[1]);
        status = call([&] { return pane.sync(static_cast<Boolean>(flag)); });
    } else if (command == "summary") {
        needWords(w, 1, "summary");
        CFArrayRef titles = nullptr;
        CFArrayRef summaries = nullptr;
        status = call([&] { return pane.summary(&titles, &summaries); });
        if (titles != nullptr && summaries != nullptr) {
            for (CFIndex i = 0; i < CFArrayGetCount(titles); ++i) {
                out_ << "      summary: " << cfText(CFArrayGetValueAtIndex(titles, i)) << " | "
                     << cfText(CFArrayGetValueAtIndex(summaries, i)) << "\n";
            }
        } else {
            out_ << "      summary: none\n";
        }
        if (titles != nullptr) {
            CFRelease(titles);
        }
        if (summaries != nullptr) {
            CFRelease(summaries);
        }
    }
    lastStatus_ = status;
    haveStatus_ = true;
    out_ << "      status " << status << "\n";
}

bool ScenarioRunner::modalAction(WindowRef window) {
    if (!modalError_.empty()) {
        return false;
    }
    ScenarioLine line;
    if (!source_->next(&line)) {
        sourceDry_ = true;
        return false;
    }
    WindowRef saved = modalWindow_;
    modalWindow_ = window;
    // Nothing may be thrown through the pane's modal loop: a failure ends the loop instead.
    try {
        execute(line);
    } catch (const ScenarioError& error) {
        modalError_ = label_ + ":" + std::to_string(line.number) + ": " + error.message;
    }
    modalWindow_ = saved;
    return modalError_.empty();
}

void ScenarioRunner::dialogCommand(const std::vector<std::string>& w) {
    const std::string& command = w[0];
    if (command == "print") {
        needWords(w, 1, "print");
        printCommand();
        return;
    }
    WindowRef window = activeWindow();
    if (command == "click") {
        if (w.size() != 2 && w.size() != 3) {
            fail("usage: click ID [VALUE]");
        }
        ControlRef control = controlOf(w[1], window);
        SInt32 value = 0;
        if (w.size() == 3) {
            value = static_cast<SInt32>(numberOf(w[2]));
        }
        PlatformHost::ClickResult result =
            PlatformHost::click(control, w.size() == 3 ? &value : nullptr);
        switch (result.outcome) {
        case PlatformHost::ClickOutcome::NeedsValue:
            fail("a click on popup " + w[1] + " needs a VALUE");
        case PlatformHost::ClickOutcome::Hidden:
            out_ << "      control " << w[1] << " is hidden: the click does nothing\n";
            return;
        case PlatformHost::ClickOutcome::Disabled:
            out_ << "      control " << w[1] << " is disabled: the click does nothing\n";
            return;
        case PlatformHost::ClickOutcome::HiddenItem:
            out_ << "      item " << w[2] << " of popup " << w[1]
                 << " is hidden: it can't be chosen\n";
            return;
        default:
            break;
        }
        out_ << "      hit: " << result.hitStatus;
        if (result.commandSent) {
            out_ << ", command: " << result.commandStatus;
        }
        out_ << "\n";
    } else if (command == "type") {
        needWords(w, 3, "type ID TEXT");
        ControlRef control = controlOf(w[1], window);
        int passed = 0;
        call([&] {
            passed = PlatformHost::typeText(control, w[2]);
            return noErr;
        });
        out_ << "      " << passed << " key(s) let through\n";
    } else if (command == "key") {
        needWords(w, 3, "key ID CODE");
        ControlRef control = controlOf(w[1], window);
        long code = numberOf(w[2]);
        SetKeyboardFocus(window, control, kControlFocusNextPart);
        bool passed = PlatformHost::typeKey(control, static_cast<UInt16>(code));
        out_ << "      key " << code << (passed ? " let through\n" : " refused\n");
    } else if (command == "select") {
        needWords(w, 4, "select ID START END");
        ControlRef control = controlOf(w[1], window);
        PlatformHost::setSelection(control, static_cast<SInt16>(numberOf(w[2])),
                                   static_cast<SInt16>(numberOf(w[3])));
    } else if (command == "command") {
        needWords(w, 2, "command CODE");
        UInt32 code = fourCharCode(w[1]);
        OSStatus status = call([&] { return PlatformHost::sendCommand(window, code); });
        lastStatus_ = status;
        haveStatus_ = true;
        out_ << "      command '" << w[1] << "': " << status << "\n";
    } else if (command == "render") {
        needWords(w, 2, "render PATH");
        std::string path = w[1][0] == '/' ? w[1] : options_.outDir + "/" + w[1];
        makeFolders(path);
        PlatformHost::renderWindow(window);
        std::string error;
        if (!PlatformHost::writePortPNG(window, path, &error)) {
            fail(error);
        }
        out_ << "      wrote " << path << "\n";
    } else if (command == "show") {
        needWords(w, 1, "show");
        showWindow(window);
    }
}

void ScenarioRunner::showWindow(WindowRef window) {
    out_ << windowText(window,
                       modalWindow_ == nullptr ? "dialog" : PlatformHost::windowName(window));
}

void ScenarioRunner::execute(const ScenarioLine& line) {
    lineNumber_ = line.number;
    const std::vector<std::string>& w = line.words;
    out_ << (modalWindow_ != nullptr ? "    " : "  ") << line.number << ":" << echoed(w) << "\n";
    const std::string& command = w[0];
    if (command == "printer" || command == "settings" || command == "ticket" ||
        command == "help-bundle" || command == "server" || command == "timeout" ||
        command == "document" || command == "encryption" || command == "user") {
        setupCommand(w);
    } else if (command == "password") {
        needWords(w, 2, "password TEXT");
        passwords_.push_back(w[1]);
    } else if (command == "dialog") {
        needWords(w, 2, "dialog NAME");
        if (modalWindow_ != nullptr) {
            fail("\"dialog\" can't be switched while the prompt is open");
        }
        current_ = w[1];
        dialog();
    } else if (command == "load" || command == "prologue" || command == "initialize" ||
               command == "open" || command == "close" || command == "terminate" ||
               command == "sync" || command == "summary" || command == "release") {
        lifecycleCommand(w);
    } else if (command == "click" || command == "type" || command == "key" || command == "select" ||
               command == "print" || command == "command" || command == "render" ||
               command == "show") {
        dialogCommand(w);
    } else if (command == "expect") {
        expectCommand(w);
    } else {
        fail("unknown command \"" + command + "\"");
    }
    if (options_.interactive && command != "show" && command != "expect") {
        Dialog& d = dialog();
        if (modalWindow_ != nullptr || d.dialog != nullptr) {
            showWindow(activeWindow());
        }
    }
}

void ScenarioRunner::cleanUp() {
    for (auto& [name, d] : dialogs_) {
        if (d.dialog != nullptr) {
            d.dialog->detach();
            d.dialog->setJobSink(nullptr);
        }
        if (d.plugIn != nullptr && d.plugIn->extension() != nullptr && d.pane != nullptr &&
            d.pane->alive()) {
            PlatformHost::StderrCapture quiet;
            d.pane->terminate();
        }
        d.pane.reset();
        d.plugIn.reset();
        d.dialog.reset();
        d.jobs.reset();
        d.printerRef.reset();
        if (d.helpBundleRef != nullptr) {
            CFRelease(d.helpBundleRef);
            d.helpBundleRef = nullptr;
        }
    }
    dialogs_.clear();
    PlatformHost::unloadUnusedPlugIns();
}

bool ScenarioRunner::password(const std::string& user, const std::string& server, int attempt,
                              std::string* out) {
    if (!passwords_.empty()) {
        *out = std::move(passwords_.front());
        passwords_.pop_front();
        out_ << "      password for " << user << " on " << server << " given (try " << attempt
             << ")\n";
        return true;
    }
    if (isatty(STDIN_FILENO) == 0) {
        out_ << "      the server asks " << user << " for a password: none given\n";
        return false;
    }
    return readPasswordFromTerminal("Password for " + user + " on " + server +
                                        (attempt > 1 ? " (try " + std::to_string(attempt) + " of " +
                                                           std::to_string(kPasswordAttempts) + ")"
                                                     : std::string()) +
                                        ": ",
                                    out);
}

RunResult ScenarioRunner::run(LineSource& source) {
    source_ = &source;
    PasswordScope passwords(this);
    liveAtStart_ = PlatformHost::liveObjectCount();
    PlatformHost::clearUserRecords();
    RunResult result = RunResult::Passed;
    {
        PlatformHost::ScopedModalEventSource modalSource(
            [this](WindowRef window) { return modalAction(window); });
        out_ << label_ << ":\n";
        ScenarioLine line;
        while (source.next(&line)) {
            try {
                execute(line);
            } catch (const ScenarioError& error) {
                out_ << label_ << ":" << lineNumber_ << ": error: " << error.message << "\n";
                if (!options_.interactive) {
                    result = RunResult::Broken;
                    break;
                }
            }
        }
    }
    cleanUp();
    long live = PlatformHost::liveObjectCount();
    if (live != liveAtStart_ && result != RunResult::Broken) {
        ++failures_;
        out_ << "FAIL " << label_ << ": platform objects still alive after the scenario: "
             << PlatformHost::liveObjectReport() << "\n";
    }
    if (result == RunResult::Broken) {
        return result;
    }
    out_ << label_ << ": "
         << (failures_ == 0 ? "all checks held" : std::to_string(failures_) + " check(s) failed")
         << "\n";
    return failures_ == 0 ? RunResult::Passed : RunResult::Failed;
}
