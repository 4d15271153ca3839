// Printing from a scenario: the dialog's printer (a PPD file or a CUPS queue), `print` and what
// became of the job, `expect job ...` and `expect jobs N`, read back from the server.
#include "host/ShownCodes.h"
#include "host/printing/PrinterName.h"
#include "host/scenario/RunnerSupport.h"
#include "host/scenario/ScenarioRunner.h"
#include "settings/TicketKeys.h"

#include <PlatformHost.h>

#include <chrono>
#include <thread>

using scenario::fail;
using scenario::needWords;
using scenario::numberOf;
using scenario::ScenarioError;

namespace {

const char* const kConcealKeys[][2] = {
    {"job-accounting-user-id", kAccountingConcealUserKeyName},
    {"job-account-id", kAccountingConcealAccountKeyName},
    {kAccountingUserIDKeyName, kAccountingConcealUserKeyName},
    {kAccountingAccountIDKeyName, kAccountingConcealAccountKeyName},
};

} // namespace

Printer* ScenarioRunner::openPrinter(Dialog& d) {
    if (d.printer.empty()) {
        return nullptr;
    }
    PrinterName name;
    parsePrinterName(d.printer, BareWord::PPDFile, &name);
    d.printerRef = ::openPrinter(name, d.server);
    if (name.kind == PrinterName::Kind::PPDFile) {
        return d.printerRef.get();
    }
    const Printer& p = *d.printerRef;
    out_ << "      printer " << d.printer << ": ";
    if (!p.ppdPath().empty()) {
        out_ << "PPD of Manufacturer \"" << p.manufacturer() << "\"\n";
    } else {
        out_ << "no PPD (" << p.problem() << ")\n";
    }
    return d.printerRef.get();
}

bool ScenarioRunner::concealedAttribute(const std::string& attribute) {
    PMTicketRef ticket = dialog().dialog != nullptr ? dialog().dialog->settings() : nullptr;
    for (const auto& [name, key] : kConcealKeys) {
        PlatformHost::TicketItem item;
        if (attribute == name && ticket != nullptr &&
            PlatformHost::ticketItem(ticket, key, &item)) {
            return item.type == PlatformHost::TicketItem::Type::SInt32 && item.number != 0;
        }
    }
    return false;
}

std::string ScenarioRunner::echoed(const std::vector<std::string>& w) {
    // The word that holds a code, when the place it goes to or comes from is concealed.
    size_t code = w.size();
    auto isPassword = [&](const std::string& idWord) {
        long id = 0;
        PlatformHost::ControlState s;
        Dialog& d = dialog();
        WindowRef window = modalWindow_ != nullptr ? modalWindow_
                           : d.dialog != nullptr   ? d.dialog->window()
                                                   : nullptr;
        return window != nullptr && parseNumber(idWord, &id) &&
               PlatformHost::controlState(
                   PlatformHost::findControl(window, static_cast<SInt32>(id)), &s) &&
               s.kind == PlatformHost::ControlKind::PasswordEditText;
    };
    if (w.size() == 2 && w[0] == "password") {
        code = 1; // a password never stands in clear
    } else if (w.size() == 3 && w[0] == "type" && isPassword(w[1])) {
        code = 2;
    } else if (w.size() == 6 && w[0] == "expect" && w[1] == "control" && w[3] == "text" &&
               isPassword(w[2])) {
        code = 5;
    } else if (w.size() == 5 && w[0] == "expect" && (w[1] == "job" || w[1] == "ticket") &&
               w[3] == "=" && concealedAttribute(w[2])) {
        code = 4;
    }
    std::string line;
    for (size_t i = 0; i < w.size(); ++i) {
        line += " " + (i == code ? shownCode(w[i], true) : w[i]);
    }
    return line;
}

void ScenarioRunner::printCommand() {
    if (modalWindow_ != nullptr) {
        fail("print can't be pressed while the prompt is open");
    }
    Dialog& d = dialog();
    if (d.dialog == nullptr) {
        fail("there is no dialog yet (load first)");
    }
    printLine_ = lineNumber_;
    PrintDialog::Press press = d.dialog->pressPrint();
    if (!modalError_.empty()) {
        std::string error = modalError_;
        modalError_.clear();
        throw ScenarioError{error.substr(error.find(": ") + 2)};
    }
    if (sourceDry_) {
        lineNumber_ = printLine_;
        fail("a prompt was still open when the scenario ended");
    }
    lastStatus_ = press.status;
    haveStatus_ = true;
    havePrint_ = true;
    lastPrinted_ = press.printed;
    out_ << "      print: status " << press.status << ", "
         << (press.printed ? "printed" : "not printed") << "\n";
    if (!press.jobSubmitted) {
        return;
    }
    out_ << "      job: " << press.job.line << "\n";
    if (!press.job.sent) {
        return;
    }
    ++jobsSent_;
    d.lastJobId = press.job.jobId;
    // What the server holds, not what was sent.
    std::map<std::string, std::string> held;
    CupsFailure failure;
    std::unique_ptr<CupsConnection> connection = CupsConnection::open(d.server, &failure);
    if (connection == nullptr || !connection->jobAttributes(press.job.jobId, &held, &failure)) {
        out_ << "      job " << press.job.jobUri << ": " << failure.message << "\n";
        return;
    }
    out_ << "      job " << press.job.jobUri << ":";
    bool any = false;
    for (const char* name : {"job-accounting-user-id", "job-account-id"}) {
        auto found = held.find(name);
        if (found != held.end()) {
            out_ << (any ? ", " : " ") << name << " \""
                 << shownCode(found->second, concealedAttribute(name)) << "\"";
            any = true;
        }
    }
    out_ << (any ? "\n" : " no accounting attributes\n");
}

void ScenarioRunner::jobCheck(const std::vector<std::string>& w) {
    Dialog& d = dialog();
    if (w.size() == 3 && w[1] == "jobs") {
        long expected = numberOf(w[2]);
        check(jobsSent_ == expected, "jobs " + w[2], std::to_string(jobsSent_));
        return;
    }
    bool state = w.size() == 4 && w[2] == "state";
    bool attribute = (w.size() == 5 && w[3] == "=") || (w.size() == 4 && w[3] == "missing");
    if (!state && !attribute) {
        fail("usage: expect job ATTR = VALUE | expect job ATTR missing | expect job state STATE "
             "| expect jobs N");
    }
    if (d.lastJobId == 0) {
        check(false, "a job", "no job sent yet");
        return;
    }
    std::map<std::string, std::string> held;
    CupsFailure failure;
    std::unique_ptr<CupsConnection> connection = CupsConnection::open(d.server, &failure);
    if (connection == nullptr || !connection->jobAttributes(d.lastJobId, &held, &failure)) {
        check(false, "the job's attributes", failure.message);
        return;
    }
    if (state) {
        // A job moves on by itself: wait for the state, up to the server's timeout.
        auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(static_cast<int>(d.server.timeoutSeconds * 1000));
        while (held["job-state"] != w[3] && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (!connection->jobAttributes(d.lastJobId, &held, &failure)) {
                break;
            }
        }
        check(held["job-state"] == w[3], "job state " + w[3], held["job-state"]);
        return;
    }
    bool concealed = concealedAttribute(w[2]);
    auto found = held.find(w[2]);
    std::string got = found == held.end() ? "missing" : quotedCode(found->second, concealed);
    if (w[3] == "missing") {
        check(found == held.end(), w[2] + " missing", got);
    } else {
        check(found != held.end() && found->second == w[4],
              w[2] + " = \"" + shownCode(w[4], concealed) + "\"", got);
    }
}
